#include "OutputFormats.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <utility>

namespace render_tool {
namespace {

template <class Format, size_t N>
std::optional<Format> Lookup(const std::pair<const char*, Format> (&table)[N],
                             const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const auto& [name, format] : table)
    if (ext == name) return format;
  return std::nullopt;
}

template <class Format, size_t N>
std::string Listed(const std::pair<const char*, Format> (&table)[N]) {
  std::string line;
  for (const auto& row : table) {
    if (!line.empty()) line += ' ';
    line += row.first;
  }
  return line;
}

constexpr std::pair<const char*, AnimationFormat> kAnimations[] = {
    {".png", AnimationFormat::Png},   {".gif", AnimationFormat::Gif},
    {".webp", AnimationFormat::WebP}, {".apng", AnimationFormat::Apng},
    {".mp4", AnimationFormat::Mp4},   {".webm", AnimationFormat::WebM},
};

constexpr std::pair<const char*, MeshFormat> kMeshes[] = {
    {".stl", MeshFormat::Stl}, {".obj", MeshFormat::Obj},   {".ply", MeshFormat::Ply},
    {".glb", MeshFormat::Glb}, {".gltf", MeshFormat::Gltf},
};

}  // namespace

std::optional<AnimationFormat> AnimationFormatFor(const std::string& path) {
  return Lookup(kAnimations, path);
}

std::optional<MeshFormat> MeshFormatFor(const std::string& path) {
  return Lookup(kMeshes, path);
}

std::string AnimationExtensions() {
  return Listed(kAnimations);
}

std::string MeshExtensions() {
  return Listed(kMeshes);
}

bool HoldsEveryFrame(AnimationFormat format) {
  return format != AnimationFormat::Png;
}

}  // namespace render_tool
