// The BMP reader against real files on disk: the layout rules and their edge cases, bit
// for bit; every refusal with its one message; the classic attacks on a header-trusting
// reader; and every file of the public BMP suite. The largest allocation of each read is
// watched, so a size the file cannot back never turns into a huge allocation.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <new>
#include <sstream>

#include "fake_platform.h"
#include "texture_files.h"
#include "textures/bmp.h"

// Every allocation of the test program goes through here, so a test can see the largest
// block requested while the reader ran.
namespace {
std::atomic<std::size_t> LargestAllocation{0};
// The sizes of the first blocks requested since the last reset.
std::size_t RecentSizes[64];
std::atomic<std::size_t> RecentCount{0};

void* TrackedAllocate(std::size_t size) {
  std::size_t largest = LargestAllocation.load();
  while (size > largest && !LargestAllocation.compare_exchange_weak(largest, size)) {
  }
  const std::size_t slot = RecentCount++;
  if (slot < 64) RecentSizes[slot] = size;
  if (void* block = std::malloc(size ? size : 1)) return block;
  throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) {
  return TrackedAllocate(size);
}
void* operator new[](std::size_t size) {
  return TrackedAllocate(size);
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete[](void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  std::free(block);
}

namespace {

struct ReadResult {
  std::int32_t width = -7777;  // marks "not set"
  std::int32_t height = -7777;
  std::unique_ptr<std::uint8_t[]> pixels;
  std::size_t largestAllocation = 0;
  std::vector<std::size_t> sizes;  // of the blocks allocated during the read
  bool Allocated(std::size_t size) const {
    return std::find(sizes.begin(), sizes.end(), size) != sizes.end();
  }
};

ReadResult Read(const std::string& path) {
  InstallFakePlatform();
  ReadResult result;
  LargestAllocation = 0;
  RecentCount = 0;
  ReadBitmapFile(path.c_str(), &result.width, &result.height, &result.pixels);
  result.largestAllocation = LargestAllocation;
  result.sizes.assign(RecentSizes, RecentSizes + std::min<std::size_t>(RecentCount, 64));
  return result;
}

// The 3-byte groups of bytes with their first and third bytes exchanged.
std::vector<std::uint8_t> Swapped(std::vector<std::uint8_t> bytes, std::size_t groups) {
  for (std::size_t i = 0; i < groups; ++i) std::swap(bytes[3 * i], bytes[3 * i + 2]);
  return bytes;
}

// The little-endian 32-bit field at offset.
std::int32_t FieldOf(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  return static_cast<std::int32_t>(bytes[offset] | bytes[offset + 1] << 8 |
                                   bytes[offset + 2] << 16 |
                                   static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}

std::vector<std::uint8_t> Bytes(const ReadResult& r, std::size_t count) {
  return std::vector<std::uint8_t>(r.pixels.get(), r.pixels.get() + count);
}

int OpenDescriptors() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir)) ++count;
    closedir(dir);
  }
  return count;
}

TEST(SwapRedBlue, ExchangesFirstAndThirdByteOfEachPixel) {
  std::uint8_t bytes[] = {10, 20, 30, 40, 50, 60, 70};
  SwapRedBlue(bytes, 2);
  const std::uint8_t expected[] = {30, 20, 10, 60, 50, 40, 70};
  EXPECT_TRUE(std::equal(bytes, bytes + 7, expected));
}

// A 32-bit file as writers lay it out: an info header of infoSize bytes (masks within it
// from 52 bytes on, alpha from 56), the three masks after a 40-byte header for
// BI_BITFIELDS, gap bytes of 0xEE before the pixel data (the offset field points past
// them), then blue, green, red and a fourth byte for each pixel, from the pixel's
// position.
struct DeepFile {
  std::uint32_t infoSize = 40;
  std::uint32_t compression = 0;                                        // 0 BI_RGB, 3 BI_BITFIELDS
  std::uint32_t masks[4] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0};  // red, green, blue, alpha
  std::int32_t width = 3;
  std::int32_t height = 2;
  std::size_t gap = 0;
};

std::uint8_t DeepBlue(int x, int y) {
  return static_cast<std::uint8_t>(x * 7 + y * 3);
}
std::uint8_t DeepGreen(int x, int y) {
  return static_cast<std::uint8_t>(200 - x + 11 * y);
}
std::uint8_t DeepRed(int x, int y) {
  return static_cast<std::uint8_t>(x * 13 + y * 5 + 1);
}

