# The command line and the user's controls over the view and the light.
add_executable(controls_tests test_command_line.cpp test_controls.cpp)
target_link_libraries(controls_tests PRIVATE bumpcore GTest::gtest_main)
bumpdemo_discover_tests(controls_tests unit)
