#include "generate.h"

#include <atomic>
#include <chrono>
#include <exception>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "imageio.h"
#include "meshes.h"
#include "music.h"
#include "pictures.h"
#include "text.h"

namespace fs = std::filesystem;

namespace mkdata {

namespace {

const char* kStampName = ".mkdata-stamp";
const char* kMusicPath = "msx/QuietOrbit.mp3";

struct MeshAsset {
  const char* path;
  Mesh (*make)();
};

const MeshAsset kMeshes[] = {
    {"msh/geosph10.asc", [] { return MakeGeosphere(10.0f, 6); }},
    {"msh/spring1.asc", [] { return MakeSpring("spring1", 4.0f, 6.3f, 6.3f, 19.0f, 1.25f, 32, 10); }},
    {"msh/spring2.asc", [] { return MakeSpring("spring2", 3.5f, 8.0f, 3.5f, 14.0f, 1.9f, 24, 12); }},
    {"msh/saucer.asc", [] { return MakeSaucer(); }},
};

bool WriteText(const fs::path& path, const std::string& text) {
  fs::path tmp = path;
  tmp += ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary);
    out << text;
    if (!out.flush()) return false;
  }
  std::error_code ec;
  fs::rename(tmp, path, ec);
  return !ec;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// FNV-1a over a whole file; false when it cannot be read.
bool HashFile(const char* path, uint64_t& hash, uint64_t& size) {
  hash = 1469598103934665603ull;
  size = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::vector<char> buf(1 << 16);
  while (in) {
    in.read(buf.data(), std::streamsize(buf.size()));
    for (std::streamsize i = 0; i < in.gcount(); ++i) {
      hash ^= static_cast<unsigned char>(buf[size_t(i)]);
      hash *= 1099511628211ull;
    }
    size += uint64_t(in.gcount());
  }
  return size > 0;
}

std::string Hex(uint64_t v) {
  char text[17];
  snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
  return text;
}

}  // namespace

std::vector<std::string> TreeFiles() {
  std::vector<std::string> files;
  for (const auto& p : Pictures()) files.push_back(p.path);
  for (const auto& m : kMeshes) files.push_back(m.path);
  files.push_back(kMusicPath);
  return files;
}

std::string GeneratorFingerprint() {
  // The executable: any rebuilt generator with different code gets a new stamp. Without
  // /proc the build's time stands in, so each rebuild regenerates.
  uint64_t hash, size;
  std::string text = "mkdata 2 ";
  text += HashFile("/proc/self/exe", hash, size) ? Hex(hash) : std::string("built " __DATE__ " " __TIME__);
  text += "\n";
  // The fonts the pictures are drawn with: another file (or none) means another tree.
  for (const FontFile& f : FontFiles()) {
    std::string path = FontPath(f);
    text += "font " + path + " ";
    text += HashFile(path.c_str(), hash, size) ? std::to_string(size) + " " + Hex(hash) : std::string("missing");
    text += "\n";
  }
  return text;
}

bool UpToDate(const std::string& dir) {
  std::ifstream in(fs::path(dir) / kStampName, std::ios::binary);
  if (!in) return false;
  std::stringstream ss;
  ss << in.rdbuf();
  if (ss.str() != GeneratorFingerprint()) return false;
  for (const auto& f : TreeFiles())
    if (!fs::is_regular_file(fs::path(dir) / f)) return false;
  return true;
}

bool Generate(const std::string& dir, bool verbose) {
  auto start = std::chrono::steady_clock::now();
  RequireFonts();
  fs::path root(dir);
  std::error_code ec;
  fs::remove(root / kStampName, ec);
  for (const auto& f : TreeFiles()) {
    fs::create_directories((root / f).parent_path(), ec);
    if (ec) {
      fprintf(stderr, "mkdata: cannot create %s: %s\n", (root / f).parent_path().c_str(), ec.message().c_str());
      return false;
    }
  }

  // The music is the longest job: it runs beside the pictures.
  std::atomic<bool> musicOk{false};
  double renderSeconds = 0, encodeSeconds = 0;
  std::thread music([&] {
    try {
      auto t0 = std::chrono::steady_clock::now();
      std::vector<float> pcm = RenderSoundtrack();
      renderSeconds = Seconds(t0);
      t0 = std::chrono::steady_clock::now();
      musicOk = WriteMp3((root / kMusicPath).string(), pcm, "quiet orbit");
      encodeSeconds = Seconds(t0);
    } catch (const std::exception& e) {
      fprintf(stderr, "mkdata: music: %s\n", e.what());
    }
  });
  // Whatever happens to the pictures, the music thread is joined before leaving.
  struct Joiner {
    std::thread& t;
    ~Joiner() {
      if (t.joinable()) t.join();
    }
  } joiner{music};

  bool ok = true;
  for (const auto& asset : Pictures()) {
    auto t0 = std::chrono::steady_clock::now();
    Pixels pix = Quantise(asset.paint(), asset.dither);
    std::string path = (root / asset.path).string();
    bool written = asset.format == Format::Png ? WritePng(path, pix) : WriteJpeg(path, pix, 92);
    if (!written) {
      fprintf(stderr, "mkdata: cannot write %s\n", path.c_str());
      ok = false;
    }
    if (verbose) fprintf(stderr, "mkdata: %-28s %4d x %-4d %.2f s\n", asset.path.c_str(), pix.w, pix.h, Seconds(t0));
  }
  for (const auto& m : kMeshes) {
    Mesh mesh = m.make();
    if (!WriteText(root / m.path, ToAsc(mesh))) {
      fprintf(stderr, "mkdata: cannot write %s\n", (root / m.path).c_str());
      ok = false;
    }
    if (verbose)
      fprintf(stderr, "mkdata: %-28s %zu vertices, %zu faces\n", m.path, mesh.vertices.size(), mesh.faces.size());
  }
  music.join();
  if (!musicOk) {
    fprintf(stderr, "mkdata: cannot write %s\n", (root / kMusicPath).c_str());
    ok = false;
  }
  if (verbose)
    fprintf(stderr, "mkdata: %-28s %.2f s to compose, %.2f s to encode\n", kMusicPath, renderSeconds, encodeSeconds);
  if (!ok) return false;
  if (!WriteText(root / kStampName, GeneratorFingerprint())) {
    fprintf(stderr, "mkdata: cannot write the stamp in %s\n", dir.c_str());
    return false;
  }
  if (verbose) fprintf(stderr, "mkdata: wrote %s in %.1f s\n", dir.c_str(), Seconds(start));
  return true;
}

}  // namespace mkdata
