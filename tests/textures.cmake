# The BMP reader, texture loading, the normalization cube map and the normal-map tool.
add_library(texture_files STATIC texture_files.cpp)
target_include_directories(texture_files PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})

add_executable(bmp_tests test_bmp.cpp)
target_link_libraries(bmp_tests PRIVATE fake_platform texture_files GTest::gtest_main)
target_compile_definitions(bmp_tests PRIVATE BUMPDEMO_TESTDATA="${BUMPDEMO_TESTDATA}")
gtest_discover_tests(bmp_tests)
