// Compares captured pictures with the committed references, by a metric that lets through
// what legitimately differs between GL implementations and catches what must not:
//
// - A pixel matches when some reference pixel within one pixel of it (its 3 x 3
//   neighbourhood) is within Tolerance levels of it on every channel: the neighbourhood
//   absorbs edges and lines that another rasteriser puts one pixel over, the tolerance the
//   filters' precision and the diagonal along which a quad is split into triangles.
// - A picture passes when the pixels that do not match are at most MaxShare of it.
//
// A missing term, a wrong sign, a mirrored map or a light out of place leave far more than
// MaxShare unmatched (the figures are at the constants below); a map shifted by one texel
// does not, as a texel is within a pixel's neighbourhood here: the analytic picture tests
// check the texels themselves.
//
//   picture_compare [--exact] REFERENCE_DIR GOT_DIR DIFF_DIR [--json FILE]
//
// With --exact every pixel must equal the reference pixel at its place: for the
// implementation the references were made on, where any difference means that the
// program's picture changed.
//
// Each GOT_DIR/NAME.png is compared with REFERENCE_DIR/NAME.png, and a picture of what the
// window showed, GOT_DIR/presented-NAME.png, with REFERENCE_DIR/NAME.png too. Every
// reference listed in REFERENCE_DIR/cases.txt must have been captured. For every failure
// DIFF_DIR/NAME-diff.png shows the reference, the capture and the difference amplified
// eight times, with the pixels that do not match in red. Exit status 1 when any fails.
#include <dirent.h>
#include <stb_image.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Measured against llvmpipe's references: softpipe and zink over lavapipe split the quads
// along the other diagonal (up to 26 levels over 1 % of the light-vector view) and filter
// with other rounding (up to 60 levels at a few brick edges); at most 164 pixels (0.053 %)
// of a picture stay unmatched at 24 levels. Faults leave from 0.18 % (the light 20 ms on
// along its orbit) through 0.29 % (no specular term on the sphere), 0.49 % (the normal map
// mirrored) and 1.4 % (its green channel flipped) to 11 % (no colour map) unmatched.
int Tolerance = 24;
double MaxShare = 0.001;
int Reach = 1;  // the neighbourhood's half width
struct Picture {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
  const unsigned char* at(int x, int y) const { return &rgb[(y * width + x) * 3]; }
};

bool Load(const std::string& path, Picture* picture) {
  int channels = 0;
  std::unique_ptr<unsigned char, void (*)(void*)> data(
      stbi_load(path.c_str(), &picture->width, &picture->height, &channels, 3), stbi_image_free);
  if (!data) return false;
  picture->rgb.assign(data.get(), data.get() + picture->width * picture->height * 3);
  return true;
}

struct Result {
  std::string name;
  bool pass = false;
  std::string problem;  // why it could not be compared
  int unmatched = 0;
  int worst = 0;  // the largest difference of a pixel to its nearest reference neighbour
  double share = 0;
};

// The difference of got's pixel (x, y) to the closest reference pixel around it.
int NeighbourhoodDifference(const Picture& reference, const Picture& got, int x, int y) {
  const unsigned char* g = got.at(x, y);
  int best = 256;
  for (int dy = -Reach; dy <= Reach; ++dy) {
    for (int dx = -Reach; dx <= Reach; ++dx) {
      const int rx = x + dx, ry = y + dy;
      if (rx < 0 || ry < 0 || rx >= reference.width || ry >= reference.height) continue;
      const unsigned char* r = reference.at(rx, ry);
      int d = 0;
      for (int c = 0; c < 3; ++c) d = std::max(d, std::abs(r[c] - g[c]));
      best = std::min(best, d);
    }
  }
  return best;
}

void WriteDiff(const std::string& path, const Picture& reference, const Picture& got) {
  const int w = reference.width, h = reference.height;
  std::vector<unsigned char> out(static_cast<std::size_t>(w) * 3 * h * 3, 0);
  for (int y = 0; y < h; ++y) {
    unsigned char* row = &out[static_cast<std::size_t>(y) * w * 3 * 3];
    for (int x = 0; x < w; ++x) {
      const unsigned char* r = reference.at(x, y);
      const unsigned char* g = got.at(x, y);
      unsigned char* diff = row + (2 * w + x) * 3;
      for (int c = 0; c < 3; ++c) {
        row[x * 3 + c] = r[c];
        row[(w + x) * 3 + c] = g[c];
        diff[c] = static_cast<unsigned char>(std::min(255, 8 * std::abs(r[c] - g[c])));
      }
      if (NeighbourhoodDifference(reference, got, x, y) > Tolerance) {
        diff[0] = 255, diff[1] = diff[2] = 0;
      }
    }
  }
  stbi_write_png(path.c_str(), w * 3, h, 3, out.data(), w * 3 * 3);
}

