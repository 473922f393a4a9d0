// glTF files for the tests, built from plain arrays with nlohmann's JSON.
#include "gltf_files.h"

#include <cstring>

namespace {

void Append(std::vector<std::uint8_t>* out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::string Base64(const std::vector<std::uint8_t>& bytes) {
  static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t left = bytes.size() - i;
    const std::uint32_t n =
        bytes[i] << 16 | (left > 1 ? bytes[i + 1] << 8 : 0) | (left > 2 ? bytes[i + 2] : 0);
    text += digits[n >> 18 & 63];
    text += digits[n >> 12 & 63];
    text += left > 1 ? digits[n >> 6 & 63] : '=';
    text += left > 2 ? digits[n & 63] : '=';
  }
  return text;
}

int Push(nlohmann::json* array, const nlohmann::json& item) {
  array->push_back(item);
  return static_cast<int>(array->size() - 1);
}

}  // namespace

GltfPrimitive GltfWallQuad(bool tangents, int normalSet) {
  GltfPrimitive quad;
  quad.positions = {1, 0, -1, -1, 0, -1, -1, 0, 1, 1, 0, 1};
  quad.normals = {0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0};
  if (tangents) quad.tangents = {-1, 0, 0, 1, -1, 0, 0, 1, -1, 0, 0, 1, -1, 0, 0, 1};
  if (normalSet == 1) quad.texCoords.push_back({0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f});
  quad.texCoords.push_back({0, 1, 1, 1, 1, 0, 0, 0});
  quad.indices = {0, 1, 2, 0, 2, 3};
  return quad;
}

GltfDocument NewGltf() {
  GltfDocument doc;
  doc.json = {{"asset", {{"version", "2.0"}}},
              {"scene", 0},
              {"scenes", {{{"nodes", nlohmann::json::array()}}}},
              {"nodes", nlohmann::json::array()},
              {"meshes", nlohmann::json::array()},
              {"accessors", nlohmann::json::array()},
              {"bufferViews", nlohmann::json::array()},
              {"buffers", {{{"byteLength", 0}}}}};
  return doc;
}

int AddBufferView(GltfDocument* doc, const void* bytes, std::size_t size) {
  doc->bin.resize((doc->bin.size() + 3) / 4 * 4);
  const std::size_t offset = doc->bin.size();
  doc->bin.resize(offset + size);
  if (size) std::memcpy(&doc->bin[offset], bytes, size);
  doc->json["buffers"][0]["byteLength"] = doc->bin.size();
  return Push(&doc->json["bufferViews"],
              {{"buffer", 0}, {"byteOffset", offset}, {"byteLength", size}});
}

int AddAccessor(GltfDocument* doc, const void* bytes, std::size_t count, const char* type,
                int componentType, bool normalized) {
  const std::size_t components = std::strcmp(type, "SCALAR") == 0 ? 1 : type[3] - '0';
  const std::size_t size = componentType == GltfFloat || componentType == GltfUnsignedInt ? 4
                           : componentType == GltfUnsignedShort                           ? 2
                                                                                          : 1;
  nlohmann::json accessor = {{"bufferView", AddBufferView(doc, bytes, count * components * size)},
                             {"count", count},
                             {"type", type},
                             {"componentType", componentType}};
  if (normalized) accessor["normalized"] = true;
  return Push(&doc->json["accessors"], accessor);
}

