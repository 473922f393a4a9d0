# The normal-map checker (src/check/): the image checks on maps made from known height fields.
add_executable(check_tests test_checks.cpp)
# stb_image_io: the JPEG encoder built as the sanitizer build needs it (tests/matrix.cmake).
target_link_libraries(check_tests PRIVATE stb_image_io bumpcore GTest::gtest_main)
target_compile_definitions(check_tests PRIVATE BUMPDEMO_ASSETS_DIR="${BUMPDEMO_ASSETS}")
if(BUMPDEMO_SANITIZE)
  # The sweep over random fields in a third of its fields: the same code paths, in seconds.
  target_compile_definitions(check_tests PRIVATE BUMPDEMO_SWEEP_FIELDS=30)
endif()
bumpdemo_discover_tests(check_tests unit)

# bumpcheck end to end: the real program on files made by the real make_normal_map, its
# text and JSON (parsed back by Python), its exit codes, and a file read by user nobody.
find_package(Python3 COMPONENTS Interpreter REQUIRED)
add_test(NAME bumpcheck_e2e
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/e2e/bumpcheck_e2e.py
                 $<TARGET_FILE:bumpcheck> $<TARGET_FILE:make_normal_map>)
set_tests_properties(bumpcheck_e2e PROPERTIES LABELS e2e TIMEOUT 300)

# The model checks on glTF files the tests make: tangents damaged one way each, and maps
# baked into known frames on a torus of texture islands.
add_executable(model_check_tests test_model_checks.cpp)
target_link_libraries(model_check_tests PRIVATE gltf_files stb_image_io bumpcore GTest::gtest_main)
if(BUMPDEMO_SANITIZE)
  # The sweep over random surfaces on 4 of them: the same code paths, in seconds.
  target_compile_definitions(model_check_tests PRIVATE BUMPDEMO_SWEEP_SURFACES=4)
endif()
bumpdemo_discover_tests(model_check_tests unit)
