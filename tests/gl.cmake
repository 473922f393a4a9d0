# The GL binding: library loading, the lazy table, the generated list and the GL-call
# recorder (which other test groups link as gl_recorder).
add_library(gl_recorder STATIC ${PROJECT_SOURCE_DIR}/src/gl/recorder/gl_recorder.cpp)
target_link_libraries(gl_recorder PUBLIC bumpcore)

# Stand-in GL and GLU libraries, loaded by absolute path.
function(bumpdemo_fake_gl_library name source)
  add_library(${name} SHARED ${CMAKE_CURRENT_SOURCE_DIR}/gl_testlibs/${source})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_compile_definitions(${name} PRIVATE ${ARGN})
endfunction()
bumpdemo_fake_gl_library(fakegl_driver fake_gl.cpp FAKEGL_DRIVER)
bumpdemo_fake_gl_library(fakegl_exports fake_gl.cpp)
bumpdemo_fake_gl_library(fakegl_bare fake_gl.cpp FAKEGL_BARE)
bumpdemo_fake_gl_library(fakeglu fake_glu.cpp)

# The generated list, its slots and their signatures.
add_executable(gl_list_tests test_gl_list.cpp)
target_link_libraries(gl_list_tests PRIVATE bumpcore GTest::gtest_main)
bumpdemo_discover_tests(gl_list_tests unit)

# Loading, lookup and the stubs, against the stand-in libraries on the SDL backend.
add_executable(gl_binding_tests test_gl_loader.cpp test_gl_table.cpp)
target_link_libraries(gl_binding_tests PRIVATE bumpsdl GTest::gtest_main)
target_compile_definitions(gl_binding_tests PRIVATE
  FAKEGL_DRIVER_PATH="$<TARGET_FILE:fakegl_driver>"
  FAKEGL_EXPORTS_PATH="$<TARGET_FILE:fakegl_exports>"
  FAKEGL_BARE_PATH="$<TARGET_FILE:fakegl_bare>"
  FAKEGLU_PATH="$<TARGET_FILE:fakeglu>"
  MISSING_LIBRARY_PATH="${CMAKE_CURRENT_BINARY_DIR}/no_such_library.so")
add_dependencies(gl_binding_tests fakegl_driver fakegl_exports fakegl_bare fakeglu)
bumpdemo_discover_tests(gl_binding_tests unit)

# The recorder itself.
add_executable(gl_recorder_tests test_gl_recorder.cpp)
target_link_libraries(gl_recorder_tests PRIVATE gl_recorder GTest::gtest_main)
bumpdemo_discover_tests(gl_recorder_tests unit)

# Mesa's GL and GLU through the table, with an offscreen context.
add_executable(gl_mesa_tests test_gl_mesa.cpp)
target_link_libraries(gl_mesa_tests PRIVATE bumpsdl gl_recorder GTest::gtest_main)
discover_offscreen_gl_tests(gl_mesa_tests)

# The executable links no GL library, and no source includes a system GL header.
add_executable(gl_build_tests test_gl_build.cpp)
target_link_libraries(gl_build_tests PRIVATE GTest::gtest_main)
target_compile_definitions(gl_build_tests PRIVATE
  BUMPDEMO_EXE="$<TARGET_FILE:bumpdemo>" BUMPDEMO_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
add_dependencies(gl_build_tests bumpdemo)
bumpdemo_discover_tests(gl_build_tests unit)

# The committed entry-point lists are what the registry gives (skipped without it).
find_package(Python3 COMPONENTS Interpreter)
if(Python3_FOUND)
  add_test(NAME gl_procs_match_registry
           COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/gen_gl_procs.py --check)
  set_tests_properties(gl_procs_match_registry PROPERTIES SKIP_RETURN_CODE 77 LABELS unit)
endif()
