// The render modes: points and sprites per vertex, and depth-sorted faces
// (wire, flat, lit flat, Gouraud, textured, environment-mapped).
#include <cmath>

#include "qo_3d/qo3d.h"

namespace {

// The fillers keep columns and rows in 16.16 fixed point, so a corner must
// stay well inside +-32767. Only a vertex at (or within a hair of) the eye
// plane lands outside; its faces are left out rather than handed over.
constexpr float kCornerLimit = 16383.0f;

bool Drawable(const TPixel& p) { return std::fabs(p.X) <= kCornerLimit && std::fabs(p.Y) <= kCornerLimit; }

// Rounds to the nearest integer, ties to even; false when the value is not a
// usable screen coordinate at all.
bool RoundCoordinate(double value, int32_t& out) {
  if (!(std::fabs(value) < 1.0e9)) return false;
  out = int32_t(std::lrint(value));
  return true;
}

int32_t Round(float value) { return int32_t(std::lrint(value)); }

void WireTriangle(TBuffer64* target, int32_t ax, int32_t ay, int32_t bx, int32_t by, int32_t cx, int32_t cy,
                  uint32_t color) {
  target->Line(ax, ay, bx, by, color);
  target->Line(bx, by, cx, cy, color);
  target->Line(cx, cy, ax, ay, color);
}

void FlatTriangle(TBuffer64* target, uint32_t color, const TPixel& a, const TPixel& b, const TPixel& c) {
  TPolyVertex v[3];
  v[0].X = a.X, v[0].Y = a.Y;
  v[1].X = b.X, v[1].Y = b.Y;
  v[2].X = c.X, v[2].Y = c.Y;
  target->FillPoly(v, 3, color);
}

void GouraudTriangle(TBuffer64* target, uint32_t colorA, uint32_t colorB, uint32_t colorC, const TPixel& a,
                     const TPixel& b, const TPixel& c) {
  TPolyVertex v[3];
  v[0].X = a.X, v[0].Y = a.Y, v[0].Color = colorA;
  v[1].X = b.X, v[1].Y = b.Y, v[1].Color = colorB;
  v[2].X = c.X, v[2].Y = c.Y, v[2].Color = colorC;
  target->GouraudPoly(v, 3);
}

void TextureTriangle(TBuffer64* target, TBuffer64* texture, const TPixel& a, const TPixel& b, const TPixel& c,
                     float au, float av, float bu, float bv, float cu, float cv) {
  TPolyVertex v[3];
  v[0].X = a.X, v[0].Y = a.Y, v[0].U = au, v[0].V = av;
  v[1].X = b.X, v[1].Y = b.Y, v[1].U = bu, v[1].V = bv;
  v[2].X = c.X, v[2].Y = c.Y, v[2].U = cu, v[2].V = cv;
  target->TexturePoly(texture, v, 3);
}

// Modes 0 and 1: every vertex projected afresh, in vertex order, no depth test.
void RenderVertices(TQOObject& obj, TBuffer64* target) {
  const bool sprites = obj.RenderMode == TRenderMode::Sprites;
  TBuffer64* sprite = sprites ? obj.Sprite.Get() : nullptr;
  if (sprites && !sprite) return;
  // In double and rounded only to the pixel: no Single stored in between.
  const double height = target->Height;
  const double halfWidth = target->Width / 2, halfHeight = target->Height / 2;
  for (int32_t i = 0; i < obj.VertexCount; ++i) {
    const TVoxel& v = obj.Vertices[size_t(i)];
    const double d = double(ViewDistance) - v.Z - obj.Position.Z;
    if (d == 0.0) return;
    int32_t x, y;
    if (!RoundCoordinate((double(v.X) + obj.Position.X) * height / d + halfWidth, x) ||
        !RoundCoordinate((double(v.Y) + obj.Position.Y) * height / d + halfHeight, y))
      continue;
    if (sprite)
      sprite->DrawAdd(target, x - sprite->Width / 2, y - sprite->Height / 2);
    else
      target->PutPixel(x, y, obj.Color);
  }
}

}  // namespace

void RenderObject(TQOObject& obj) {
  TBuffer64* target = RenderTarget ? *RenderTarget : nullptr;
  if (obj.RenderMode <= TRenderMode::Sprites) {
    if (target) RenderVertices(obj, target);
    return;
  }
  if (obj.FaceCount <= 0) return;
  SortFaces(obj, 0, obj.FaceCount - 1);
  const TRenderMode mode = obj.RenderMode;
  if (mode > TRenderMode::Environment || !target) return;
  TBuffer64* texture = obj.Texture.Get();
  if (mode >= TRenderMode::Texture && !texture) return;

  const float depthLimit = ViewDistance + 100.0f;
  const TAPixel& p = obj.Projected;
  for (int32_t k = 0; k < obj.FaceCount; ++k) {
    const TordZ& entry = obj.Order[size_t(k)];
    const int32_t j = entry.Index;
    const TFace& f = obj.Faces[size_t(j)];
    const TPixel &a = p[size_t(f.A)], &b = p[size_t(f.B)], &c = p[size_t(f.C)];
    // Screen winding: positive for faces whose corners run clockwise on the
    // screen (y down), that is whose normals point towards the eye.
    float w = BackfaceCull ? (b.Y - a.Y) * (a.X - c.X) - (b.X - a.X) * (a.Y - c.Y) : 1.0f;
    if (!(w > 0)) continue;
    if (!(entry.Z < depthLimit)) continue;
    if (!Drawable(a) || !Drawable(b) || !Drawable(c)) continue;

    switch (mode) {
      case TRenderMode::Wire:
        WireTriangle(target, Round(a.X), Round(a.Y), Round(b.X), Round(b.Y), Round(c.X), Round(c.Y), obj.Color);
        break;
      case TRenderMode::Flat:
        FlatTriangle(target, obj.FillColor, a, b, c);
        break;
      case TRenderMode::Lit: {
        uint8_t level = uint8_t(std::lrint(double(obj.FaceLight[size_t(j)]) * 256.0 / 180.0) & 255);
        FlatTriangle(target, MakeColor(level, level, level), a, b, c);
        break;
      }
      case TRenderMode::Gouraud:
        GouraudTriangle(target, obj.CornerColors[0], obj.CornerColors[1], obj.CornerColors[2], a, b, c);
        break;
      case TRenderMode::Texture:
        TextureTriangle(target, texture, a, b, c, 0.0f, 0.0f, float(texture->Width - 1), 0.0f, 0.0f,
                        float(texture->Height - 1));
        break;
      case TRenderMode::Environment: {
        // Only the middle half of the texture in each direction is used; a
        // normal pointing at the eye samples its centre.
        const int32_t halfWidth = texture->Width / 2, halfHeight = texture->Height / 2;
        const float hw = float(halfWidth / 2), hh = float(halfHeight / 2);
        const TVoxel &na = obj.VertexNormals[size_t(f.A)], &nb = obj.VertexNormals[size_t(f.B)],
                     &nc = obj.VertexNormals[size_t(f.C)];
        TextureTriangle(target, texture, a, b, c, hw * na.X + float(halfWidth), hh * na.Y + float(halfHeight),
                        hw * nb.X + float(halfWidth), hh * nb.Y + float(halfHeight), hw * nc.X + float(halfWidth),
                        hh * nc.Y + float(halfHeight));
        break;
      }
      default:  // points and sprites are drawn above
        break;
    }
  }
}
