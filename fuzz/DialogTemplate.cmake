orv_add_fuzz_target(DialogTemplate
  SOURCES ${CMAKE_SOURCE_DIR}/fuzz/FuzzDialogTemplate.cpp ${CMAKE_SOURCE_DIR}/platform/ui/DialogTemplate.cpp
  LIBS wce_headers)
target_include_directories(ReplayDialogTemplate PRIVATE ${CMAKE_SOURCE_DIR})
if(ORV_FUZZ)
  target_include_directories(FuzzDialogTemplate PRIVATE ${CMAKE_SOURCE_DIR})
endif()
