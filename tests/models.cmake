# glTF models: the loader on files the tests write (gltf_files.cpp, nlohmann's JSON).
add_library(gltf_files STATIC gltf_files.cpp)
target_include_directories(gltf_files PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})

add_executable(gltf_tests test_gltf.cpp)
target_link_libraries(gltf_tests PRIVATE fake_platform gltf_files texture_files stb_image_io
  GTest::gtest_main)
bumpdemo_discover_tests(gltf_tests unit)
