# The scene: exact call sequences through the recorder, and the picture on Mesa.
add_executable(scene_call_tests test_scene_calls.cpp)
target_link_libraries(scene_call_tests PRIVATE fake_platform gl_recorder GTest::gtest_main)
target_compile_definitions(scene_call_tests PRIVATE BUMPDEMO_ASSETS_DIR="${BUMPDEMO_ASSETS}")
bumpdemo_discover_tests(scene_call_tests unit)

add_executable(scene_picture_tests test_scene_picture.cpp)
target_link_libraries(scene_picture_tests PRIVATE bumpsdl GTest::gtest_main)
target_compile_definitions(scene_picture_tests PRIVATE BUMPDEMO_ASSETS_DIR="${BUMPDEMO_ASSETS}")
discover_offscreen_gl_tests(scene_picture_tests)

# One pass of the main loop, with the fake platform and the recorder.
add_executable(main_loop_tests test_main_loop.cpp)
target_link_libraries(main_loop_tests PRIVATE fake_platform gl_recorder GTest::gtest_main)
bumpdemo_discover_tests(main_loop_tests unit)

# The curved models' corners as drawn, each against its own vertex.
add_executable(mesh_corner_tests test_mesh_corners.cpp)
target_link_libraries(mesh_corner_tests PRIVATE fake_platform gl_recorder GTest::gtest_main)
target_compile_definitions(mesh_corner_tests PRIVATE BUMPDEMO_ASSETS_DIR="${BUMPDEMO_ASSETS}")
bumpdemo_discover_tests(mesh_corner_tests unit)

# The shaders renderer in a core context: only core entry points, no GL error, and faults
# put into its shaders caught by the picture matrix's metric.
add_executable(shader_tests test_shaders.cpp)
target_link_libraries(shader_tests PRIVATE bumpsdl gl_recorder GTest::gtest_main)
target_compile_definitions(shader_tests PRIVATE BUMPDEMO_ASSETS_DIR="${BUMPDEMO_ASSETS}"
  BUMPDEMO_GOLDEN_DIR="${CMAKE_CURRENT_SOURCE_DIR}/golden" PICTURE_COMPARE="$<TARGET_FILE:picture_compare>")
add_dependencies(shader_tests picture_compare)
discover_offscreen_gl_tests(shader_tests)

# The pixel probe's prediction against the pixels Mesa draws, and its check failing on
# faults put into the prediction or the drawing.
add_executable(probe_tests test_probe.cpp)
target_link_libraries(probe_tests PRIVATE bumpsdl GTest::gtest_main)
target_compile_definitions(probe_tests PRIVATE BUMPDEMO_ASSETS_DIR="${BUMPDEMO_ASSETS}")
discover_offscreen_gl_tests(probe_tests)

# The stages' per-vertex terms from frame arrays (vectorised loops) against the single-vertex
# functions, to the bit.
add_executable(vertex_terms_tests test_vertex_terms.cpp)
target_link_libraries(vertex_terms_tests PRIVATE bumpcore GTest::gtest_main)
bumpdemo_discover_tests(vertex_terms_tests unit)
