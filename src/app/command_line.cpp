// Command-line parsing: every option and value is checked here, so that a bad command
// line ends the program before a window opens or a file is touched.
#include "app/command_line.h"

#include <algorithm>
#include <cstring>

#include "platform/platform.h"
#include "textures/normal_map.h"

namespace {

// Every option, once: the parser takes from each row whether the option has a value and what
// to say when it is missing, and --help is these rows in this order. A row's help may run
// over several lines ('\n').
struct OptionRow {
  const char* names;    // as --help shows them: "-h, --help", "--view"
  const char* value;    // the value's name in --help ("N"); null for a flag
  const char* missing;  // what the option needs, for the error when the value is missing
  const char* help;
};

const OptionRow Options[] = {
    {"-h, --help", nullptr, nullptr, "this text"},
    {"--version", nullptr, nullptr, "name and version"},
    {"--fullscreen", nullptr, nullptr, "start in full screen (640 x 480)"},
    {"--vsync", nullptr, nullptr, "wait for the display's refresh at each buffer swap"},
    {"--view", "N", "a value (1 to 6)",
     "start in view N: 1 lit, 2 normal map, 3 light vectors,\n4 flat, 5 per-vertex, 6 tangents"},
    {"--model", "NAME", "a value (wall, sphere, torus or a .gltf or .glb file)",
     "start with the model NAME: wall, sphere, torus, or a glTF\nfile (.gltf or .glb) read "
     "with its maps"},
    {"--colour", nullptr, nullptr, "start with the colour map on"},
    {"--specular", nullptr, nullptr, "start with the specular highlight on"},
    {"--normal-map", "FILE", "a file name",
     "read the normal map from FILE (BMP, PNG, TGA or JPEG)"},
    {"--colour-map", "FILE", "a file name", "read the colour map from FILE"},
    {"--height-map", "FILE", "a file name",
     "make the normal map from the heights in FILE (grey levels,\nlight is high), as "
     "make_normal_map does"},
    {"--strength", "S", "a value",
     "with --height-map: how many texels a height of 1 stands out\n(more than 0, at most "
     "1000; 6 unless given)"},
    {"--flip-green", nullptr, nullptr,
     "the map's green channel points down (maps made for the\nother convention)"},
    {"--rebuild-blue", nullptr, nullptr,
     "make the map's blue again from red and green (two-channel\nmaps, as BC5 stores them; "
     "done by itself when blue is missing)"},
    {"--time", "MS", "a value in milliseconds",
     "freeze the clock at MS milliseconds: the light stands at\nphase MS x 0.004 rad"},
    {"--frames", "N", "a number of frames", "draw N frames, then end as after Escape"},
    {"--screenshot", "FILE", "a file name",
     "after the last frame, save the picture to FILE (.png or .bmp)"},
    {"--screenshot-dir", "DIR", "a folder name",
     "F12 saves its pictures in DIR (screenshots in the working\ndirectory unless given)"},
    {"--renderer", "NAME", "a value (stages or shaders)",
     "draw with the texture stages (stages, the default) or with\nGLSL shaders from vertex "
     "buffers (shaders)"},
    {"--context", "NAME", "a value (compat, core or es)",
     "the GL context asked for: compat (the default), core (OpenGL\n3.3 core profile) or es "
     "(OpenGL ES 3.0); core and es draw\nwith the shaders"},
    {"--basis", "NAME", "a value (vertex or pixel)",
     "the shaders carry the light into the tangent frame per vertex\n(vertex, the default, as "
     "the stages do) or per pixel (pixel)"},
    {"--compare", nullptr, nullptr,
     "the stages on the left half, the shaders on the right, and\nhow far their frames differ "
     "on the panel (compat only)"},
    {"--probe", "X,Y", "a pixel, X,Y",
     "after the last frame, print the terms of window pixel (X, Y)\n(from the top left) as a "
     "JSON line, predicted and as drawn;\nrepeatable"},
};

// The row of an option as given ("--view", "-h"); null for none.
const OptionRow* FindOption(const std::string& option) {
  for (const OptionRow& row : Options) {
    const std::string names = row.names;
    const std::size_t comma = names.find(", ");
    if (option == names || (comma != std::string::npos && (option == names.substr(0, comma) ||
                                                           option == names.substr(comma + 2))))
      return &row;
  }
  return nullptr;
}

// The usage: what the program is, then a line per option (its help's further lines below,
// indented), then how it ends. Built-in paths in the host's own form.
std::string MakeUsage() {
  std::string usage =
      "Usage: bumpdemo [options]\n"
      "Per-pixel lighting by dot-product bump mapping in the texture stages.\n"
      "Runs from its run directory: reads " +
      NativePath("Textures\\wall_bump.bmp") + ", writes " + NativePath("system\\log.txt") + ".\n\n";
  const std::size_t column = 23;
  for (const OptionRow& row : Options) {
    std::string head =
        std::string("  ") + row.names + (row.value ? std::string(" ") + row.value : "");
    head.resize(std::max(column, head.size() + 1), ' ');
    std::string help = row.help;
    for (std::size_t at = help.find('\n'); at != std::string::npos; at = help.find('\n', at + 1))
      help.insert(at + 1, std::string(column, ' '));
    usage += head + help + "\n";
  }
  usage +=
      "\n"
      "With --frames and --screenshot and SDL_VIDEODRIVER=offscreen it needs no display.\n"
      "Exit codes: 0 a normal end, 1 no window, or an image, the log or the screenshot that\n"
      "cannot be read or written, 2 a bad command line (a screenshot that would replace a\n"
      "file the program reads is one).\n";
  return usage;
}

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
    const OptionRow* row = FindOption(option);
    if (row && !row->value && hasValue) return Fail("option '" + option + "' takes no value");
    std::string text;
    if (row && row->value && !takeValue(&text))
      return Fail("option '" + option + "' needs " + row->missing);

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
    } else if (option == "--rebuild-blue") {
      line.rebuildBlue = true;
    } else if (option == "--colour") {
      line.colour = true;
    } else if (option == "--specular") {
      line.specular = true;
    } else if (option == "--compare") {
      line.compare = true;
    } else if (option == "--renderer") {
      if (text != "stages" && text != "shaders")
        return Fail("option '--renderer': '" + text + "' is not stages or shaders");
      line.shaders = text == "shaders";
      rendererGiven = true;
    } else if (option == "--context") {
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
      if (!ParseWhole(text, 1, ViewCount, &number))
        return Fail("option '--view': '" + text + "' is not a view number from 1 to 6");
      line.view = static_cast<int>(number);
    } else if (option == "--model") {
      // A name of a built-in model, else a file's (read, or refused, at start-up).
      const char* const names[] = {"wall", "sphere", "torus"};
      line.model = 3;
      line.modelFile = text;
      for (int k = 0; k < 3; ++k)
        if (text == names[k]) line.model = k, line.modelFile.clear();
      if (text.empty()) return Fail("option '--model': the name is empty");
    } else if (option == "--basis") {
      if (text != "vertex" && text != "pixel")
        return Fail("option '--basis': '" + text + "' is not vertex or pixel");
      line.pixelBasis = text == "pixel";
    } else if (option == "--normal-map") {
      if (text.empty()) return Fail("option '--normal-map': the file name is empty");
      line.normalMap = text;
    } else if (option == "--colour-map" || option == "--height-map") {
      if (text.empty()) return Fail("option '" + option + "': the file name is empty");
      (option == "--colour-map" ? line.colourMap : line.heightMap) = text;
    } else if (option == "--strength") {
      if (!ParseStrength(text.c_str(), &line.strength))
        return Fail("option '--strength': '" + text +
                    "' is not a number greater than 0 and at most 1000");
    } else if (option == "--time") {
      if (!ParseWhole(text, 0, INT32_MAX, &number))
        return Fail("option '--time': '" + text +
                    "' is not a whole number of milliseconds from 0 to 2147483647");
      line.freezeClock = true;
      line.timeMs = static_cast<std::int32_t>(number);
    } else if (option == "--frames") {
      if (!ParseWhole(text, 1, INT32_MAX, &number))
        return Fail("option '--frames': '" + text +
                    "' is not a number of frames from 1 to 2147483647");
      line.frames = static_cast<std::int32_t>(number);
    } else if (option == "--screenshot") {
      if (!EndsWith(text, ".png") && !EndsWith(text, ".bmp"))
        return Fail("option '--screenshot': '" + text + "' does not end in .png or .bmp");
      line.screenshot = text;
    } else if (option == "--screenshot-dir") {
      if (text.empty()) return Fail("option '--screenshot-dir': the folder name is empty");
      line.screenshotDir = text;
    } else if (option == "--probe") {
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
  if (line.rebuildBlue && !line.heightMap.empty())
    return Fail("option '--rebuild-blue': a map made from heights has its blue already");
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
  static const std::string usage = MakeUsage();
  return usage.c_str();
}

const char* VersionText() {
  return Version;
}
