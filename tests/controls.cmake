# The command line, the user's controls over the view and the light, and the panel.
add_executable(controls_tests test_command_line.cpp test_controls.cpp test_panel.cpp)
target_link_libraries(controls_tests PRIVATE fake_platform gl_recorder gltf_files texture_files
  GTest::gtest_main)
bumpdemo_discover_tests(controls_tests unit)

# The curved models' meshes and tangent frames.
add_executable(model_tests test_models.cpp)
target_link_libraries(model_tests PRIVATE bumpcore GTest::gtest_main)
bumpdemo_discover_tests(model_tests unit)
