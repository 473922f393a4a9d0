// The image-loading entry point and the green channel's check, on bytes and maps the tests
// make: PNG (8- and 16-bit, grey, grey + alpha, RGB, RGBA), TGA and JPEG encoded by
// stb_image_write from known pixels, damaged and absurd files, and normal maps made from
// known height fields in both conventions.
#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "textures/bmp.h"
#include "textures/green_check.h"
#include "textures/image.h"
#include "textures/normal_map.h"

namespace {

std::vector<std::uint8_t> Encode(const char* format, int w, int h, int channels,
                                 const std::vector<std::uint8_t>& topDown) {
  std::vector<std::uint8_t> out;
  auto append = [](void* context, void* data, int size) {
    auto* v = static_cast<std::vector<std::uint8_t>*>(context);
    v->insert(v->end(), static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + size);
  };
  const std::string f = format;
  if (f == "png")
    stbi_write_png_to_func(append, &out, w, h, channels, topDown.data(), w * channels);
  if (f == "tga") stbi_write_tga_to_func(append, &out, w, h, channels, topDown.data());
  if (f == "jpg") stbi_write_jpg_to_func(append, &out, w, h, channels, topDown.data(), 100);
  return out;
}

// A 16-bit PNG, written here byte for byte: stb writes 8-bit files only. Stored (not
// compressed) zlib blocks, so the test needs no deflater.
std::vector<std::uint8_t> Png16(int w, int h, int channels, const std::vector<std::uint16_t>& top) {
  auto crc = [](const std::uint8_t* p, std::size_t n) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
      c ^= p[i];
      for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return c ^ 0xFFFFFFFFu;
  };
  auto put32 = [](std::vector<std::uint8_t>* v, std::uint32_t x) {
    for (int s = 24; s >= 0; s -= 8) v->push_back(static_cast<std::uint8_t>(x >> s));
  };
  std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  auto chunk = [&](const char* type, const std::vector<std::uint8_t>& data) {
    put32(&out, static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    put32(&out, crc(typed.data(), typed.size()));
  };
  std::vector<std::uint8_t> header;
  put32(&header, w);
  put32(&header, h);
  const std::uint8_t colourType = channels == 1 ? 0 : channels == 2 ? 4 : channels == 3 ? 2 : 6;
  header.insert(header.end(), {16, colourType, 0, 0, 0});
  chunk("IHDR", header);
  std::vector<std::uint8_t> raw;
  for (int y = 0; y < h; ++y) {
    raw.push_back(0);  // no filter
    for (int i = 0; i < w * channels; ++i) {
      raw.push_back(static_cast<std::uint8_t>(top[y * w * channels + i] >> 8));
      raw.push_back(static_cast<std::uint8_t>(top[y * w * channels + i]));
    }
  }
  std::vector<std::uint8_t> z = {0x78, 0x01};
  std::uint32_t a = 1, b = 0;
  for (const std::uint8_t byte : raw) a = (a + byte) % 65521, b = (b + a) % 65521;
  for (std::size_t at = 0; at < raw.size(); at += 65535) {
    const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
    z.push_back(at + n == raw.size() ? 1 : 0);
    z.insert(z.end(), {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                       static_cast<std::uint8_t>(~n), static_cast<std::uint8_t>(~n >> 8)});
    z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
  }
  put32(&z, (b << 16) | a);
  chunk("IDAT", z);
  chunk("IEND", {});
  return out;
}

ParsedImage Parse(const std::vector<std::uint8_t>& bytes) {
  return ParseImage(bytes.data(), bytes.size());
}

// Every format and channel layout gives the pixels it was made from, bottom row first: grey
// spread to red, green and blue, alpha dropped, 16 bits rounded to 8.
TEST(ImageReader, EveryFormatGivesItsPixelsBottomRowFirst) {
  const int w = 5, h = 3;
  for (const int channels : {1, 2, 3, 4}) {
    std::vector<std::uint8_t> top(w * h * channels);
    std::vector<std::uint16_t> top16(top.size());
    for (std::size_t i = 0; i < top.size(); ++i) {
      top[i] = static_cast<std::uint8_t>(37 * i + 11);
      top16[i] = static_cast<std::uint16_t>(9973 * i + 129);  // low bytes that round both ways
    }
    // What each pixel must become: row y of the result is row h - 1 - y of the file.
    auto expected = [&](auto& samples, bool sixteen) {
      std::vector<std::uint8_t> rgb;
      for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x)
          for (int c = 0; c < 3; ++c) {
            const unsigned s = samples[(y * w + x) * channels + (channels < 3 ? 0 : c)];
            rgb.push_back(static_cast<std::uint8_t>(sixteen ? (s * 255 + 32767) / 65535 : s));
          }
      return rgb;
    };
    SCOPED_TRACE(std::to_string(channels) + " channels");
    for (const char* format : {"png", "tga"}) {
      const ParsedImage image = Parse(Encode(format, w, h, channels, top));
      ASSERT_EQ(image.refusal, "") << format;
      EXPECT_EQ(image.width, w);
      EXPECT_EQ(image.height, h);
      EXPECT_EQ(image.pixels, expected(top, false)) << format;
      EXPECT_EQ(image.grey, channels < 3) << format;
    }
    const ParsedImage deep = Parse(Png16(w, h, channels, top16));
    ASSERT_EQ(deep.refusal, "");
    EXPECT_EQ(deep.pixels, expected(top16, true)) << "16-bit";
  }
  // JPEG is lossy: a flat colour comes back within a level or two.
  const std::vector<std::uint8_t> flat(16 * 16 * 3, 0);
  std::vector<std::uint8_t> colour(flat.size());
  for (std::size_t i = 0; i < colour.size(); i += 3)
    colour[i] = 200, colour[i + 1] = 90, colour[i + 2] = 40;
  const ParsedImage jpeg = Parse(Encode("jpg", 16, 16, 3, colour));
  ASSERT_EQ(jpeg.refusal, "");
  for (std::size_t i = 0; i < colour.size(); ++i) ASSERT_NEAR(jpeg.pixels[i], colour[i], 3) << i;
}

