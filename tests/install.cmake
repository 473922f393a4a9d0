# The installed program (cmake --install), run by another user than the one who installed
# it: the launcher's run directory and arguments (tests/install_check.sh). Not in the
# sanitizer build: the layout is the same, and the user's clean environment would drop
# the leak checker's suppressions.
if(NOT BUMPDEMO_SANITIZE)
  add_test(NAME install_runs_for_any_user
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/install_check.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(install_runs_for_any_user PROPERTIES LABELS e2e TIMEOUT 300
                                                            SKIP_RETURN_CODE 77)
endif()
