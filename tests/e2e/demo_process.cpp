// Child processes, scratch run directories and a private Xvfb for end-to-end tests.
#include "demo_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

double Now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Builds the child's environment: PATH and HOME, plus what the test asks for. A
// sanitizer build of the program accepts a preloaded probe library ahead of its runtime,
// and skips its exit-time leak scan: that scan cannot name the frames of the GL driver,
// which is unloaded by then, and its symbolizer would outlive the program holding its
// output open. Leaks are checked by the valgrind run of the real program instead.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& extra) {
  std::vector<std::string> env = {"PATH=/usr/local/bin:/usr/bin:/bin", "HOME=/tmp",
                                  "ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0"};
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

int Spawn(const std::vector<std::string>& argvIn, const DemoOptions& options, int outFd,
          int errFd) {
  std::vector<std::string> argv = argvIn;
  if (options.asNobody) {
    argv.insert(argv.begin(), {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"});
  }
  const std::vector<std::string> env = ChildEnvironment(options.env);
  const pid_t pid = fork();
  if (pid != 0) return pid;
  // Child.
  if (!options.runDir.empty() && chdir(options.runDir.c_str()) != 0) _exit(126);
  const int devnull = open("/dev/null", O_RDONLY);
  dup2(devnull, 0);
  dup2(outFd, 1);
  dup2(errFd, 2);
  setpgid(0, 0);
  std::vector<char*> args, envp;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  execvpe(args[0], args.data(), envp.data());
  _exit(127);
}

}  // namespace

std::string DemoExecutable() {
  return BUMPDEMO_EXE;
}

std::string MakeRunDir(bool withSystem, bool withTextures) {
  char pattern[] = "/tmp/bumpdemo-run-XXXXXX";
  const char* dir = mkdtemp(pattern);
  if (!dir) return "";
  chmod(dir, 0777);
  const fs::path assets = BUMPDEMO_ASSETS_DIR;
  if (withTextures) {
    fs::copy(assets / "Textures", fs::path(dir) / "Textures", fs::copy_options::recursive);
    chmod((fs::path(dir) / "Textures").c_str(), 0777);
  }
  if (withSystem) {
    fs::create_directory(fs::path(dir) / "system");
    chmod((fs::path(dir) / "system").c_str(), 0777);
  }
  return dir;
}

DemoResult RunProcess(const std::vector<std::string>& argv, const DemoOptions& options) {
  int out[2], err[2];
  DemoResult result;
  if (pipe(out) != 0 || pipe(err) != 0) return result;
  const int pid = Spawn(argv, options, out[1], err[1]);
  close(out[1]);
  close(err[1]);
  const double start = Now();
  bool closeSent = false;
  int status = 0;
  bool ended = false;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  int open = 2;
  while (true) {
    const double elapsed = Now() - start;
    if (!closeSent && options.closeAfterSeconds >= 0 && elapsed >= options.closeAfterSeconds) {
      kill(pid, SIGTERM);
      closeSent = true;
    }
    if (elapsed >= options.timeoutSeconds) {
      result.timedOut = true;
      kill(-pid, SIGKILL);
      kill(pid, SIGKILL);
    }
    if (open > 0) {
      poll(fds, 2, 20);
      for (pollfd& f : fds) {
        if (f.fd < 0 || !(f.revents & (POLLIN | POLLHUP))) continue;
        char buffer[4096];
        const ssize_t n = read(f.fd, buffer, sizeof buffer);
        if (n <= 0) {
          close(f.fd);
          f.fd = -1;
          --open;
        } else {
          (f.fd == out[0] ? result.out : result.err).append(buffer, static_cast<size_t>(n));
        }
      }
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!ended && waitpid(pid, &status, WNOHANG) == pid) ended = true;
    if (ended && open == 0) break;
  }
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

DemoResult RunDemoProcess(const DemoOptions& options, const std::vector<std::string>& args) {
  std::vector<std::string> argv = {DemoExecutable()};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProcess(argv, options);
}

DemoOptions OffscreenRun(const std::string& runDir) {
  DemoOptions options;
  options.runDir = runDir;
  options.env = {"SDL_VIDEODRIVER=offscreen"};  // and no DISPLAY
  options.timeoutSeconds = 30;
  return options;
}

Snapshot TakeSnapshot(const std::string& dir) {
  Snapshot snapshot;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    struct stat info;
    if (lstat(entry.path().c_str(), &info) != 0) continue;
    std::ostringstream record;
    record << std::oct << info.st_mode << " uid " << std::dec << info.st_uid;
    if (S_ISREG(info.st_mode)) {  // content by size and hash, so a failure prints short
      const std::string content = ReadFile(entry.path().string());
      record << " size " << content.size() << " hash " << std::hex
             << std::hash<std::string>()(content);
    }
    snapshot[fs::relative(entry.path(), dir).string()] = record.str();
  }
  return snapshot;
}

int StartProcess(const std::vector<std::string>& argv, const DemoOptions& options) {
  const int devnull = open("/dev/null", O_WRONLY);
  const int pid = Spawn(argv, options, devnull, devnull);
  close(devnull);
  return pid;
}

DemoResult WaitProcess(int pid, double timeoutSeconds) {
  DemoResult result;
  const double start = Now();
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) != pid) {
    if (Now() - start > timeoutSeconds) {
      result.timedOut = true;
      kill(-pid, SIGKILL);
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string ReadFile(const std::string& path, bool* exists) {
  std::ifstream in(path, std::ios::binary);
  if (exists) *exists = static_cast<bool>(in);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string Capture(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                    double timeoutSeconds) {
  DemoOptions options;
  options.env = env;
  options.timeoutSeconds = timeoutSeconds;
  const DemoResult result = RunProcess(argv, options);
  return result.exitCode == 0 ? result.out : "";
}

XvfbServer::XvfbServer(const char* screen) {
  // Xvfb picks a free display number itself and writes it to its standard output, so
  // servers started at the same time by other tests never collide.
  int out[2];
  if (pipe(out) != 0) return;
  const int devnull = open("/dev/null", O_WRONLY);
  DemoOptions options;
  pid = Spawn({"Xvfb", "-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp"}, options,
              out[1], devnull);
  close(devnull);
  close(out[1]);
  std::string number;
  pollfd f = {out[0], POLLIN, 0};
  const double start = Now();
  while (Now() - start < 20 && number.find('\n') == std::string::npos) {
    if (poll(&f, 1, 100) <= 0) continue;
    char buffer[64];
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    number.append(buffer, static_cast<std::size_t>(n));
  }
  close(out[0]);
  if (number.find('\n') == std::string::npos) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
    return;
  }
  display = ":" + number.substr(0, number.find('\n'));
}

XvfbServer::~XvfbServer() {
  if (pid > 0) {
    kill(pid, SIGTERM);
    WaitProcess(pid, 5);
  }
}
