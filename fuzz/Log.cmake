orv_add_fuzz_target(Log SOURCES ${CMAKE_SOURCE_DIR}/fuzz/FuzzLog.cpp
                    LIBS orvsvc_objects orvcommon wcecore)
target_include_directories(ReplayLog PRIVATE ${CMAKE_SOURCE_DIR})
if(TARGET FuzzLog)
  target_include_directories(FuzzLog PRIVATE ${CMAKE_SOURCE_DIR})
endif()
