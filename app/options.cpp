#include "app/options.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "Zentra2/cpu.h"
#include "app/show.h"
#include "core/timeline.h"
#include "platform/session.h"
#include "quietorbit_version.h"

namespace {

struct Flag {
  const char* literal;
  int32_t ShowOptions::*flag;
  const char* help;
};

const Flag kFlags[] = {
    {"-debug", &ShowOptions::debug, "frame-rate and debug overlay; debug keys in three scenes"},
    {"-framerate", &ShowOptions::framerate, "frame-rate overlay"},
    {"-maxpriority", &ShowOptions::maxPriority, "run at the highest process priority (best effort)"},
    {"-motionblur", &ShowOptions::motionBlur, "blend every frame into a running motion-blur buffer"},
    {"-nommx", &ShowOptions::noMMX, "use the plain pixel kernels instead of the vector ones"},
    {"-nosound", &ShowOptions::noSound, "no music"},
    {"-vsync", &ShowOptions::vsync, "wait for the vertical retrace when presenting in a window"},
    {"-windowed", &ShowOptions::windowed, "play in a window at the desktop's depth instead of fullscreen"},
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

// Ours, each either a switch or a name=value.
const char* const kSwitches[] = {"--help", "--version", "--benchmark", "--json", "--hashes", "--gentle", "--list-scenes"};
const char* const kValued[] = {"--record", "--from", "--to", "--frames", "--record-size", "--record-scale", "--start"};

bool ParseSeconds(const std::string& text, double* out) {
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(v >= 0.0) || v > 1e9) return false;
  *out = v;
  return true;
}

// 64 bits everywhere: `long` has 32 in the web build.
bool ParseWhole(const std::string& text, int64_t low, int64_t high, int64_t* out) {
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (errno == ERANGE) return false;
  if (text.empty() || *end != '\0' || v < low || v > high) return false;
  *out = v;
  return true;
}

// "0,50,100-120": frames below `limit`, ascending ranges. The error says what is wrong.
bool ParseFrameList(const std::string& text, int64_t limit, std::set<int64_t>* frames, std::string* error) {
  size_t pos = 0;
  while (pos <= text.size()) {
    const size_t comma = std::min(text.find(',', pos), text.size());
    const std::string item = text.substr(pos, comma - pos);
    pos = comma + 1;
    const size_t dash = item.find('-', 1);
    int64_t a = 0, b = 0;
    if (!ParseWhole(item.substr(0, dash), 0, INT64_MAX, &a) ||
        !ParseWhole(dash == std::string::npos ? item : item.substr(dash + 1), 0, INT64_MAX, &b) || b < a) {
      *error = "needs frame numbers and ascending ranges, e.g. --frames=0,500,1000-1010";
      return false;
    }
    if (b >= limit) {
      *error = "the show has frames 0 to " + std::to_string(limit - 1);
      return false;
    }
    for (int64_t f = a; f <= b; ++f) frames->insert(f);
  }
  return true;
}

std::string SceneNames() {
  std::string names;
  for (const ShowPart& part : ShowParts().subspan(1)) names += std::string(names.empty() ? "" : ", ") + part.span.name;
  return names;
}

// The edit distance with swaps of neighbours counted as one edit.
size_t Distance(const std::string& a, const std::string& b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i)
    for (size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[a.size()][b.size()];
}

// The known option nearest to `name` when it is close enough to be a slip.
std::string Nearest(const std::string& name) {
  std::vector<std::string> known(std::begin(kSwitches), std::end(kSwitches));
  known.insert(known.end(), std::begin(kValued), std::end(kValued));
  for (const Flag& f : kFlags) known.push_back(f.literal);
  for (const Size& s : kSizes) known.push_back(s.literal);
  for (const Depth& d : kDepths) known.push_back(d.literal);
  std::string best;
  size_t bestDistance = 3;  // two edits at most
  for (const std::string& k : known)
    if (const size_t d = Distance(name, k); d < bestDistance && 2 * d < k.size()) best = k, bestDistance = d;
  return best;
}

std::string Seconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f s", s);
  return text;
}

