# The normal-map checker (src/check/): the image checks on maps made from known height fields.
add_executable(check_tests test_checks.cpp)
target_link_libraries(check_tests PRIVATE bumpcore GTest::gtest_main)
target_include_directories(check_tests SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/stb)
target_compile_definitions(check_tests PRIVATE BUMPDEMO_ASSETS_DIR="${BUMPDEMO_ASSETS}")
bumpdemo_discover_tests(check_tests unit)

# bumpcheck end to end: the real program on files made by the real make_normal_map, its
# text and JSON (parsed back by Python), its exit codes, and a file read by user nobody.
find_package(Python3 COMPONENTS Interpreter REQUIRED)
add_test(NAME bumpcheck_e2e
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/e2e/bumpcheck_e2e.py
                 $<TARGET_FILE:bumpcheck> $<TARGET_FILE:make_normal_map>)
set_tests_properties(bumpcheck_e2e PROPERTIES LABELS e2e TIMEOUT 300)