// Damaged files are refused with a message that says what is wrong; BMP files keep the BMP
// reader's own results and messages.
TEST(ImageReader, DamagedAbsurdAndUnknownFilesAreRefusedClearly) {
  std::vector<std::uint8_t> png = Encode("png", 8, 8, 3, std::vector<std::uint8_t>(8 * 8 * 3, 100));
  std::vector<std::uint8_t> cut(png.begin(), png.begin() + png.size() / 2);
  EXPECT_NE(Parse(cut).refusal.find("Error reading the PNG image"), std::string::npos);
  std::vector<std::uint8_t> header(png.begin(), png.begin() + 20);
  EXPECT_NE(Parse(header).refusal.find("PNG"), std::string::npos);
  // 20000 x 20000 in the header: refused from the header alone.
  std::vector<std::uint8_t> huge = png;
  for (int i = 0; i < 4; ++i)
    huge[16 + i] = huge[20 + i] = static_cast<std::uint8_t>(20000 >> (24 - 8 * i));
  EXPECT_EQ(Parse(huge).refusal,
            "Unsupported image size: the PNG image is 20000 x 20000 pixels; the largest side read "
            "is 16384");
  // A caller's own bound (the fuzzer's): a 20 x 20 PNG against 399 pixels.
  const std::vector<std::uint8_t> small =
      Encode("png", 20, 20, 1, std::vector<std::uint8_t>(400, 9));
  EXPECT_EQ(ParseImage(small.data(), small.size(), 399).refusal,
            "Unsupported image size: the PNG image is 20 x 20 pixels; the most read is 399 pixels");
  EXPECT_EQ(ParseImage(small.data(), small.size(), 400).refusal, "");
  const std::string text = "just some text, named .png\n";
  EXPECT_EQ(Parse(std::vector<std::uint8_t>(text.begin(), text.end())).refusal,
            "Unsupported image format (reads BMP, PNG, TGA and JPEG files)");
  // A JPEG whose Huffman table counts more than 256 codes (the fuzzer's find: stb would write
  // past its table).
  std::vector<std::uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xC4, 0x01, 0x23, 0x00};
  for (int i = 0; i < 16; ++i) jpeg.push_back(17);
  jpeg.resize(jpeg.size() + 0x123 - 19, 0);
  jpeg.insert(jpeg.end(), {0xFF, 0xD9});
  EXPECT_EQ(Parse(jpeg).refusal,
            "Error reading the JPEG image (a Huffman table counts over 256 codes)");
  // The fuzzer's own finds: a table behind a quantisation segment and padding, and one whose
  // counts run past the end of the file (stb reads zeros there).
  for (const char* name : {"huffman-overrun.jpg", "huffman-past-the-end.jpg"}) {
    std::ifstream found(std::string(BUMPDEMO_TESTDATA) + "/images/" + name, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(found)), {});
    ASSERT_FALSE(bytes.empty()) << name;
    EXPECT_EQ(Parse(bytes).refusal,
              "Error reading the JPEG image (a Huffman table counts over 256 codes)")
        << name;
  }
  // An empty PNG data chunk (the fuzzer's): decoded or refused, never past a buffer (the
  // sanitizer build runs this too).
  std::ifstream chunk(std::string(BUMPDEMO_TESTDATA) + "/images/png-empty-chunk.png",
                      std::ios::binary);
  const std::vector<std::uint8_t> empty((std::istreambuf_iterator<char>(chunk)), {});
  ASSERT_FALSE(empty.empty());
  const ParsedImage odd = Parse(empty);
  EXPECT_TRUE(!odd.refusal.empty() ||
              odd.pixels.size() == static_cast<std::size_t>(odd.width) * odd.height * 3);
  // A TGA cut short (stb would fill it with zeros), and one whose header claims 16136 x 2056
  // pixels in 63 bytes (the fuzzer's).
  std::vector<std::uint8_t> tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0, 8, 0, 24, 0};
  tga.resize(tga.size() + 8 * 8 * 3 - 1, 100);  // uncompressed, a byte short
  EXPECT_EQ(Parse(tga).refusal,
            "Error reading the TGA image (the file is shorter than its pixels)");
  tga.push_back(100);
  EXPECT_EQ(Parse(tga).refusal, "") << "whole";
  // Run-length encoded: a raw packet of 8 pixels a row, then the same cut in half.
  std::vector<std::uint8_t> rle = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0, 8, 0, 24, 0};
  for (int row = 0; row < 8; ++row) {
    rle.push_back(0x07);
    rle.insert(rle.end(), 8 * 3, static_cast<std::uint8_t>(30 * row));
  }
  const ParsedImage whole = Parse(rle);
  ASSERT_EQ(whole.refusal, "");
  EXPECT_EQ(whole.pixels[0] + whole.pixels.back(), 210) << "its rows, not zeros";
  rle.resize(18 + (rle.size() - 18) / 2);
  EXPECT_EQ(Parse(rle).refusal,
            "Error reading the TGA image (the file is shorter than its pixels)");
  // A PNG cut inside its header chunk: a reason, not empty brackets.
  const ParsedImage headerCut = Parse(std::vector<std::uint8_t>(png.begin(), png.begin() + 30));
  EXPECT_EQ(headerCut.refusal.find("()"), std::string::npos) << headerCut.refusal;
  EXPECT_NE(headerCut.refusal.find("PNG"), std::string::npos);
  std::ifstream claim(std::string(BUMPDEMO_TESTDATA) + "/images/tga-claims-too-much.tga",
                      std::ios::binary);
  const std::vector<std::uint8_t> claimed((std::istreambuf_iterator<char>(claim)), {});
  ASSERT_FALSE(claimed.empty());
  EXPECT_EQ(Parse(claimed).refusal,
            "Error reading the TGA image (the file is shorter than its pixels)");
  // A BMP cut short: the BMP reader's words, as ever.
  const ParsedImage bmp = Parse({'B', 'M', 0, 0});
  EXPECT_TRUE(bmp.bitmap);
  EXPECT_EQ(bmp.refusal, "Error reading bitmap header");
  EXPECT_EQ(Parse({}).refusal, "Error reading bitmap header");
}

