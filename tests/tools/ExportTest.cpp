// What quennet-render exports, read back as a user's programs would: every animation format
// decoded (frames, sizes, durations, loops) against the PNGs of the same frames, every mesh
// format imported with Assimp against the torus the frame step built, supersampled pictures,
// the progress bar, and outputs that fail leaving nothing behind.
#include <assimp/material.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>
#include <assimp/Importer.hpp>

#include <sstream>

#include "AnimationReader.h"
#include "ChildProcess.h"
#include "Progress.h"
#include "RenderTool.h"
#include "ToolFixture.h"
#include "app/TorusDlg.h"

namespace fs = std::filesystem;
using render_tool::RenderSession;

namespace {

using ExportTest = ToolFixture;

// Odd on both sides; 6 frames a tenth of a second apart.
const std::vector<std::string> kClip = {"--size",   "65x61", "--time", "1",
                                        "--frames", "6",     "--fps",  "10"};

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

// The picture's part of a frame that may be larger (even sides).
util::Image Cropped(const util::Image& image, int width, int height) {
  util::Image out;
  out.width = width;
  out.height = height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) out.pixels.push_back(image.At(x, y));
  return out;
}

int ChannelGap(uint32_t a, uint32_t b) {
  int gap = 0;
  for (int shift : {0, 8, 16})
    gap = std::max(gap, std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                 static_cast<int>((b >> shift) & 0xFF)));
  return gap;
}

struct AnimationCase {
  const char* ext;
  bool webp;
  int fileWidth, fileHeight;
  int loops;
  double meanBelow;  // 0: lossless
};

TEST_F(ExportTest, AnimationsHoldEveryFrameInOrderAtItsTime) {
  const fs::path dir = Temp("frames");
  ASSERT_EQ(Tool(With(kClip, {"--out-dir", dir.string()})).code, 0);
  const std::vector<AnimationCase> rows = {
      {"apng", false, 65, 61, 0, 0.0},  {"webp", true, 65, 61, 0, 0.0},
      {"gif", false, 65, 61, 0, 2.0},   {"mp4", false, 66, 62, -1, 3.5},
      {"webm", false, 65, 61, -1, 3.5},
  };
  for (const AnimationCase& row : rows) {
    SCOPED_TRACE(row.ext);
    const fs::path file = Temp(std::string("clip.") + row.ext);
    const ToolRun run = Tool(With(kClip, {"--out", file.string()}));
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const ReadAnimation read = row.webp ? ReadWebP(file) : ReadWithFFmpeg(file);
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(read.width, row.fileWidth);
    EXPECT_EQ(read.height, row.fileHeight);
    EXPECT_EQ(read.loops, row.loops);
    ASSERT_EQ(read.frames.size(), 6u);
    for (size_t k = 0; k < 6; ++k) {
      EXPECT_NEAR(read.durations[k], 0.1, 0.0015) << k;
      const util::Image png = Load(dir / ("frame-000" + std::to_string(k) + ".png"));
      const util::Image frame = Cropped(read.frames[k], 65, 61);
      const ImageDifference d = CompareImages(frame, png, 24);
      if (row.meanBelow == 0.0) {
        EXPECT_EQ(d.largest, 0) << k;
      } else {
        EXPECT_LT(d.mean, row.meanBelow) << k;
        EXPECT_LT(d.pixelsOver, 65 * 61 / 50) << k;
      }
    }
    // An odd side is made even by repeating the picture's edge.
    if (row.fileWidth > 65) {
      const util::Image& f = read.frames[5];
      int gap = 0;
      for (int y = 0; y < 62; ++y) gap = std::max(gap, ChannelGap(f.At(65, y), f.At(64, y)));
      for (int x = 0; x < 66; ++x) gap = std::max(gap, ChannelGap(f.At(x, 61), f.At(x, 60)));
      EXPECT_LT(gap, 24);
    }
  }
}

// The mesh the frame step built for the last of the given frames.
struct Reference {
  std::vector<Vec3> positions, normals;
  std::vector<uint16_t> indices;
};

