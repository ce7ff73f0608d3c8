#include "Zentra2/image.h"

// libjpeg's header needs size_t and FILE declared first.
#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <jpeglib.h>
#include <jerror.h>
#include <png.h>

#include "Zentra2/error.h"
#include "Zentra2/kept.h"
#include "Zentra2/pixel_traits.h"
#include "platform/bmp.h"

namespace {

// A stream is read to its end (or this much) before decoding; no image of the
// show comes near it, and a larger one fails in its decoder as truncated.
constexpr size_t kMaxStreamBytes = size_t(256) << 20;
// A progressive JPEG can ask for a great many scans; real files use about ten.
constexpr int kMaxJpegScans = 1000;

// A picture loaded from a file while the show keeps what it loads, as its
// buffer stores it: `height` rows of `pitch` bytes.
struct KeptPicture {
  int32_t width = 0, height = 0;
  size_t pitch = 0;
  std::vector<uint8_t> pixels;
};

kept::ByKey<KeptPicture>& KeptPictures() {
  static kept::ByKey<KeptPicture> pictures;
  return pictures;
}

// A decoded picture: packed 8-bit R, G, B triplets, top row first.
struct Picture {
  int32_t width = 0, height = 0;
  std::vector<uint8_t> rgb;
};

enum class Outcome { Ok, Failed };

bool SizeAcceptable(int64_t w, int64_t h) { return w <= kMaxImageSide && h <= kMaxImageSide && w * h <= kMaxImagePixels; }

std::string TooLarge(int64_t w, int64_t h) {
  return "Image too large: " + std::to_string(w) + " x " + std::to_string(h) + " pixels";
}

bool SignatureMatches(const uint8_t* header, const uint8_t* signature, size_t count) {
  return std::memcmp(header, signature, count) == 0;
}

// ---- JPEG ----

struct JpegErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

// libjpeg's own handler would call exit(); this one returns control to the decoder.
[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// Warnings are silent, except the end of the data arriving before the end of
// the picture: a truncated file is damaged, not a grey-filled picture.
void JpegEmitMessage(j_common_ptr cinfo, int level) {
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) JpegErrorExit(cinfo);
}

void JpegProgress(j_common_ptr cinfo) {
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxJpegScans) {
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    std::snprintf(err->message, sizeof err->message, "more than %d scans", kMaxJpegScans);
    std::longjmp(err->jump, 1);
  }
}

// Only trivially destructible locals live here: longjmp lands in this frame.
Outcome DecodeJpegInto(jpeg_decompress_struct* cinfo, JpegErrorManager* jerr, const uint8_t* data, size_t size,
                       Picture* out, std::string* error) {
  if (setjmp(jerr->jump)) {
    *error = jerr->message;
    return Outcome::Failed;
  }
  jpeg_create_decompress(cinfo);
  jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(cinfo, TRUE);
  if (!SizeAcceptable(cinfo->image_width, cinfo->image_height)) {
    *error = TooLarge(cinfo->image_width, cinfo->image_height);
    return Outcome::Failed;
  }
  // Four-channel pictures (CMYK, or YCCK which the library turns into CMYK)
  // come out as CMYK and are converted here.
  const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
  cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_start_decompress(cinfo);
  const int components = cmyk ? 4 : 3;
  if (cinfo->output_components != components) {
    *error = "unexpected colour layout";
    return Outcome::Failed;
  }
  out->width = int32_t(cinfo->output_width);
  out->height = int32_t(cinfo->output_height);
  size_t stride = size_t(out->width) * size_t(components);
  out->rgb.resize(stride * size_t(out->height));
  while (cinfo->output_scanline < cinfo->output_height) {
    JSAMPROW row = out->rgb.data() + size_t(cinfo->output_scanline) * stride;
    jpeg_read_scanlines(cinfo, &row, 1);
  }
  if (cmyk) {
    // Adobe's files (the APP14 marker) store every channel inverted, others
    // store the ink. In place: each RGB triple lands at or before its CMYK.
    const bool inverted = cinfo->saw_Adobe_marker;
    const size_t pixels = size_t(out->width) * size_t(out->height);
    uint8_t* p = out->rgb.data();
    for (size_t i = 0; i < pixels; ++i) {
      uint32_t c = p[4 * i], m = p[4 * i + 1], y = p[4 * i + 2], k = p[4 * i + 3];
      if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
      p[3 * i] = uint8_t((c * k + 127) / 255);
      p[3 * i + 1] = uint8_t((m * k + 127) / 255);
      p[3 * i + 2] = uint8_t((y * k + 127) / 255);
    }
    out->rgb.resize(pixels * 3);
  }
  jpeg_finish_decompress(cinfo);
  return Outcome::Ok;
}

