// Fuzzes the ASC mesh reader, then turns, lights and draws whatever it
// accepted in every render mode, into a small target.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "Zentra2/zentra.h"
#include "qo_3d/qo3d.h"

// Nothing here may take a fatal path (fuzz/fatal_paths.cpp): the exception
// it throws is never caught, so taking one ends the run as a finding.

namespace {

struct Stage {
  Stage() : display(64, 48, 32), target(&display, 64, 48, false), texture(&display, 8, 8, false) {
    texture.Clear(0x808080);
    RenderTarget = &targetVar;
  }
  THeadlessZentra display;
  TBuffer64 target, texture;
  TBuffer64* targetVar = &target;
  TBuffer64* textureVar = &texture;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Stage stage;
  TQOObject obj;
  bool loaded = ParseASC(obj, std::string_view(reinterpret_cast<const char*>(data), size));
  // Accepted or not, the record must be whole: arrays one longer than the
  // counts, every face naming a vertex that exists.
  if (obj.VertexCount < 0 || obj.VertexCount > MaxMeshItems || obj.FaceCount < 0 ||
      obj.FaceCount > MaxMeshItems || obj.Vertices.size() != size_t(obj.VertexCount) + 1 ||
      obj.Order.size() != size_t(obj.FaceCount) + 1)
    __builtin_trap();
  for (int32_t j = 0; j < obj.FaceCount; ++j) {
    const TFace& f = obj.Faces[size_t(j)];
    if (f.A < 0 || f.B < 0 || f.C < 0 || f.A >= obj.VertexCount || f.B >= obj.VertexCount ||
        f.C >= obj.VertexCount)
      __builtin_trap();
  }
  if (!loaded) return 0;
  CalcNormals(obj);
  obj.Sprite = &stage.textureVar;
  obj.Texture = &stage.textureVar;
  obj.Spin = TVoxel{13.0f, 7.0f, 5.0f};
  for (uint8_t mode = 0; mode <= 8; ++mode) {
    obj.RenderMode = TRenderMode(mode);
    TransformObject(obj, 1.0f);
    RenderObject(obj);
  }
  return 0;
}
