# Every tracked C and C++ source is formatted as .clang-format says.
add_test(NAME clang_format COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/check_format.sh)
set_tests_properties(clang_format PROPERTIES SKIP_RETURN_CODE 77 LABELS unit)
