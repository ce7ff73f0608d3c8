// Watches the presents of a display with -vsync: each frame reaches the
// screen at the end of its wait for the retrace, nothing waits after it, and
// no wait is longer than one refresh.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "Zentra2/buffer.h"
#include "platform/clock.h"
#include "platform/display_device.h"

class VSyncWatch {
public:
  explicit VSyncWatch(platform::DisplayDevice& device)
      : device_(device), refresh_(std::llround(1e6 / device.RefreshRate())) {
    device.SetPresentListener([this](const platform::Surface&) { shownAt = platform::GetClock().Micros(); });
  }
  ~VSyncWatch() { device_.SetPresentListener(nullptr); }
  VSyncWatch(const VSyncWatch&) = delete;
  VSyncWatch& operator=(const VSyncWatch&) = delete;

  // One flip with vsync, checked.
  void Flip(TBuffer64& frame) {
    const int64_t before = platform::GetClock().Micros();
    frame.Flip(true);
    const int64_t after = platform::GetClock().Micros();
    EXPECT_EQ(shownAt, after) << "nothing waits after the present";
    EXPECT_LE(after - before, refresh_);
  }

  int64_t shownAt = -1;  // clock reading at the last present

private:
  platform::DisplayDevice& device_;
  int64_t refresh_;
};
