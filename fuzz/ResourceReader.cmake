orv_add_fuzz_target(ResourceReader SOURCES ${CMAKE_SOURCE_DIR}/fuzz/FuzzResourceReader.cpp LIBS wcecore)
