# The main loop's scheduling and clock, and the window module against fakes.
add_executable(spine_tests test_clock_steps.cpp test_window.cpp)
target_link_libraries(spine_tests PRIVATE fake_platform GTest::gtest_main)
gtest_discover_tests(spine_tests)
