// Loading a glTF 2.0 file: the GLB container and the JSON checked before tinygltf reads
// them (it trusts a GLB's chunk lengths, an image's buffer view and the JSON's depth), then
// tinygltf with the program's image decoder and the platform's files behind its callbacks,
// then the drawn primitives read, placed and handed out. The file's bytes and tinygltf's
// copy of them are let go as soon as they are no longer needed.
#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <nlohmann/json.hpp>
#include <utility>

#include "models/gltf_read.h"
#include "models/model.h"
#include "platform/platform.h"

namespace {

// The largest model file read: tinygltf counts a file's bytes in an unsigned int, an
// image's in an int.
const std::uint64_t MaxModelFileBytes = INT_MAX;
// Deeper JSON than glTF ever needs would exhaust tinygltf's recursion (extras).
const int MaxJsonDepth = 64;

std::string Number(std::uint64_t n) {
  return std::to_string(n);
}

std::uint32_t Le32(const std::uint8_t* at) {
  return at[0] | at[1] << 8 | at[2] << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

// What the callbacks need: the model's folder, the limits, the model being read, and what
// they refused.
struct Context {
  std::string folder;  // as tinygltf joins it to a file's name: with a '/' at its end
  const ModelLimits* limits;
  const tinygltf::Model* file;
  std::string refusal;  // the first file outside the folder, or image refused
  std::vector<std::pair<std::string, std::string>> fileProblems;  // a named file, and why not
};

// A name from the file, short enough for a line.
std::string Quoted(const std::string& name) {
  return "\"" + (name.size() > 80 ? name.substr(0, 77) + "..." : name) + "\"";
}

// A file's bytes, not cleared before they are read.
struct FileBytes {
  std::unique_ptr<std::uint8_t[]> data;
  std::size_t size = 0;
};

// A file's bytes through the platform table, its size checked first.
bool ReadBoundedFile(const std::string& path, FileBytes* bytes, std::string* why) {
  const PlatformFile file = Platform.OpenFileForReading(NativePath(path.c_str()).c_str());
  if (file == NoFile) {
    *why = "cannot be opened";
    return false;
  }
  const std::uint64_t size = Platform.FileSize(file);
  if (size > MaxModelFileBytes) {
    Platform.CloseFile(file, nullptr);
    *why = "is " + Number(size) + " bytes, more than the " + Number(MaxModelFileBytes) + " read";
    return false;
  }
  bytes->data.reset(new std::uint8_t[size ? size : 1]);
  AdviseIfLarge(bytes->data.get(), static_cast<std::size_t>(size));
  bytes->size = Platform.ReadFromFile(file, bytes->data.get(), static_cast<std::size_t>(size));
  Platform.CloseFile(file, nullptr);
  return true;
}

// The part of a path tinygltf joined to the model's folder, when it stays inside it: no
// absolute path, no drive or scheme, no ".." that climbs out.
bool InsideFolder(const std::string& relative) {
  if (relative.empty() || relative[0] == '/' || relative[0] == '\\' ||
      relative.find(':') != std::string::npos)
    return false;
  int depth = 0;
  std::size_t start = 0;
  while (start <= relative.size()) {
    std::size_t end = relative.find_first_of("/\\", start);
    if (end == std::string::npos) end = relative.size();
    const std::string part = relative.substr(start, end - start);
    if (part == "..") {
      if (--depth < 0) return false;
    } else if (!part.empty() && part != ".") {
      ++depth;
    }
    start = end + 1;
  }
  return true;
}

// tinygltf asks whether folder + uri exists (and then "./" + uri, which is never taken).
bool FileExists(const std::string& path, void* user) {
  Context* context = static_cast<Context*>(user);
  if (path.compare(0, context->folder.size(), context->folder) != 0) return false;
  const std::string relative = path.substr(context->folder.size());
  if (!InsideFolder(relative)) {
    if (context->refusal.empty())
      context->refusal =
          relative.rfind("data:", 0) == 0
              ? "it embeds data of a type not read (" +
                    Quoted(relative.substr(0, relative.find(','))) + ")"
              : "the file " + Quoted(relative) + " it names is outside the model's folder";
    return false;
  }
  if (Platform.KindOfPath(NativePath(path.c_str()).c_str()) == PathKind::File) return true;
  context->fileProblems.push_back({relative, "is missing"});
  return false;
}

std::string ExpandFilePath(const std::string& path, void*) {
  return path;
}

bool ReadFile(std::vector<unsigned char>* bytes, std::string* err, const std::string& path,
              void* user) {
  Context* context = static_cast<Context*>(user);
  std::string why;
  FileBytes read;
  if (ReadBoundedFile(path, &read, &why)) {
    bytes->assign(read.data.get(), read.data.get() + read.size);
    return true;
  }
  context->fileProblems.push_back({path.substr(context->folder.size()), why});
  *err = why;
  return false;
}

bool WriteFile(std::string* err, const std::string&, const std::vector<unsigned char>&, void*) {
  *err = "the loader writes no files";
  return false;
}

// Every image through the program's one decoder, with its refusals; pixels RGB, bottom row
// first.
bool LoadImage(tinygltf::Image* image, const int index, std::string* err, std::string*, int, int,
               const unsigned char* bytes, int size, void* user) {
  Context* context = static_cast<Context*>(user);
  const std::string name = "image " + std::to_string(index);
  if (image->bufferView >= 0) {
    // The JSON's check has held the view to its buffer; this holds tinygltf to the view.
    const tinygltf::BufferView& view = context->file->bufferViews[image->bufferView];
    if (size < 0 || static_cast<std::size_t>(size) != view.byteLength) {
      context->refusal = name + "'s buffer view is larger than an image read";
      *err = context->refusal;
      return false;
    }
  }
  ParsedImage parsed =
      ParseImage(bytes, static_cast<std::size_t>(size), context->limits->maxImagePixels);
  if (!parsed.refusal.empty()) {
    if (context->refusal.empty()) context->refusal = name + ": " + parsed.refusal;
    *err = context->refusal;
    return false;
  }
  image->width = parsed.width;
  image->height = parsed.height;
  image->component = 3;
  image->bits = 8;
  image->pixel_type = TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE;
  image->image.swap(parsed.pixels);
  return true;
}

// A GLB's header and chunks, held to the file's length. On success json and jsonSize give
// the JSON chunk.
bool CheckGlb(const std::uint8_t* bytes, std::size_t size, const char** json, std::size_t* jsonSize,
              std::string* why) {
  if (size < 20) {
    *why = "its GLB header is cut short (" + Number(size) + " bytes)";
    return false;
  }
  const std::uint32_t version = Le32(bytes + 4), length = Le32(bytes + 8);
  if (version == 1) {
    *why = "it is a glTF 1.0 binary file; glTF 2.0 files are read";
    return false;
  }
  if (version != 2) {
    *why = "its GLB version is " + Number(version) + ", not 2";
    return false;
  }
  if (length != size) {
    *why = "its GLB header gives a length of " + Number(length) + " bytes, the file has " +
           Number(size);
    return false;
  }
  const std::uint64_t jsonLength = Le32(bytes + 12);
  if (std::memcmp(bytes + 16, "JSON", 4) != 0) {
    *why = "its first GLB chunk is not JSON";
    return false;
  }
  if (20 + jsonLength > length) {
    *why =
        "its JSON chunk's length (" + Number(jsonLength) + " bytes) runs past the end of the file";
    return false;
  }
  const std::uint64_t next = 20 + jsonLength;
  if (next < length && next + 8 > length) {
    *why = "its GLB file ends inside a chunk's header";
    return false;
  }
  if (next < length && next + 8 + Le32(bytes + next) > length) {
    *why = "its second GLB chunk's length (" + Number(Le32(bytes + next)) +
           " bytes) runs past the end of the file";
    return false;
  }
  *json = reinterpret_cast<const char*>(bytes + 20);
  *jsonSize = static_cast<std::size_t>(jsonLength);
  return true;
}

// How deeply the JSON's arrays and objects nest (strings skipped), stopping past limit.
int JsonDepth(const char* text, std::size_t size, int limit) {
  int depth = 0, deepest = 0;
  bool inString = false;
  for (std::size_t i = 0; i < size && deepest <= limit; ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      deepest = std::max(deepest, ++depth);
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return deepest;
}

// Where nlohmann's parser gives up on malformed JSON.
struct ErrorPosition : nlohmann::json_sax<nlohmann::json> {
  std::size_t position = 0;
  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return true; }
  bool number_unsigned(number_unsigned_t) override { return true; }
  bool number_float(number_float_t, const string_t&) override { return true; }
  bool string(string_t&) override { return true; }
  bool binary(binary_t&) override { return true; }
  bool start_object(std::size_t) override { return true; }
  bool key(string_t&) override { return true; }
  bool end_object() override { return true; }
  bool start_array(std::size_t) override { return true; }
  bool end_array() override { return true; }
  bool parse_error(std::size_t at, const std::string&,
                   const nlohmann::detail::exception&) override {
    position = at;
    return false;
  }
};

std::string ExtensionRefusal(const std::string& name) {
  const char* what = name == "KHR_draco_mesh_compression" ? "Draco mesh compression"
                     : name == "KHR_mesh_quantization"    ? "quantized meshes"
                     : name == "EXT_meshopt_compression"  ? "meshopt compression"
                                                          : "the extension";
  return std::string("it needs ") + what + " (" + name + "), which this program does not read";
}

// An index as tinygltf reads it from the JSON (an integer, cut to int), or -1.
int IndexIn(const nlohmann::json& object, const char* key) {
  const auto found = object.find(key);
  if (found == object.end() || !found->is_number_integer()) return -1;
  return static_cast<int>(found->get<std::int64_t>());
}

std::uint64_t UnsignedIn(const nlohmann::json& object, const char* key) {
  const auto found = object.find(key);
  return found != object.end() && found->is_number_unsigned() ? found->get<std::uint64_t>() : 0;
}

const nlohmann::json* Element(const nlohmann::json& root, const char* array, int index) {
  const auto found = root.find(array);
  if (found == root.end() || !found->is_array() || index < 0 ||
      static_cast<std::size_t>(index) >= found->size() || !(*found)[index].is_object())
    return nullptr;
  return &(*found)[index];
}

// What is checked before tinygltf reads the JSON: that it is JSON, not too deep, glTF 2.0
// with no extension required that is not read, and every image's buffer view within its
// buffer (tinygltf hands the image's bytes on unchecked).
bool CheckJson(const char* text, std::size_t size, std::string* why) {
  if (JsonDepth(text, size, MaxJsonDepth) > MaxJsonDepth) {
    *why = "its JSON nests deeper than " + Number(MaxJsonDepth) + " levels";
    return false;
  }
  const nlohmann::json root = nlohmann::json::parse(text, text + size, nullptr, false);
  if (root.is_discarded()) {
    ErrorPosition error;
    nlohmann::json::sax_parse(text, text + size, &error);
    *why = "its JSON is malformed (at byte " + Number(error.position) + ")";
    return false;
  }
  if (!root.is_object()) {
    *why = "its JSON is not an object";
    return false;
  }
  const auto asset = root.find("asset");
  const nlohmann::json* version = nullptr;
  if (asset != root.end() && asset->is_object() && asset->contains("version"))
    version = &(*asset)["version"];
  if (!version || !version->is_string()) {
    *why = "it gives no glTF version (asset.version)";
    return false;
  }
  const std::string versionText = version->get<std::string>();
  if (versionText.rfind("1.", 0) == 0 || versionText == "1") {
    *why = "it is glTF " + Quoted(versionText) + "; glTF 2.0 files are read";
    return false;
  }
  if (versionText.rfind("2.", 0) != 0) {
    *why = "its glTF version is " + Quoted(versionText) + ", not 2.x";
    return false;
  }
  const auto required = root.find("extensionsRequired");
  if (required != root.end() && required->is_array())
    for (const nlohmann::json& name : *required)
      if (name.is_string()) {
        *why = ExtensionRefusal(name.get<std::string>().substr(0, 80));
        return false;
      }
  const auto images = root.find("images");
  if (images != root.end() && images->is_array())
    for (std::size_t i = 0; i < images->size(); ++i) {
      if (!(*images)[i].is_object()) continue;
      const nlohmann::json* view =
          Element(root, "bufferViews", IndexIn((*images)[i], "bufferView"));
      const nlohmann::json* buffer =
          view ? Element(root, "buffers", IndexIn(*view, "buffer")) : nullptr;
      if (!buffer) continue;  // no view, or tinygltf refuses the index
      const std::uint64_t offset = UnsignedIn(*view, "byteOffset"),
                          length = UnsignedIn(*view, "byteLength"),
                          bufferLength = UnsignedIn(*buffer, "byteLength");
      if (offset > bufferLength || length > bufferLength - offset) {
        *why = "image " + Number(i) + "'s buffer view (" + Number(length) + " bytes from byte " +
               Number(offset) + ") reaches past the end of its buffer (" + Number(bufferLength) +
               " bytes)";
        return false;
      }
    }
  return true;
}

// The first line of tinygltf's words, for when it refuses a file on its own.
std::string FirstLine(const std::string& text) {
  const std::string line = text.substr(0, text.find('\n'));
  return line.empty() ? "tinygltf could not read it" : "tinygltf: " + line;
}

// A refusal as one printable line.
std::string OneLine(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  return text;
}

// The folder of a model's path with its separator, "./" for none.
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return "./";
  return path.substr(0, slash + 1);
}

// Why a file an image names could not be read, when the callbacks saw it.
std::string ProblemWith(const Context& context, const std::string& uri) {
  for (const auto& problem : context.fileProblems)
    if (problem.first == uri) return "the file " + Quoted(uri) + " " + problem.second;
  return "its file " + Quoted(uri) + " cannot be read";
}

bool Load(const std::uint8_t* bytes, std::size_t size, const std::string& path, FileBytes* owned,
          const ModelLimits& limits, LoadedModel* model, std::string* why) {
  const bool binary = size >= 4 && std::memcmp(bytes, "glTF", 4) == 0;
  const char* json = reinterpret_cast<const char*>(bytes);
  std::size_t jsonSize = size;
  if (binary) {
    if (!CheckGlb(bytes, size, &json, &jsonSize, why)) return false;
  } else if (!LooksLikeGltf(bytes, size)) {
    *why = "it is neither a GLB file nor glTF JSON";
    return false;
  } else if (size > MaxModelFileBytes) {
    *why = "it is " + Number(size) + " bytes, more than the " + Number(MaxModelFileBytes) + " read";
    return false;
  }
  if (!CheckJson(json, jsonSize, why)) return false;

  tinygltf::Model file;
  Context context;
  // tinygltf joins a '/' and the file's name to a folder that does not end in one.
  const std::string folder = FolderOf(path);
  context.folder = folder.back() == '/' ? folder : folder + "/";
  context.limits = &limits;
  context.file = &file;
  tinygltf::TinyGLTF loader;
  loader.SetImageLoader(LoadImage, &context);
  loader.SetFsCallbacks({FileExists, ExpandFilePath, ReadFile, WriteFile, &context});
  std::string err, warn;
  const bool parsed = binary ? loader.LoadBinaryFromMemory(&file, &err, &warn, bytes,
                                                           static_cast<unsigned int>(size), folder)
                             : loader.LoadASCIIFromString(&file, &err, &warn, json,
                                                          static_cast<unsigned int>(size), folder);
  if (owned) *owned = FileBytes();  // tinygltf holds what it needs
  if (!context.refusal.empty()) {
    *why = context.refusal;
    return false;
  }
  if (!parsed) {
    // A buffer's file that is missing or cannot be read: the last the callbacks saw.
    const bool fileFailed =
        err.rfind("File not found", 0) == 0 || err.rfind("File read error", 0) == 0;
    *why = fileFailed && !context.fileProblems.empty()
               ? "the file " + Quoted(context.fileProblems.back().first) + " it names " +
                     context.fileProblems.back().second
               : FirstLine(err.empty() ? warn : err);
    return false;
  }
  for (std::size_t i = 0; i < file.images.size(); ++i)
    if (file.images[i].image.empty()) {
      *why = "image " + Number(i) + " cannot be read: " + ProblemWith(context, file.images[i].uri);
      return false;
    }

  std::vector<PrimitiveArrays> drawn;
  if (!ReadDrawnPrimitives(&file, limits, &drawn, model, why)) return false;
  // The parts that read the file's buffers first, then the file let go, then the others.
  model->parts.resize(drawn.size());
  for (bool staged : {false, true}) {
    if (staged) file = tinygltf::Model();
    for (std::size_t i = 0; i < drawn.size(); ++i)
      if (drawn[i].staged == staged && !BuildPart(&drawn[i], &model->parts[i], why)) return false;
  }
  for (const ModelPart& part : model->parts) model->triangleCount += part.mesh.triangles.size() / 3;
  return PlaceModel(model, why);
}

bool LoadAndReport(const std::uint8_t* bytes, std::size_t size, const char* path, FileBytes* owned,
                   LoadedModel* model, std::string* refusal, const ModelLimits& limits) {
  *model = LoadedModel();
  refusal->clear();
  std::string why;
  if (Load(bytes, size, path, owned, limits, model, &why)) return true;
  *model = LoadedModel();
  *refusal = OneLine(std::string(path) + ": " + why);
  return false;
}

}  // namespace

bool LooksLikeGltf(const std::uint8_t* bytes, std::size_t size) {
  if (size >= 4 && std::memcmp(bytes, "glTF", 4) == 0) return true;
  std::size_t i = size >= 3 && std::memcmp(bytes, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;  // a BOM
  while (i < size && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
    ++i;
  return i < size && bytes[i] == '{';
}

bool LoadGltf(const std::uint8_t* bytes, std::size_t size, const char* path, LoadedModel* model,
              std::string* refusal, const ModelLimits& limits) {
  return LoadAndReport(bytes, size, path, nullptr, model, refusal, limits);
}

bool ReadModelFile(const char* path, LoadedModel* model, std::string* refusal) {
  FileBytes bytes;
  std::string why;
  if (!ReadBoundedFile(path, &bytes, &why)) {
    *model = LoadedModel();
    *refusal = OneLine(std::string(path) + ": " + why);
    return false;
  }
  return LoadAndReport(bytes.data.get(), bytes.size, path, &bytes, model, refusal, ModelLimits());
}
