# The engine's Init, which parses the signature databases, driven through the loader and the real
# engine host: the input becomes one database file of the library folder.
orv_add_fuzz_target(EngineInit SOURCES ${CMAKE_SOURCE_DIR}/fuzz/FuzzEngineInit.cpp LIBS orvengine)
foreach(target ReplayEngineInit FuzzEngineInit)
  if(TARGET ${target})
    target_compile_definitions(${target} PRIVATE ORV_ENGINE_IMAGE="${CMAKE_BINARY_DIR}/Lib/Verdane.dll")
    if(TARGET orv_engine_image)
      add_dependencies(${target} orv_engine_image)
    endif()
  endif()
endforeach()
