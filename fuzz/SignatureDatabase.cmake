# The engine's signature database parsers and matcher, built for the host from components/engine/core.
file(GLOB SIGNATURE_CORE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/components/engine/core/*.cpp)
orv_add_fuzz_target(SignatureDatabase SOURCES ${CMAKE_SOURCE_DIR}/fuzz/FuzzSignatureDatabase.cpp ${SIGNATURE_CORE_SOURCES})
foreach(target FuzzSignatureDatabase ReplaySignatureDatabase)
  if(TARGET ${target})
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/components/engine)
  endif()
endforeach()
