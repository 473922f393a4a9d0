// For tests that load the stand-in GL and GLU libraries: a fixture on the SDL backend's
// library loading that starts and ends every test at the state of process start, and the
// stand-ins' control functions.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "gl/gl.h"
#include "gl/gl_loader.h"
#include "platform/sdl/platform_sdl.h"

class FakeGLTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallSdlPlatform();
    UnloadGLLibraries();
    InitGLBinding();
  }
  void TearDown() override {
    UnloadGLLibraries();
    InstallEntryPointStubs();
  }

  // Loads the libraries and clears the stand-in GL's records.
  bool Load(const char* gl, const char* glu) {
    const bool loaded = LoadGLLibraries(gl, glu);
    if (GLLibraryHandle) Control<void (*)()>("FakeGLReset")();
    if (GLULibraryHandle) GLUControl<void (*)()>("FakeGLUReset")();
    return loaded;
  }

  template <typename F>
  F Control(const char* name) {
    void* address = Platform.FindExport(GLLibraryHandle, name);
    EXPECT_NE(address, nullptr) << name;
    return reinterpret_cast<F>(address);
  }
  template <typename F>
  F GLUControl(const char* name) {
    void* address = Platform.FindExport(GLULibraryHandle, name);
    EXPECT_NE(address, nullptr) << name;
    return reinterpret_cast<F>(address);
  }

  std::string Calls() { return Control<const char* (*)()>("FakeGLCalls")(); }
  std::string Lookups() { return Control<const char* (*)()>("FakeGLLookups")(); }
  int LookupCount() { return Control<int (*)()>("FakeGLLookupCount")(); }
  std::string GLUCalls() { return GLUControl<const char* (*)()>("FakeGLUCalls")(); }
  void SetDriverAnswers(bool answers) { Control<void (*)(int)>("FakeGLSetDriverAnswers")(answers); }
  void* DriverEntry(const char* name) {
    return Control<void* (*)(const char*)>("FakeGLDriverEntry")(name);
  }
  void* Export(const char* name) { return Platform.FindExport(GLLibraryHandle, name); }
  void* GLUExport(const char* name) { return Platform.FindExport(GLULibraryHandle, name); }
};
