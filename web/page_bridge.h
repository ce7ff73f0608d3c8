// The live show's controls in the web page: the desktop's (the page's bar
// presses the same keys), plus what the bar reads from and asks of the show
// through the functions page_bridge.cpp exports.
#pragma once

#include <filesystem>

#include "app/player.h"
#include "core/frame_observer.h"

class PageControls final : public FrameObserver {
public:
  explicit PageControls(std::filesystem::path folder);
  ~PageControls() override;

  void FrameStarted(const char* scene, float t) override;
  void FramePresented() override;

private:
  Player player_;
};
