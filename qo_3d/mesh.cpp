// The ASC mesh loader and the normals.
//
// The reader is driven by colons: before each number it skips a fixed count
// of ':' characters and whatever text lies between them, then reads the run
// of non-blank characters that follows. The counts per value are:
//   vertex count      2 colons      face count  1 colon (rest of line and next line dropped)
//   vertex X, Y, Z    2, 1, 1       face A, B, C  3, 1, 1, then three ignored integers after 1 colon each
#include "qo_3d/qo3d.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "Zentra2/error.h"
#include "Zentra2/kept.h"

namespace {

class AscReader {
public:
  explicit AscReader(std::string_view text) : text_(text) {}

  bool SkipColons(int count) {
    while (count > 0) {
      if (pos_ >= text_.size()) return false;
      if (text_[pos_++] == ':') --count;
    }
    return true;
  }

  // Drops everything up to and including the next line end (LF, CR LF or CR).
  void SkipLine() {
    while (pos_ < text_.size()) {
      char c = text_[pos_++];
      if (c == '\n') return;
      if (c == '\r') {
        if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
        return;
      }
    }
  }

  bool ReadInt(int32_t& value) {
    std::string_view token = Token();
    if (token.size() > 1 && token[0] == '+' && token[1] != '-') token.remove_prefix(1);
    const char* end = token.data() + token.size();
    auto [ptr, ec] = std::from_chars(token.data(), end, value);
    return !token.empty() && ec == std::errc() && ptr == end;
  }

  bool ReadReal(float& value) {
    std::string_view token = Token();
    if (!IsDecimal(token)) return false;
    if (token[0] == '+') token.remove_prefix(1);
    // strtod, not from_chars: the browser build's standard library has no
    // floating-point from_chars. The token is plain decimal (checked above),
    // which both read alike, correctly rounded.
    const std::string text(token);
    char* end = nullptr;
    errno = 0;
    const double d = std::strtod(text.c_str(), &end);
    if (errno == ERANGE || end != text.c_str() + text.size()) return false;
    value = float(d);
    return std::isfinite(value);
  }

private:
  static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

  std::string_view Token() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
    size_t start = pos_;
    while (pos_ < text_.size() && !IsBlank(text_[pos_])) ++pos_;
    return text_.substr(start, pos_ - start);
  }

  // [+-] digits [. digits] [e [+-] digits], with at least one mantissa digit.
  static bool IsDecimal(std::string_view s) {
    size_t i = 0, n = s.size();
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    size_t digits = 0;
    while (i < n && IsDigit(s[i])) ++i, ++digits;
    if (i < n && s[i] == '.') {
      ++i;
      while (i < n && IsDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
      ++i;
      if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
      size_t exponent = 0;
      while (i < n && IsDigit(s[i])) ++i, ++exponent;
      if (exponent == 0) return false;
    }
    return i == n;
  }

  std::string_view text_;
  size_t pos_ = 0;
};

void SizeArrays(TQOObject& obj) {
  size_t v = size_t(obj.VertexCount) + 1, f = size_t(obj.FaceCount) + 1;
  obj.Vertices.assign(v, TVoxel{});
  obj.Projected.assign(v, TPixel{});
  obj.VertexNormals.assign(v, TVoxel{});
  obj.VertexLight.assign(v, 0.0f);
  obj.Faces.assign(f, TFace{});
  obj.FaceNormals.assign(f, TNormal{});
  obj.FaceLight.assign(f, 0.0f);
  obj.Order.assign(f, TordZ{});
}

bool ReadMesh(TQOObject& obj, AscReader& in) {
  if (!in.SkipColons(2) || !in.ReadInt(obj.VertexCount)) return false;
  if (obj.VertexCount < 0 || obj.VertexCount > MaxMeshItems) return false;
  if (!in.SkipColons(1) || !in.ReadInt(obj.FaceCount)) return false;
  if (obj.FaceCount < 0 || obj.FaceCount > MaxMeshItems) return false;
  in.SkipLine();
  in.SkipLine();
  SizeArrays(obj);

  for (int32_t i = 0; i < obj.VertexCount; ++i) {
    TVoxel& v = obj.Vertices[size_t(i)];
    if (!in.SkipColons(2) || !in.ReadReal(v.X)) return false;
    if (!in.SkipColons(1) || !in.ReadReal(v.Y)) return false;
    if (!in.SkipColons(1) || !in.ReadReal(v.Z)) return false;
  }
  auto index = [&](int32_t& value) { return in.ReadInt(value) && value >= 0 && value < obj.VertexCount; };
  for (int32_t j = 0; j < obj.FaceCount; ++j) {
    TFace& f = obj.Faces[size_t(j)];
    if (!in.SkipColons(3) || !index(f.A)) return false;
    if (!in.SkipColons(1) || !index(f.B)) return false;
    if (!in.SkipColons(1) || !index(f.C)) return false;
    for (int k = 0; k < 3; ++k) {
      int32_t ignored;
      if (!in.SkipColons(1) || !in.ReadInt(ignored)) return false;
    }
  }

  // Initial depth order, the spare element included (it names vertex 0 three
  // times); the transform replaces the first FaceCount keys every frame.
  for (int32_t j = 0; j <= obj.FaceCount; ++j) {
    const TFace& f = obj.Faces[size_t(j)];
    double sum = double(obj.Vertices[size_t(f.A)].Z) + double(obj.Vertices[size_t(f.B)].Z) +
                 double(obj.Vertices[size_t(f.C)].Z);
    obj.Order[size_t(j)] = TordZ{float(std::nearbyint(sum)), j};
  }
  return true;
}

// Unit vector of (x, y, z); zero when it has no length.
TVoxel Unit(double x, double y, double z) {
  double length = std::sqrt(x * x + y * y + z * z);
  if (!(length > 0) || !std::isfinite(length)) return TVoxel{};
  return TVoxel{float(x / length), float(y / length), float(z / length)};
}

}  // namespace

