// The 3D engine: one kind of object, a triangle mesh read from an ASC file,
// rotated by its spin every frame, lit by one directional light, projected
// onto the render target and drawn back to front in one of eight modes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <memory>
#include <vector>

#include "Zentra2/buffer.h"

struct TVoxel {
  float X = 0, Y = 0, Z = 0;
};
using TNormal = TVoxel;
// Sub-pixel screen position, not rounded.
struct TPixel {
  float X = 0, Y = 0;
};
// Vertex indices of one face, 0-based.
struct TFace {
  int32_t A = 0, B = 0, C = 0;
};
// Depth key (sum of the three rotated z values) and face number.
struct TordZ {
  float Z = 0;
  int32_t Index = 0;
};

using TAVoxel = std::vector<TVoxel>;
using TAPixel = std::vector<TPixel>;
using TASingle = std::vector<float>;
using TAFace = std::vector<TFace>;
using TANormal = std::vector<TNormal>;
using TAordZ = std::vector<TordZ>;

// Refers to a variable that holds a buffer (a scene field, a particle slot);
// the renderer reads the variable at every draw, so it follows whatever the
// variable holds then. Accepts the address of any `Derived*` variable.
class TBufferRef {
public:
  TBufferRef() = default;
  TBufferRef(std::nullptr_t) {}
  template <class B>
  TBufferRef(B* const* variable) : variable_(variable), read_(&Read<B>) {}
  template <class B>
  TBufferRef(const std::unique_ptr<B>* variable) : variable_(variable), read_(&ReadOwned<B>) {}
  TBuffer64* Get() const { return variable_ ? read_(variable_) : nullptr; }
  explicit operator bool() const { return variable_ != nullptr; }

private:
  template <class B>
  static TBuffer64* Read(const void* variable) {
    return *static_cast<B* const*>(variable);
  }
  template <class B>
  static TBuffer64* ReadOwned(const void* variable) {
    return static_cast<const std::unique_ptr<B>*>(variable)->get();
  }
  const void* variable_ = nullptr;
  TBuffer64* (*read_)(const void*) = nullptr;
};

// How RenderObject draws a mesh. Values past Environment draw nothing.
enum class TRenderMode : uint8_t {
  Points = 0,       // a pixel of Color at every vertex
  Sprites = 1,      // Sprite added at every vertex
  Wire = 2,         // the edges of the facing faces in Color
  Flat = 3,         // facing faces filled with FillColor
  Lit = 4,          // facing faces in the grey of their light
  Gouraud = 5,      // facing faces shaded between the CornerColors
  Texture = 6,      // Texture stretched over every facing face
  Environment = 7,  // Texture looked up by the vertex normals
};

// One mesh with everything derived from it each frame and its drawing
// settings. The vertex arrays have VertexCount + 1 elements and the face
// arrays FaceCount + 1: the spare last element stays zero (except in Order).
struct TQOObject {
  int32_t VertexCount = 0;
  int32_t FaceCount = 0;
  TRenderMode RenderMode = TRenderMode::Points;
  uint32_t Color = 0;      // points and wire edges
  uint32_t FillColor = 0;  // flat faces
  uint32_t CornerColors[3] = {0, 0, 0};  // Gouraud corners A, B, C
  TVoxel Position;
  TVoxel Spin;  // degrees per step about X, Y, Z
  TAVoxel Vertices;  // rotated in place every frame
  TAPixel Projected;
  TAVoxel VertexNormals;
  TASingle VertexLight;  // 0..200
  TAFace Faces;
  TANormal FaceNormals;
  TASingle FaceLight;  // 0..160
  TAordZ Order;
  TBufferRef Sprite;   // drawn at every vertex in mode 1
  TBufferRef Texture;  // modes 6 and 7
};

inline constexpr int32_t MaxMeshItems = 3000;
// The process ends with this code when a mesh cannot be loaded.
inline constexpr int MeshLoadExitCode = 69;

// ---- loader (mesh.cpp) ----

// Reads an ASC mesh (colon-count driven) into the counts and the eight arrays
// of `obj`, with the initial depth order; the drawing settings stay as they
// are. False on any text that is not a complete, valid mesh of at most
// MaxMeshItems vertices and faces; `obj` is then left in an unspecified but
// consistent (drawable) state. Does not compute normals.
bool ParseASC(TQOObject& obj, std::string_view text);
// Loads `fileName` and computes its normals; a missing or malformed file ends
// the program with MeshLoadExitCode. While the show keeps what it loads
// (Zentra2/kept.h), a file read before is taken from memory.
void LoadASC(TQOObject& obj, const std::string& fileName);
// Face normals from (B - A) x (C - A), vertex normals averaged over the faces
// naming the vertex. A degenerate face gets a zero normal.
void CalcNormals(TQOObject& obj);

// ---- transform, light, sort (transform.cpp) ----

extern float ViewDistance;  // z of the eye, looking towards -z
extern TVoxel LightPos;     // last vector given to SetLight
extern TVoxel LightDir;     // LightPos at unit length
extern int32_t BackfaceCull;   // 0 off, else on
extern int32_t RotateNormals;  // 0 off, else on
// The variable holding the buffer that projection measures and drawing
// writes into (scenes set it to &ScreenBuffer).
extern TBuffer64** RenderTarget;

void SetLight(float x, float y, float z);
// Rotates about Z, then X, then Y (degrees).
void RotatePoint(float& x, float& y, float& z, float angleX, float angleY, float angleZ);
// Perspective onto the render target, its height as the focal length.
void ProjectPoint(float& px, float& py, float x, float y, float z);
// Turns the object's vertices (and, with RotateNormals, its normals) by
// Step x Spin: what a frame carries forward to the next.
void TurnObject(TQOObject& obj, float step);
// TurnObject, then lights, projects and refills the depth keys: what the
// frame draws from.
void TransformObject(TQOObject& obj, float step);
// Quicksort of Order[lo..hi] by ascending Z (farthest first).
void SortFaces(TQOObject& obj, int32_t lo, int32_t hi);

// ---- drawing (render.cpp) ----

void RenderObject(TQOObject& obj);
