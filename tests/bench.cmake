# Benchmarks (they print figures; ./bench.sh runs them in full). ctest only checks that
# each one builds and runs a single short iteration. In the sanitizer build they run
# without leak checks (the end-to-end tests check the program's leaks), and accept the
# swap probe preloaded ahead of the sanitizer runtime.
add_executable(frame_rate ${PROJECT_SOURCE_DIR}/bench/frame_rate.cpp
  ${PROJECT_SOURCE_DIR}/bench/direct_frame.cpp)
# The reference frame calls libGL and libGLU directly; only the benchmark links them.
# libGL itself (not libOpenGL), the library the program loads, which also exports the
# ARB names.
find_library(BUMPDEMO_LIBGL GL REQUIRED)
find_library(BUMPDEMO_LIBGLU GLU REQUIRED)
target_link_libraries(frame_rate PRIVATE bumpcore bumpsdl gl_recorder ${BUMPDEMO_LIBGL} ${BUMPDEMO_LIBGLU})
add_test(NAME bench_frame_rate_smoke
  COMMAND frame_rate --smoke --assets ${BUMPDEMO_ASSETS}
          --json ${CMAKE_BINARY_DIR}/bench-smoke/frame_rate.json)
set_tests_properties(bench_frame_rate_smoke PROPERTIES
  ENVIRONMENT "SDL_VIDEODRIVER=offscreen;ASAN_OPTIONS=detect_leaks=0:verify_asan_link_order=0" ENVIRONMENT_MODIFICATION "DISPLAY=unset:" TIMEOUT 60)

# Start-up to the first swap by phase and memory by owner (the start-up probe, preloaded),
# of the program, of a reference making the same window, textures and first frame by direct
# SDL, libGL and libGLU calls, and of a minimal SDL program.
add_executable(minimal_sdl ${PROJECT_SOURCE_DIR}/bench/minimal_sdl.cpp)
target_link_libraries(minimal_sdl PRIVATE SDL2::SDL2)
add_executable(startup_reference ${PROJECT_SOURCE_DIR}/bench/startup_reference.cpp
  ${PROJECT_SOURCE_DIR}/bench/direct_frame.cpp)
target_link_libraries(startup_reference PRIVATE SDL2::SDL2 ${BUMPDEMO_LIBGL} ${BUMPDEMO_LIBGLU})
add_library(startup_probe SHARED ${PROJECT_SOURCE_DIR}/bench/startup_probe.c)
target_link_libraries(startup_probe PRIVATE dl)
add_executable(startup_bench ${PROJECT_SOURCE_DIR}/bench/startup.cpp)
add_dependencies(startup_bench bumpdemo startup_reference minimal_sdl startup_probe)
add_test(NAME bench_startup_smoke
  COMMAND startup_bench --smoke --demo $<TARGET_FILE:bumpdemo>
          --reference $<TARGET_FILE:startup_reference> --minimal $<TARGET_FILE:minimal_sdl>
          --probe $<TARGET_FILE:startup_probe> --assets ${BUMPDEMO_ASSETS}
          --json ${CMAKE_BINARY_DIR}/bench-smoke/startup.json)
set_tests_properties(bench_startup_smoke PROPERTIES
  ENVIRONMENT "SDL_VIDEODRIVER=offscreen;ASAN_OPTIONS=detect_leaks=0:verify_asan_link_order=0" ENVIRONMENT_MODIFICATION "DISPLAY=unset:" TIMEOUT 60)

# The program's own CPU work per frame, with GL routed to the recorder's no-ops (callgrind
# in bench.sh, for every model and mode). The smoke run takes the longest path: a curved
# model with the colour map and the highlight.
add_executable(cpu_frame ${PROJECT_SOURCE_DIR}/bench/cpu_frame.cpp)
target_link_libraries(cpu_frame PRIVATE bumpcore bumpsdl gl_recorder)
add_test(NAME bench_cpu_frame_smoke
  COMMAND cpu_frame --smoke --model torus --colour --specular --assets ${BUMPDEMO_ASSETS})
set_tests_properties(bench_frame_rate_smoke bench_startup_smoke bench_cpu_frame_smoke
  PROPERTIES LABELS bench)

# The normal-map checks' time per texel and memory (bench/check_maps.cpp).
add_executable(check_maps ${PROJECT_SOURCE_DIR}/bench/check_maps.cpp)
target_link_libraries(check_maps PRIVATE bumpcore)
add_test(NAME bench_check_maps_smoke COMMAND check_maps --smoke)
set_tests_properties(bench_check_maps_smoke PROPERTIES LABELS bench)