bool ParseASC(TQOObject& obj, std::string_view text) {
  AscReader in(text);
  if (ReadMesh(obj, in)) return true;
  obj.VertexCount = 0;
  obj.FaceCount = 0;
  SizeArrays(obj);
  return false;
}

void LoadASC(TQOObject& obj, const std::string& fileName) {
  // While the show keeps what it loads, a mesh read before is parsed again
  // from its text in memory.
  static kept::ByKey<std::string> keptTexts;
  const std::string* kept = keptTexts.Find(fileName);
  std::string read;
  if (!kept) {
    std::ifstream file(fileName, std::ios::binary);
    if (!file) EndForFile(MeshLoadExitCode, fileName, std::strerror(errno));
    read.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (file.bad()) EndForFile(MeshLoadExitCode, fileName, std::strerror(errno));
  }
  if (!ParseASC(obj, kept ? *kept : read))
    EndForFile(MeshLoadExitCode, fileName,
               "not an ASC mesh the show can read (at most " + std::to_string(MaxMeshItems) + " vertices and faces)");
  CalcNormals(obj);
  if (!kept) keptTexts.Keep(fileName, std::move(read));
}

void CalcNormals(TQOObject& obj) {
  const int32_t vertexCount = obj.VertexCount, faceCount = obj.FaceCount;
  auto valid = [&](int32_t i) { return i >= 0 && i < vertexCount; };
  if (vertexCount < 0 || faceCount < 0 || obj.Vertices.size() < size_t(vertexCount) ||
      obj.VertexNormals.size() < size_t(vertexCount) || obj.Faces.size() < size_t(faceCount) ||
      obj.FaceNormals.size() < size_t(faceCount))
    return;

  for (int32_t j = 0; j < faceCount; ++j) {
    const TFace& f = obj.Faces[size_t(j)];
    if (!valid(f.A) || !valid(f.B) || !valid(f.C)) {
      obj.FaceNormals[size_t(j)] = TNormal{};
      continue;
    }
    const TVoxel &a = obj.Vertices[size_t(f.A)], &b = obj.Vertices[size_t(f.B)], &c = obj.Vertices[size_t(f.C)];
    float e1x = b.X - a.X, e1y = b.Y - a.Y, e1z = b.Z - a.Z;
    float e2x = c.X - a.X, e2y = c.Y - a.Y, e2z = c.Z - a.Z;
    float nx = e1y * e2z - e2y * e1z;
    float ny = e1z * e2x - e2z * e1x;
    float nz = e1x * e2y - e2x * e1y;
    obj.FaceNormals[size_t(j)] = Unit(nx, ny, nz);
  }

  // Every face adds its normal once to each vertex it names, in face order;
  // the same sums as testing every vertex against every face.
  std::vector<TVoxel> sum(size_t(vertexCount) + 1);
  std::vector<int32_t> count(size_t(vertexCount) + 1, 0);
  for (int32_t j = 0; j < faceCount; ++j) {
    const TFace& f = obj.Faces[size_t(j)];
    const TNormal& n = obj.FaceNormals[size_t(j)];
    const int32_t corners[3] = {f.A, f.B, f.C};
    for (int k = 0; k < 3; ++k) {
      int32_t v = corners[k];
      if (!valid(v) || (k > 0 && v == corners[0]) || (k > 1 && v == corners[1])) continue;
      TVoxel& s = sum[size_t(v)];
      s.X += n.X;
      s.Y += n.Y;
      s.Z += n.Z;
      ++count[size_t(v)];
    }
  }
  for (int32_t i = 0; i < vertexCount; ++i) {
    int32_t k = count[size_t(i)];
    if (k == 0) continue;
    const TVoxel& s = sum[size_t(i)];
    float x = s.X / float(k), y = s.Y / float(k), z = s.Z / float(k);
    obj.VertexNormals[size_t(i)] = Unit(x, y, z);
  }
}
