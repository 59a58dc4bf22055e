orv_add_fuzz_target(BackupHeader SOURCES ${CMAKE_SOURCE_DIR}/fuzz/FuzzBackupHeader.cpp
                    LIBS orvsvc_objects orvcommon wcecore)
target_include_directories(ReplayBackupHeader PRIVATE ${CMAKE_SOURCE_DIR})
if(TARGET FuzzBackupHeader)
  target_include_directories(FuzzBackupHeader PRIVATE ${CMAKE_SOURCE_DIR})
endif()