std::vector<std::uint8_t> DeepBytes(const DeepFile& d) {
  std::vector<std::uint8_t> bytes(14 + d.infoSize, 0);
  auto put = [&bytes](std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put(14, d.infoSize);
  put(18, static_cast<std::uint32_t>(d.width));
  put(22, static_cast<std::uint32_t>(d.height));
  bytes[26] = 1;
  bytes[28] = 32;
  put(30, d.compression);
  put(34, static_cast<std::uint32_t>(d.width * d.height * 4));
  if (d.compression == 3 && d.infoSize < 52) bytes.resize(bytes.size() + 12);  // masks follow
  // The masks start at byte 54 whether they follow the header or lie within it.
  for (int i = 0; i < 3; ++i)
    if (d.infoSize >= 52 || d.compression == 3) put(54 + 4 * i, d.masks[i]);
  if (d.infoSize >= 56) put(66, d.masks[3]);
  bytes.insert(bytes.end(), d.gap, 0xEE);
  put(10, static_cast<std::uint32_t>(bytes.size()));
  for (int y = 0; y < d.height; ++y)
    for (int x = 0; x < d.width; ++x)
      bytes.insert(bytes.end(), {DeepBlue(x, y), DeepGreen(x, y), DeepRed(x, y),
                                 static_cast<std::uint8_t>(0x55 ^ (x + 16 * y))});
  put(2, static_cast<std::uint32_t>(bytes.size()));
  return bytes;
}

// Files that follow the layout rules.

TEST(BmpLayout, PackedFourByTwoWithImageSizeZero) {
  const std::vector<std::uint8_t> data = CountingBytes(24);
  const ReadResult r = Read(WriteScratchFile("4x2.bmp", BmpFile({}, data)));
  ASSERT_TRUE(r.pixels);
  EXPECT_TRUE(Fake.boxes.empty());
  EXPECT_EQ(r.width, 4);
  EXPECT_EQ(r.height, 2);
  EXPECT_EQ(Bytes(r, 24), Swapped(data, 8));
  EXPECT_TRUE(r.Allocated(24)) << "the pixel buffer is exactly the pixel-data size";
}

TEST(BmpLayout, PackedFourByTwoWithImageSizeSet) {
  BmpFields f;
  f.imageSize = 24;
  const std::vector<std::uint8_t> data = CountingBytes(24, 100);
  // Trailing bytes after the pixel data are not read.
  std::vector<std::uint8_t> body = data;
  body.insert(body.end(), {0xEE, 0xEE, 0xEE});
  const ReadResult r = Read(WriteScratchFile("4x2-sized.bmp", BmpFile(f, body)));
  ASSERT_TRUE(r.pixels);
  EXPECT_EQ(r.width, 4);
  EXPECT_EQ(r.height, 2);
  EXPECT_EQ(Bytes(r, 24), Swapped(data, 8));
}

TEST(BmpLayout, PaddedRowsAreUnpadded) {
  // 2 x 2 with rows padded to 8 bytes: B G R B G R p p.
  const std::vector<std::uint8_t> data = {1, 2, 3, 4,  5,  6,  0xA1, 0xA2,
                                          7, 8, 9, 10, 11, 12, 0xB1, 0xB2};
  const std::vector<std::uint8_t> expected = {3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10};
  BmpFields f;
  f.width = 2;
  f.height = 2;
  // The image-size field as the padded size, as 0, and as the packed size 2 x 2 x 3 that
  // some writers put there: the file holds the padded rows each time.
  for (std::uint32_t imageSize : {16u, 0u, 12u}) {
    SCOPED_TRACE(imageSize);
    f.imageSize = imageSize;
    const ReadResult r = Read(WriteScratchFile("padded.bmp", BmpFile(f, data)));
    ASSERT_TRUE(r.pixels);
    EXPECT_TRUE(Fake.boxes.empty());
    EXPECT_EQ(Bytes(r, 12), expected);
    EXPECT_TRUE(r.Allocated(16)) << "the padded rows are read whole";
  }
}

// A picture whose every pixel differs from its neighbours, written with padded rows
// (126 x 3 = 378 bytes a row, padded with two 0xEE bytes to 380), then read back.
TEST(BmpLayout, WidePaddedPictureComesBackPixelForPixel) {
  const int width = 126, height = 5, stride = 380;
  auto blue = [](int x, int y) { return static_cast<std::uint8_t>(x + 3 * y); };
  auto green = [](int x, int y) { return static_cast<std::uint8_t>(200 - x + 17 * y); };
  auto red = [](int x, int y) { return static_cast<std::uint8_t>(x * 7 + y * 31); };
  std::vector<std::uint8_t> rows;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) rows.insert(rows.end(), {blue(x, y), green(x, y), red(x, y)});
    rows.insert(rows.end(), {0xEE, 0xEE});
  }
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(stride * height));
  std::vector<std::uint8_t> withTail = rows;
  withTail.insert(withTail.end(), 40, 0xDD);

  struct Case {
    const char* name;
    std::uint32_t imageSize;
    const std::vector<std::uint8_t>* body;
  };
  const Case cases[] = {
      {"size field 0", 0, &rows},
      {"size field packed", width * height * 3, &rows},
      {"size field padded", stride * height, &rows},
      {"size field padded, bytes after the rows", stride * height, &withTail},
      {"size field beyond the rows", stride * height + 40, &withTail},
      {"size field 0, bytes after the rows", 0, &withTail},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BmpFields f;
    f.width = width;
    f.height = height;
    f.imageSize = c.imageSize;
    const ReadResult r = Read(WriteScratchFile("wide126.bmp", BmpFile(f, *c.body)));
    ASSERT_TRUE(r.pixels);
    EXPECT_TRUE(Fake.boxes.empty());
    EXPECT_EQ(r.width, width);
    EXPECT_EQ(r.height, height);
    int wrong = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const std::uint8_t* p = r.pixels.get() + (y * width + x) * 3;
        if (p[0] != red(x, y) || p[1] != green(x, y) || p[2] != blue(x, y)) {
          if (++wrong <= 3) ADD_FAILURE() << "pixel " << x << "," << y;
        }
      }
    EXPECT_EQ(wrong, 0);
  }
}