Reference TorusAfter(const std::vector<std::string>& args) {
  const render_tool::ParsedOptions parsed = render_tool::ParseArguments(With(args, {"--bench"}));
  EXPECT_TRUE(parsed.ok) << parsed.error;
  std::string error;
  auto session = RenderSession::Open({}, &error);
  EXPECT_TRUE(session) << error;
  Reference ref;
  if (!session) return ref;
  for (int k = 0; k < parsed.options.FrameCount(); ++k) {
    session->SetTicks(render_tool::FrameTick(parsed.options, k));
    session->Step();
  }
  const Mesh& mesh = session->Dialog().m_Obj;
  ref.positions.assign(mesh.m_Positions, mesh.m_Positions + mesh.m_NumVertices);
  ref.normals.assign(mesh.m_Normals, mesh.m_Normals + mesh.m_NumVertices);
  ref.indices.assign(mesh.m_Indices, mesh.m_Indices + mesh.m_NumIndices);
  return ref;
}

bool Same(const aiVector3D& a, const Vec3& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
}

struct MeshCase {
  const char* ext;
  bool sharedVertices;  // the file keeps the mesh's vertex list
  bool vertexNormals;   // else one normal per face
  bool material;
};

TEST_F(ExportTest, MeshesReadBackAsTheTorusOfTheLastFrame) {
  const std::vector<std::string> frames = {"--time", "2", "--frames", "3"};
  const Reference ref = TorusAfter(frames);
  ASSERT_EQ(ref.indices.size(), 46662u);
  const std::vector<MeshCase> rows = {
      {"stl", false, false, false}, {"obj", false, true, true}, {"ply", true, true, false},
      {"glb", true, true, true},    {"gltf", true, true, true},
  };
  for (const MeshCase& row : rows) {
    SCOPED_TRACE(row.ext);
    const fs::path file = Temp(std::string("torus.") + row.ext);
    const ToolRun run = Tool(With(frames, {"--mesh", file.string()}));
    ASSERT_EQ(run.code, 0) << run.err;
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(file.string(), 0);
    ASSERT_TRUE(scene && scene->mNumMeshes == 1) << importer.GetErrorString();
    const aiMesh& mesh = *scene->mMeshes[0];
    ASSERT_EQ(mesh.mNumFaces, 15554u);
    if (row.sharedVertices) {
      EXPECT_EQ(mesh.mNumVertices, 7777u);
    }
    ASSERT_TRUE(mesh.mNormals);
    int wrong = 0, inward = 0;
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
      const aiFace& face = mesh.mFaces[f];
      ASSERT_EQ(face.mNumIndices, 3u);
      // The program's triangle, its second and third corners swapped for outward fronts.
      const uint16_t* t = &ref.indices[3 * f];
      const uint16_t corners[3] = {t[0], t[2], t[1]};
      for (int c = 0; c < 3; ++c) {
        const unsigned v = face.mIndices[c];
        if (!Same(mesh.mVertices[v], ref.positions[corners[c]])) ++wrong;
        if (row.vertexNormals &&
            (mesh.mNormals[v] - aiVector3D(ref.normals[corners[c]].x, ref.normals[corners[c]].y,
                                           ref.normals[corners[c]].z))
                    .Length() > 1e-6f)
          ++wrong;
      }
      const aiVector3D& a = mesh.mVertices[face.mIndices[0]];
      const aiVector3D front =
          (mesh.mVertices[face.mIndices[1]] - a) ^ (mesh.mVertices[face.mIndices[2]] - a);
      if (front * mesh.mNormals[face.mIndices[0]] <= 0.0f) ++inward;
    }
    EXPECT_EQ(wrong, 0);
    // Each vertex's normal is the front of one of its triangles; its other triangles bend
    // away from it only where the tube curves sharply.
    EXPECT_LT(inward, 15554 / 100);
    // The outermost vertex faces away from the torus's centre.
    unsigned far = 0;
    for (unsigned v = 0; v < mesh.mNumVertices; ++v)
      if (mesh.mVertices[v].SquareLength() > mesh.mVertices[far].SquareLength()) far = v;
    EXPECT_GT(mesh.mNormals[far] * mesh.mVertices[far], 0.0f);
    if (row.material) {
      aiColor3D diffuse;
      ASSERT_EQ(scene->mMaterials[mesh.mMaterialIndex]->Get(AI_MATKEY_COLOR_DIFFUSE, diffuse),
                aiReturn_SUCCESS);
      EXPECT_EQ(diffuse, aiColor3D(0.8f, 0.7f, 0.7f));
    }
  }
  // With a picture in the same run, and the OBJ's material beside it.
  ASSERT_EQ(
      Tool(With(frames, {"--mesh", Temp("both.obj").string(), "--out", Temp("both.png").string()}))
          .code,
      0);
  const std::string mtl = testsupport::ReadFile(Temp("both.mtl"));
  for (const char* line : {"Kd 0.8", "Ks 0.5 0.4", "Ka 1 1 1", "Ke 0 0 0", "Ns 20"})
    EXPECT_NE(mtl.find(line), std::string::npos) << line << " in\n" << mtl;
  EXPECT_NE(testsupport::ReadFile(Temp("both.obj")).find("mtllib both.mtl"), std::string::npos);
}

