orv_add_fuzz_target(MenuResource
  SOURCES ${CMAKE_SOURCE_DIR}/fuzz/FuzzMenuResource.cpp ${CMAKE_SOURCE_DIR}/platform/ui/MenuResource.cpp
  LIBS wce_headers)
target_include_directories(ReplayMenuResource PRIVATE ${CMAKE_SOURCE_DIR})
if(ORV_FUZZ)
  target_include_directories(FuzzMenuResource PRIVATE ${CMAKE_SOURCE_DIR})
endif()
