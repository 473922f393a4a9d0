# The browser build's tests, in headless Chromium (tests/web/, Playwright from npm), when
# the site has been built (scripts/build_web.sh) and named: -DBUMPDEMO_WEB_SITE=DIR, as
# test.sh does unless BUMPDEMO_WEB=0. The picture matrix's WebGL 2 row, and real input
# through the browser.
set(BUMPDEMO_WEB_SITE "" CACHE PATH "The browser build's site (build-web/site), for the web tests")
if(BUMPDEMO_WEB_SITE AND NOT BUMPDEMO_SANITIZE)
  add_matrix_row(webgl2-chromium ${BUMPDEMO_WEB_SITE})
  set_property(TEST matrix_webgl2_chromium APPEND PROPERTY LABELS web)
  find_program(BUMPDEMO_NODE node REQUIRED)
  add_test(NAME web_input
           COMMAND ${BUMPDEMO_NODE} --test ${CMAKE_CURRENT_SOURCE_DIR}/web/input.test.mjs
           WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/web)
  set_tests_properties(web_input PROPERTIES LABELS web TIMEOUT 600 ENVIRONMENT
    "BUMPDEMO_SITE=${BUMPDEMO_WEB_SITE};BUMPDEMO_GOLDEN=${CMAKE_CURRENT_SOURCE_DIR}/golden;BUMPDEMO_COMPARE=$<TARGET_FILE:picture_compare>;BUMPDEMO_NATIVE=$<TARGET_FILE:bumpdemo>")
endif()
