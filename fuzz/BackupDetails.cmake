orv_add_fuzz_target(BackupDetails SOURCES ${CMAKE_SOURCE_DIR}/fuzz/FuzzBackupDetails.cpp
                    ${CMAKE_SOURCE_DIR}/app/pages/BackupDetails.cpp
                    LIBS orvcommon wcecore)
foreach(target ReplayBackupDetails FuzzBackupDetails)
  if(TARGET ${target})
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/app/pages ${CMAKE_SOURCE_DIR}/svc/include)
  endif()
endforeach()