// Video frames per second of the show's virtual time (50).
constexpr double kFramesPerSecond = 1000.0 / timeline::kFrameMillis;

// The first video frame at or after `seconds`.
int64_t FrameAt(double seconds) { return int64_t(std::ceil(seconds * kFramesPerSecond - 1e-6)); }

// The checks that need the whole command line: which options go together,
// and the frames asked for against the show's length.
std::string CheckTogether(Options& o, const std::vector<std::string>& given, const std::string& from,
                          const std::string& to, const std::string& frames, const std::string& size) {
  auto has = [&given](const char* name) { return std::find(given.begin(), given.end(), name) != given.end(); };
  if (has("--record") + has("--benchmark") + has("--hashes") > 1)
    return "--record, --benchmark and --hashes each play the show their own way: choose one";
  for (const char* name : {"--from", "--to", "--frames"})
    if (has(name) && o.mode != RunMode::Record && !(o.mode == RunMode::Hashes && has("--frames")))
      return std::string(name) + " goes with --record (--frames also with --hashes)";
  for (const char* name : {"--record-size", "--record-scale"})
    if (has(name) && o.mode != RunMode::Record) return std::string(name) + " goes with --record";
  if (has("--json") && o.mode != RunMode::Benchmark) return "--json goes with --benchmark";
  if (!frames.empty() && (!from.empty() || !to.empty()))
    return "--frames and --from/--to both choose frames: give one of them";

  const int64_t total = ShowFrames(o.startMillis);
  const std::string length = " is past the end of the show (" + Seconds(double(total) / kFramesPerSecond) + " long" +
                             (o.start.empty() ? "" : " from " + o.start) + ")";
  double fromSeconds = 0, toSeconds = double(total) / kFramesPerSecond;
  if (!from.empty() && !ParseSeconds(from, &fromSeconds)) return "--from=" + from + ": needs seconds, e.g. --from=61.5";
  if (!to.empty() && !ParseSeconds(to, &toSeconds)) return "--to=" + to + ": needs seconds, e.g. --to=90";
  if (!from.empty() && !to.empty() && fromSeconds >= toSeconds)
    return "--from=" + from + " --to=" + to + ": --from must come before --to";
  if (FrameAt(fromSeconds) >= total) return "--from=" + from + length;
  if (toSeconds * kFramesPerSecond > double(total) + 1e-6) return "--to=" + to + length;
  if (!from.empty() || !to.empty()) {
    o.frames.first = FrameAt(fromSeconds);
    o.frames.end = FrameAt(toSeconds);
    if (o.frames.end <= o.frames.first)
      return "--from=" + from + " --to=" + to + ": no frame starts in that stretch (50 a second)";
  }
  if (!frames.empty()) {
    std::string why;
    if (!ParseFrameList(frames, total, &o.frames.only, &why)) return "--frames=" + frames + ": " + why;
    o.frames.first = *o.frames.only.begin();
    o.frames.end = *o.frames.only.rbegin() + 1;
    // One unbroken stretch is written as --from/--to would write it, music included.
    if (int64_t(o.frames.only.size()) == o.frames.end - o.frames.first) o.frames.only.clear();
  }
  const bool mp4 = o.out.ends_with(".mp4"), video = mp4 || o.out.ends_with(".mkv");
  if (video && !o.frames.only.empty())
    return "--frames=" + frames + ": a video holds one unbroken stretch of frames; give a range such as " +
           "--frames=3000-3049, or record the list into a folder (--record=FOLDER)";
  if (mp4 && o.layout && (o.layout->width % 2 != 0 || o.layout->height % 2 != 0))
    return size + ": .mp4 needs an even width and height";
  return "";
}

}  // namespace

