# Every tracked C and C++ source is formatted as .clang-format says.
add_test(NAME clang_format COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/check_format.sh)
set_tests_properties(clang_format PROPERTIES SKIP_RETURN_CODE 77 LABELS unit)

# The layers of src/ (docs/ARCHITECTURE.md): every include runs downward, and the OS is
# reached from the platform backends alone.
add_executable(layer_tests test_layers.cpp)
target_link_libraries(layer_tests PRIVATE GTest::gtest_main)
target_compile_definitions(layer_tests PRIVATE BUMPDEMO_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
bumpdemo_discover_tests(layer_tests unit)
