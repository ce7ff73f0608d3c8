// The loading screen: the background fades in, the logo panel rises, and
// every preparation step prints a line into the panel and fills a block.
#pragma once

#include <memory>
#include <string>

#include "core/scene.h"

class TImage64;

class TLoadingScene : public TScene {
public:
  TLoadingScene();
  // Waits until 2000 units after the music began, then animates for the
  // span's length.
  void Run(const SceneSpan& span) override;
  // One progress step: scroll the text area, print `message`, fill a block.
  void ShowProgress(const std::string& message);

  int32_t Counter = 0;
  std::unique_ptr<TImage64> Background, Logo;
  std::unique_ptr<TBuffer64> ProgressBuffer;

private:
  const char* name_ = "";  // the progress steps' frames belong to the loading part
};
