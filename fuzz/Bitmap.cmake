orv_add_fuzz_target(Bitmap SOURCES ${CMAKE_SOURCE_DIR}/fuzz/FuzzBitmap.cpp LIBS wcegdi wcecore)
# The target reads DIBs through the drawing layer's own reader.
foreach(target ReplayBitmap FuzzBitmap)
  if(TARGET ${target})
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/platform/gdi)
  endif()
endforeach()
