# orv-dbimport's container reader (libarchive underneath), built from components/engine/dbimport.
if(TARGET orvdbimport)
  orv_add_fuzz_target(DatabaseContainer SOURCES ${CMAKE_SOURCE_DIR}/fuzz/FuzzDatabaseContainer.cpp LIBS orvdbimport)
endif()
