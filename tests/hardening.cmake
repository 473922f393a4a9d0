# Hardening: bad input end to end with the real executable, and a memcheck run of it.
add_executable(e2e_bad_input_tests e2e/test_e2e_bad_input.cpp)
target_link_libraries(e2e_bad_input_tests PRIVATE demo_process GTest::gtest_main)
bumpdemo_discover_tests(e2e_bad_input_tests e2e RUN_SERIAL TRUE)

# memcheck over a few seconds of the real program (valgrind cannot run a sanitizer build).
find_program(VALGRIND valgrind)
if(VALGRIND AND NOT BUMPDEMO_SANITIZE)
  add_library(frame_marker SHARED valgrind/frame_marker.c)
  target_link_libraries(frame_marker PRIVATE dl)
  add_test(NAME ValgrindMemcheck.RealProgramOffscreen
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/valgrind/memcheck.sh $<TARGET_FILE:bumpdemo>
      ${BUMPDEMO_ASSETS} ${CMAKE_CURRENT_SOURCE_DIR}/valgrind/gl_sdl.supp 5
      $<TARGET_FILE:frame_marker>)
  set_tests_properties(ValgrindMemcheck.RealProgramOffscreen PROPERTIES TIMEOUT 240 RUN_SERIAL TRUE
    LABELS valgrind)
endif()