int AddMesh(GltfDocument* doc, const std::vector<GltfPrimitive>& primitives) {
  nlohmann::json list = nlohmann::json::array();
  for (const GltfPrimitive& p : primitives) {
    nlohmann::json attributes;
    attributes["POSITION"] =
        AddAccessor(doc, p.positions.data(), p.positions.size() / 3, "VEC3", GltfFloat);
    if (!p.normals.empty())
      attributes["NORMAL"] =
          AddAccessor(doc, p.normals.data(), p.normals.size() / 3, "VEC3", GltfFloat);
    if (!p.tangents.empty())
      attributes["TANGENT"] =
          AddAccessor(doc, p.tangents.data(), p.tangents.size() / 4, "VEC4", GltfFloat);
    for (std::size_t set = 0; set < p.texCoords.size(); ++set)
      attributes["TEXCOORD_" + std::to_string(set)] =
          AddAccessor(doc, p.texCoords[set].data(), p.texCoords[set].size() / 2, "VEC2", GltfFloat);
    nlohmann::json primitive = {{"attributes", attributes}, {"mode", p.mode}};
    if (!p.indices.empty()) {
      std::vector<std::uint8_t> bytes;
      for (std::uint32_t index : p.indices)
        for (int i = 0; i < (p.indexType == GltfUnsignedInt     ? 4
                             : p.indexType == GltfUnsignedShort ? 2
                                                                : 1);
             ++i)
          bytes.push_back(static_cast<std::uint8_t>(index >> (8 * i)));
      primitive["indices"] =
          AddAccessor(doc, bytes.data(), p.indices.size(), "SCALAR", p.indexType);
    }
    if (p.material >= 0) primitive["material"] = p.material;
    list.push_back(primitive);
  }
  return Push(&doc->json["meshes"], {{"primitives", list}});
}

int AddNode(GltfDocument* doc, const nlohmann::json& node, bool root) {
  const int index = Push(&doc->json["nodes"], node);
  if (root) doc->json["scenes"][0]["nodes"].push_back(index);
  return index;
}

int AddTexture(GltfDocument* doc, const std::vector<std::uint8_t>& imageBytes) {
  const int view = AddBufferView(doc, imageBytes.data(), imageBytes.size());
  const int image = Push(&doc->json["images"], {{"bufferView", view}, {"mimeType", "image/png"}});
  return Push(&doc->json["textures"], {{"source", image}});
}

int AddMaterial(GltfDocument* doc, int normalTexture, double scale, int normalSet,
                int colourTexture, int colourSet) {
  nlohmann::json material = {{"pbrMetallicRoughness", nlohmann::json::object()}};
  if (normalTexture >= 0)
    material["normalTexture"] = {
        {"index", normalTexture}, {"scale", scale}, {"texCoord", normalSet}};
  if (colourTexture >= 0)
    material["pbrMetallicRoughness"]["baseColorTexture"] = {{"index", colourTexture},
                                                            {"texCoord", colourSet}};
  return Push(&doc->json["materials"], material);
}

std::vector<std::uint8_t> GlbBytes(const GltfDocument& doc) {
  std::string json = doc.json.dump();
  json.resize((json.size() + 3) / 4 * 4, ' ');
  std::vector<std::uint8_t> bin = doc.bin;
  bin.resize((bin.size() + 3) / 4 * 4, 0);
  std::vector<std::uint8_t> out = {'g', 'l', 'T', 'F'};
  Append(&out, 2);
  Append(&out,
         static_cast<std::uint32_t>(12 + 8 + json.size() + (bin.empty() ? 0 : 8 + bin.size())));
  Append(&out, static_cast<std::uint32_t>(json.size()));
  out.insert(out.end(), {'J', 'S', 'O', 'N'});
  out.insert(out.end(), json.begin(), json.end());
  if (!bin.empty()) {
    Append(&out, static_cast<std::uint32_t>(bin.size()));
    out.insert(out.end(), {'B', 'I', 'N', 0});
    out.insert(out.end(), bin.begin(), bin.end());
  }
  return out;
}

std::vector<std::uint8_t> GltfBytes(const GltfDocument& doc, const std::string& binUri) {
  nlohmann::json json = doc.json;
  json["buffers"][0]["uri"] =
      binUri.empty() ? "data:application/octet-stream;base64," + Base64(doc.bin) : binUri;
  const std::string text = json.dump(1);
  return std::vector<std::uint8_t>(text.begin(), text.end());
}
