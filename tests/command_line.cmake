# The command line's parsing.
add_executable(command_line_tests test_command_line.cpp)
target_link_libraries(command_line_tests PRIVATE bumpcore GTest::gtest_main)
bumpdemo_discover_tests(command_line_tests unit)
