// Command-line parsing: every option and value is checked here, so that a bad command
// line ends the program before a window opens or a file is touched.
#include "app/command_line.h"

#include <cstring>

#include "textures/normal_map.h"

namespace {

const char Usage[] =
    "Usage: bumpdemo [options]\n"
    "Per-pixel lighting by dot-product bump mapping in the texture stages.\n"
    "Runs from its run directory: reads Textures\\wall_bump.bmp, writes system\\log.txt.\n"
    "\n"
    "  -h, --help           this text\n"
    "  --version            name and version\n"
    "  --fullscreen         start in full screen (640 x 480)\n"
    "  --vsync              wait for the display's refresh at each buffer swap\n"
    "  --view N             start in view N: 1 lit, 2 normal map, 3 light vectors,\n"
    "                       4 flat, 5 per-vertex\n"
    "  --model NAME         start with the model NAME: wall, sphere or torus\n"
    "  --colour             start with the colour map on\n"
    "  --specular           start with the specular highlight on\n"
    "  --normal-map FILE    read the normal map from FILE (BMP, PNG, TGA or JPEG)\n"
    "  --colour-map FILE    read the colour map from FILE\n"
    "  --height-map FILE    make the normal map from the heights in FILE (grey levels,\n"
    "                       light is high), as make_normal_map does\n"
    "  --strength S         with --height-map: how many texels a height of 1 stands out\n"
    "                       (more than 0, at most 1000; 6 unless given)\n"
    "  --flip-green         the map's green channel points down (maps made for the\n"
    "                       other convention)\n"
    "  --time MS            freeze the clock at MS milliseconds: the light stands at\n"
    "                       phase MS x 0.004 rad\n"
    "  --frames N           draw N frames, then end as after Escape\n"
    "  --screenshot FILE    after the last frame, save the picture to FILE (.png or .bmp)\n"
    "  --renderer NAME      draw with the texture stages (stages, the default) or with\n"
    "                       GLSL shaders from vertex buffers (shaders)\n"
    "  --context NAME       the GL context asked for: compat (the default), core (OpenGL\n"
    "                       3.3 core profile) or es (OpenGL ES 3.0); core and es draw\n"
    "                       with the shaders\n"
    "  --compare            the stages on the left half, the shaders on the right, and\n"
    "                       how far their frames differ on the panel (compat only)\n"
    "  --probe X,Y          after the last frame, print the terms of window pixel (X, Y)\n"
    "                       (from the top left) as a JSON line, predicted and as drawn;\n"
    "                       repeatable\n"

    "\n"
    "With --frames and --screenshot and SDL_VIDEODRIVER=offscreen it needs no display.\n"
    "Exit codes: 0 a normal end, 1 no window, or an image, the log or the screenshot that\n"
    "cannot be read or written, 2 a bad command line (a screenshot that would replace a\n"
    "file the program reads is one).\n";

const char Version[] = "bumpdemo 1.0.0\n";

// A whole number in decimal digits alone, from min to max.
bool ParseWhole(const std::string& text, std::int64_t min, std::int64_t max, std::int64_t* out) {
  if (text.empty() || text.size() > 12) return false;
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value < min || value > max) return false;
  *out = value;
  return true;
}

