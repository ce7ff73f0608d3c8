// flash_report FOLDER: reads a recorded folder (frame_NNNNNN.png and
// frames.csv) and prints every stretch where more than three flashes fall
// within one second, with the scene and scene time of its first frame.
//   build/bin/quietorbit --record=rec && flash_report rec
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "tests/record/flashes.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: flash_report FOLDER\n");
    return 2;
  }
  const fs::path dir = argv[1];
  std::vector<size_t> frames;
  std::vector<std::string> where;
  std::ifstream csv(dir / "frames.csv");
  std::string row;
  std::getline(csv, row);
  while (std::getline(csv, row)) {
    std::stringstream s(row);
    std::string frame, kind, scene, t;
    std::getline(s, frame, ',');
    std::getline(s, kind, ',');
    std::getline(s, scene, ',');
    std::getline(s, t, ',');
    frames.push_back(std::stoul(frame));
    where.push_back(scene + " t=" + t);
  }
  std::vector<double> luminance;
  for (size_t frame : frames) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06zu.png", frame);
    luminance.push_back(MeanLuminance(ReadPng(dir / name)));
  }
  const std::vector<size_t> ends = ChangeEnds(luminance);
  std::printf("%zu frames, %zu changes\n", frames.size(), ends.size());
  // Each one-second window, reported once per stretch of offending windows.
  bool inStretch = false;
  for (size_t i = 0; i < luminance.size(); ++i) {
    std::vector<size_t> inside;
    for (size_t e : ends)
      if (e >= i && e < i + 50) inside.push_back(e);
    const int flashes = MostFlashes(inside, 50);
    if (flashes > 3 && !inStretch)
      std::printf("frame %zu (%s): %d flashes in one second\n", frames[i], where[i].c_str(), flashes);
    inStretch = flashes > 3;
  }
  return 0;
}
