#include "app/options.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "Zentra2/cpu.h"
#include "app/show.h"
#include "core/globals.h"
#include "platform/session.h"
#include "quietorbit_version.h"

namespace {

struct Flag {
  const char* literal;
  int32_t* flag;
  const char* help;
};

const Flag kFlags[] = {
    {"-debug", &DebugMode, "frame-rate and debug overlay; debug keys in three scenes"},
    {"-framerate", &ShowFramerate, "frame-rate overlay"},
    {"-maxpriority", &MaxPriority, "run at the highest process priority (best effort)"},
    {"-motionblur", &MotionBlur, "blend every frame into a running motion-blur buffer"},
    {"-nommx", &NoMMX, "use the plain pixel kernels instead of the vector ones"},
    {"-nosound", &NoSound, "no music"},
    {"-vsync", &VSync, "wait for the vertical retrace when presenting in a window"},
    {"-windowed", &Windowed, "play in a window at the desktop's depth instead of fullscreen"},
};

struct Size {
  const char* literal;
  int32_t width, height;
};

const Size kSizes[] = {
    {"-res:320x240", 320, 240},
    {"-res:512x384", 512, 384},
    {"-res:640x480", 640, 480},
    {"-res:800x600", 800, 600},
};

struct Depth {
  const char* literal;
  int32_t bpp;
};

const Depth kDepths[] = {{"-bpp:15b", 15}, {"-bpp:16b", 16}, {"-bpp:24b", 24}, {"-bpp:32b", 32}};

}  // namespace

void ParseOptions(const std::vector<std::string>& args) {
  DebugMode = ShowFramerate = MotionBlur = Windowed = 0;
  ScreenWidth = RenderWidth;
  ScreenHeight = RenderHeight;
  ScreenBpp = 32;
  if (args.empty()) return;

  for (const std::string& arg : args) {
    for (const Flag& f : kFlags)
      if (arg == f.literal) *f.flag = FlagOn;
    for (const Size& s : kSizes)
      if (arg == s.literal) ScreenWidth = s.width, ScreenHeight = s.height;
    for (const Depth& d : kDepths)
      if (arg == d.literal) ScreenBpp = d.bpp;
  }
  if (NoMMX) UseMMX = false;
  platform::SetPriorityClass(MaxPriority ? platform::PriorityClass::Realtime : platform::PriorityClass::Normal);
}

namespace {
bool ParseSeconds(const std::string& text, double* out) {
  char* end = nullptr;
  double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(v >= 0.0) || v > 1e9) return false;
  *out = v;
  return true;
}
}  // namespace

namespace {
bool ParseWhole(const std::string& text, int low, int high, int* out) {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < low || v > high) return false;
  *out = int(v);
  return true;
}

// "WxH", at least the frame's own size (and at most 16 times it).
bool ParseSize(const std::string& text, int* width, int* height) {
  const size_t x = text.find('x');
  return x != std::string::npos && ParseWhole(text.substr(0, x), RenderWidth, 16 * RenderWidth, width) &&
         ParseWhole(text.substr(x + 1), RenderHeight, 16 * RenderHeight, height);
}

std::string SceneNames() {
  std::string names;
  for (const ShowPart& part : ShowParts().subspan(1)) names += std::string(names.empty() ? "" : ", ") + part.span.name;
  return names;
}
}  // namespace

