// Bad input met by the real executable on SDL's offscreen driver (no display, so message
// boxes go to standard error as "Caption: text" lines): a missing, truncated, absurd or
// unreadable image, a missing system/ directory, a read-only log and a log path that is
// a directory. Each run must show exactly its messages, exit with status 1 and leave the
// run directory as it found it (only the emptied log differs, where one is made).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "demo_process.h"

namespace fs = std::filesystem;

namespace {

const char* const ImagePath = "Textures/wall_bump.bmp";
const char* const LogPath = "system/log.txt";

// The two boxes of a refused image, in order, and nothing else on standard error.
std::string ImageFailure(const std::string& readerText) {
  return "BMP Unit: " + readerText + "\nLoading Textures: Unable to load Textures\\wall_bump.bmp\n";
}

// The header words of the shipped image, for building absurd variants of it.
std::string ShippedImage() {
  return ReadFile(std::string(BUMPDEMO_ASSETS_DIR) + "/" + ImagePath);
}

void PutU32(std::string* bytes, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) (*bytes)[offset + i] = static_cast<char>(value >> (8 * i));
}

void PutU16(std::string* bytes, std::size_t offset, std::uint16_t value) {
  for (int i = 0; i < 2; ++i) (*bytes)[offset + i] = static_cast<char>(value >> (8 * i));
}

void WriteImage(const std::string& dir, const std::string& bytes) {
  std::ofstream(dir + "/" + ImagePath, std::ios::binary | std::ios::trunc) << bytes;
}

// Runs the program on a prepared run directory whose image is refused; checks the
// messages, the exit status, and that only the log was made (empty) or emptied.
void ExpectImageRefused(const std::string& dir, const std::string& readerText,
                        bool asNobody = false) {
  const std::string log = dir + "/" + LogPath;
  std::ofstream(log, std::ios::binary) << "[1]  from the last run\r\n";
  chmod(log.c_str(), 0666);
  Snapshot expected = TakeSnapshot(dir);
  DemoOptions options = OffscreenRun(dir);
  options.asNobody = asNobody;
  const DemoResult result = RunDemoProcess(options);
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, ImageFailure(readerText));
  EXPECT_EQ(result.out, "");
  bool exists = false;
  EXPECT_EQ(ReadFile(log, &exists), "");
  EXPECT_TRUE(exists);
  // The log keeps its file (and owner) but loses its content; all else is untouched.
  Snapshot after = TakeSnapshot(dir);
  ASSERT_TRUE(after.count(LogPath));
  const std::string& logRecord = expected[LogPath];
  expected[LogPath] = logRecord.substr(0, logRecord.find(" size ")) + " size 0 hash " + [] {
    std::ostringstream hash;
    hash << std::hex << std::hash<std::string>()("");
    return hash.str();
  }();
  EXPECT_EQ(after, expected);
  fs::remove_all(dir);
}

TEST(EndToEndBadImage, MissingImage) {
  const std::string dir = MakeRunDir();
  fs::remove(dir + "/" + ImagePath);
  ExpectImageRefused(dir, "Error opening \"Textures\\wall_bump.bmp");
}

TEST(EndToEndBadImage, ImageThatIsADirectory) {
  const std::string dir = MakeRunDir();
  fs::remove(dir + "/" + ImagePath);
  fs::create_directory(dir + "/" + ImagePath);
  ExpectImageRefused(dir, "Error opening \"Textures\\wall_bump.bmp");
}

TEST(EndToEndBadImage, UnreadableImage) {
  const std::string dir = MakeRunDir();
  const std::string image = dir + "/" + ImagePath;
  chmod(image.c_str(), 0000);  // owned by root; the program runs as nobody
  ExpectImageRefused(dir, "Error opening \"Textures\\wall_bump.bmp", true);
}

