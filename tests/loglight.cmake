# Vector math, the light's motion and the log file; and the log seen from outside the
# real executable.
add_executable(loglight_tests test_vector.cpp test_light.cpp test_log.cpp)
target_link_libraries(loglight_tests PRIVATE bumpsdl GTest::gtest_main)
bumpdemo_discover_tests(loglight_tests unit)

add_executable(e2e_log_tests e2e/test_e2e_log.cpp)
target_link_libraries(e2e_log_tests PRIVATE demo_process GTest::gtest_main)
bumpdemo_discover_tests(e2e_log_tests e2e)
