# Benchmarks (they print figures; ./bench.sh runs them in full). ctest only checks that
# each one builds and runs a single short iteration.
add_executable(frame_rate ${PROJECT_SOURCE_DIR}/bench/frame_rate.cpp
  ${PROJECT_SOURCE_DIR}/bench/direct_frame.cpp)
# The reference frame calls libGL and libGLU directly; only the benchmark links them.
# libGL itself (not libOpenGL), the library the program loads, which also exports the
# ARB names.
find_library(BUMPDEMO_LIBGL GL REQUIRED)
find_library(BUMPDEMO_LIBGLU GLU REQUIRED)
target_link_libraries(frame_rate PRIVATE bumpcore bumpsdl ${BUMPDEMO_LIBGL} ${BUMPDEMO_LIBGLU})
add_test(NAME bench_frame_rate_smoke
  COMMAND frame_rate --smoke --assets ${BUMPDEMO_ASSETS}
          --json ${CMAKE_BINARY_DIR}/bench-smoke/frame_rate.json)
set_tests_properties(bench_frame_rate_smoke PROPERTIES
  ENVIRONMENT "SDL_VIDEODRIVER=offscreen" ENVIRONMENT_MODIFICATION "DISPLAY=unset:" TIMEOUT 60)
