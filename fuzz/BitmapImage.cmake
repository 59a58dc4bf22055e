# The program's own picture builder (BitmapImage) over arbitrary bytes, as a resource and as a file.
orv_add_fuzz_target(BitmapImage SOURCES ${CMAKE_SOURCE_DIR}/fuzz/FuzzBitmapImage.cpp
                    ${CMAKE_SOURCE_DIR}/app/shell/BitmapImage.cpp
                    LIBS orvcommon wceui wcegdi wcecore $<TARGET_NAME_IF_EXISTS:wcedisplay>)
foreach(target ReplayBitmapImage FuzzBitmapImage)
  if(TARGET ${target})
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/app/shell ${CMAKE_SOURCE_DIR})
  endif()
endforeach()
