# The command line and the user's controls over the view and the light.
add_executable(controls_tests test_command_line.cpp test_controls.cpp)
target_link_libraries(controls_tests PRIVATE bumpcore GTest::gtest_main)
bumpdemo_discover_tests(controls_tests unit)

# The curved models' meshes and tangent frames.
add_executable(model_tests test_models.cpp)
target_link_libraries(model_tests PRIVATE bumpcore GTest::gtest_main)
bumpdemo_discover_tests(model_tests unit)
