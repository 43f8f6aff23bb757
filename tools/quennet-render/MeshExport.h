// The torus as a mesh file through Assimp: binary STL, OBJ with its MTL, binary PLY, and
// glTF 2.0 (.glb, or .gltf with its .bin). The mesh is written as it stands, in its own
// coordinates: every position and normal, and every triangle of the index list in order,
// turned so that front faces (counter-clockwise seen from outside) face outward, as the
// program shows them. The material's diffuse, specular, power, ambient and emissive go
// where the format has a place for them; the torus is drawn opaque, and so it is written.
// Every file, the OBJ's MTL and the glTF's BIN too, is written beside its target and moved
// into place only when all of them are whole.
#pragma once

#include <string>

#include "OutputFormats.h"

class Mesh;

namespace render_tool {

bool WriteMesh(const std::string& path, MeshFormat format, const Mesh& mesh, std::string* error);

}  // namespace render_tool