TEST_F(ExportTest, SupersampledEdgesComeCloserToTheFinestPicture) {
  const std::vector<std::string> at = {"--size", "120x110", "--time", "2"};
  const util::Image plain = Render(at, "k1.png");
  const util::Image twice = Render(With(at, {"--supersample", "2"}), "k2.png");
  const util::Image finest = Render(With(at, {"--supersample", "4"}), "k4.png");
  ASSERT_EQ(twice.width, 120);
  ASSERT_EQ(finest.height, 110);
  const ImageDifference before = CompareImages(plain, finest, 12);
  const ImageDifference after = CompareImages(twice, finest, 12);
  EXPECT_GT(before.pixelsOver, 0);
  EXPECT_LT(after.pixelsOver, before.pixelsOver * 2 / 3);
  EXPECT_LT(after.mean, before.mean);
}

TEST_F(ExportTest, FailedWritesLeaveNothingBehind) {
  // A disk that fills up: no file may grow past a few kilobytes while the tool runs.
  struct sigaction ignore {
  }, previous{};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &previous);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  const std::vector<std::string> targets = {"full.gif", "full.mp4",  "full.webp", "full.png",
                                            "full.obj", "full.gltf", "full.stl"};
  for (const std::string& name : targets) {
    const bool mesh = name.ends_with(".obj") || name.ends_with(".gltf") || name.ends_with(".stl");
    const std::vector<std::string> args =
        mesh ? std::vector<std::string>{"--mesh", Temp(name).string()}
             : With(kClip, {"--out", Temp(name).string()});
    rlimit small = saved;
    small.rlim_cur = 2000;
    setrlimit(RLIMIT_FSIZE, &small);
    const ToolRun run = Tool(std::vector<std::string>(args.begin(), args.end()));
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(run.code, 1) << name;
    // The file named may be the one beside it (the glTF's BIN).
    EXPECT_EQ(run.err.rfind("quennet-render: cannot write '" + Temp("full.").string(), 0), 0u)
        << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_TRUE(Listing(m_Dir.Path()).empty()) << name;
  }
  sigaction(SIGXFSZ, &previous, nullptr);

  // A folder that refuses new files, tried as an unprivileged user (root writes anywhere).
  const fs::path locked = Temp("locked");
  fs::create_directories(locked);
  fs::permissions(m_Dir.Path(), fs::perms::others_exec, fs::perm_options::add);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                              fs::perms::others_exec);
  for (const char* name : {"a.webm", "a.ply"}) {
    const std::string option = std::string(name).ends_with(".ply") ? "--mesh" : "--out";
    const int status = testsupport::RunInChild(
        [&] {
          const ToolRun run = Tool({option, (locked / name).string()});
          if (run.code != 1) return 1;
          if (run.err.find("Permission denied") == std::string::npos) return 2;
          return Listing(locked).empty() ? 0 : 3;
        },
        {.unprivileged = true});
    EXPECT_EQ(status, 0) << name << " (1: exit code, 2: message, 3: a file left)";
  }
  fs::permissions(locked, fs::perms::owner_all);
}

TEST(ProgressTest, ShowsFrameTimeLeftOnlyOnATerminalAfterASecond) {
  double now = 0.0;
  auto clock = [&now] { return now; };
  std::ostringstream quiet;
  {
    render_tool::Progress hidden(quiet, 10, false, clock);
    now = 5.0;
    hidden.Update(5);
  }
  EXPECT_EQ(quiet.str(), "");

  now = 0.0;
  std::ostringstream shown;
  {
    render_tool::Progress bar(shown, 10, true, clock);
    now = 0.5;
    bar.Update(1);
    EXPECT_EQ(shown.str(), "");  // work under a second shows nothing
    now = 2.0;
    bar.Update(4);
    EXPECT_NE(shown.str().find("frame 4 of 10 [############..................] 3 s left"),
              std::string::npos)
        << shown.str();
  }
  EXPECT_TRUE(shown.str().ends_with("\r\033[K"));  // cleared away at the end
}

}  // namespace
