# The normal-map checker (src/check/): the image checks on maps made from known height fields.
add_executable(check_tests test_checks.cpp)
target_link_libraries(check_tests PRIVATE bumpcore GTest::gtest_main)
target_include_directories(check_tests SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/stb)
target_compile_definitions(check_tests PRIVATE BUMPDEMO_ASSETS_DIR="${BUMPDEMO_ASSETS}")
bumpdemo_discover_tests(check_tests unit)
