#include "MeshExport.h"

#include <assimp/material.h>
#include <assimp/scene.h>
#include <assimp/Exporter.hpp>
#include <assimp/IOStream.hpp>
#include <assimp/IOSystem.hpp>

#include <cstdio>
#include <filesystem>
#include <list>

#include "PendingFile.h"
#include "geometry/Mesh.h"

namespace render_tool {
namespace {

const char* ExporterId(MeshFormat format) {
  switch (format) {
    case MeshFormat::Stl:
      return "stlb";
    case MeshFormat::Obj:
      return "obj";
    case MeshFormat::Ply:
      return "plyb";
    case MeshFormat::Glb:
      return "glb2";
    case MeshFormat::Gltf:
      return "gltf2";
  }
  return "";
}

// Every file the exporter opens, kept pending until the export has succeeded.
struct PendingSet {
  std::list<PendingFile> files;
  std::string error;  // the first failure, one line; empty while all is well

  void Fail(const std::string& line) {
    if (error.empty()) error = line;
  }
};

class PendingStream final : public Assimp::IOStream {
 public:
  PendingStream(std::FILE* file, std::string target, PendingSet& set)
      : m_File(file), m_Target(std::move(target)), m_Set(set) {}
  ~PendingStream() override {
    if (std::fclose(m_File) != 0) Failed("the file could not be closed");
  }
  size_t Read(void*, size_t, size_t) override { return 0; }
  size_t Write(const void* buffer, size_t size, size_t count) override {
    const size_t written = std::fwrite(buffer, size, count, m_File);
    if (written != count) Failed("the disk refused the data");
    return written;
  }
  aiReturn Seek(size_t offset, aiOrigin origin) override {
    const int whence = origin == aiOrigin_SET   ? SEEK_SET
                       : origin == aiOrigin_CUR ? SEEK_CUR
                                                : SEEK_END;
    return std::fseek(m_File, static_cast<long>(offset), whence) == 0 ? aiReturn_SUCCESS
                                                                      : aiReturn_FAILURE;
  }
  size_t Tell() const override { return static_cast<size_t>(std::ftell(m_File)); }
  size_t FileSize() const override {
    const long at = std::ftell(m_File);
    std::fseek(m_File, 0, SEEK_END);
    const long size = std::ftell(m_File);
    std::fseek(m_File, at, SEEK_SET);
    return static_cast<size_t>(size);
  }
  void Flush() override {
    if (std::fflush(m_File) != 0) Failed("the disk refused the data");
  }

 private:
  void Failed(const char* why) { m_Set.Fail(CannotWrite(m_Target, why)); }
  std::FILE* m_File;
  std::string m_Target;
  PendingSet& m_Set;
};

// Opens every file to be written under its pending name; reads nothing.
class PendingIOSystem final : public Assimp::IOSystem {
 public:
  explicit PendingIOSystem(PendingSet& set) : m_Set(set) {}
  bool Exists(const char* file) const override { return std::filesystem::exists(file); }
  char getOsSeparator() const override { return '/'; }
  Assimp::IOStream* Open(const char* file, const char* mode) override {
    if (!mode || !std::string(mode).starts_with("w")) return nullptr;
    PendingFile& pending = m_Set.files.emplace_back(file);
    std::string error;
    if (!pending.Create(&error)) {
      m_Set.Fail(error);
      return nullptr;
    }
    std::FILE* out = std::fopen(pending.Path().c_str(), "wb");
    if (!out) {
      m_Set.Fail(CannotWrite(file, "the file could not be opened"));
      return nullptr;
    }
    return new PendingStream(out, file, m_Set);
  }
  void Close(Assimp::IOStream* stream) override { delete stream; }

