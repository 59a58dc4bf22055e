# Fuzz targets: with ORV_FUZZ (clang) each target is a libFuzzer binary; in every build a replay
# runner feeds the saved inputs of tests/data/<name>/ through the same function under ctest.
set(FUZZ_TARGETS "" CACHE INTERNAL "")

function(orv_add_fuzz_target name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  set(FUZZ_TARGETS ${FUZZ_TARGETS} ${name} CACHE INTERNAL "")
  if(ORV_FUZZ)
    add_executable(Fuzz${name} ${F_SOURCES})
    target_compile_options(Fuzz${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(Fuzz${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(Fuzz${name} PRIVATE ${F_LIBS})
  endif()
  add_executable(Replay${name} ${F_SOURCES} ${CMAKE_SOURCE_DIR}/fuzz/ReplayMain.cpp)
  target_link_libraries(Replay${name} PRIVATE ${F_LIBS})
  add_test(NAME replay.${name}
           COMMAND Replay${name} ${CMAKE_SOURCE_DIR}/tests/data/${name})
endfunction()
