// Loading the GL and GLU libraries and the two-step lookup, with stand-in libraries that
// the tests build: the lookup order, the eager bindings, and every case of a missing
// library.
#include <cstring>

#include "gl_testlibs/fake_gl_control.h"

namespace {

class GLLoader : public FakeGLTest {};

const EntryPointInfo& Entry(const char* name) {
  return *FindEntryPoint(name);
}

template <typename Check>
void ForEachGLUSlot(Check check) {
  std::size_t count = 0;
  const EntryPointInfo* entries = EntryPoints(&count);
  int seen = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (std::strcmp(entries[i].family, "GLU") != 0) continue;
    check(entries[i]);
    ++seen;
  }
  EXPECT_EQ(seen, 51);
}

TEST_F(GLLoader, ResolveAsksTheDriverFirst) {
  ASSERT_TRUE(Load(FAKEGL_DRIVER_PATH, MISSING_LIBRARY_PATH));
  ASSERT_NE(DriverLookupProc, nullptr);
  void* found = ResolveGLProc("glEnable");
  EXPECT_EQ(found, DriverEntry("glEnable"));
  EXPECT_NE(found, Export("glEnable"));
  EXPECT_EQ(Lookups(), "glEnable");
}

TEST_F(GLLoader, ResolveFallsBackToTheExportWhenTheDriverFindsNothing) {
  ASSERT_TRUE(Load(FAKEGL_DRIVER_PATH, MISSING_LIBRARY_PATH));
  ASSERT_NE(Export("glDisable"), nullptr);
  EXPECT_EQ(ResolveGLProc("glDisable"), Export("glDisable"));
  EXPECT_EQ(Lookups(), "glDisable") << "the driver is asked first";

  SetDriverAnswers(false);
  EXPECT_EQ(ResolveGLProc("glEnable"), Export("glEnable"));
  EXPECT_EQ(LookupCount(), 2);
}

TEST_F(GLLoader, ResolveWithoutDriverLookupGoesStraightToTheExport) {
  ASSERT_TRUE(Load(FAKEGL_EXPORTS_PATH, MISSING_LIBRARY_PATH));
  EXPECT_EQ(DriverLookupProc, nullptr);
  ASSERT_NE(Export("glEnable"), nullptr);
  EXPECT_EQ(ResolveGLProc("glEnable"), Export("glEnable"));
}

TEST_F(GLLoader, ResolveFindingNothingGivesNull) {
  ASSERT_TRUE(Load(FAKEGL_DRIVER_PATH, MISSING_LIBRARY_PATH));
  EXPECT_EQ(ResolveGLProc("glNoSuchEntryPoint"), nullptr);
  EXPECT_EQ(Lookups(), "glNoSuchEntryPoint");
  UnloadGLLibraries();
  EXPECT_EQ(ResolveGLProc("glEnable"), nullptr) << "no library, no driver: nothing found";
}

TEST_F(GLLoader, GLPresentGLUMissingBindsTheEagerSetAndLeavesTheGLUStubs) {
  EXPECT_TRUE(Load(FAKEGL_DRIVER_PATH, MISSING_LIBRARY_PATH));
  EXPECT_NE(GLLibraryHandle, nullptr);
  EXPECT_EQ(GLULibraryHandle, nullptr);
  EXPECT_EQ(reinterpret_cast<void*>(DriverLookupProc), Export(DRIVER_LOOKUP_NAME));
  // Bound now, through the driver lookup, which answers even before a context exists.
  EXPECT_EQ(reinterpret_cast<void*>(glGetString), DriverEntry("glGetString"));
  ForEachGLUSlot([](const EntryPointInfo& e) { EXPECT_EQ(*e.slot, e.stub) << e.name; });
}

TEST_F(GLLoader, LoadingLooksUpOnlyTheEagerSetAndNeverAsksTheDriverForGLU) {
  // Loaded afresh, with the stand-in's counters at zero from the start.
  EXPECT_TRUE(LoadGLLibraries(FAKEGL_DRIVER_PATH, FAKEGLU_PATH));
  EXPECT_EQ(Lookups(), "glGetString");
  std::size_t count = 0;
  const EntryPointInfo* entries = EntryPoints(&count);
  int bound = 0;
  for (std::size_t i = 0; i < count; ++i) bound += *entries[i].slot != entries[i].stub;
  EXPECT_EQ(bound, 1 + 51) << "glGetString and the GLU slots";
}

