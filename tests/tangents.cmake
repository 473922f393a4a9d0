# The tangent generator against the reference generator (npm mikktspace, WebAssembly, run by
# node from tests/tangents/, where test.sh installs it with `npm ci`), and the frames'
# handedness. Without node or the installed reference the comparisons fail, saying so.
find_program(BUMPDEMO_NODE node)
add_library(tangent_meshes STATIC tangents/tangent_meshes.cpp)
target_link_libraries(tangent_meshes PUBLIC bumpcore)
target_include_directories(tangent_meshes PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/tangents)
target_compile_definitions(tangent_meshes PRIVATE BUMPDEMO_NODE="${BUMPDEMO_NODE}"
  BUMPDEMO_TANGENT_REFERENCE="${CMAKE_CURRENT_SOURCE_DIR}/tangents/reference.js")

add_executable(tangent_tests test_tangents.cpp)
target_link_libraries(tangent_tests PRIVATE tangent_meshes GTest::gtest_main)
target_compile_definitions(tangent_tests PRIVATE
  BUMPDEMO_TANGENT_WORK_DIR="${CMAKE_CURRENT_BINARY_DIR}/tangent-meshes")
bumpdemo_discover_tests(tangent_tests unit)
