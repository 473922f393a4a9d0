# The main loop's scheduling and clock, and the window module against fakes.
add_executable(spine_tests test_clock_steps.cpp test_window.cpp)
target_link_libraries(spine_tests PRIVATE fake_platform GTest::gtest_main)
bumpdemo_discover_tests(spine_tests unit)

# The SDL backend's key and event translation.
add_executable(sdl_backend_tests test_sdl_events.cpp)
target_link_libraries(sdl_backend_tests PRIVATE bumpsdl GTest::gtest_main)
bumpdemo_discover_tests(sdl_backend_tests unit)