Options ParseCommandLine(const std::vector<std::string>& args) {
  Options o;
  ShowOptions& show = o.show;
  show.anyArgument = !args.empty();
  std::vector<std::string> given;  // our option names, in order
  std::string from, to, frames, size;
  auto fail = [&o](const std::string& message) {
    if (o.error.empty()) o.error = message;
  };
  for (const std::string& arg : args) {
    if (arg.rfind("--", 0) != 0) {
      // The show's own: exact literals; anything else is ignored.
      for (const Flag& f : kFlags)
        if (arg == f.literal) show.*f.flag = FlagOn;
      for (const Size& s : kSizes)
        if (arg == s.literal) show.width = s.width, show.height = s.height;
      for (const Depth& d : kDepths)
        if (arg == d.literal) show.bpp = d.bpp;
      continue;
    }
    const size_t eq = arg.find('=');
    const std::string name = arg.substr(0, eq), value = eq == std::string::npos ? "" : arg.substr(eq + 1);
    const bool isSwitch = std::find(std::begin(kSwitches), std::end(kSwitches), name) != std::end(kSwitches);
    const bool isValued = std::find(std::begin(kValued), std::end(kValued), name) != std::end(kValued);
    if (!isSwitch && !isValued) {
      const std::string near = Nearest(name);
      fail("unknown option " + arg + (near.empty() ? "; see --help" : "; did you mean " + near + "?"));
      continue;
    }
    if (isSwitch && eq != std::string::npos) {
      fail(arg + ": " + name + " takes no value");
      continue;
    }
    if (isValued && value.empty()) {
      fail(arg + ": " + name + " needs a value, e.g. " + name + "=" +
           (name == "--record" ? "show.mp4" : name == "--start" ? "meshes" : name == "--frames" ? "0,500" :
            name == "--record-size" ? "1920x1080" : name == "--record-scale" ? "2" : "61.5"));
      continue;
    }
    given.push_back(name);
    int64_t whole = 0;
    if (name == "--benchmark") o.mode = RunMode::Benchmark;
    else if (name == "--hashes") o.mode = RunMode::Hashes;
    else if (name == "--record") {
      o.mode = RunMode::Record;
      o.out = value;
      std::error_code ec;
      o.outPath = std::filesystem::absolute(value, ec).string();
    }
    else if (name == "--json") o.json = true;
    else if (name == "--gentle") o.gentle = true;
    else if (name == "--from") from = value;
    else if (name == "--to") to = value;
    else if (name == "--frames") frames = value;
    else if (name == "--start") {
      o.start = value;
      std::string why;
      if (const std::optional<int32_t> at = ParseShowTime(value, &why)) o.startMillis = *at;
      else fail(arg + ": " + why + " (scenes: " + SceneNames() + ")");
    } else if (name == "--record-size") {
      const size_t x = value.find('x');
      int64_t w = 0, h = 0;
      size = arg;
      // At least the frame's own size, and at most 16 times it.
      if (x == std::string::npos || !ParseWhole(value.substr(0, x), RenderWidth, 16 * RenderWidth, &w) ||
          !ParseWhole(value.substr(x + 1), RenderHeight, 16 * RenderHeight, &h))
        fail(arg + ": needs a width and height of at least 512x384, e.g. --record-size=1920x1080");
      else
        o.layout = LayoutForSize(RenderWidth, RenderHeight, int(w), int(h));
    } else if (name == "--record-scale") {
      size = arg;
      if (!ParseWhole(value, 1, 16, &whole)) fail(arg + ": needs a whole factor from 1 to 16");
      else o.layout = LayoutForScale(RenderWidth, RenderHeight, int(whole));
    }
  }
  // Help, the version and the scene list are printed whatever else is given.
  for (auto [name, mode] : {std::pair{"--help", RunMode::Help}, std::pair{"--version", RunMode::Version},
                            std::pair{"--list-scenes", RunMode::ListScenes}})
    if (std::find(given.begin(), given.end(), name) != given.end()) {
      o.mode = mode;
      o.error.clear();
      return o;
    }
  if (o.error.empty()) o.error = CheckTogether(o, given, from, to, frames, size);
  return o;
}