Outcome DecodeJpeg(const uint8_t* data, size_t size, Picture* out, std::string* error) {
  jpeg_decompress_struct cinfo;
  JpegErrorManager jerr;
  std::memset(&cinfo, 0, sizeof cinfo);
  std::memset(&jerr, 0, sizeof jerr);
  cinfo.err = jpeg_std_error(&jerr.pub);
  jerr.pub.error_exit = JpegErrorExit;
  jerr.pub.emit_message = JpegEmitMessage;
  jpeg_progress_mgr progress{};
  progress.progress_monitor = JpegProgress;
  cinfo.progress = &progress;
  Outcome result = DecodeJpegInto(&cinfo, &jerr, data, size, out, error);
  jpeg_destroy_decompress(&cinfo);
  if (result != Outcome::Ok) *error = "JPEG error: " + *error;
  return result;
}

// ---- PNG ----

struct PngSource {
  const uint8_t* data;
  size_t size, pos;
};

void PngRead(png_structp png, png_bytep dest, png_size_t length) {
  auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
  if (length > src->size - src->pos) png_error(png, "Read Error: unexpected end of data");
  std::memcpy(dest, src->data + src->pos, length);
  src->pos += length;
}

[[noreturn]] void PngError(png_structp png, png_const_charp message) {
  auto* error = static_cast<std::string*>(png_get_error_ptr(png));
  // Assign without allocating a new block in the common case; the text is short.
  error->assign(message ? message : "unknown error");
  png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

// Only trivially destructible locals live here: longjmp lands in this frame.
// `rgba` and `rows` belong to the caller so they are freed on every path.
Outcome DecodePngInto(png_structp png, png_infop info, PngSource* src, Picture* out, std::vector<uint8_t>* rgba,
                      std::vector<png_bytep>* rows, std::string* error) {
  if (setjmp(png_jmpbuf(png))) return Outcome::Failed;
  png_set_read_fn(png, src, PngRead);
  png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
  png_read_info(png, info);
  png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  if (!SizeAcceptable(w, h)) {
    *error = TooLarge(w, h);
    return Outcome::Failed;
  }
  // Everything becomes 8-bit RGBA: palettes and grey expanded, 16-bit
  // channels reduced to their high byte, transparency as an alpha channel.
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t(w) * 4) png_error(png, "unexpected row layout");
  rgba->resize(size_t(w) * 4 * h);
  rows->resize(h);
  for (size_t y = 0; y < h; ++y) (*rows)[y] = rgba->data() + y * size_t(w) * 4;
  png_read_image(png, rows->data());
  png_read_end(png, nullptr);
  out->width = int32_t(w);
  out->height = int32_t(h);
  return Outcome::Ok;
}

Outcome DecodePng(const uint8_t* data, size_t size, Picture* out, std::string* error) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, error, PngError, PngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    *error = "PNG error: out of memory";
    return Outcome::Failed;
  }
  PngSource src{data, size, 0};
  std::vector<uint8_t> rgba;
  std::vector<png_bytep> rows;
  Outcome result = DecodePngInto(png, info, &src, out, &rgba, &rows, error);
  png_destroy_read_struct(&png, &info, nullptr);
  if (result != Outcome::Ok) {
    *error = "PNG error: " + *error;
    return result;
  }
  // Transparency is flattened over black: the sprites are drawn additively.
  size_t count = size_t(out->width) * size_t(out->height);
  out->rgb.resize(count * 3);
  const uint8_t* s = rgba.data();
  uint8_t* d = out->rgb.data();
  for (size_t i = 0; i < count; ++i, s += 4, d += 3) {
    unsigned a = s[3];
    d[0] = uint8_t((s[0] * a + 127) / 255);
    d[1] = uint8_t((s[1] * a + 127) / 255);
    d[2] = uint8_t((s[2] * a + 127) / 255);
  }
  return Outcome::Ok;
}

// ---- conversion into the buffer's depth ----

// The picture's top-left part that fits the buffer, packed into its depth.
template <class Px>
void StorePicture(TBuffer64& buf, const Picture& pic) {
  const int32_t w = std::min(pic.width, buf.Width), h = std::min(pic.height, buf.Height);
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* rgb = pic.rgb.data() + size_t(y) * size_t(pic.width) * 3;
    uint8_t* row = buf.Rows[size_t(y)];
    for (int32_t x = 0; x < w; ++x, rgb += 3) Px::Store(row, x, Px::Pack(rgb[0], rgb[1], rgb[2]));
  }
}

}  // namespace

TImage64::TImage64(TZentra* display, const std::string& fileName, bool videoMemory)
    : TBuffer64(display, 1, 1, videoMemory) {
  LoadFromFile(fileName, videoMemory);
}

