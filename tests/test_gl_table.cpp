// The lazy stubs against stand-in GL libraries: every slot starts with its stub, a first
// call binds the slot and later calls look nothing up, results and arguments pass
// unchanged, the driver-only entries never fall back to exports, an entry point nobody
// provides stops the program with a message, and the start-up floating-point state.
#include <cmath>
#include <cstdio>
#include <string>

#include "gl_testlibs/fake_gl_control.h"

namespace {

class GLTable : public FakeGLTest {};

// A message box that a death test can read from standard error, with the watched slot.
const char* WatchedSlot = nullptr;
void BoxToStderr(const char* text, const char* caption, std::uint32_t type) {
  const EntryPointInfo* entry = WatchedSlot ? FindEntryPoint(WatchedSlot) : nullptr;
  std::fprintf(stderr, "BOX %s; %s; %u; slot %s\n", caption, text, type,
               entry && *entry->slot == nullptr ? "null" : "held");
  std::fflush(stderr);
}

TEST_F(GLTable, EverySlotHoldsItsOwnStubBeforeLoading) {
  std::size_t count = 0;
  const EntryPointInfo* entries = EntryPoints(&count);
  ASSERT_GT(count, 1000u);
  for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(*entries[i].slot, entries[i].stub);
  glEnable = nullptr;
  InstallEntryPointStubs();
  EXPECT_EQ(reinterpret_cast<void*>(glEnable), FindEntryPoint("glEnable")->stub);
}

TEST_F(GLTable, FirstCallBindsTheSlotAndLaterCallsLookNothingUp) {
  ASSERT_TRUE(Load(FAKEGL_DRIVER_PATH, MISSING_LIBRARY_PATH));
  glEnable(GL_DEPTH_TEST);
  EXPECT_EQ(reinterpret_cast<void*>(glEnable), DriverEntry("glEnable"));
  EXPECT_EQ(Lookups(), "glEnable");
  glEnable(GL_TEXTURE_2D);
  EXPECT_EQ(LookupCount(), 1);
  EXPECT_EQ(Calls(), "driver.glEnable(2929) driver.glEnable(3553)");
}

TEST_F(GLTable, AStubTakesTheExportWhenTheDriverHasNoAnswer) {
  ASSERT_TRUE(Load(FAKEGL_DRIVER_PATH, MISSING_LIBRARY_PATH));
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  EXPECT_EQ(reinterpret_cast<void*>(glDisable), Export("glDisable"));
  EXPECT_EQ(Lookups(), "glDisable");
  EXPECT_EQ(Calls(), "export.glDisable(3553) export.glDisable(2929)");
}

TEST_F(GLTable, ResultsAndArgumentsPassThroughUnchanged) {
  ASSERT_TRUE(Load(FAKEGL_DRIVER_PATH, MISSING_LIBRARY_PATH));
  InstallEntryPointStubs();  // glGetString too, through its stub this time

  EXPECT_STREQ(reinterpret_cast<const char*>(glGetString(GL_VERSION)), "driver string");
  EXPECT_EQ(glMapBufferARB(0x8892, 0x88B9), Control<void* (*)()>("FakeGLMappedBuffer")());
  EXPECT_EQ(glIsTexture(7), GL_TRUE);
  EXPECT_EQ(glIsTexture(8), GL_FALSE);
  EXPECT_EQ(glCreateShaderObjectARB(0x8B31), 0x8B32u);
  EXPECT_EQ(glGetUniformLocation(3, "light"), -305);
  EXPECT_EQ(glGetError(), 0x0502u);

  const float r = 0.1f, g = -2.5f, b = 1e-7f, a = 1.0f;
  glClearColor(r, g, b, a);
  char floats[128];
  std::snprintf(floats, sizeof floats, "driver.glClearColor(%.9g,%.9g,%.9g,%.9g)", r, g, b, a);

  glTexImage2D(GL_TEXTURE_2D, 1, GL_RGB, 32, 16, 0, GL_RGBA, GL_UNSIGNED_BYTE, "pixels");
  GLuint names[2] = {};
  glGenTextures(2, names);
  EXPECT_EQ(names[0], 11u);
  EXPECT_EQ(names[1], 12u);

  EXPECT_EQ(Calls(), std::string("driver.glGetString(7938) driver.glMapBufferARB(34962,35001) "
                                 "driver.glIsTexture(7) driver.glIsTexture(8) "
                                 "driver.glCreateShaderObjectARB(35633) "
                                 "driver.glGetUniformLocation(3,light) driver.glGetError() ") +
                         floats +
                         " driver.glTexImage2D(3553,1,6407,32,16,0,6408,5121,pixels)"
                         " driver.glGenTextures(2)");
}

TEST_F(GLTable, GLUStubsResolveLikeGLStubsWhileTheGLULibraryIsMissing) {
  ASSERT_TRUE(Load(FAKEGL_DRIVER_PATH, MISSING_LIBRARY_PATH));
  gluPerspective(45, 640.0 / 480.0, 0.1, 100);
  EXPECT_EQ(reinterpret_cast<void*>(gluPerspective), Export("gluPerspective"));
  gluLookAt(0, 0, 1, 0, 0, 0, 0, 1, 0);
  EXPECT_EQ(reinterpret_cast<void*>(gluLookAt), DriverEntry("gluLookAt"));
  EXPECT_EQ(Lookups(), "gluPerspective gluLookAt");
  EXPECT_EQ(Calls(),
            "export.gluPerspective(45,1.3333333333333333,0.10000000000000001,100) "
            "driver.gluLookAt");
}

TEST_F(GLTable, DriverOnlyEntriesAreTakenFromTheDriver) {
  ASSERT_TRUE(Load(FAKEGL_DRIVER_PATH, MISSING_LIBRARY_PATH));
  EXPECT_EQ(glCreateShader(GL_VERTEX_SHADER), 41u);
  EXPECT_EQ(reinterpret_cast<void*>(glCreateShader), DriverEntry("glCreateShader"));
  EXPECT_EQ(Lookups(), "glCreateShader");
}

void GLAPIENTRY BoundBefore(GLbitfield) {}

TEST_F(GLTable, BindingNowTakesWhatTheFirstCallWouldAndLeavesTheRestAlone) {
  ASSERT_TRUE(Load(FAKEGL_DRIVER_PATH, MISSING_LIBRARY_PATH));
  glClear = &BoundBefore;
  enum Holds { Driver, Exported, Stub, Kept };
  const struct {
    const char* name;
    Holds holds;
  } cases[] = {
      {"glEnable", Driver},           // the driver answers
      {"glDisable", Exported},        // only the library exports it
      {"glCreateShader", Driver},     // driver-only, and the driver answers
      {"glUseProgram", Stub},         // driver-only: the export is not taken
      {"glFinishTextureSUNX", Stub},  // nobody provides it
      {"glClear", Kept},              // bound before: not looked up again
      {"glNoSuchEntryPoint", Kept},   // not in the table: passed over
  };
  BindEntryPointsNow({"glEnable", "glDisable", "glCreateShader", "glUseProgram",
                      "glFinishTextureSUNX", "glClear", "glNoSuchEntryPoint"});
  for (const auto& c : cases) {
    const EntryPointInfo* entry = FindEntryPoint(c.name);
    if (!entry) {
      EXPECT_EQ(c.holds, Kept) << c.name;
      continue;
    }
    switch (c.holds) {
      case Driver:
        EXPECT_EQ(*entry->slot, DriverEntry(c.name)) << c.name;
        break;
      case Exported:
        EXPECT_EQ(*entry->slot, Export(c.name)) << c.name;
        break;
      case Stub:
        EXPECT_EQ(*entry->slot, entry->stub) << c.name;
        break;
      case Kept:
        EXPECT_EQ(*entry->slot, reinterpret_cast<void*>(&BoundBefore)) << c.name;
        break;
    }
  }
  EXPECT_NE(DriverEntry("glEnable"), nullptr);
  EXPECT_NE(Export("glUseProgram"), nullptr);
  EXPECT_EQ(Lookups(), "glEnable glDisable glCreateShader glUseProgram glFinishTextureSUNX");
  EXPECT_EQ(Calls(), "") << "binding calls nothing";
}

using GLTableDeathTest = GLTable;

TEST_F(GLTableDeathTest, DriverOnlyEntriesNeverFallBackToExports) {
  ASSERT_TRUE(Load(FAKEGL_DRIVER_PATH, MISSING_LIBRARY_PATH));
  ASSERT_NE(Export("glUseProgram"), nullptr);
  Platform.ShowMessageBox = BoxToStderr;
  WatchedSlot = "glUseProgram";
  EXPECT_EXIT(glUseProgram(5), ::testing::ExitedWithCode(1),
              "BOX Error; Unable to find the OpenGL entry point glUseProgram!; 16; slot null");
}

TEST_F(GLTableDeathTest, DriverOnlyEntriesFindNothingWithoutADriverLookup) {
  ASSERT_TRUE(Load(FAKEGL_EXPORTS_PATH, MISSING_LIBRARY_PATH));
  Platform.ShowMessageBox = BoxToStderr;
  WatchedSlot = "glUseProgram";
  EXPECT_EXIT(glUseProgram(5), ::testing::ExitedWithCode(1),
              "Unable to find the OpenGL entry point glUseProgram!; 16; slot null");
}

TEST_F(GLTableDeathTest, AnEntryPointNobodyProvidesStopsTheProgramNamingIt) {
  ASSERT_TRUE(Load(FAKEGL_DRIVER_PATH, MISSING_LIBRARY_PATH));
  Platform.ShowMessageBox = BoxToStderr;
  WatchedSlot = "glFinishTextureSUNX";
  EXPECT_EXIT(glFinishTextureSUNX(), ::testing::ExitedWithCode(1),
              "BOX Error; Unable to find the OpenGL entry point glFinishTextureSUNX!; 16; "
              "slot null");
}

TEST_F(GLTableDeathTest, ACallBeforeLoadingStopsTheProgramToo) {
  Platform.ShowMessageBox = BoxToStderr;
  WatchedSlot = "glClear";
  EXPECT_EXIT(glClear(GL_COLOR_BUFFER_BIT), ::testing::ExitedWithCode(1),
              "entry point glClear!; 16; slot null");
}

#if defined(__i386__) || defined(__x86_64__)
unsigned short X87ControlWord() {
  unsigned short word = 0;
  __asm__ __volatile__("fnstcw %0" : "=m"(word));
  return word;
}
unsigned int Mxcsr() {
  unsigned int csr = 0;
  __asm__ __volatile__("stmxcsr %0" : "=m"(csr));
  return csr;
}
void SetX87ControlWord(unsigned short word) {
  __asm__ __volatile__("fldcw %0" : : "m"(word));
}
void SetMxcsr(unsigned int csr) {
  __asm__ __volatile__("ldmxcsr %0" : : "m"(csr));
}

TEST(GLBindingStartUp, PutsTheFloatingPointUnitsIntoTheProgramsMode) {
  const unsigned short savedWord = X87ControlWord();
  const unsigned int savedCsr = Mxcsr();
  // Start from a state with traps enabled, another precision and another rounding.
  SetX87ControlWord(0x0C72);
  SetMxcsr((savedCsr & ~0x7F80u) | 0x4000u);

  InitGLBinding();
  const unsigned short word = X87ControlWord();
  const unsigned int csr = Mxcsr();
  volatile long double zero = 0, one = 1;
  const long double x87Quotient = one / zero;
  volatile double zeroD = 0;
  const double sseQuotient = 1.0 / zeroD;

  SetX87ControlWord(savedWord);
  SetMxcsr(savedCsr);
  EXPECT_EQ(word & ~0x40, 0x133F) << "bit 6 is reserved and reads back as 1";
  EXPECT_EQ(csr & 0x7F80u, 0x1F80u) << "all six SSE exceptions masked, round to nearest";
  EXPECT_TRUE(std::isinf(x87Quotient));
  EXPECT_TRUE(std::isinf(sseQuotient));
  EXPECT_EQ(reinterpret_cast<void*>(glEnable), FindEntryPoint("glEnable")->stub);
}
#endif

}  // namespace