TEST(BmpLayout, ColoursUsedBytesAreSkippedWhateverTheOffsetSays) {
  BmpFields f;
  f.coloursUsed = 5;
  f.pixelOffset = 54 + 5 * 4;  // where a real colour table of five entries would end
  std::vector<std::uint8_t> body = {0xC1, 0xC2, 0xC3, 0xC4, 0xC5};
  const std::vector<std::uint8_t> data = CountingBytes(24, 30);
  body.insert(body.end(), data.begin(), data.end());
  const ReadResult r = Read(WriteScratchFile("colours5.bmp", BmpFile(f, body)));
  ASSERT_TRUE(r.pixels);
  EXPECT_EQ(Bytes(r, 24), Swapped(data, 8)) << "pixel data from offset 59";
}

TEST(BmpLayout, LargerInfoHeaderBecomesThePixelData) {
  // A 124-byte info header: its last 84 bytes come first in the pixel data.
  BmpFields f;
  f.infoHeaderSize = 124;
  f.pixelOffset = 138;
  f.width = 36;  // 36 x 1 x 3 = 108 bytes: the 84 header bytes and 24 more
  f.height = 1;
  std::vector<std::uint8_t> extraHeader = CountingBytes(84, 200);
  std::vector<std::uint8_t> body = extraHeader;
  const std::vector<std::uint8_t> data = CountingBytes(24, 7);
  body.insert(body.end(), data.begin(), data.end());
  const ReadResult r = Read(WriteScratchFile("v5header.bmp", BmpFile(f, body)));
  ASSERT_TRUE(r.pixels);
  EXPECT_EQ(Bytes(r, 108), Swapped(body, 36));
}

TEST(BmpLayout, RowsNeedNotBeAMultipleOfFourBytes) {
  BmpFields f;
  f.width = 3;
  f.height = 3;
  const std::vector<std::uint8_t> data = CountingBytes(27);
  const ReadResult r = Read(WriteScratchFile("3x3.bmp", BmpFile(f, data)));
  ASSERT_TRUE(r.pixels);
  EXPECT_EQ(Bytes(r, 27), Swapped(data, 9));
}