void ApplyShowOptions(const ShowOptions& show) {
  DebugMode = show.debug;
  ShowFramerate = show.framerate;
  MotionBlur = show.motionBlur;
  Windowed = show.windowed;
  ScreenWidth = show.width;
  ScreenHeight = show.height;
  ScreenBpp = show.bpp;
  if (!show.anyArgument) return;
  // These only switch on here: a sound failure may have turned NoSound on.
  for (auto [on, flag] : {std::pair{show.maxPriority, &MaxPriority}, std::pair{show.noMMX, &NoMMX},
                          std::pair{show.noSound, &NoSound}, std::pair{show.vsync, &VSync}})
    if (on) *flag = FlagOn;
  if (NoMMX) UseMMX = false;
  platform::SetPriorityClass(MaxPriority ? platform::PriorityClass::Realtime : platform::PriorityClass::Normal);
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
      "Show options (exact, case-sensitive; later ones override earlier ones; others\n"
      "with a single dash are ignored):\n";
  auto line = [&text](const std::string& name, const std::string& help) {
    text += "  " + name + std::string(name.size() < 16 ? 16 - name.size() : 1, ' ') + help + "\n";
  };
  for (const Flag& f : kFlags) line(f.literal, f.help);
  for (const Size& s : kSizes)
    line(s.literal, "display size " + std::to_string(s.width) + " x " + std::to_string(s.height) +
                        (s.width == RenderWidth ? " (default)" : ""));
  for (const Depth& d : kDepths)
    line(d.literal, std::to_string(d.bpp) + " bits per pixel (fullscreen only)" + (d.bpp == 32 ? " (default)" : ""));
  text += "\nOther options (an unknown one is an error):\n";
  line("--help", "print this help and exit");
  line("--version", "print the version and exit");
  line("--record=OUT", "play headless on a virtual clock and write the show: OUT.mp4/.mkv (needs ffmpeg)");
  line("", "or a folder of frame_NNNNNN.png + music.wav + frames.csv; a video's index is");
  line("", "OUT.frames.csv beside it. Written under temporary names, in place only when complete");
  line("--from=S", "with --record: write from second S of the show (50 frames per second)");
  line("--to=S", "with --record: write up to second S, not including it");
  line("--frames=LIST", "with --record or --hashes: only these frame numbers, e.g. 0,500,1000-1010");
  line("", "(a video takes one unbroken range)");
  line("--record-size=WxH", "with --record: each frame enlarged by the largest whole factor that fits,");
  line("", "every pixel a square block, centred on black (e.g. 3840x2160: 5 times)");
  line("--record-scale=K", "with --record: each frame enlarged K times, every pixel a K x K block");
  line("--start=TIME", "after loading, jump to show time TIME: seconds (200), minutes:seconds");
  line("", "(3:20), a scene (metaballs) or seconds into one (metaballs+12.5); the picture and");
  line("", "the music are those of a full run at that time. Scenes: " + SceneNames());
  line("--list-scenes", "print each scene with its start in the music, in seconds, and exit");
  line("--gentle", "no part of the show flashes more than three times a second (see the warning)");
  line("--benchmark", "play headless on a virtual clock and report drawing time per frame");
  line("--json", "with --benchmark: one JSON object instead of a table");
  line("--hashes", "play headless on a virtual clock and print, as JSON, the SHA-256 of the --frames");
  line("", "(RGB24 rows top-down) and the median drawing time per scene; no files");
  text +=
      "\nKeys: Escape leaves the show, as do closing the window and Ctrl+C; F11 or\n"
      "Alt+Enter switch between the window and fullscreen. Space pauses and resumes\n"
      "(every clock and the music stop); F12 saves the frame on the screen, 512 x 384,\n"
      "as quietorbit-SECONDSs.png in the folder the program was started from. Left and\n"
      "Right jump 10 s back and on, Page Up and Page Down to the start of the previous\n"
      "and next scene, Home to the intro's start; with -debug these five keys are the\n"
      "scenes' debug keys instead.\n"
      "\nExit status: 0 when the show ran to its end or was left, 1 on an error, 2 on\n"
      "a mistake in the options; 130 or 143 when a recording, benchmark or hash run\n"
      "was stopped by Ctrl+C (SIGINT) or SIGTERM, which leaves none of its files.\n";
  return text;
}

std::string VersionText() { return std::string("quietorbit ") + QO_VERSION + "\n"; }
