// A GL-call recorder for tests, built from the same generated list as the entry-point
// table. It routes slots of the table to recording functions, which log every call with
// its arguments, in order, and answer with harmless results instead of drawing.
//
//   RecordGLCalls();                      // every slot (or RecordGLCalls({"glEnable"}))
//   RenderScene();                        // the code under test calls the GL by name
//   EXPECT_EQ(RecordedGLCalls(), (GLCallList{
//       Expected::glViewport(0, 0, 640, 480),
//       Expected::glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT)}));
//   StopRecordingGLCalls();               // slots back as they were, recorder reset
//
// `Expected::name(...)` takes the entry point's own parameters and builds the call as
// the recorder would have logged it, so expectations read like the sequence they check.
// For long sequences, EXPECT_EQ(GLCallsText(RecordedGLCalls()), GLCallsText(expected))
// prints a line diff.
//
// Arguments are rendered as text, by the parameter types of the registry:
//   integers in decimal; GLenum and GLbitfield in hex ("0x0B71"); GLboolean as GL_TRUE
//   or GL_FALSE; floats and doubles in the shortest form that reads back to the same
//   value ("0.1", "-2.5e-07"); a null pointer as "null";
//   read-only arrays whose length the registry gives (a constant, or another parameter
//   such as glDeleteTextures' n) by value, "{1, 0, 0.5}";
//   read-only zero-terminated strings quoted, "\"name\"";
//   read-only pixel data (glTexImage2D, gluBuild2DMipmaps, ...) as "{N bytes #hash}",
//   sized from format, type, width, height and the recorded GL_UNPACK_ALIGNMENT
//   (default 4); the bytes are kept in GLCall::data, their address in dataAddress;
//   any other pointer (outputs, opaque objects, unknown lengths) as "ptr".
//
// Results while recording: 0 (or null) unless said below or set with SetGLResult.
//   glGetError hands out the codes given to QueueGLErrors, front first, then 0.
//   glGen* with (count, names) writes increasing names 1, 2, 3, ... per entry point (or
//   from SetGLNextName's);
//   glGenLists and the other glGen* that take a range return increasing bases.
//   gluNewQuadric, gluNewTess and gluNewNurbsRenderer return a non-null dummy object,
//   or null after SetGLNewObjectsNull(true).
//   gluErrorString returns GLU's text for the GL and GLU error codes ("invalid enumerant"),
//   null for others; glGetString and gluGetString return short fixed texts.
// With ForwardRecordedGLCalls(true) each recorded call also goes on to what its slot held
// before (the stub or the driver), whose result is then returned.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

#include "gl/gl.h"

struct GLCall {
  std::string name;
  std::vector<std::string> args;
  std::vector<std::uint8_t> data;     // the bytes of a pixel-data argument, if any
  const void* dataAddress = nullptr;  // where that argument pointed
};
typedef std::vector<GLCall> GLCallList;

// Calls are equal when their names and rendered arguments are.
bool operator==(const GLCall& a, const GLCall& b);
bool operator!=(const GLCall& a, const GLCall& b);
std::ostream& operator<<(std::ostream& out, const GLCall& call);

// "glEnable(0x0B71)"; a list as one call per line.
std::string GLCallText(const GLCall& call);
std::string GLCallsText(const GLCallList& calls);

// Routes every slot, or the named ones (a name the table lacks stops the program), to
// the recorder. Slots already routed stay so. The first routing starts from a clean
// recorder: no calls, default results.
void RecordGLCalls();
void RecordGLCalls(std::initializer_list<const char*> names);
void RecordGLCalls(const std::vector<std::string>& names);

// Routes every slot not routed yet to a no-op that logs nothing and returns 0 or null
// (glGetError GL_NO_ERROR): the caller's own work, with the GL out of the way.
void DiscardGLCalls();

// Gives every routed slot back what it held before and resets the recorder.
void StopRecordingGLCalls();

// Whether recorded calls also go on to the slot's previous holder (off by default).
void ForwardRecordedGLCalls(bool forward);

// The calls so far, oldest first.
const GLCallList& RecordedGLCalls();
std::vector<std::string> RecordedGLCallNames();
GLCallList TakeRecordedGLCalls();  // the calls so far; the log starts again empty
void ClearRecordedGLCalls();

// Codes that glGetError hands out, front first, before it reports GL_NO_ERROR again.
void QueueGLErrors(std::initializer_list<GLenum> codes);

// Makes gluNewQuadric, gluNewTess and gluNewNurbsRenderer return null (or the dummy).
void SetGLNewObjectsNull(bool null);

// The first name the next (count, names) call of the named glGen* entry point writes.
void SetGLNextName(const char* name, std::uint64_t next);

// Sets the result every call of the named entry point returns from now on (integers,
// floating point or pointers, converted to the entry point's result type).
void SetGLResultValue(const char* name, std::int64_t integer, double real, const void* pointer);
template <typename T>
void SetGLResult(const char* name, T value) {
  if constexpr (std::is_pointer_v<T>) {
    SetGLResultValue(name, 0, 0, reinterpret_cast<const void*>(value));
  } else if constexpr (std::is_floating_point_v<T>) {
    SetGLResultValue(name, static_cast<std::int64_t>(value), value, nullptr);
  } else {
    SetGLResultValue(name, static_cast<std::int64_t>(value), static_cast<double>(value), nullptr);
  }
}

// The call each entry point would log for these arguments.
namespace Expected {
#define GL_PROC(family, lookup, ret, name, params, args) GLCall name params;
#include "gl/gl_procs.inc"
#undef GL_PROC
}  // namespace Expected
