# The picture matrix: every case of golden/cases.txt drawn by the real executable on each GL
# implementation this machine has, compared with the references in golden/ (made on
# llvmpipe by scripts/make_golden.sh). Outputs and difference pictures go to
# ${CMAKE_BINARY_DIR}/matrix/IMPL/. Not in the sanitizer build: the picture is the same, and
# the software rasterisers run too slowly there.
set(BUMPDEMO_MATRIX_DIR ${CMAKE_CURRENT_SOURCE_DIR}/matrix)
add_library(stb_image_io STATIC matrix/stb_image.cpp)
target_include_directories(stb_image_io SYSTEM PUBLIC ${CMAKE_BINARY_DIR}/stb)
set_source_files_properties(matrix/stb_image.cpp PROPERTIES COMPILE_OPTIONS -w)
if(BUMPDEMO_SANITIZE)
  # stb_image_write's JPEG encoder shifts negative values left (harmless on every compiler);
  # the tests use it to make JPEG maps.
  set_property(SOURCE matrix/stb_image.cpp APPEND PROPERTY COMPILE_OPTIONS -fno-sanitize=shift-base)
endif()
add_executable(picture_compare matrix/picture_compare.cpp)
target_link_libraries(picture_compare PRIVATE stb_image_io)

# The references themselves against the picture computed from the geometry and the maps.
add_executable(golden_analytic_tests test_golden.cpp)
target_link_libraries(golden_analytic_tests PRIVATE bumpcore stb_image_io GTest::gtest_main)
target_include_directories(golden_analytic_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(golden_analytic_tests PRIVATE
  BUMPDEMO_GOLDEN_DIR="${CMAKE_CURRENT_SOURCE_DIR}/golden" BUMPDEMO_ASSETS_DIR="${BUMPDEMO_ASSETS}")
bumpdemo_discover_tests(golden_analytic_tests unit)

# matrix_<impl>: one row; the Wine rows are added by wine.cmake, which the test groups'
# alphabetical order includes after this file.
function(add_matrix_row impl exe)
  string(REGEX REPLACE "[-+]" "_" name matrix_${impl})
  add_test(NAME ${name}
           COMMAND ${BUMPDEMO_MATRIX_DIR}/run.sh ${impl} ${exe} ${BUMPDEMO_ASSETS}
                   ${CMAKE_BINARY_DIR}/matrix/${impl} $<TARGET_FILE:picture_compare> ${ARGN})
  set_tests_properties(${name} PROPERTIES LABELS matrix TIMEOUT 600 SKIP_RETURN_CODE 77)
endfunction()

if(NOT BUMPDEMO_SANITIZE)
  # The shaders renderer's rows: the same references, the same metric.
  foreach(impl llvmpipe-offscreen llvmpipe-x11 softpipe zink llvmpipe-offscreen+shaders
               llvmpipe-offscreen+core llvmpipe-offscreen+es llvmpipe-x11+shaders
               llvmpipe-x11+core softpipe+core zink+core)
    add_matrix_row(${impl} $<TARGET_FILE:bumpdemo>)
  endforeach()
  # The metric itself: faults put into the picture on purpose must fail the comparison.
  add_test(NAME matrix_catches_faults
           COMMAND ${BUMPDEMO_MATRIX_DIR}/faults.sh $<TARGET_FILE:bumpdemo> ${BUMPDEMO_ASSETS}
                   ${CMAKE_BINARY_DIR}/matrix/faults $<TARGET_FILE:picture_compare>)
  set_tests_properties(matrix_catches_faults PROPERTIES LABELS matrix TIMEOUT 300)

  # Which present paths reach an X window: the smallest GLX program under each driver.
  find_library(BUMPDEMO_LIBGL GL REQUIRED)
  add_executable(glx_clear ${PROJECT_SOURCE_DIR}/tools/glx_clear.c)
  target_link_libraries(glx_clear PRIVATE ${BUMPDEMO_LIBGL} X11)
  add_test(NAME glx_present_paths
           COMMAND ${BUMPDEMO_MATRIX_DIR}/present_paths.sh $<TARGET_FILE:glx_clear>)
  set_tests_properties(glx_present_paths PROPERTIES LABELS matrix TIMEOUT 120)
endif()