# The tangent generator next to the reference (node) on spheres and tori of 10,000 to
# 2,000,000 triangles: time, memory and the largest difference. The smoke run takes the
# smallest meshes and fails when the tangents differ.
add_executable(tangents_bench ${PROJECT_SOURCE_DIR}/bench/tangents.cpp
  ${PROJECT_SOURCE_DIR}/bench/heap_count.cpp)
target_link_libraries(tangents_bench PRIVATE tangent_meshes)
add_test(NAME bench_tangents_smoke
  COMMAND tangents_bench --smoke --work ${CMAKE_BINARY_DIR}/bench-smoke/tangent-meshes
          --json ${CMAKE_BINARY_DIR}/bench-smoke/tangents.json)
set_tests_properties(bench_tangents_smoke PROPERTIES LABELS bench TIMEOUT 120)

# Loading a large glTF model: speed and peak memory (bench.sh loads a million triangles).
add_executable(model_load ${PROJECT_SOURCE_DIR}/bench/model_load.cpp
  ${PROJECT_SOURCE_DIR}/bench/heap_count.cpp)
target_link_libraries(model_load PRIVATE bumpcore bumpsdl gltf_files texture_files)
add_test(NAME bench_model_load_smoke COMMAND model_load --smoke)
set_tests_properties(bench_model_load_smoke PROPERTIES LABELS bench
  ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")

# The model checks on a million-triangle torus of texture islands, next to MikkTSpace's
# and the image checks' share of their time (bench/check_model.cpp).
add_executable(check_model ${PROJECT_SOURCE_DIR}/bench/check_model.cpp
  ${PROJECT_SOURCE_DIR}/bench/heap_count.cpp)
target_link_libraries(check_model PRIVATE bumpcore gltf_files)
add_test(NAME bench_check_model_smoke COMMAND check_model --smoke)
set_tests_properties(bench_check_model_smoke PROPERTIES LABELS bench)

# How the program scales with the model: loading, both renderers and the start-up at 10,000
# to 2,000,000 triangles (the tangent benchmark's meshes as .glb files); bench.sh plots it.
# The smoke run takes one small size through every step.
add_executable(scaling_bench ${PROJECT_SOURCE_DIR}/bench/scaling.cpp
  ${PROJECT_SOURCE_DIR}/bench/heap_count.cpp)
target_link_libraries(scaling_bench PRIVATE bumpcore bumpsdl gl_recorder gltf_files tangent_meshes)
add_dependencies(scaling_bench bumpdemo startup_probe)
add_test(NAME bench_scaling_smoke
  COMMAND scaling_bench --smoke --work ${CMAKE_BINARY_DIR}/bench-smoke/scaling
          --demo $<TARGET_FILE:bumpdemo> --probe $<TARGET_FILE:startup_probe>
          --assets ${BUMPDEMO_ASSETS} --json ${CMAKE_BINARY_DIR}/bench-smoke/scaling.json)
set_tests_properties(bench_scaling_smoke PROPERTIES LABELS bench TIMEOUT 120
  ENVIRONMENT "SDL_VIDEODRIVER=offscreen;ASAN_OPTIONS=detect_leaks=0:verify_asan_link_order=0"
  ENVIRONMENT_MODIFICATION "DISPLAY=unset:")

# A large normal map (8192 x 8192 PNG) given with --normal-map: the decode, the checks, the
# chain, a copy and the upload one by one, and the program's start-up with it. The smoke run
# takes a 4096 x 4096 map (still announced as a long load).
add_executable(large_map_bench ${PROJECT_SOURCE_DIR}/bench/large_map.cpp)
target_link_libraries(large_map_bench PRIVATE bumpcore bumpsdl)
target_include_directories(large_map_bench SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/stb)
add_dependencies(large_map_bench bumpdemo startup_probe)
add_test(NAME bench_large_map_smoke
  COMMAND large_map_bench --smoke --work ${CMAKE_BINARY_DIR}/bench-smoke/large-map
          --demo $<TARGET_FILE:bumpdemo> --probe $<TARGET_FILE:startup_probe>
          --assets ${BUMPDEMO_ASSETS} --json ${CMAKE_BINARY_DIR}/bench-smoke/large_map.json)
set_tests_properties(bench_large_map_smoke PROPERTIES LABELS bench TIMEOUT 300
  ENVIRONMENT "SDL_VIDEODRIVER=offscreen;ASAN_OPTIONS=detect_leaks=0:verify_asan_link_order=0"
  ENVIRONMENT_MODIFICATION "DISPLAY=unset:")
