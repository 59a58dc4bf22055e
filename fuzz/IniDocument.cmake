orv_add_fuzz_target(IniDocument SOURCES ${CMAKE_SOURCE_DIR}/fuzz/FuzzIniDocument.cpp
                    LIBS orvsvc_objects orvcommon wcecore)
target_include_directories(ReplayIniDocument PRIVATE ${CMAKE_SOURCE_DIR})
if(TARGET FuzzIniDocument)
  target_include_directories(FuzzIniDocument PRIVATE ${CMAKE_SOURCE_DIR})
endif()
