# The GL binding: library loading, the lazy table, the generated list and the GL-call
# recorder (which other test groups link as gl_recorder).
add_library(gl_recorder STATIC ${PROJECT_SOURCE_DIR}/src/gl/recorder/gl_recorder.cpp)
target_link_libraries(gl_recorder PUBLIC bumpcore)
