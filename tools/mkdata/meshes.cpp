#include "meshes.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <tuple>

namespace mkdata {

namespace {

// Flips every face when the mesh as a whole is inside out.
void OrientOutward(Mesh& m) {
  if (SignedVolume6(m) < 0)
    for (auto& f : m.faces) std::swap(f[1], f[2]);
}

}  // namespace

double SignedVolume6(const Mesh& m) {
  double v = 0;
  for (const auto& f : m.faces) {
    Vec3 a = m.vertices[size_t(f[0])], b = m.vertices[size_t(f[1])], c = m.vertices[size_t(f[2])];
    v += double(Dot(a, Cross(b, c)));
  }
  return v;
}

Mesh MakeGeosphere(float radius, int n) {
  // Icosahedron, each face cut into n x n small triangles, every point pushed onto the sphere.
  const float t = (1 + std::sqrt(5.0f)) / 2;
  std::vector<Vec3> ico = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0}, {0, -1, t}, {0, 1, t},
                           {0, -1, -t}, {0, 1, -t}, {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
  const int tri[20][3] = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
                          {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
                          {3, 8, 9},  {4, 9, 5},  {2, 4, 11},  {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
  Mesh m;
  m.name = "geosph10";
  std::map<std::tuple<long, long, long>, int> index;
  auto vertex = [&](Vec3 p) {
    p = Normalise(p) * radius;
    auto key = std::make_tuple(std::lround(p.x * 1000), std::lround(p.y * 1000), std::lround(p.z * 1000));
    auto it = index.find(key);
    if (it != index.end()) return it->second;
    int id = int(m.vertices.size());
    m.vertices.push_back(p);
    index.emplace(key, id);
    return id;
  };
  for (const auto& f : tri) {
    Vec3 a = ico[size_t(f[0])], b = ico[size_t(f[1])], c = ico[size_t(f[2])];
    auto point = [&](int i, int j) {  // i steps towards b, j towards c
      return a + (b - a) * (float(i) / n) + (c - a) * (float(j) / n);
    };
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n - i; ++j) {
        int p0 = vertex(point(i, j)), p1 = vertex(point(i + 1, j)), p2 = vertex(point(i, j + 1));
        m.faces.push_back({p0, p1, p2});
        if (j < n - i - 1) {
          int p3 = vertex(point(i + 1, j + 1));
          m.faces.push_back({p1, p3, p2});
        }
      }
  }
  // Each face on its own: the outward side is the one facing away from the centre.
  for (auto& f : m.faces) {
    Vec3 a = m.vertices[size_t(f[0])], b = m.vertices[size_t(f[1])], c = m.vertices[size_t(f[2])];
    if (Dot(Cross(b - a, c - a), a + b + c) < 0) std::swap(f[1], f[2]);
  }
  return m;
}

Mesh MakeSpring(const std::string& name, float coils, float radiusStart, float radiusEnd, float length,
                float tubeRadius, int ringsPerCoil, int sides) {
  Mesh m;
  m.name = name;
  const int rings = int(std::lround(coils * ringsPerCoil)) + 1;
  const float turn = 6.2831853f * coils;
  auto centre = [&](float s) {  // s in 0..1 along the spring
    float a = s * turn, r = Lerp(radiusStart, radiusEnd, s);
    return Vec3{r * std::cos(a), (s - 0.5f) * length, r * std::sin(a)};
  };
  std::vector<Vec3> centres;
  for (int i = 0; i < rings; ++i) {
    float s = float(i) / float(rings - 1);
    Vec3 c = centre(s);
    float ds = 1e-3f;
    Vec3 tangent = Normalise(centre(std::min(1.0f, s + ds)) - centre(std::max(0.0f, s - ds)));
    float a = s * turn;
    Vec3 radial{std::cos(a), 0, std::sin(a)};
    Vec3 nrm = Normalise(radial - tangent * Dot(radial, tangent));
    Vec3 bin = Cross(tangent, nrm);
    for (int k = 0; k < sides; ++k) {
      float phi = 6.2831853f * float(k) / float(sides);
      m.vertices.push_back(c + (nrm * std::cos(phi) + bin * std::sin(phi)) * tubeRadius);
    }
    centres.push_back(c);
  }
  for (int i = 0; i + 1 < rings; ++i)
    for (int k = 0; k < sides; ++k) {
      int a = i * sides + k, b = i * sides + (k + 1) % sides;
      int c = a + sides, d = b + sides;
      m.faces.push_back({a, b, d});
      m.faces.push_back({a, d, c});
    }
  // End caps: a centre point fanned to its ring.
  int first = int(m.vertices.size());
  m.vertices.push_back(centres.front());
  int last = int(m.vertices.size());
  m.vertices.push_back(centres.back());
  for (int k = 0; k < sides; ++k) {
    int k1 = (k + 1) % sides;
    m.faces.push_back({first, k1, k});
    m.faces.push_back({last, (rings - 1) * sides + k, (rings - 1) * sides + k1});
  }
  OrientOutward(m);
  return m;
}

Mesh MakeSaucer() {
  // A lathe: profile from the top pole to the bottom pole as (radius, height), y up.
  const std::vector<std::pair<float, float>> profile = {
      {1.4f, 4.3f},  {2.5f, 3.9f},  {3.3f, 3.2f},   {3.7f, 2.4f},  {3.9f, 1.7f},  {4.6f, 1.45f},
      {6.5f, 1.15f}, {8.5f, 0.75f}, {10.2f, 0.35f}, {11.3f, 0.1f}, {11.7f, -0.15f}, {11.4f, -0.4f},
      {10.0f, -0.6f}, {8.2f, -0.95f}, {6.2f, -1.35f}, {4.6f, -1.6f}, {4.3f, -2.0f}, {3.4f, -2.5f},
      {2.0f, -2.85f}};
  const float top = 4.45f, bottom = -3.0f;
  const int seg = 40;
  Mesh m;
  m.name = "saucer";
  m.vertices.push_back({0, -top, 0});  // the scenes' y points down: the dome is drawn on top
  for (const auto& [r, h] : profile)
    for (int k = 0; k < seg; ++k) {
      float a = 6.2831853f * float(k) / seg;
      m.vertices.push_back({r * std::cos(a), -h, r * std::sin(a)});
    }
  int pole2 = int(m.vertices.size());
  m.vertices.push_back({0, -bottom, 0});
  const int rows = int(profile.size());
  for (int k = 0; k < seg; ++k) {
    int k1 = (k + 1) % seg;
    m.faces.push_back({0, 1 + k1, 1 + k});
    for (int i = 0; i + 1 < rows; ++i) {
      int a = 1 + i * seg + k, b = 1 + i * seg + k1, c = a + seg, d = b + seg;
      m.faces.push_back({a, b, d});
      m.faces.push_back({a, d, c});
    }
    m.faces.push_back({pole2, 1 + (rows - 1) * seg + k, 1 + (rows - 1) * seg + k1});
  }
  OrientOutward(m);
  return m;
}

std::string ToAsc(const Mesh& m) {
  std::string out;
  char line[160];
  snprintf(line, sizeof line, "Named object: \"%s\"\nTri-mesh, Vertices: %zu     Faces: %zu\nVertex list:\n",
           m.name.c_str(), m.vertices.size(), m.faces.size());
  out += line;
  for (size_t i = 0; i < m.vertices.size(); ++i) {
    const Vec3& v = m.vertices[i];
    snprintf(line, sizeof line, "Vertex %zu:  X: %.5f  Y: %.5f  Z: %.5f\n", i, double(v.x), double(v.y),
             double(v.z));
    out += line;
  }
  out += "Face list:\n";
  for (size_t j = 0; j < m.faces.size(); ++j) {
    const auto& f = m.faces[j];
    snprintf(line, sizeof line, "Face %zu:    A:%d B:%d C:%d AB:1 BC:1 CA:1\nSmoothing:  1\n", j, f[0], f[1], f[2]);
    out += line;
  }
  return out;
}

}  // namespace mkdata
