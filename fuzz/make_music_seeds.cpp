// Writes the music fuzzer's seed corpus into the directory given: small
// tracker modules and MP3 streams of the kinds the loader plays.
#include <filesystem>
#include <fstream>
#include <iostream>

#include "tests/support/media.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: fuzz_music_seeds DIR\n";
    return 2;
  }
  using namespace qo_test;
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
  int count = 0;
  auto put = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                      std::streamsize(bytes.size()));
    ++count;
  };
  put("tone.mod", ToneMod("tone"));
  put("varied.mod", VariedMod("varied", 3));
  // Streams a few frames long, so the decoder reaches the end and loops.
  put("stereo.mp3", EncodeMp3(TestSignal(2304), 44100, 2, 64));
  const std::vector<float> signal = TestSignal(2304);
  std::vector<float> mono;
  for (size_t i = 0; i < signal.size(); i += 2) mono.push_back(signal[i]);
  put("mono22k.mp3", EncodeMp3(mono, 22050, 1, 32));
  // An ID3v2 tag in front of the audio, as real files have.
  std::vector<uint8_t> tagged = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 20};
  tagged.resize(30, 0);
  std::vector<uint8_t> audio = EncodeMp3(mono, 32000, 1, 32);
  tagged.insert(tagged.end(), audio.begin(), audio.end());
  put("tagged.mp3", tagged);
  std::cout << "fuzz_music_seeds: " << count << " files in " << dir.string() << "\n";
  return 0;
}