TEST_F(GLLoader, GLMissingGLUPresentBindsOnlyTheGLUSlots) {
  EXPECT_FALSE(Load(MISSING_LIBRARY_PATH, FAKEGLU_PATH));
  EXPECT_EQ(GLLibraryHandle, nullptr);
  EXPECT_NE(GLULibraryHandle, nullptr);
  EXPECT_EQ(DriverLookupProc, nullptr);
  EXPECT_EQ(*Entry("glGetString").slot, Entry("glGetString").stub);
  ForEachGLUSlot([this](const EntryPointInfo& e) {
    EXPECT_EQ(*e.slot, GLUExport(e.name)) << e.name;
    EXPECT_NE(*e.slot, e.stub) << e.name;
  });
  // The stand-in GLU lacks one name: its slot is null, not its stub.
  EXPECT_EQ(gluNurbsCurve, nullptr);
  EXPECT_NE(gluLookAt, nullptr);
}

TEST_F(GLLoader, BothMissingLeavesEverySlotWithItsStub) {
  EXPECT_FALSE(Load(MISSING_LIBRARY_PATH, MISSING_LIBRARY_PATH));
  EXPECT_EQ(GLLibraryHandle, nullptr);
  EXPECT_EQ(GLULibraryHandle, nullptr);
  EXPECT_EQ(DriverLookupProc, nullptr);
  std::size_t count = 0;
  const EntryPointInfo* entries = EntryPoints(&count);
  for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(*entries[i].slot, entries[i].stub);
}

TEST_F(GLLoader, GLUSlotsComeFromTheGLULibraryEvenWhereTheDriverAnswers) {
  EXPECT_TRUE(Load(FAKEGL_DRIVER_PATH, FAKEGLU_PATH));
  ASSERT_NE(DriverEntry("gluLookAt"), nullptr);
  EXPECT_EQ(reinterpret_cast<void*>(gluLookAt), GLUExport("gluLookAt"));
  gluLookAt(1, 2, 3, 0.5, -0.25, 0, 0, 1, 1e-300);
  EXPECT_EQ(GLUCalls(), "gluLookAt(1,2,3,0.5,-0.25,0,0,1,1e-300)");
  EXPECT_EQ(Calls(), "");
}

TEST_F(GLLoader, GLLibraryWithoutDriverLookupBindsTheExport) {
  EXPECT_TRUE(Load(FAKEGL_EXPORTS_PATH, MISSING_LIBRARY_PATH));
  EXPECT_EQ(reinterpret_cast<void*>(glGetString), Export("glGetString"));
  EXPECT_STREQ(reinterpret_cast<const char*>(glGetString(0x1F02)), "export string");
}

TEST_F(GLLoader, AnEagerNameNeitherLookupFindsLeavesNullNotTheStub) {
  EXPECT_TRUE(Load(FAKEGL_BARE_PATH, MISSING_LIBRARY_PATH)) << "the library itself loaded";
  EXPECT_EQ(glGetString, nullptr);
}

TEST_F(GLLoader, ASecondLoadReleasesTheFirstAndBindsAgain) {
  EXPECT_TRUE(Load(FAKEGL_DRIVER_PATH, FAKEGLU_PATH));
  EXPECT_TRUE(Load(FAKEGL_EXPORTS_PATH, FAKEGLU_PATH));
  EXPECT_EQ(DriverLookupProc, nullptr) << "the second library has no driver lookup";
  EXPECT_EQ(reinterpret_cast<void*>(glGetString), Export("glGetString"));
  EXPECT_EQ(reinterpret_cast<void*>(gluSphere), GLUExport("gluSphere"));
  gluSphere(reinterpret_cast<GLUquadric*>(GLUControl<void* (*)()>("FakeGLUQuadric")()), 0.25, 8, 6);
  EXPECT_EQ(GLUCalls(), "gluSphere(quadric,0.25,8,6)");
}

}  // namespace
