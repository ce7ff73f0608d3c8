// The four meshes of the show and their ASC text form.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "space.h"

namespace mkdata {

struct Mesh {
  std::string name;
  std::vector<Vec3> vertices;
  std::vector<std::array<int, 3>> faces;  // wound so (B - A) x (C - A) points outward
};

Mesh MakeGeosphere(float radius, int frequency);
// A helical tube with end caps; the coil radius runs linearly from radiusStart to radiusEnd.
Mesh MakeSpring(const std::string& name, float coils, float radiusStart, float radiusEnd, float length,
                float tubeRadius, int ringsPerCoil, int sides);
Mesh MakeSaucer();

// Six times the signed volume; positive when the faces of a closed mesh point outward.
double SignedVolume6(const Mesh& m);

std::string ToAsc(const Mesh& m);

}  // namespace mkdata
