// The recorded frames as pictures: decoded, written back and hashed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

// A decoded PNG: width, height, RGB bytes. Empty on failure.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
};
Picture ReadPng(const std::filesystem::path& path);
bool WritePng(const std::filesystem::path& path, const Picture& picture);
uint64_t PixelHash(const Picture& picture);
