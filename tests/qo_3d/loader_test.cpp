#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "asc_text.h"
#include "qo_3d/qo3d.h"

namespace {

std::string WriteTemp(const std::string& name, const std::string& text) {
  auto path = std::filesystem::temp_directory_path() / ("qo3d_" + std::to_string(::getpid()) + "_" + name);
  std::ofstream(path, std::ios::binary) << text;
  return path.string();
}

// Loading `path` ends the process with exit code 69.
void ExpectLoadEndsWith69(const std::string& path, const std::string& what) {
  EXPECT_EXIT(
      {
        TQOObject obj;
        LoadASC(obj, path);
      },
      testing::ExitedWithCode(69), "")
      << what;
}

void ExpectNear(const TVoxel& v, float x, float y, float z) {
  EXPECT_NEAR(v.X, x, 1e-6);
  EXPECT_NEAR(v.Y, y, 1e-6);
  EXPECT_NEAR(v.Z, z, 1e-6);
}

TEST(LoadASC, ColonsDriveTheReaderWhateverTextSurroundsThem) {
  // Labels say anything, numbers sit after blanks, tabs and line breaks, the
  // rest of the count line and the whole next line are dropped (their colons
  // do not count), line ends are LF, CR LF or CR alone.
  const std::string text =
      "anything: here too:\r\n  3 \t more text: 2 ignored: 1: 2:\r\n"
      "dropped: line: with: colons:\n"
      "v: x:\n\n  1.5  y: -2 z: 3.5e-1\r"
      "label: :+0.25 :-1E1 :\t2.5\n"
      "a:b:0.5 : 0 : -0.5\n"
      "heading: face: here:0 :1\n:2 x:9 y:-9 z:+9\n"
      "one: two: three: 2 :1 :0 :0 :0 :0 trailing text is never read: :";
  TQOObject obj;
  obj.RenderMode = TRenderMode::Gouraud;
  obj.Color = 0x123456;
  ASSERT_TRUE(ParseASC(obj, text));
  EXPECT_EQ(obj.VertexCount, 3);
  EXPECT_EQ(obj.FaceCount, 2);
  ExpectNear(obj.Vertices[0], 1.5f, -2.0f, 0.35f);
  ExpectNear(obj.Vertices[1], 0.25f, -10.0f, 2.5f);
  ExpectNear(obj.Vertices[2], 0.5f, 0.0f, -0.5f);
  EXPECT_EQ(obj.Faces[0].A, 0);
  EXPECT_EQ(obj.Faces[0].B, 1);
  EXPECT_EQ(obj.Faces[0].C, 2);
  EXPECT_EQ(obj.Faces[1].A, 2);
  EXPECT_EQ(obj.Faces[1].B, 1);
  EXPECT_EQ(obj.Faces[1].C, 0);
  // Drawing settings are the caller's.
  EXPECT_EQ(obj.RenderMode, TRenderMode::Gouraud);
  EXPECT_EQ(obj.Color, 0x123456u);
  // Vertex arrays VertexCount + 1 long, face arrays FaceCount + 1, spare zero.
  EXPECT_EQ(obj.Vertices.size(), 4u);
  EXPECT_EQ(obj.Projected.size(), 4u);
  EXPECT_EQ(obj.VertexNormals.size(), 4u);
  EXPECT_EQ(obj.VertexLight.size(), 4u);
  EXPECT_EQ(obj.Faces.size(), 3u);
  EXPECT_EQ(obj.FaceNormals.size(), 3u);
  EXPECT_EQ(obj.FaceLight.size(), 3u);
  EXPECT_EQ(obj.Order.size(), 3u);
  ExpectNear(obj.Vertices[3], 0, 0, 0);
  // Initial keys: z sums rounded ties-to-even (0.35 + 2.5 - 0.5 = 2.35 -> 2),
  // the spare entry takes face (0, 0, 0): 3 x 0.35 = 1.05 -> 1.
  EXPECT_EQ(obj.Order[0].Z, 2.0f);
  EXPECT_EQ(obj.Order[2].Z, 1.0f);
  for (int j = 0; j < 3; ++j) EXPECT_EQ(obj.Order[size_t(j)].Index, j);
}

TEST(LoadASC, InitialKeysRoundTiesToEven) {
  TQOObject obj;
  ASSERT_TRUE(ParseASC(obj, AscText({{0, 0, 0.5f}, {0, 0, 1.0f}, {0, 0, 1.0f}, {0, 0, -0.5f}},
                                    {{0, 3, 3}, {0, 1, 3}, {0, 1, 2}})));
  EXPECT_EQ(obj.Order[0].Z, -0.0f);  // -0.5 -> -0
  EXPECT_EQ(obj.Order[1].Z, 1.0f);   // 1.0
  EXPECT_EQ(obj.Order[2].Z, 2.0f);   // 2.5 -> 2
  EXPECT_EQ(obj.Order[3].Z, 2.0f);   // spare: 1.5 -> 2
}

TEST(LoadASC, ZeroFacesAndCountsUpToTheLimitLoad) {
  TQOObject obj;
  ASSERT_TRUE(ParseASC(obj, AscText({{1, 2, 3}}, {})));
  EXPECT_EQ(obj.FaceCount, 0);
  EXPECT_EQ(obj.Faces.size(), 1u);
  EXPECT_EQ(obj.Order.size(), 1u);
  EXPECT_EQ(obj.Order[0].Z, 9.0f);

  std::vector<TVoxel> vertices(3000);
  for (size_t i = 0; i < vertices.size(); ++i) vertices[i] = {float(i % 7), float(i % 11), float(i % 13)};
  std::vector<TFace> faces(3000);
  for (int j = 0; j < 3000; ++j) faces[size_t(j)] = {j, (j + 1) % 3000, (j + 2) % 3000};
  std::string path = WriteTemp("max.asc", AscText(vertices, faces));
  LoadASC(obj, path);
  std::filesystem::remove(path);
  EXPECT_EQ(obj.VertexCount, 3000);
  EXPECT_EQ(obj.FaceCount, 3000);
  EXPECT_EQ(obj.Faces[2999].C, 1);
}

TEST(LoadASCDeathTest, MissingOrOversizedMeshEndsWith69) {
  ExpectLoadEndsWith69("./no/such/mesh.asc", "a missing file");
  std::vector<TVoxel> many(3001);
  std::string tooManyVertices = WriteTemp("v3001.asc", AscText(many, {}));
  many.resize(3);
  std::string tooManyFaces = WriteTemp("f3001.asc", AscText(many, std::vector<TFace>(3001)));
  for (const std::string& path : {tooManyVertices, tooManyFaces}) {
    ExpectLoadEndsWith69(path, path);
    std::filesystem::remove(path);
  }
}

// Input the format leaves undefined: every case is refused (69 from LoadASC),
// never read past its arrays, and leaves an empty, drawable mesh behind.
TEST(LoadASCDeathTest, MalformedMeshesEndWith69) {
  const std::string good = AscText({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  TQOObject check;
  ASSERT_TRUE(ParseASC(check, good));
  auto cut = [&](const std::string& at) { return good.substr(0, good.find(at)); };
  const std::pair<const char*, std::string> cases[] = {
      {"empty file", ""},
      {"ends before the face count", "Tri-mesh, Vertices: 3"},
      {"ends inside the vertices", cut("Vertex 2")},
      {"ends before a face's ignored integers", cut("AB:")},
      {"ends before the last ignored integer", good.substr(0, good.find("CA:") + 3)},
      {"vertex count not a number", "a: b: three Faces: 0\n\n"},
      {"count with trailing text", "a: b: 3x Faces: 0\n\n"},
      {"count out of 32 bits", "a: b: 99999999999 Faces: 0\n\n"},
      {"coordinate not a number", "a: b: 1 c: 0\n\nv: x: 1.2.3 y: 0 z: 0"},
      {"coordinate without digits", "a: b: 1 c: 0\n\nv: x: . y: 0 z: 0"},
      {"exponent without digits", "a: b: 1 c: 0\n\nv: x: 1e y: 0 z: 0"},
      {"coordinate overflows a Single", "a: b: 1 c: 0\n\nv: x: 1e39 y: 0 z: 0"},
      {"infinity spelled out", "a: b: 1 c: 0\n\nv: x: inf y: 0 z: 0"},
      {"negative vertex count", "a: b: -1 c: 0\n\n"},
      {"negative face count", "a: b: 0 c: -2\n\n"},
      {"face index past the vertices", AscText({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 3}})},
      {"negative face index", AscText({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, -1, 2}})},
      {"faces without vertices", AscText({}, {{0, 0, 0}})},
      {"ignored integer not a number", std::string(good).replace(good.find("AB:1"), 4, "AB:x")},
  };
  for (const auto& [what, text] : cases) {
    TQOObject obj;
    EXPECT_FALSE(ParseASC(obj, text)) << what;
    EXPECT_EQ(obj.VertexCount, 0) << what;
    EXPECT_EQ(obj.FaceCount, 0) << what;
    EXPECT_EQ(obj.Vertices.size(), 1u) << what;
    EXPECT_EQ(obj.Order.size(), 1u) << what;
    std::string path = WriteTemp("bad.asc", text);
    ExpectLoadEndsWith69(path, what);
    std::filesystem::remove(path);
  }
}

TEST(CalcNormals, FaceAndVertexNormals) {
  // A face in z = 0, the same face listed the other way round, a third
  // standing up along x = 0; vertex 4 belongs to no face; face 3 is
  // degenerate (two equal corners).
  TQOObject obj;
  ASSERT_TRUE(ParseASC(obj, AscText({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {5, 5, 5}, {1, 1, 0}},
                                    {{0, 1, 2}, {0, 2, 1}, {0, 3, 2}, {1, 1, 5}})));
  CalcNormals(obj);
  ExpectNear(obj.FaceNormals[0], 0, 0, 1);   // (B-A) x (C-A) = x × y = +z
  ExpectNear(obj.FaceNormals[1], 0, 0, -1);  // reversed winding, opposite normal
  ExpectNear(obj.FaceNormals[2], -1, 0, 0);  // z × y = -x
  ExpectNear(obj.FaceNormals[3], 0, 0, 0);   // degenerate: zero, not NaN
  // Vertex 2: faces 0, 1, 2 -> (+z - z - x) / 3, normalised -> -x.
  ExpectNear(obj.VertexNormals[2], -1, 0, 0);
  // Vertex 3: face 2 only.
  ExpectNear(obj.VertexNormals[3], -1, 0, 0);
  // Vertex 4 is in no face and keeps the zero normal.
  ExpectNear(obj.VertexNormals[4], 0, 0, 0);
  // Vertex 5: only the degenerate face: its sum has no length, so zero.
  ExpectNear(obj.VertexNormals[5], 0, 0, 0);

  // Two faces at a right angle share an edge: its vertices get the average.
  TQOObject fold;
  ASSERT_TRUE(ParseASC(fold, AscText({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{0, 1, 2}, {0, 3, 1}})));
  CalcNormals(fold);
  ExpectNear(fold.FaceNormals[1], 0, 1, 0);
  const float h = std::sqrt(0.5f);
  ExpectNear(fold.VertexNormals[1], 0, h, h);
  ExpectNear(fold.VertexNormals[3], 0, 1, 0);
  for (const TVoxel& n : fold.VertexNormals) EXPECT_TRUE(std::isfinite(n.X + n.Y + n.Z));
}

}  // namespace
