# Hardening: bad input end to end with the real executable, and a memcheck run of it.
add_executable(e2e_bad_input_tests e2e/test_e2e_bad_input.cpp)
target_link_libraries(e2e_bad_input_tests PRIVATE demo_process GTest::gtest_main)
gtest_discover_tests(e2e_bad_input_tests PROPERTIES RUN_SERIAL TRUE)
