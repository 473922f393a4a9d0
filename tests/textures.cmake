# The BMP reader, texture loading, the normalization cube map and the normal-map tool.
add_library(texture_files STATIC texture_files.cpp)
target_include_directories(texture_files PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})

add_executable(bmp_tests test_bmp.cpp)
target_link_libraries(bmp_tests PRIVATE fake_platform texture_files GTest::gtest_main)
target_compile_definitions(bmp_tests PRIVATE BUMPDEMO_TESTDATA="${BUMPDEMO_TESTDATA}")
bumpdemo_discover_tests(bmp_tests unit)

# Texture loading and the cube map against the GL-call recorder (no GL needed).
add_executable(texture_call_tests test_texture.cpp test_cubemap.cpp)
target_link_libraries(texture_call_tests PRIVATE fake_platform texture_files gl_recorder
  GTest::gtest_main)
bumpdemo_discover_tests(texture_call_tests unit)

# Texture loading and the cube map on Mesa's GL, through SDL's offscreen driver.
add_executable(texture_gl_tests test_texture_gl.cpp)
target_link_libraries(texture_gl_tests PRIVATE bumpsdl texture_files GTest::gtest_main)
target_compile_definitions(texture_gl_tests PRIVATE BUMPDEMO_ASSETS_DIR="${BUMPDEMO_ASSETS}")
discover_offscreen_gl_tests(texture_gl_tests)

# The normal-map tool, run as a program, and the shipped map it made.
add_executable(normal_map_tests test_normal_map.cpp)
target_link_libraries(normal_map_tests PRIVATE fake_platform texture_files GTest::gtest_main)
target_compile_definitions(normal_map_tests PRIVATE MAKE_NORMAL_MAP="$<TARGET_FILE:make_normal_map>"
  BUMPDEMO_ASSETS_DIR="${BUMPDEMO_ASSETS}")
add_dependencies(normal_map_tests make_normal_map)
bumpdemo_discover_tests(normal_map_tests unit)

# The image-loading entry point (PNG, TGA, JPEG and BMP) and the green channel's check.
add_executable(image_tests test_image.cpp)
target_link_libraries(image_tests PRIVATE fake_platform stb_image_io GTest::gtest_main)
target_compile_definitions(image_tests PRIVATE BUMPDEMO_ASSETS_DIR="${BUMPDEMO_ASSETS}"
  BUMPDEMO_TESTDATA="${BUMPDEMO_TESTDATA}")
bumpdemo_discover_tests(image_tests unit)
