#include "core/options.h"

#include <cstdint>

#include "Zentra2/cpu.h"
#include "core/globals.h"
#include "platform/session.h"

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

PriorityRequest ParseOptions(const std::vector<std::string>& args) {
  DebugMode = ShowFramerate = MotionBlur = Windowed = 0;
  ScreenWidth = RenderWidth;
  ScreenHeight = RenderHeight;
  ScreenBpp = 32;
  if (args.empty()) return PriorityRequest::Untouched;

  for (const std::string& arg : args) {
    for (const Flag& f : kFlags)
      if (arg == f.literal) *f.flag = FlagOn;
    for (const Size& s : kSizes)
      if (arg == s.literal) ScreenWidth = s.width, ScreenHeight = s.height;
    for (const Depth& d : kDepths)
      if (arg == d.literal) ScreenBpp = d.bpp;
  }
  if (NoMMX) UseMMX = false;
  PriorityRequest request = MaxPriority ? PriorityRequest::Realtime : PriorityRequest::Normal;
  platform::SetPriorityClass(MaxPriority ? platform::PriorityClass::Realtime : platform::PriorityClass::Normal);
  return request;
}

ExtraOptions ParseExtraOptions(const std::vector<std::string>& args) {
  ExtraOptions extra;
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") extra.help = true;
    else if (arg == "--version") extra.version = true;
  }
  return extra;
}

std::string HelpText() {
  std::string text =
      "usage: quietorbit [options]\n"
      "\n"
      "Plays the show from ./data/ (run from the folder that holds data/).\n"
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
  text += "\nKeys: Escape leaves the show; closing the window too.\n";
  return text;
}

std::string VersionText() { return "quietorbit 1.0.0\n"; }
