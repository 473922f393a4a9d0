// A platform table of fakes: every step can be made to fail, and every call and message
// box is recorded in order. Files are the real ones, through the backend's own calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

struct FakeMessageBox {
  std::string caption;
  std::string text;
  std::uint32_t type;
};

struct FakePlatformConfig {
  bool registerOk = true;
  std::int32_t displayResult = DISP_CHANGE_SUCCESSFUL;
  bool openWindowOk = true;
  bool getDcOk = true;
  int pixelFormat = 7;
  bool setPixelFormatOk = true;
  bool createContextOk = true;
  bool makeCurrentOk = true;
  bool deleteContextOk = true;
  int releaseDcResult = 1;
  bool destroyWindowOk = true;
  bool unregisterOk = true;
  std::string windowSystemError;  // what WindowSystemError answers
};

struct FakePlatformState {
  FakePlatformConfig config;
  std::vector<std::string> calls;  // "Name" or "Name(args)" in call order
  std::vector<FakeMessageBox> boxes;
  std::vector<PlatformMessage> queue;  // messages PeekAppMessage hands out, front first
  PixelFormatRequest pixelFormat = {};
  DisplayModeRequest displayMode = {};
  WindowProcFn proc = nullptr;
  std::int64_t counter = 0;
  std::int64_t frequency = 1000;
};

extern FakePlatformState Fake;

// Resets Fake to cfg and points the platform table at the fakes; also resets the window
// module.
void InstallFakePlatform(const FakePlatformConfig& cfg = FakePlatformConfig());

// The recorded calls joined by spaces, for compact expectations.
std::string FakeCalls();
