# The Windows build under Wine: the executables of the mingw-w64 cross builds (made by
# test.sh, or by hand as the README says), run on private Xvfb displays. Given the cross
# build directories, the tests share one Wine prefix, made once per test run.
set(BUMPDEMO_WIN32_BUILD "" CACHE PATH "A 32-bit Windows cross build directory to test under Wine")
set(BUMPDEMO_WIN64_BUILD "" CACHE PATH "A 64-bit Windows cross build directory to test under Wine")

# Where test.sh keeps the reason a package set could not be installed (scripts/deps.sh).
set(BUMPDEMO_PACKAGE_NOTES ${CMAKE_BINARY_DIR}/missing-packages)

# Without the 32-bit half of Wine the 32-bit build's cases are skipped with the reason.
add_test(NAME wine32_skip_reason COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/wine/skip_check.sh)
set_tests_properties(wine32_skip_reason PROPERTIES LABELS wine TIMEOUT 60)

if(BUMPDEMO_WIN32_BUILD OR BUMPDEMO_WIN64_BUILD)
  find_program(WINE_PROGRAM wine REQUIRED)
  set(WINE_DIR ${CMAKE_CURRENT_SOURCE_DIR}/wine)
  set(WINE_PREFIX_FILE ${CMAKE_CURRENT_BINARY_DIR}/wine-prefix-path)

  add_test(NAME wine_prefix_setup COMMAND ${WINE_DIR}/wine_prefix.sh setup ${WINE_PREFIX_FILE})
  add_test(NAME wine_prefix_cleanup COMMAND ${WINE_DIR}/wine_prefix.sh cleanup ${WINE_PREFIX_FILE})
  set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP WinePrefix TIMEOUT 420
                                                     LABELS wine)
  set_tests_properties(wine_prefix_cleanup PROPERTIES FIXTURES_CLEANUP WinePrefix TIMEOUT 120
                                                       LABELS wine)

  # wine_<case>_<bits>: one case of wine_case.sh on one build's executable.
  function(add_wine_case case bits build exe)
    set(name wine_${case}_${bits})
    string(REPLACE "-" "_" name ${name})
    add_test(NAME ${name}
             COMMAND ${WINE_DIR}/wine_case.sh ${case} ${WINE_PREFIX_FILE} ${BUMPDEMO_ASSETS}
                     ${build}/tests/wine ${build}/${exe})
    # One wineserver per prefix: the Wine tests run one at a time.
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED WinePrefix RUN_SERIAL TRUE
                                            TIMEOUT 300 LABELS wine SKIP_RETURN_CODE 77
                                            ENVIRONMENT
                                            "WINE_TEST_BITS=${bits};BUMPDEMO_PACKAGE_NOTES=${BUMPDEMO_PACKAGE_NOTES}")
  endfunction()

  foreach(bits 32 64)
    set(build ${BUMPDEMO_WIN${bits}_BUILD})
    if(build)
      add_wine_case(window-escape ${bits} ${build} bumpdemo.exe)
      add_wine_case(gtest ${bits} ${build} tests/wine/win32_backend_tests.exe)
      add_wine_case(log-gtest ${bits} ${build} tests/wine/log_win32_tests.exe)
      add_wine_case(missing-image ${bits} ${build} bumpdemo.exe)
      add_wine_case(picture ${bits} ${build} bumpdemo.exe)
      add_wine_case(no-system ${bits} ${build} bumpdemo.exe)
      add_wine_case(log-crlf ${bits} ${build} bumpdemo.exe)
      add_wine_case(package ${bits} ${build} bumpdemo-${PROJECT_VERSION}-win${bits}.zip)
      add_wine_case(user-close ${bits} ${build} bumpdemo.exe)
      add_wine_case(no-gl ${bits} ${build} bumpdemo.exe)
      # The picture matrix's row for this build (tests/matrix.cmake).
      if(NOT BUMPDEMO_SANITIZE)
        add_matrix_row(wine${bits} ${build}/bumpdemo.exe ${WINE_PREFIX_FILE})
        set_tests_properties(matrix_wine${bits} PROPERTIES FIXTURES_REQUIRED WinePrefix
                                                           RUN_SERIAL TRUE ENVIRONMENT
                                                           BUMPDEMO_PACKAGE_NOTES=${BUMPDEMO_PACKAGE_NOTES})
        if(bits EQUAL 64)
          # The shaders renderer in a core context made through WGL_ARB_create_context.
          add_matrix_row(wine64+core ${build}/bumpdemo.exe ${WINE_PREFIX_FILE})
          set_tests_properties(matrix_wine64_core PROPERTIES FIXTURES_REQUIRED WinePrefix
                                                             RUN_SERIAL TRUE)
        endif()
      endif()
    endif()
  endforeach()
endif()