// The shipped map through the entry point is what the BMP reader serves, byte for byte.
TEST(ImageReader, TheShippedMapIsWhatTheBmpReaderServes) {
  std::ifstream in(std::string(BUMPDEMO_ASSETS_DIR) + "/Textures/wall_bump.bmp", std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  const ParsedBitmap bitmap = ParseBitmap(bytes.data(), bytes.size());
  const ParsedImage image = Parse(bytes);
  ASSERT_EQ(image.refusal, "");
  ASSERT_EQ(image.pixels.size(), static_cast<std::size_t>(bitmap.width) * bitmap.height * 3);
  EXPECT_TRUE(std::equal(image.pixels.begin(), image.pixels.end(), bitmap.pixels.get()));
  EXPECT_FALSE(image.grey);
}

TextureImage FlipGreen(TextureImage map) {
  for (std::size_t i = 1; i < map.pixels.size(); i += 3) map.pixels[i] = 255 - map.pixels[i];
  return map;
}

// Height fields the test knows: round bumps, a sum of sines, and a slanted ridge pattern.
HeightField Field(int kind, int size) {
  HeightField field;
  field.width = field.height = size;
  field.h.resize(size * size);
  const double k = 2 * M_PI / size;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      double v = 0;
      if (kind == 0) {
        for (const auto& [cx, cy] :
             {std::pair{40.0, 50.0}, std::pair{90.0, 80.0}, std::pair{60.0, 110.0}})
          v += std::exp(-((x - cx) * (x - cx) + (y - cy) * (y - cy)) / 200.0);
      } else if (kind == 1) {
        v = 0.5 + 0.25 * std::sin(3 * k * x) * std::sin(2 * k * y) +
            0.2 * std::cos(k * (x + 2 * y));
      } else {
        v = 0.5 + 0.5 * std::sin(k * 4 * (x + y)) * std::cos(k * 2 * (x - 3 * y));
      }
      field.At(x, y) = v;
    }
  return field;
}