 private:
  PendingSet& m_Set;
};

aiColor3D Colour(const Vec4& c) {
  return aiColor3D(c.x, c.y, c.z);
}

// The scene of one mesh with one material; aiScene releases what is made here.
void FillScene(aiScene& scene, const Mesh& torus) {
  auto* mesh = new aiMesh;
  mesh->mName = "torus";
  mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
  mesh->mMaterialIndex = 0;
  mesh->mNumVertices = torus.m_NumVertices;
  mesh->mVertices = new aiVector3D[torus.m_NumVertices];
  mesh->mNormals = new aiVector3D[torus.m_NumVertices];
  for (unsigned k = 0; k < torus.m_NumVertices; ++k) {
    const Vec3& p = torus.m_Positions[k];
    const Vec3& n = torus.m_Normals[k];
    mesh->mVertices[k] = aiVector3D(p.x, p.y, p.z);
    mesh->mNormals[k] = aiVector3D(n.x, n.y, n.z);
  }
  mesh->mNumFaces = torus.m_NumIndices / 3;
  mesh->mFaces = new aiFace[mesh->mNumFaces];
  for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
    const uint16_t* t = torus.m_Indices + 3 * f;
    // The program draws the triangles that run clockwise on the screen; files take
    // counter-clockwise ones as front faces, so the second and third corners swap.
    mesh->mFaces[f].mNumIndices = 3;
    mesh->mFaces[f].mIndices = new unsigned[3]{t[0], t[2], t[1]};
  }

  auto* material = new aiMaterial;
  const Material& m = torus.m_Material;
  const aiString name("torus");
  material->AddProperty(&name, AI_MATKEY_NAME);
  const aiColor3D diffuse = Colour(m.m_Diffuse), specular = Colour(m.m_Specular),
                  ambient = Colour(m.m_Ambient), emissive = Colour(m.m_Emissive);
  material->AddProperty(&diffuse, 1, AI_MATKEY_COLOR_DIFFUSE);
  material->AddProperty(&diffuse, 1, AI_MATKEY_BASE_COLOR);
  material->AddProperty(&specular, 1, AI_MATKEY_COLOR_SPECULAR);
  material->AddProperty(&ambient, 1, AI_MATKEY_COLOR_AMBIENT);
  material->AddProperty(&emissive, 1, AI_MATKEY_COLOR_EMISSIVE);
  material->AddProperty(&m.m_SpecularPower, 1, AI_MATKEY_SHININESS);
  const float opaque = 1.0f;
  material->AddProperty(&opaque, 1, AI_MATKEY_OPACITY);

  scene.mNumMeshes = 1;
  scene.mMeshes = new aiMesh* [1] { mesh };
  scene.mNumMaterials = 1;
  scene.mMaterials = new aiMaterial* [1] { material };
  scene.mRootNode = new aiNode("torus");
  scene.mRootNode->mNumMeshes = 1;
  scene.mRootNode->mMeshes = new unsigned[1]{0};
  // Vertices are shared between triangles.
  scene.mFlags = AI_SCENE_FLAGS_NON_VERBOSE_FORMAT;
}

}  // namespace

bool WriteMesh(const std::string& path, MeshFormat format, const Mesh& mesh, std::string* error) {
  if (mesh.m_NumVertices == 0 || mesh.m_NumIndices < 3) {
    if (error) *error = CannotWrite(path, "the torus has no triangles");
    return false;
  }
  aiScene scene;
  FillScene(scene, mesh);
  PendingSet pending;
  Assimp::Exporter exporter;
  exporter.SetIOHandler(new PendingIOSystem(pending));  // the exporter owns it
  const aiReturn result = exporter.Export(&scene, ExporterId(format), path);
  if (result != aiReturn_SUCCESS || pending.files.empty()) {
    const std::string reason = exporter.GetErrorString();
    pending.Fail(CannotWrite(path, reason.empty() ? "the exporter failed" : reason));
  }
  if (!pending.error.empty()) {
    if (error) *error = pending.error;
    return false;
  }
  // The companions (MTL, BIN) first: the file a user opens appears last, with all it needs.
  for (bool main : {false, true})
    for (PendingFile& file : pending.files)
      if ((file.Target() == path) == main && !file.Commit(error)) return false;
  return true;
}

}  // namespace render_tool
