// Writes the show's timeline for the page, which shows the running time and
// the chapters before the program itself is loaded: where each scene starts
// and where the show ends, in show seconds (the music's clock), as a script
// that sets QuietOrbitShow. Runs under node at build time.
#include <cstdio>
#include <string>

#include "core/timeline.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: show_facts OUT.js\n");
    return 2;
  }
  // Written under a temporary name and renamed once complete.
  const std::string out = argv[1], part = out + ".part";
  std::FILE* f = std::fopen(part.c_str(), "w");
  if (!f) {
    std::fprintf(stderr, "show_facts: cannot write %s\n", part.c_str());
    return 1;
  }
  std::fprintf(f, "window.QuietOrbitShow = {\n  end: %.2f,\n  scenes: [\n",
               double(timeline::SceneStartMillis(timeline::kSceneCount)) / 1000.0);
  for (size_t i = 0; i < timeline::kSceneCount; ++i)
    std::fprintf(f, "    { name: '%s', start: %.2f },\n", timeline::kScenes[i].name,
                 double(timeline::SceneStartMillis(i)) / 1000.0);
  std::fprintf(f, "  ],\n};\n");
  if (std::fclose(f) != 0 || std::rename(part.c_str(), out.c_str()) != 0) {
    std::fprintf(stderr, "show_facts: cannot write %s\n", out.c_str());
    std::remove(part.c_str());
    return 1;
  }
  return 0;
}
