# End-to-end tests with the real executable: the harness, and the spine's own tests.
add_library(demo_process STATIC e2e/demo_process.cpp)
target_include_directories(demo_process PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/e2e)
target_compile_definitions(demo_process PUBLIC
  BUMPDEMO_EXE="$<TARGET_FILE:bumpdemo>" BUMPDEMO_ASSETS_DIR="${BUMPDEMO_ASSETS}")
add_dependencies(demo_process bumpdemo)

add_executable(e2e_spine_tests e2e/test_e2e_spine.cpp)
target_link_libraries(e2e_spine_tests PRIVATE demo_process GTest::gtest_main)
bumpdemo_discover_tests(e2e_spine_tests e2e RUN_SERIAL TRUE)

# Counts the program's buffer swaps and times its first one, from outside the program.
add_library(swap_probe SHARED e2e/swap_probe.c)
target_link_libraries(swap_probe PRIVATE dl)
find_package(X11 REQUIRED)
target_link_libraries(e2e_spine_tests PRIVATE X11::X11)
target_include_directories(e2e_spine_tests SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/stb)
target_compile_definitions(e2e_spine_tests PRIVATE SWAP_PROBE_LIBRARY="$<TARGET_FILE:swap_probe>")
add_dependencies(e2e_spine_tests swap_probe)

# The window module on the real SDL backend, on private X displays.
add_executable(sdl_window_tests test_sdl_window.cpp)
target_link_libraries(sdl_window_tests PRIVATE bumpsdl demo_process GTest::gtest_main)
keep_libraries_loaded(sdl_window_tests)
bumpdemo_discover_tests(sdl_window_tests gl RUN_SERIAL TRUE)

# The command line and the headless capture, with the real executable. The PNG is decoded
# with stb_image (libstb-dev), from the copy of the stb headers the build makes.
add_executable(e2e_command_line_tests e2e/test_e2e_command_line.cpp)
configure_file(${BUMPDEMO_STB_DIR}/stb_image.h ${CMAKE_BINARY_DIR}/stb/stb_image.h COPYONLY)
target_include_directories(e2e_command_line_tests SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/stb)
target_link_libraries(e2e_command_line_tests PRIVATE demo_process bumpcore GTest::gtest_main)
target_compile_definitions(e2e_command_line_tests PRIVATE
  BUMPDEMO_SOURCE_DIR="${PROJECT_SOURCE_DIR}" MAKE_NORMAL_MAP="$<TARGET_FILE:make_normal_map>")
add_dependencies(e2e_command_line_tests make_normal_map)
bumpdemo_discover_tests(e2e_command_line_tests e2e)

# Normal maps as other programs write them (32-bit, 16-bit, made with ImageMagick's
# convert), drawn or refused by the real executable.
add_executable(e2e_bitmap_tests e2e/test_e2e_bitmaps.cpp)
target_link_libraries(e2e_bitmap_tests PRIVATE demo_process GTest::gtest_main)
bumpdemo_discover_tests(e2e_bitmap_tests e2e)

# PNG, TGA and JPEG maps, height maps and bad image files, with the real executable and the
# normal-map tool.
add_executable(e2e_map_tests e2e/test_e2e_maps.cpp)
target_link_libraries(e2e_map_tests PRIVATE demo_process bumpcore stb_image_io GTest::gtest_main)
target_compile_definitions(e2e_map_tests PRIVATE MAKE_NORMAL_MAP="$<TARGET_FILE:make_normal_map>"
  PICTURE_COMPARE="$<TARGET_FILE:picture_compare>" SWAP_PROBE_LIBRARY="$<TARGET_FILE:swap_probe>")
add_dependencies(e2e_map_tests make_normal_map picture_compare swap_probe)
bumpdemo_discover_tests(e2e_map_tests e2e)

# --probe: the JSON lines against the screenshot of the same run.
add_executable(e2e_probe_tests e2e/test_e2e_probe.cpp)
target_include_directories(e2e_probe_tests SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/stb)
target_include_directories(e2e_probe_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(e2e_probe_tests PRIVATE demo_process bumpcore GTest::gtest_main)
bumpdemo_discover_tests(e2e_probe_tests e2e)

# glTF models with the real executable: the glTF wall against the built-in one, both
# renderers and the probe on a mirrored torus, refused files.
add_executable(e2e_model_tests e2e/test_e2e_models.cpp)
target_include_directories(e2e_model_tests SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/stb)
target_link_libraries(e2e_model_tests PRIVATE demo_process bumpcore gltf_files stb_image_io
  GTest::gtest_main)
target_compile_definitions(e2e_model_tests PRIVATE PICTURE_COMPARE="$<TARGET_FILE:picture_compare>")
add_dependencies(e2e_model_tests picture_compare)
bumpdemo_discover_tests(e2e_model_tests e2e)
