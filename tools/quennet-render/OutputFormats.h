// What quennet-render can write, told by a file's extension (in any case): pictures and
// animations for --out, meshes for --mesh.
#pragma once

#include <optional>
#include <string>

namespace render_tool {

enum class AnimationFormat { Png, Gif, WebP, Apng, Mp4, WebM };
enum class MeshFormat { Stl, Obj, Ply, Glb, Gltf };

std::optional<AnimationFormat> AnimationFormatFor(const std::string& path);
std::optional<MeshFormat> MeshFormatFor(const std::string& path);

// The extensions each option accepts, on one line: ".png .gif ...".
std::string AnimationExtensions();
std::string MeshExtensions();

// Whether the format takes every frame (all but PNG, which takes the last).
bool HoldsEveryFrame(AnimationFormat format);

}  // namespace render_tool
