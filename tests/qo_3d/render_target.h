// What the engine tests draw with: a fixture whose render target is a W x H
// buffer on a 32-bit headless display, and meshes made from ASC text.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "Zentra2/zentra.h"
#include "qo_3d/qo3d.h"
#include "tests/qo_3d/asc_text.h"

template <int W, int H>
class RenderTargetTest : public testing::Test {
protected:
  void SetUp() override {
    target_ = new TBuffer64(&display_, W, H, false);
    RenderTarget = &target_;
  }
  void TearDown() override {
    RenderTarget = nullptr;
    delete target_;
  }
  THeadlessZentra display_{W, H, 32};
  TBuffer64* target_ = nullptr;
};

// The mesh of the given vertices and faces, read as the loader reads a file,
// with its normals.
inline TQOObject ParsedMesh(const std::vector<TVoxel>& vertices, const std::vector<TFace>& faces) {
  TQOObject obj;
  EXPECT_TRUE(ParseASC(obj, AscText(vertices, faces)));
  CalcNormals(obj);
  return obj;
}