bool EndsWith(const std::string& text, const char* suffix) {
  const std::size_t n = std::strlen(suffix);
  if (text.size() < n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    char c = text[text.size() - n + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

CommandLine Fail(const std::string& error) {
  CommandLine result;
  result.action = CommandLine::Action::Error;
  result.error = error;
  return result;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv, ContextOffer offer) {
  const char* const contextNames[] = {"compat", "core", "es"};
  CommandLine line;
  line.context = static_cast<int>(offer.preferred);
  bool rendererGiven = false;
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    std::string value;
    bool hasValue = false;
    const std::size_t equals = option.find('=');
    if (option.compare(0, 2, "--") == 0 && equals != std::string::npos) {
      value = option.substr(equals + 1);
      option.erase(equals);
      hasValue = true;
    }
    // The value of an option that takes one: after "=", or the next argument unless that
    // is an option itself (a forgotten value must not swallow the next option).
    auto takeValue = [&](std::string* out) {
      if (!hasValue) {
        if (i + 1 >= argc || (argv[i + 1][0] == '-' && argv[i + 1][1] != '\0')) return false;
        value = argv[++i];
      }
      *out = value;
      return true;
    };
    const bool flag = option == "-h" || option == "--help" || option == "--version" ||
                      option == "--fullscreen" || option == "--vsync" || option == "--flip-green" ||
                      option == "--colour" || option == "--specular" || option == "--compare";
    if (flag && hasValue) return Fail("option '" + option + "' takes no value");

    std::string text;
    std::int64_t number = 0;
    if (option == "-h" || option == "--help") {
      line.action = CommandLine::Action::Help;
      return line;
    } else if (option == "--version") {
      line.action = CommandLine::Action::Version;
      return line;
    } else if (option == "--fullscreen") {
      line.fullscreen = true;
    } else if (option == "--vsync") {
      line.vsync = true;
    } else if (option == "--flip-green") {
      line.flipGreen = true;
    } else if (option == "--colour") {
      line.colour = true;
    } else if (option == "--specular") {
      line.specular = true;
    } else if (option == "--compare") {
      line.compare = true;
    } else if (option == "--renderer") {
      if (!takeValue(&text)) return Fail("option '--renderer' needs a value (stages or shaders)");
      if (text != "stages" && text != "shaders")
        return Fail("option '--renderer': '" + text + "' is not stages or shaders");
      line.shaders = text == "shaders";
      rendererGiven = true;
    } else if (option == "--context") {
      if (!takeValue(&text)) return Fail("option '--context' needs a value (compat, core or es)");
      line.context = -1;
      for (int k = 0; k < 3; ++k)
        if (text == contextNames[k]) line.context = k;
      if (line.context < 0)
        return Fail("option '--context': '" + text + "' is not compat, core or es");
      if (!(offer.offered & (1u << line.context))) {
        std::string made;
        for (int k = 0; k < 3; ++k)
          if (offer.offered & (1u << k))
            made += std::string(made.empty() ? "" : ", ") + contextNames[k];
        return Fail("option '--context': this platform cannot make a " + text +
                    " context (it makes " + made + ")");
      }
    } else if (option == "--view") {
      if (!takeValue(&text)) return Fail("option '--view' needs a value (1 to 5)");
      if (!ParseWhole(text, 1, ViewCount, &number))
        return Fail("option '--view': '" + text + "' is not a view number from 1 to 5");
      line.view = static_cast<int>(number);
    } else if (option == "--model") {
      if (!takeValue(&text)) return Fail("option '--model' needs a value (wall, sphere or torus)");
      const char* const names[] = {"wall", "sphere", "torus"};
      line.model = -1;
      for (int k = 0; k < 3; ++k)
        if (text == names[k]) line.model = k;
      if (line.model < 0)
        return Fail("option '--model': '" + text + "' is not wall, sphere or torus");
    } else if (option == "--normal-map") {
      if (!takeValue(&text)) return Fail("option '--normal-map' needs a file name");
      if (text.empty()) return Fail("option '--normal-map': the file name is empty");
      line.normalMap = text;
    } else if (option == "--colour-map" || option == "--height-map") {
      if (!takeValue(&text)) return Fail("option '" + option + "' needs a file name");
      if (text.empty()) return Fail("option '" + option + "': the file name is empty");
      (option == "--colour-map" ? line.colourMap : line.heightMap) = text;
    } else if (option == "--strength") {
      if (!takeValue(&text)) return Fail("option '--strength' needs a value");
      if (!ParseStrength(text.c_str(), &line.strength))
        return Fail("option '--strength': '" + text +
                    "' is not a number greater than 0 and at most 1000");
    } else if (option == "--time") {
      if (!takeValue(&text)) return Fail("option '--time' needs a value in milliseconds");
      if (!ParseWhole(text, 0, INT32_MAX, &number))
        return Fail("option '--time': '" + text +
                    "' is not a whole number of milliseconds from 0 to 2147483647");
      line.freezeClock = true;
      line.timeMs = static_cast<std::int32_t>(number);
    } else if (option == "--frames") {
      if (!takeValue(&text)) return Fail("option '--frames' needs a number of frames");
      if (!ParseWhole(text, 1, INT32_MAX, &number))
        return Fail("option '--frames': '" + text +
                    "' is not a number of frames from 1 to 2147483647");
      line.frames = static_cast<std::int32_t>(number);
    } else if (option == "--screenshot") {
      if (!takeValue(&text)) return Fail("option '--screenshot' needs a file name");
      if (!EndsWith(text, ".png") && !EndsWith(text, ".bmp"))
        return Fail("option '--screenshot': '" + text + "' does not end in .png or .bmp");
      line.screenshot = text;
    } else if (option == "--probe") {
      if (!takeValue(&text)) return Fail("option '--probe' needs a pixel, X,Y");
      const std::size_t comma = text.find(',');
      std::int64_t px = 0, py = 0;
      auto signedWhole = [](const std::string& part, std::int64_t* out) {
        const bool negative = !part.empty() && part[0] == '-';
        if (!ParseWhole(negative ? part.substr(1) : part, 0, 99999, out)) return false;
        if (negative) *out = -*out;
        return true;
      };
      if (comma == std::string::npos || !signedWhole(text.substr(0, comma), &px) ||
          !signedWhole(text.substr(comma + 1), &py))
        return Fail("option '--probe': '" + text +
                    "' is not a pixel X,Y (whole numbers from -99999 to 99999)");
      line.probes.emplace_back(static_cast<int>(px), static_cast<int>(py));
    } else if (option.empty() || option[0] != '-') {
      return Fail("unexpected argument '" + option + "'");
    } else {
      return Fail("unknown option '" + option + "'");
    }
  }
  if (!line.heightMap.empty() && !line.normalMap.empty())
    return Fail("options '--normal-map' and '--height-map': give one of them");
  if (line.strength > 0 && line.heightMap.empty())
    return Fail("option '--strength': it sets the relief of a --height-map");
  // A core or ES context has no texture stages to draw with.
  if (line.context != 0 && rendererGiven && !line.shaders)
    return Fail(std::string("option '--renderer stages': ") +
                (line.context == 1 ? "a core" : "an ES") +
                " context has no texture stages (its renderer is shaders)");
  if (line.context != 0 && line.compare)
    return Fail("option '--compare': only a compat context has both renderers");
  if (line.context != 0) line.shaders = true;
  return line;
}

const char* UsageText() {
  return Usage;
}

const char* VersionText() {
  return Version;
}
