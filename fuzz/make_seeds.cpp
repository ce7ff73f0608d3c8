// Writes the fuzzer's seed corpus into the directory given: small valid
// JPEG, PNG and BMP files in the layouts the loader handles.
#include <filesystem>
#include <fstream>
#include <iostream>

#include "tests/support/image_files.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: fuzz_seeds DIR\n";
    return 2;
  }
  using namespace testimg;
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
  int count = 0;
  auto put = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    ++count;
  };
  const Pixels pic = Pattern(9, 7, true), few = Pattern(4, 3, true);
  put("rgb.png", EncodePng(pic, PngKind::Rgb8));
  put("rgba_interlaced.png", EncodePng(pic, PngKind::Rgba8, true));
  put("grey.png", EncodePng(pic, PngKind::Grey8));
  put("grey_alpha.png", EncodePng(pic, PngKind::GreyAlpha8));
  put("grey2.png", EncodePng(pic, PngKind::Grey2, true));
  put("palette.png", EncodePng(few, PngKind::Palette8));
  put("palette_alpha.png", EncodePng(few, PngKind::PaletteAlpha));
  put("rgb16.png", EncodePng(pic, PngKind::Rgb16));
  put("baseline.jpg", EncodeJpeg(pic, 75));
  put("progressive.jpg", EncodeJpeg(Pattern(17, 9), 60, true));
  put("tiny.jpg", EncodeJpeg(Pattern(1, 1), 90));
  put("picture.bmp", EncodeBmp(pic));
  put("tiny.bmp", EncodeBmp(Pattern(1, 1)));
  std::cout << "fuzz_seeds: " << count << " files in " << dir.string() << "\n";
  return 0;
}
