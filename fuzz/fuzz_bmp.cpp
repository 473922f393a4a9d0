// libFuzzer target over the BMP reader: each input is written to a file of its own (the
// reader reads from a path) and read back. Message boxes are counted, not shown; a
// served image must have a buffer the full width x height x 3 bytes long, and a refused
// one must have shown exactly one message.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "textures/bmp.h"

namespace {

int MessagesShown = 0;
std::string InputPath;

void CountMessageBox(const char*, const char*, std::uint32_t) {
  ++MessagesShown;
}

// A private file for the inputs, in memory where /dev/shm is there.
void ChooseInputPath() {
  const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  InputPath = std::string(dir) + "/fuzz_bmp_" + std::to_string(getpid()) + ".bmp";
  Platform.ShowMessageBox = CountMessageBox;
  std::atexit([] { unlink(InputPath.c_str()); });
}

bool WriteInput(const std::uint8_t* data, std::size_t size) {
  const int file = open(InputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (file < 0) return false;
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = write(file, data + done, size - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  close(file);
  return done == size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (InputPath.empty()) ChooseInputPath();
  if (!WriteInput(data, size)) std::abort();
  MessagesShown = 0;
  std::int32_t width = -1;
  std::int32_t height = -1;
  std::unique_ptr<std::uint8_t[]> pixels;
  ReadBitmapFile(InputPath.c_str(), &width, &height, &pixels);
  if (pixels) {
    if (MessagesShown != 0 || width <= 0 || height <= 0 || width > MaxBitmapEdge ||
        height > MaxBitmapEdge)
      std::abort();
    // Touch the last pixel byte the caller will hand to GL: out of bounds trips ASan.
    const std::size_t last = static_cast<std::size_t>(width) * height * 3 - 1;
    volatile std::uint8_t byte = pixels[last];
    (void)byte;
  } else if (MessagesShown != 1) {
    std::abort();
  }
  return 0;
}