void TBuffer64::LoadFromFile(const std::string& fileName, bool videoMemory) {
  // The pixels depend on the depth they were stored in as well as the file.
  const std::string key = std::to_string(BitDepth) + " " + fileName;
  if (const KeptPicture* picture = KeptPictures().Find(key)) {
    FitSurface(picture->width, picture->height, videoMemory);
    const size_t rowBytes = std::min(size_t(Pitch), picture->pitch);
    for (int32_t y = 0; y < Height; ++y)
      std::memcpy(Rows[size_t(y)], picture->pixels.data() + size_t(y) * picture->pitch, rowBytes);
    return;
  }
  ReadFromFile(fileName, videoMemory);
  if (!kept::Keeping()) return;
  KeptPicture picture{Width, Height, size_t(Pitch), std::vector<uint8_t>(size_t(Pitch) * size_t(Height))};
  for (int32_t y = 0; y < Height; ++y)
    std::memcpy(picture.pixels.data() + size_t(y) * picture.pitch, Rows[size_t(y)], picture.pitch);
  KeptPictures().Keep(key, std::move(picture));
}

void TBuffer64::ReadFromFile(const std::string& fileName, bool videoMemory) {
  std::ifstream file(fileName, std::ios::binary);
  std::string reason = std::strerror(errno);
  // A directory opens on this system but holds no data to read.
  std::error_code ec;
  if (file.is_open() && std::filesystem::is_directory(fileName, ec)) {
    file.close();
    reason = std::strerror(EISDIR);
  }
  if (!file.is_open()) {
    ReportFileProblem(fileName, reason, true);
    UnhandledError("Cannot open file \"" + fileName + "\". " + reason);
  }
  LoadFromStream(file, videoMemory, fileName);
}

void TBuffer64::LoadFromStream(std::istream& stream, bool videoMemory, const std::string& fileName) {
  // Beside the message of the error path, the file it is about.
  auto name = [&fileName](const std::string& reason) {
    if (!fileName.empty()) ReportFileProblem(fileName, reason, true);
  };
  // The decoders work from memory: read from the current position to the end.
  std::istream::pos_type start = stream.tellg();
  std::vector<uint8_t> data;
  {
    constexpr size_t kChunk = 64 << 10;
    while (stream && data.size() < kMaxStreamBytes) {
      size_t have = data.size();
      data.resize(have + kChunk);
      stream.read(reinterpret_cast<char*>(data.data() + have), std::streamsize(kChunk));
      data.resize(have + size_t(stream.gcount()));
    }
  }
  stream.clear();
  if (start != std::istream::pos_type(-1)) stream.seekg(start);

  static constexpr uint8_t kJpeg[] = {0xFF, 0xD8};
  static constexpr uint8_t kBmp[] = {0x42, 0x4D};
  static constexpr uint8_t kPng[] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
  // Fewer than 8 bytes cannot be any of them: the header is read whole.
  const bool haveHeader = data.size() >= 8;
  Picture pic;
  std::string error;
  // A decoder's complaint and a picture without pixels end the program.
  auto decoded = [&](Outcome outcome, const std::string& kind) {
    if (outcome != Outcome::Ok) {
      name(error);
      UnhandledError(error);
    }
    if (pic.width == 0 && pic.height == 0) {
      name("a " + kind + " picture without pixels");
      BufferError("LoadStreamImage", "Error loading " + kind + " from Stream...");
    }
  };
  if (haveHeader && SignatureMatches(data.data(), kJpeg, 2)) {
    const Outcome outcome = DecodeJpeg(data.data(), data.size(), &pic, &error);
    data = {};
    decoded(outcome, "JPEG");
  } else if (haveHeader && SignatureMatches(data.data(), kBmp, 2)) {
    bool ok = platform::DecodeBmp(data.data(), data.size(), kMaxImageSide, kMaxImagePixels, &pic.width, &pic.height,
                                  &pic.rgb, &error);
    data = {};
    if (!ok) {
      name("BMP error: " + error);
      UnhandledError("BMP error: " + error);
    }
  } else if (haveHeader && SignatureMatches(data.data(), kPng, 8)) {
    const Outcome outcome = DecodePng(data.data(), data.size(), &pic, &error);
    data = {};
    decoded(outcome, "PNG");
  } else {
    data = {};
    name("not a JPEG, PNG or BMP picture");
    BufferError("LoadStreamImage", "Stream Image format not supported...");
  }

  FitSurface(pic.width, pic.height, videoMemory);
  pixel::WithDepth(BitDepth, [&](auto px) { StorePicture<decltype(px)>(*this, pic); });
}

void TBuffer64::FitSurface(int32_t width, int32_t height, bool videoMemory) {
  // A new surface only when the size or the kind of memory asked for changes;
  // the field VideoMemory keeps what the buffer was made with.
  if (width != Width || height != Height || videoMemory != VideoMemory) {
    ReleaseSurface();
    CreateSurface(width, height, videoMemory);
    LockSurface();
    UnlockSurface();
    Clear(0);
  }
}
