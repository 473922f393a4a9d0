// Runs the real bumpdemo executable for end-to-end tests: a scratch run directory made
// from assets/, a child process with a chosen environment, its exit code and its
// standard streams, and a private Xvfb display for tests that need a real window.
#pragma once

#include <map>
#include <string>
#include <vector>

struct DemoOptions {
  std::string runDir;             // working directory of the program
  std::vector<std::string> env;   // NAME=value added to a clean environment
  double timeoutSeconds = 30;     // killed (SIGKILL) after this long
  double closeAfterSeconds = -1;  // >= 0: sends SIGTERM after this long (a close request)
  bool asNobody = false;          // runs as user nobody (for permission tests as root)
};

struct DemoResult {
  int exitCode = -1;  // -1 when killed by a signal
  bool timedOut = false;
  std::string out;
  std::string err;
};

// Path of the bumpdemo executable under test.
std::string DemoExecutable();

// A fresh temporary copy of assets/ (Textures/ and system/), world-readable and writable.
std::string MakeRunDir(bool withSystem = true, bool withTextures = true);

// Runs a command (argv[0] searched in PATH) as configured; waits for it to end.
DemoResult RunProcess(const std::vector<std::string>& argv, const DemoOptions& options);

// Runs bumpdemo as configured, with the arguments given.
DemoResult RunDemoProcess(const DemoOptions& options, const std::vector<std::string>& args = {});

// Options for a run in runDir on SDL's offscreen driver, without a display.
DemoOptions OffscreenRun(const std::string& runDir);

// Everything in a directory: relative path -> type and mode, owner, and content (by size
// and hash), so that a test can tell whether a run touched anything.
using Snapshot = std::map<std::string, std::string>;
Snapshot TakeSnapshot(const std::string& dir);

// Starts a process in the background; returns its pid.
int StartProcess(const std::vector<std::string>& argv, const DemoOptions& options);

// Waits up to timeoutSeconds for pid to end; SIGKILLs it after that. Fills exitCode and
// timedOut of the result.
DemoResult WaitProcess(int pid, double timeoutSeconds);

// The whole content of a file ("" when missing); exists tells whether it exists.
std::string ReadFile(const std::string& path, bool* exists = nullptr);

// A private X server on a free display number, stopped by the destructor.
struct XvfbServer {
  XvfbServer(const char* screen = "1024x768x24");
  ~XvfbServer();
  std::string display;  // ":N"; empty when Xvfb could not be started
  int pid = -1;
};

// Output of a command run to completion (stdout), e.g. xdotool; "" on failure.
std::string Capture(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                    double timeoutSeconds = 10);