TEST(EndToEndBadImage, TruncatedImages) {
  const std::string image = ShippedImage();
  ASSERT_GT(image.size(), 54u + 3u);
  const struct {
    std::size_t length;
    const char* text;
  } cases[] = {
      {0, "Error reading bitmap header"},
      {13, "Error reading bitmap header"},
      {53, "Error reading bitmap header"},
      {54, "Error reading bitmap data"},
      {image.size() / 2, "Error reading bitmap data"},
      {image.size() - 1, "Error reading bitmap data"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("length " + std::to_string(c.length));
    const std::string dir = MakeRunDir();
    WriteImage(dir, image.substr(0, c.length));
    ExpectImageRefused(dir, c.text);
  }
}

TEST(EndToEndBadImage, AbsurdHeaderFields) {
  const std::string image = ShippedImage();
  ASSERT_GT(image.size(), 54u);
  // Offsets in the file: width 18, height 22, bits per pixel 28, image size 34, colours
  // used 46.
  const struct {
    const char* name;
    std::size_t offset;
    int width;  // 2 or 4 bytes
    std::uint32_t value;
    const char* text;
  } cases[] = {
      {"zero width", 18, 4, 0, "Unsupported bitmap size"},
      {"negative height (top-down)", 22, 4, 0xFFFFFF00u, "Unsupported bitmap size"},
      {"most negative width", 18, 4, 0x80000000u, "Unsupported bitmap size"},
      {"huge width", 18, 4, 0x7FFFFFFFu, "Bitmap too large (over 16384 x 16384)"},
      {"edge one past the limit", 22, 4, 16385, "Bitmap too large (over 16384 x 16384)"},
      {"huge colour count", 46, 4, 0xFFFFFFF0u, "Error reading palette"},
      {"colour count past the end", 46, 4, static_cast<std::uint32_t>(image.size()),
       "Error reading palette"},
      {"image size beyond the file", 34, 4, 0xFFFFFFFFu, "Error reading bitmap data"},
      {"image size too small", 34, 4, 12, "Unsupported bitmap format"},
      {"8 bits per pixel", 28, 2, 8,
       "Unsupported bitmap format (reads 24- and 32-bit uncompressed images)"},
      {"65535 bits per pixel", 28, 2, 0xFFFF,
       "Unsupported bitmap format (reads 24- and 32-bit uncompressed images)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bytes = image;
    if (c.width == 4)
      PutU32(&bytes, c.offset, c.value);
    else
      PutU16(&bytes, c.offset, static_cast<std::uint16_t>(c.value));
    if (c.offset == 28 || c.offset == 22) PutU32(&bytes, 34, 0);  // size from the fields
    const std::string dir = MakeRunDir();
    WriteImage(dir, bytes);
    ExpectImageRefused(dir, c.text);
  }
}

// The log cannot be made: the report on standard error, status 1, the directory as it was.
void ExpectLogFailure(const std::string& dir, const std::string& errorLine, bool asNobody) {
  const Snapshot before = TakeSnapshot(dir);
  DemoOptions options = OffscreenRun(dir);
  options.asNobody = asNobody;
  const DemoResult result = RunDemoProcess(options);
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "");
  const std::string head =
      "bumpdemo: cannot create the log file \"system/log.txt\" in ResetLog (log.cpp:";
  // A missing folder adds a line: where the run directory is, where the program started.
  const std::string hint =
      errorLine == "Invalid filename."
          ? "there is no folder system/ here: bumpdemo runs from its run directory, the one "
            "that holds Textures/ and system/: " +
                fs::canonical(BUMPDEMO_ASSETS_DIR).string() + " (started in " +
                fs::canonical(dir).string() + ")\n"
          : "";
  const std::string tail = ")\n" + errorLine + "\n" + hint + "\n";
  EXPECT_EQ(result.err.compare(0, head.size(), head), 0) << result.err;
  EXPECT_TRUE(result.err.size() > tail.size() &&
              result.err.compare(result.err.size() - tail.size(), tail.size(), tail) == 0)
      << result.err;
  const Snapshot after = TakeSnapshot(dir);
  EXPECT_EQ(after, before);
  fs::remove_all(dir);
}

TEST(EndToEndBadLog, MissingSystemDirectory) {
  ExpectLogFailure(MakeRunDir(false), "Invalid filename.", false);
}

TEST(EndToEndBadLog, ReadOnlyLogFile) {
  const std::string dir = MakeRunDir();
  const std::string log = dir + "/" + LogPath;
  std::ofstream(log, std::ios::binary) << "[1]  kept\r\n";
  chmod(log.c_str(), 0444);  // owned by root; the program runs as nobody
  ExpectLogFailure(dir, "File access denied.", true);
}

TEST(EndToEndBadLog, LogPathThatIsADirectory) {
  const std::string dir = MakeRunDir();
  fs::create_directory(dir + "/" + LogPath);
  std::ofstream(dir + "/" + LogPath + "/inside", std::ios::binary) << "untouched";
  ExpectLogFailure(dir, "File access denied.", false);
}

}  // namespace
