# The engine image loader over arbitrary bytes.
orv_add_fuzz_target(ImageLoader
  SOURCES ${CMAKE_SOURCE_DIR}/fuzz/FuzzImageLoader.cpp ${CMAKE_SOURCE_DIR}/tests/support/MemoryFileSystem.cpp
  LIBS orvengine)
