// Builds ASC mesh text in the layout the data files use.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "qo_3d/qo3d.h"

inline std::string AscText(const std::vector<TVoxel>& vertices, const std::vector<TFace>& faces) {
  std::string out = "Named object: \"test\"\nTri-mesh, Vertices: " + std::to_string(vertices.size()) +
                    "     Faces: " + std::to_string(faces.size()) + "\nVertex list:\n";
  char line[200];
  for (size_t i = 0; i < vertices.size(); ++i) {
    snprintf(line, sizeof line, "Vertex %zu:  X: %.6g  Y: %.6g  Z: %.6g\n", i, double(vertices[i].X),
             double(vertices[i].Y), double(vertices[i].Z));
    out += line;
  }
  out += "Face list:\n";
  for (size_t j = 0; j < faces.size(); ++j) {
    snprintf(line, sizeof line, "Face %zu:    A:%d B:%d C:%d AB:1 BC:1 CA:1\nSmoothing:  1\n", j, faces[j].A,
             faces[j].B, faces[j].C);
    out += line;
  }
  return out;
}
