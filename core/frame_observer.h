// Hooks on the frame contract for the record and benchmark modes: which scene
// a frame belongs to, when its drawing ends and when it reaches the screen.
#pragma once

class FrameObserver {
public:
  virtual ~FrameObserver() = default;
  // Top of a frame: `scene` ("loading", "intro"...) and its scene time.
  virtual void FrameStarted(const char* scene, float t) {}
  // Drawing is done; frame pacing starts.
  virtual void FrameDrawn() {}
  // The frame has been presented.
  virtual void FramePresented() {}
};

// At most one observer; null switches them off.
void SetFrameObserver(FrameObserver* observer);
FrameObserver* GetFrameObserver();