Result Compare(const std::string& name, const std::string& referencePath,
               const std::string& gotPath, const std::string& diffDir) {
  Result result;
  result.name = name;
  Picture reference, got;
  if (!Load(referencePath, &reference)) {
    result.problem = "no reference " + referencePath;
    return result;
  }
  if (!Load(gotPath, &got)) {
    result.problem = "no capture " + gotPath;
    return result;
  }
  if (got.width != reference.width || got.height != reference.height) {
    result.problem = "size " + std::to_string(got.width) + " x " + std::to_string(got.height);
    return result;
  }
  for (int y = 0; y < got.height; ++y) {
    for (int x = 0; x < got.width; ++x) {
      const int d = NeighbourhoodDifference(reference, got, x, y);
      result.worst = std::max(result.worst, d);
      result.unmatched += d > Tolerance;
    }
  }
  result.share = static_cast<double>(result.unmatched) / (got.width * got.height);
  result.pass = result.share <= MaxShare;
  if (!result.pass) WriteDiff(diffDir + "/" + name + "-diff.png", reference, got);
  return result;
}

std::vector<std::string> CaseNames(const std::string& referenceDir) {
  std::vector<std::string> names;
  std::ifstream in(referenceDir + "/cases.txt");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string name;
    if (words >> name && name[0] != '#') names.push_back(name);
  }
  return names;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--exact") {
    Tolerance = Reach = 0;
    MaxShare = 0;
    --argc, ++argv;
  }
  if (argc != 4 && !(argc == 6 && std::string(argv[4]) == "--json")) {
    std::fprintf(stderr,
                 "usage: picture_compare [--exact] REFERENCE_DIR GOT_DIR DIFF_DIR [--json FILE]\n");
    return 2;
  }
  const std::string referenceDir = argv[1], gotDir = argv[2], diffDir = argv[3];
  std::vector<std::string> names = CaseNames(referenceDir);
  if (names.empty()) {
    std::fprintf(stderr, "no cases in %s/cases.txt\n", referenceDir.c_str());
    return 2;
  }
  // Pictures of the window, compared with the reference of their case.
  if (DIR* dir = opendir(gotDir.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      const std::string file = entry->d_name;
      if (file.rfind("presented-", 0) == 0 && EndsWith(file, ".png"))
        names.push_back(file.substr(0, file.size() - 4));
    }
    closedir(dir);
  }
  std::vector<Result> results;
  int failed = 0;
  for (const std::string& name : names) {
    const std::string base = name.rfind("presented-", 0) == 0 ? name.substr(10) : name;
    const Result r =
        Compare(name, referenceDir + "/" + base + ".png", gotDir + "/" + name + ".png", diffDir);
    if (!r.pass) ++failed;
    if (!r.problem.empty()) {
      std::printf("FAIL %-24s %s\n", name.c_str(), r.problem.c_str());
    } else {
      std::printf("%s %-24s %6d pixels over %d levels (%.4f %%), largest difference %d%s\n",
                  r.pass ? "pass" : "FAIL", name.c_str(), r.unmatched, Tolerance, 100 * r.share,
                  r.worst, r.pass ? "" : ("; see " + diffDir + "/" + name + "-diff.png").c_str());
    }
    results.push_back(r);
  }
  if (Reach == 0) {
    std::printf("%zu pictures, %d failed (every pixel must equal its reference)\n", results.size(),
                failed);
  } else {
    std::printf(
        "%zu pictures, %d failed (a pixel matches within %d levels of a reference pixel "
        "around it; a picture passes with at most %.3f %% of its pixels unmatched)\n",
        results.size(), failed, Tolerance, 100 * MaxShare);
  }
  if (argc == 6) {
    std::ofstream json(argv[5]);
    json << "{\n  \"tolerance\": " << Tolerance << ",\n  \"max_share\": " << MaxShare
         << ",\n  \"pictures\": [\n";
    for (std::size_t i = 0; i < results.size(); ++i) {
      const Result& r = results[i];
      json << "    {\"name\": \"" << r.name << "\", \"pass\": " << (r.pass ? "true" : "false")
           << ", \"unmatched\": " << r.unmatched << ", \"share\": " << r.share
           << ", \"largest\": " << r.worst << ", \"problem\": \"" << r.problem << "\"}"
           << (i + 1 < results.size() ? ",\n" : "\n");
    }
    json << "  ]\n}\n";
  }
  return failed ? 1 : 0;
}
