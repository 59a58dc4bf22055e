orv_add_fuzz_target(Log SOURCES ${CMAKE_SOURCE_DIR}/fuzz/FuzzLog.cpp ${CMAKE_SOURCE_DIR}/app/pages/LogText.cpp
                    LIBS orvsvc_objects orvcommon wcecore)
foreach(target ReplayLog FuzzLog)
  if(TARGET ${target})
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/svc/include
                               ${CMAKE_SOURCE_DIR}/app/pages)
  endif()
endforeach()