// 32-bit files in the layouts writers use, each read back pixel for pixel: the fourth
// byte dropped, the data found where the headers say.
TEST(BmpLayout, ThirtyTwoBitFilesComeBackPixelForPixel) {
  struct Case {
    const char* name;
    DeepFile file;
  };
  const Case cases[] = {
      {"BI_RGB, 40-byte header, odd width", {40, 0, {}, 3, 2, 0}},
      {"BI_RGB, offset past extra bytes", {40, 0, {}, 5, 3, 6}},
      {"BI_BITFIELDS, masks after a 40-byte header", {40, 3, {0xFF0000, 0xFF00, 0xFF, 0}, 4, 2, 0}},
      {"BI_BITFIELDS, 40-byte header, offset past extra bytes",
       {40, 3, {0xFF0000, 0xFF00, 0xFF, 0}, 7, 1, 2}},
      {"BI_BITFIELDS, 52-byte header", {52, 3, {0xFF0000, 0xFF00, 0xFF, 0}, 1, 3, 0}},
      {"V4 header, alpha mask 0xFF000000",
       {108, 3, {0xFF0000, 0xFF00, 0xFF, 0xFF000000u}, 3, 3, 0}},
      {"V5 header, alpha mask 0", {124, 3, {0xFF0000, 0xFF00, 0xFF, 0}, 2, 5, 0}},
      {"V5 header, alpha mask 0xFF000000, extra bytes",
       {124, 3, {0xFF0000, 0xFF00, 0xFF, 0xFF000000u}, 9, 2, 16}},
      {"V5 header, BI_RGB (masks not looked at)", {124, 0, {1, 2, 3, 4}, 1, 1, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::uint8_t> bytes = DeepBytes(c.file);
    const ReadResult r = Read(WriteScratchFile("deep.bmp", bytes));
    ASSERT_TRUE(r.pixels) << (Fake.boxes.empty() ? "" : Fake.boxes[0].text);
    EXPECT_TRUE(Fake.boxes.empty());
    EXPECT_EQ(r.width, c.file.width);
    EXPECT_EQ(r.height, c.file.height);
    std::vector<std::uint8_t> expected;
    for (int y = 0; y < c.file.height; ++y)
      for (int x = 0; x < c.file.width; ++x)
        expected.insert(expected.end(), {DeepRed(x, y), DeepGreen(x, y), DeepBlue(x, y)});
    EXPECT_EQ(Bytes(r, expected.size()), expected);
    EXPECT_TRUE(r.Allocated(expected.size())) << "a buffer of width x height x 3";
    EXPECT_LE(r.largestAllocation, std::max<std::size_t>(bytes.size(), 4096));
  }
}

// The parser on bytes in memory: it reads no byte past the size it is given (the bytes
// after it are there, and would make each image whole), tells whether the size fields
// were reached, and touches neither a file nor a message box (the platform table is
// empty while it runs, so any call through it would crash).
TEST(BmpParse, GivenBytesAloneDecideTheResult) {
  const std::vector<std::uint8_t> packed = CountingBytes(24);
  const std::vector<std::uint8_t> good = BmpFile({}, packed);
  BmpFields palette;
  palette.coloursUsed = 16;
  const std::vector<std::uint8_t> withPalette = BmpFile(palette, CountingBytes(40));
  BmpFields twoByTwo;
  twoByTwo.width = 2;
  twoByTwo.height = 2;
  const std::vector<std::uint8_t> paddedRows = CountingBytes(16);
  const std::vector<std::uint8_t> padded = BmpFile(twoByTwo, paddedRows);
  struct Case {
    const char* name;
    const std::vector<std::uint8_t>* bytes;
    std::size_t size;
    const char* refusal;  // null: served
    bool sizeKnown;
    std::vector<std::uint8_t> pixels;  // of a served image
  };
  const Case cases[] = {
      {"whole file", &good, good.size(), nullptr, true, Swapped(packed, 8)},
      {"headers one byte short", &good, 53, "Error reading bitmap header", false, {}},
      {"colour table one byte short", &withPalette, 54 + 15, "Error reading palette", false, {}},
      {"pixel data one byte short", &good, good.size() - 1, "Error reading bitmap data", true, {}},
      // Without their last padding byte the rows no longer fit padded, so they are packed.
      {"padded rows one byte short", &padded, padded.size() - 1, nullptr, true,
       Swapped(std::vector<std::uint8_t>(paddedRows.begin(), paddedRows.begin() + 12), 4)},
      {"padded rows whole",
       &padded,
       padded.size(),
       nullptr,
       true,
       {3, 2, 1, 6, 5, 4, 11, 10, 9, 14, 13, 12}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Platform = PlatformOps();
    const ParsedBitmap parsed = ParseBitmap(c.bytes->data(), c.size);
    EXPECT_STREQ(parsed.refusal, c.refusal);
    EXPECT_EQ(parsed.sizeKnown, c.sizeKnown);
    if (c.sizeKnown) {
      EXPECT_EQ(parsed.width, FieldOf(*c.bytes, 18));
      EXPECT_EQ(parsed.height, FieldOf(*c.bytes, 22));
    }
    ASSERT_EQ(static_cast<bool>(parsed.pixels), c.refusal == nullptr);
    if (parsed.pixels) {
      EXPECT_EQ(
          std::vector<std::uint8_t>(parsed.pixels.get(), parsed.pixels.get() + c.pixels.size()),
          c.pixels);
    }
  }
}

// Files the reader cannot read.

TEST(BmpFailure, MissingFileShowsTheOpenMessage) {
  const std::string path = ScratchDir() + "/no such file.bmp";
  const ReadResult r = Read(path);
  EXPECT_FALSE(r.pixels);
  ASSERT_EQ(Fake.boxes.size(), 1u);
  EXPECT_EQ(Fake.boxes[0].caption, "BMP Unit");
  EXPECT_EQ(Fake.boxes[0].text, "Error opening \"" + path);
  EXPECT_EQ(Fake.boxes[0].type, MB_OK);
  EXPECT_EQ(r.width, -7777);
  EXPECT_EQ(r.height, -7777);
}

TEST(BmpFailure, BackslashPathsNameTheFileInTheirOwnForm) {
  WriteScratchFile("sub-missing", {});  // makes sure the directory exists
  mkdir((ScratchDir() + "/Textures").c_str(), 0755);
  const std::vector<std::uint8_t> data = CountingBytes(24);
  WriteScratchFile("Textures/wall.bmp", BmpFile({}, data));
  const std::string windowsPath = ScratchDir() + "\\Textures\\wall.bmp";
  ReadResult r = Read(windowsPath);
  ASSERT_TRUE(r.pixels) << "a backslash separates directories";
  EXPECT_EQ(Bytes(r, 24), Swapped(data, 8));

  r = Read(ScratchDir() + "\\Textures\\gone.bmp");
  ASSERT_EQ(Fake.boxes.size(), 1u);
  EXPECT_EQ(Fake.boxes[0].text, "Error opening \"" + ScratchDir() + "\\Textures\\gone.bmp")
      << "the message shows the path as passed";
}

TEST(BmpFailure, DirectoryCannotBeOpened) {
  const ReadResult r = Read(ScratchDir());
  EXPECT_FALSE(r.pixels);
  ASSERT_EQ(Fake.boxes.size(), 1u);
  EXPECT_EQ(Fake.boxes[0].text, "Error opening \"" + ScratchDir());
}

TEST(BmpFailure, UnreadableFileCannotBeOpened) {
  const std::string path = WriteScratchFile("private.bmp", BmpFile({}, CountingBytes(24)));
  ASSERT_EQ(chmod(path.c_str(), 0600), 0);
  chmod(ScratchDir().c_str(), 0755);
  // As root every file is readable: the read runs in a child that is user nobody.
  EXPECT_EXIT(
      {
        if (setgid(65534) != 0 || setuid(65534) != 0) std::_Exit(3);
        const ReadResult r = Read(path);
        const bool ok =
            !r.pixels && Fake.boxes.size() == 1 && Fake.boxes[0].text == "Error opening \"" + path;
        std::_Exit(ok ? 0 : 4);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(BmpFailure, PixelDataCutShortClosesTheFileAndHandsBackNothing) {
  const std::vector<std::uint8_t> whole = BmpFile({}, CountingBytes(24));
  const int before = OpenDescriptors();
  for (std::size_t cut : {54u, 55u, 77u}) {
    const ReadResult r = Read(
        WriteScratchFile("cut.bmp", std::vector<std::uint8_t>(whole.begin(), whole.begin() + cut)));
    EXPECT_FALSE(r.pixels) << cut;
    ASSERT_EQ(Fake.boxes.size(), 1u);
    EXPECT_EQ(Fake.boxes[0].caption, "BMP Unit");
    EXPECT_EQ(Fake.boxes[0].text, "Error reading bitmap data");
    EXPECT_EQ(r.width, 4) << "width and height are set before the pixel data are read";
    EXPECT_EQ(r.height, 2);
    EXPECT_FALSE(r.Allocated(24)) << "no buffer for data the file does not hold";
  }
  EXPECT_EQ(OpenDescriptors(), before);
}

TEST(BmpFailure, ColourTableCutShortShowsThePaletteMessage) {
  BmpFields f;
  f.coloursUsed = 16;
  const ReadResult r = Read(WriteScratchFile("cutpalette.bmp", BmpFile(f, CountingBytes(10))));
  EXPECT_FALSE(r.pixels);
  ASSERT_EQ(Fake.boxes.size(), 1u);
  EXPECT_EQ(Fake.boxes[0].text, "Error reading palette");
  EXPECT_EQ(r.width, -7777) << "width and height are not set";
  EXPECT_EQ(r.height, -7777);
}

// Refusals and attacks: each gives one "BMP Unit" message and no buffer, and allocates
// nothing the file cannot back.
struct Refusal {
  const char* name;
  std::vector<std::uint8_t> file;
  const char* message;
};

std::vector<std::uint8_t> Truncated(std::vector<std::uint8_t> bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

BmpFields Fields(std::int32_t w, std::int32_t h, std::uint16_t bpp = 24,
                 std::uint32_t imageSize = 0, std::uint32_t colours = 0) {
  BmpFields f;
  f.width = w;
  f.height = h;
  f.bitsPerPixel = bpp;
  f.imageSize = imageSize;
  f.coloursUsed = colours;
  return f;
}

// A 3 x 2 32-bit file with the given header size, compression and masks.
DeepFile Deep(std::uint32_t infoSize, std::uint32_t compression,
              std::initializer_list<std::uint32_t> masks = {0xFF0000, 0xFF00, 0xFF, 0}) {
  DeepFile d;
  d.infoSize = infoSize;
  d.compression = compression;
  std::copy(masks.begin(), masks.end(), d.masks);
  return d;
}

std::vector<std::uint8_t> WithField(std::vector<std::uint8_t> bytes, std::size_t at,
                                    std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  return bytes;
}

constexpr const char* Unsupported =
    "Unsupported bitmap format (reads 24- and 32-bit uncompressed images)";

std::vector<Refusal> Refusals() {
  const std::vector<std::uint8_t> small = CountingBytes(24);
  const std::vector<std::uint8_t> deep = DeepBytes(Deep(40, 0));
  const std::vector<std::uint8_t> good = BmpFile({}, small);
  return {
      {"Empty", {}, "Error reading bitmap header"},
      {"FileHeaderOnly", Truncated(good, 14), "Error reading bitmap header"},
      {"InfoHeaderCut", Truncated(good, 53), "Error reading bitmap header"},
      {"ZeroWidth", BmpFile(Fields(0, 2), small), "Unsupported bitmap size"},
      {"ZeroHeight", BmpFile(Fields(4, 0), small), "Unsupported bitmap size"},
      {"NegativeWidth", BmpFile(Fields(-4, 2), small), "Unsupported bitmap size"},
      {"TopDown", BmpFile(Fields(4, -2), small), "Unsupported bitmap size"},
      {"MostNegative", BmpFile(Fields(INT32_MIN, INT32_MIN), small), "Unsupported bitmap size"},
      {"WiderThanTheLimit", BmpFile(Fields(16385, 1, 24, 49155), CountingBytes(49155)),
       "Bitmap too large (over 16384 x 16384)"},
      {"TallerThanTheLimit", BmpFile(Fields(1, 16385), small),
       "Bitmap too large (over 16384 x 16384)"},
      // 65536 x 21846 x 3 wraps to 65536 in 32 bits: a reader that trusts it swaps past
      // a 64 KiB buffer.
      {"PixelBytesWrap", BmpFile(Fields(65536, 21846, 24, 65536), CountingBytes(65536)),
       "Bitmap too large (over 16384 x 16384)"},
      {"HugeBoth", BmpFile(Fields(INT32_MAX, INT32_MAX), small),
       "Bitmap too large (over 16384 x 16384)"},
      // 16384 x 16384 x 24 bits does not fit a 32-bit product.
      {"BitCountProductOverflows", BmpFile(Fields(16384, 16384), small),
       "Bitmap data size out of range"},
      {"HighBitCount", BmpFile(Fields(4096, 4096, 0xFFFF), small), Unsupported},
      {"EightBitsPerPixel", BmpFile(Fields(4, 2, 8), small), Unsupported},
      {"ZeroBitsPerPixel", BmpFile(Fields(4, 2, 0), small), Unsupported},
      // Enough bytes for 24-bit rows do not make a 16-bit file one.
      {"SixteenBitsWithDataEnough", BmpFile(Fields(4, 2, 16, 24), small), Unsupported},
      {"ImageSizeTooSmall", BmpFile(Fields(4, 2, 24, 23), small), "Unsupported bitmap format"},
      {"HugeImageSize", BmpFile(Fields(4, 2, 24, 0xFFFFFFFFu), small), "Error reading bitmap data"},
      {"ImageSizeOneMoreThanTheFile", BmpFile(Fields(4, 2, 24, 25), small),
       "Error reading bitmap data"},
      // 2 x 2 rows need padding: 12 bytes packed, 16 padded. A size between fits neither.
      {"ImageSizeBetweenPackedAndPadded", BmpFile(Fields(2, 2, 24, 14), CountingBytes(16)),
       "Unsupported bitmap row padding"},
      {"PaddedRowsCutShort", BmpFile(Fields(2, 2, 24, 16), CountingBytes(15)),
       "Error reading bitmap data"},
      {"PackedRowsCutShort", BmpFile(Fields(2, 2, 24, 0), CountingBytes(11)),
       "Error reading bitmap data"},
      {"HugeColoursUsed", BmpFile(Fields(4, 2, 24, 0, 0xFFFFFFFFu), small),
       "Error reading palette"},
      {"ColoursUsedPastTheEnd", BmpFile(Fields(4, 2, 24, 0, 25), small), "Error reading palette"},
      {"ColoursUsedLeaveNoPixels", BmpFile(Fields(4, 2, 24, 0, 24), small),
       "Error reading bitmap data"},
      // 32-bit files the reader cannot serve.
      {"DeepRedInTheTopByte", DeepBytes(Deep(124, 3, {0xFF000000u, 0xFF00, 0xFF, 0xFF0000})),
       Unsupported},
      {"DeepBlueAndRedExchanged", DeepBytes(Deep(40, 3, {0xFF, 0xFF00, 0xFF0000, 0})), Unsupported},
      {"DeepTenBitChannels", DeepBytes(Deep(124, 3, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000u})),
       Unsupported},
      {"DeepAlphaInTheRedByte", DeepBytes(Deep(56, 3, {0xFF0000, 0xFF00, 0xFF, 0xFF0000})),
       Unsupported},
      {"DeepRunLength", DeepBytes(Deep(40, 1)), Unsupported},
      {"DeepAlphaBitfields", DeepBytes(Deep(40, 6)), Unsupported},
      {"DeepMasksInAShortHeader", DeepBytes(Deep(44, 3)), Unsupported},
      {"DeepHeaderTooSmall", WithField(deep, 14, 12), Unsupported},
      {"DeepPixelsCutShort", Truncated(deep, deep.size() - 1), "Error reading bitmap data"},
      {"DeepNoPixels", Truncated(deep, 54), "Error reading bitmap data"},
      {"DeepMasksCutShort", Truncated(DeepBytes(Deep(40, 3)), 65), "Error reading bitmap header"},
      {"DeepV5HeaderCutShort", Truncated(DeepBytes(Deep(124, 3)), 137),
       "Error reading bitmap header"},
      {"DeepHeaderSizeHuge", WithField(deep, 14, 0xFFFFFFF0u), "Error reading bitmap header"},
      {"DeepOffsetBeyondTheFile", WithField(deep, 10, 0xFFFFFFFFu), "Error reading bitmap data"},
      {"DeepOffsetInsideTheHeader", WithField(deep, 10, 40), "Error reading bitmap data"},
      {"DeepHugeEdges", WithField(WithField(deep, 18, 16384), 22, 16384),
       "Error reading bitmap data"},
      {"DeepTopDown", WithField(deep, 22, 0xFFFFFFFEu), "Unsupported bitmap size"},
      {"DeepTooWide", WithField(deep, 18, 16385), "Bitmap too large (over 16384 x 16384)"},
  };
}

class BmpRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(BmpRefusal, ShowsOneMessageAndHandsBackNothing) {
  const Refusal& refusal = GetParam();
  const std::string path = WriteScratchFile(std::string(refusal.name) + ".bmp", refusal.file);
  const ReadResult r = Read(path);
  EXPECT_FALSE(r.pixels);
  ASSERT_EQ(Fake.boxes.size(), 1u) << FakeCalls();
  EXPECT_EQ(Fake.boxes[0].caption, "BMP Unit");
  EXPECT_EQ(Fake.boxes[0].type, MB_OK);
  EXPECT_EQ(Fake.boxes[0].text, refusal.message);
  EXPECT_LE(r.largestAllocation, std::max<std::size_t>(refusal.file.size(), 4096))
      << "allocated more than the file holds";
}

INSTANTIATE_TEST_SUITE_P(Attacks, BmpRefusal, ::testing::ValuesIn(Refusals()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BmpLimit, LargestEdgeIsStillRead) {
  // 16384 x 1 with the image-size field set: at the limit, and served.
  const std::vector<std::uint8_t> data = CountingBytes(16384 * 3);
  const ReadResult r = Read(WriteScratchFile("edge.bmp", BmpFile(Fields(16384, 1), data)));
  ASSERT_TRUE(r.pixels);
  EXPECT_EQ(r.width, 16384);
  EXPECT_EQ(Bytes(r, data.size()), Swapped(data, 16384));
}

// The public BMP suite: every file is either loaded or refused with one message, and the
// verdict follows from its header fields as listed in the suite's manifest.

struct ManifestEntry {
  std::uint64_t bytes;
  std::int64_t width, height, bpp, imageSize, coloursUsed;
};

// The suite's 32-bit files that are served: uncompressed, or with the usual masks after a
// 40-byte header. Each holds the picture of g/rgb24.bmp. The other 32-bit files use
// masks the reader does not read (red in the top byte, 10- or 11-bit channels, alpha in
// another byte) or BI_ALPHABITFIELDS.
const char* const ServedDeepFiles[] = {"g/rgb32.bmp", "g/rgb32bfdef.bmp", "q/rgb32fakealpha.bmp"};

bool IsServedDeepFile(const std::string& file) {
  return std::find(std::begin(ServedDeepFiles), std::end(ServedDeepFiles), file) !=
         std::end(ServedDeepFiles);
}

std::map<std::string, ManifestEntry> ReadManifest(const std::string& dir) {
  std::map<std::string, ManifestEntry> entries;
  std::ifstream in(dir + "/MANIFEST.tsv");
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#' || line.rfind("file\t", 0) == 0) continue;
    std::istringstream fields(line);
    std::string file, sig, headerSize, compression;
    ManifestEntry e;
    fields >> file >> e.bytes >> sig >> headerSize >> e.width >> e.height >> e.bpp >> compression >>
        e.imageSize >> e.coloursUsed;
    entries[file] = e;
  }
  return entries;
}

std::int64_t PaddedSize(const ManifestEntry& e) {
  return (e.width * 3 + 3) / 4 * 4 * e.height;
}

// What the 24-bit layout rules and the refusals make of a file, from its fields alone;
// every bit count but 24 and 32 is refused.
bool ShouldLoad(const std::string& file, const ManifestEntry& e) {
  if (e.bpp == 32) return IsServedDeepFile(file);
  if (e.bpp != 24) return false;
  if (e.bytes < 54 || e.coloursUsed > static_cast<std::int64_t>(e.bytes) - 54) return false;
  if (e.width <= 0 || e.height <= 0 || e.width > 16384 || e.height > 16384) return false;
  const std::int64_t dataSize = e.imageSize ? e.imageSize : e.width * e.height * e.bpp / 8;
  if (!e.imageSize && e.width * e.height * e.bpp > INT32_MAX) return false;
  if (dataSize < e.width * e.height * 3) return false;
  if (e.imageSize > e.width * e.height * 3 && e.imageSize < PaddedSize(e)) return false;
  return 54 + e.coloursUsed + dataSize <= static_cast<std::int64_t>(e.bytes);
}

// Whether the reader takes the file's rows as padded to four bytes.
bool ReadAsPadded(const ManifestEntry& e) {
  if (e.bpp != 24 || e.width * 3 % 4 == 0) return false;
  if (e.imageSize == 0 || e.imageSize == e.width * e.height * 3)
    return 54 + e.coloursUsed + PaddedSize(e) <= static_cast<std::int64_t>(e.bytes);
  return true;
}

TEST(BmpSuite, EveryFileIsLoadedOrRefusedAsItsFieldsSay) {
  const std::string dir = BUMPDEMO_TESTDATA "/bmpsuite";
  const std::map<std::string, ManifestEntry> manifest = ReadManifest(dir);
  ASSERT_GE(manifest.size(), 80u) << "manifest of " << dir;
  int loaded = 0, refused = 0;
  std::map<std::string, int> reasons;
  std::vector<std::uint8_t> picture24;
  std::vector<std::vector<std::uint8_t>> deepPictures;
  for (const char* group : {"g", "q", "b"}) {
    DIR* listing = opendir((dir + "/" + group).c_str());
    ASSERT_NE(listing, nullptr) << dir << "/" << group;
    std::vector<std::string> names;
    while (dirent* entry = readdir(listing))
      if (entry->d_name[0] != '.') names.push_back(entry->d_name);
    closedir(listing);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      const std::string file = std::string(group) + "/" + name;
      SCOPED_TRACE(file);
      const ReadResult r = Read(dir + "/" + file);
      const std::vector<std::uint8_t> raw = ReadWholeFile(dir + "/" + file);
      EXPECT_LE(r.largestAllocation, std::max<std::size_t>(raw.size(), 4096));
      ASSERT_EQ(manifest.count(file), 1u) << "not in the manifest";
      const ManifestEntry& e = manifest.at(file);
      EXPECT_EQ(static_cast<bool>(r.pixels), ShouldLoad(file, e));
      if (r.pixels && e.bpp == 32) {
        ++loaded;
        EXPECT_TRUE(Fake.boxes.empty());
        deepPictures.push_back(Bytes(r, static_cast<std::size_t>(e.width * e.height * 3)));
      } else if (r.pixels) {
        ++loaded;
        EXPECT_TRUE(Fake.boxes.empty());
        EXPECT_EQ(r.width, e.width);
        EXPECT_EQ(r.height, e.height);
        // The pixels are the file's rows after the colours-used block, without their
        // padding where they are read as padded, red and blue exchanged.
        const std::size_t count = static_cast<std::size_t>(e.width * e.height * 3);
        const std::size_t row = static_cast<std::size_t>(e.width * 3);
        const std::size_t stride = ReadAsPadded(e) ? (row + 3) / 4 * 4 : row;
        const std::size_t start = 54 + static_cast<std::size_t>(e.coloursUsed);
        std::vector<std::uint8_t> rows;
        for (std::size_t y = 0; y < static_cast<std::size_t>(e.height); ++y)
          rows.insert(rows.end(), raw.begin() + start + y * stride,
                      raw.begin() + start + y * stride + row);
        EXPECT_EQ(Bytes(r, count), Swapped(rows, count / 3));
        if (file == "g/rgb24.bmp") picture24 = Bytes(r, count);
      } else {
        ++refused;
        ASSERT_EQ(Fake.boxes.size(), 1u);
        EXPECT_EQ(Fake.boxes[0].caption, "BMP Unit");
        ++reasons[Fake.boxes[0].text];
      }
    }
  }
  EXPECT_EQ(loaded + refused, static_cast<int>(manifest.size()));
  // The 32-bit files hold the 24-bit file's picture: their pixels are its pixels.
  ASSERT_EQ(picture24.size(), 127u * 64 * 3);
  EXPECT_EQ(deepPictures.size(), std::size(ServedDeepFiles));
  for (const std::vector<std::uint8_t>& picture : deepPictures) EXPECT_TRUE(picture == picture24);
  std::printf("bmpsuite: %d files, %d loaded, %d refused\n", loaded + refused, loaded, refused);
  for (const auto& reason : reasons)
    std::printf("  %3d  %s\n", reason.second, reason.first.c_str());
}

}  // namespace