ExtraOptions ParseExtraOptions(const std::vector<std::string>& args) {
  ExtraOptions extra;
  auto value = [](const std::string& arg, const char* prefix, std::string* out) {
    size_t n = std::strlen(prefix);
    if (arg.compare(0, n, prefix) != 0) return false;
    *out = arg.substr(n);
    return true;
  };
  std::string v;
  for (const std::string& arg : args) {
    if (arg == "--help") extra.help = true;
    else if (arg == "--version") extra.version = true;
    else if (arg == "--benchmark") extra.benchmark = true;
    else if (arg == "--json") extra.json = true;
    else if (arg == "--hashes") extra.hashes = true;
    else if (arg == "--gentle") extra.gentle = true;
    else if (arg == "--list-scenes") extra.listScenes = true;
    else if (value(arg, "--record=", &extra.recordOut)) {
      extra.record = true;
      if (extra.recordOut.empty()) extra.error = "--record needs a folder or a .mp4/.mkv file";
    } else if (value(arg, "--from=", &v)) {
      if (!ParseSeconds(v, &extra.fromSeconds)) extra.error = "--from needs seconds, e.g. --from=61.5";
    } else if (value(arg, "--to=", &v)) {
      if (!ParseSeconds(v, &extra.toSeconds)) extra.error = "--to needs seconds, e.g. --to=90";
    } else if (value(arg, "--frames=", &extra.frames)) {
    } else if (value(arg, "--record-size=", &v)) {
      if (!ParseSize(v, &extra.recordWidth, &extra.recordHeight))
        extra.error = "--record-size needs a width and height of at least 512x384, e.g. --record-size=1920x1080";
    } else if (value(arg, "--record-scale=", &v)) {
      if (!ParseWhole(v, 1, 16, &extra.recordScale)) extra.error = "--record-scale needs a whole factor from 1 to 16";
    } else if (value(arg, "--start=", &extra.start)) {
      if (!FindShowPart(extra.start)) extra.error = "--start needs a scene: " + SceneNames();
    }
  }
  return extra;
}

std::string HelpText() {
  std::string text =
      "usage: quietorbit [options]\n"
      "\n"
      "Plays the show from the first data/ folder found: in the working folder, in\n"
      "$QUIETORBIT_DATA, or the installed one (<prefix>/share/quietorbit).\n"
      "\n"
      "Warning: the show has strobes and fast flashing (the circles and meshes scenes,\n"
      "a blinking picture in the intro) that can trigger seizures in people with\n"
      "photosensitive epilepsy. --gentle plays it with no more than three flashes\n"
      "in any second.\n"
      "\n"
      "Show options (exact, case-sensitive; later ones override earlier ones):\n";
  auto line = [&text](const std::string& name, const std::string& help) {
    text += "  " + name + std::string(name.size() < 16 ? 16 - name.size() : 1, ' ') + help + "\n";
  };
  for (const Flag& f : kFlags) line(f.literal, f.help);
  for (const Size& s : kSizes)
    line(s.literal, "display size " + std::to_string(s.width) + " x " + std::to_string(s.height) +
                        (s.width == RenderWidth ? " (default)" : ""));
  for (const Depth& d : kDepths)
    line(d.literal, std::to_string(d.bpp) + " bits per pixel (fullscreen only)" + (d.bpp == 32 ? " (default)" : ""));
  text += "\nOther options:\n";
  line("--help", "print this help and exit");
  line("--version", "print the version and exit");
  line("--record=OUT", "play headless on a virtual clock and write the show: OUT.mp4/.mkv (needs ffmpeg)");
  line("", "or a folder of frame_NNNNNN.png + music.wav; frames.csv indexes the frames");
  line("--from=S", "with --record: write from second S of the show (50 frames per second)");
  line("--to=S", "with --record: write up to second S");
  line("--frames=LIST", "with --record: write only these frame numbers, e.g. 0,500,1000-1010");
  line("--record-size=WxH", "with --record: each frame enlarged by the largest whole factor that fits,");
  line("", "every pixel a square block, centred on black (e.g. 3840x2160: 5 times)");
  line("--record-scale=K", "with --record: each frame enlarged K times, every pixel a K x K block");
  line("--start=SCENE", "skip to a scene after loading, the music where that scene has it:");
  line("", SceneNames());
  line("--list-scenes", "print each scene with its start in the music and exit");
  line("--gentle", "no part of the show flashes more than three times a second (see the warning)");
  line("--benchmark", "play headless on a virtual clock and report drawing time per frame");
  line("--json", "with --benchmark: one JSON object instead of a table");
  line("--hashes", "play headless on a virtual clock and print, as JSON, the SHA-256 of the --frames");
  line("", "(RGB24 rows top-down) and the median drawing time per scene; no files");
  text += "\nKeys: Escape leaves the show; closing the window too.\n";
  return text;
}

std::string VersionText() { return std::string("quietorbit ") + QO_VERSION + "\n"; }