// The check names the convention a map was made in for maps from height fields, with noise
// or without; it gives no verdict for random normals, nor for the shipped map as it is.
TEST(GreenCheck, RightVerdictOnMapsFromHeightsNoneOnNoiseOrBricks) {
  std::mt19937 random(7);
  for (int kind = 0; kind < 3; ++kind)
    for (const bool noisy : {false, true}) {
      TextureImage map = NormalMapOfHeights(Field(kind, 128), 3.0);
      if (noisy) {
        std::uniform_int_distribution<int> noise(-3, 3);
        for (std::uint8_t& c : map.pixels)
          c = static_cast<std::uint8_t>(std::clamp(c + noise(random), 0, 255));
      }
      const GreenFit right = MeasureGreenFit(map), wrong = MeasureGreenFit(FlipGreen(map));
      std::printf("field %d%s: as made %.4f / flipped %.4f; green inverted %.4f / %.4f\n", kind,
                  noisy ? " with noise" : "", right.asRead, right.flipped, wrong.asRead,
                  wrong.flipped);
      SCOPED_TRACE("field " + std::to_string(kind) + (noisy ? ", noisy" : ""));
      EXPECT_NE(ClearGreenFit(right), -1);
      EXPECT_EQ(ClearGreenFit(wrong), -1);
    }
  // Random unit normals facing out of the wall: no height field, no verdict.
  TextureImage noise;
  noise.width = noise.height = 128;
  std::normal_distribution<double> gauss;
  for (int i = 0; i < 128 * 128; ++i) {
    double n[3] = {gauss(random), gauss(random), std::fabs(gauss(random)) + 1.0};
    const double l = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (const double c : n)
      noise.pixels.push_back(static_cast<std::uint8_t>(std::floor(127.5 * c / l + 128)));
  }
  const GreenFit random_fit = MeasureGreenFit(noise);
  std::printf("random normals: %.4f / %.4f\n", random_fit.asRead, random_fit.flipped);
  EXPECT_EQ(ClearGreenFit(random_fit), 0);
  EXPECT_EQ(ClearGreenFit(MeasureGreenFit(FlipGreen(noise))), 0);

  std::ifstream in(std::string(BUMPDEMO_ASSETS_DIR) + "/Textures/wall_bump.bmp", std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  const ParsedImage shipped = Parse(bytes);
  TextureImage map{shipped.width, shipped.height, shipped.pixels};
  const GreenFit fit = MeasureGreenFit(map);
  std::printf("shipped map: %.4f / %.4f\n", fit.asRead, fit.flipped);
  EXPECT_NE(ClearGreenFit(fit), -1);
  // Its bricks' rounded corners and rough faces are relief in both directions: read the
  // wrong way round, it is caught too.
  EXPECT_EQ(ClearGreenFit(MeasureGreenFit(FlipGreen(map))), -1);
}

}  // namespace
