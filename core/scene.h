// TScene: the frame contract every scene and the loading screen follow.
//
// A scene's Run(span) is RunFrames(span, frame): BeginScene, then frames until
// the first one whose scene time exceeds span.length (that one is still drawn
// and shown). The main sequence's table gives every scene its span. Every
// frame ends in FinishFrame: pacing and present, the scene's debug keys, the
// quit test. A quit (or a jump, see show_control.h) ends the frame loop
// after that frame: Run returns and the show loop tears down or jumps. A
// scene frees what it made in its destructor.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "Zentra2/buffer.h"
#include "core/globals.h"
#include "core/show_control.h"
#include "core/timeline.h"

class TScene {
public:
  // Creates `Buffer` (RenderWidth x RenderHeight, system memory), then
  // sleeps 500 ms.
  TScene();
  TScene(const TScene&) = delete;
  TScene& operator=(const TScene&) = delete;
  virtual ~TScene();

  // Plays the scene from its first frame to the end of `span`.
  virtual void Run(const SceneSpan& span) = 0;

  void BeginScene();
  // Frame pacing (20 ms of MusicTimer since the previous frame), the overlay,
  // motion blur, present.
  void EndFrame();
  void DrawDebugInfo();
  // The overlay's lines (y and text) for scene time `d`, as DrawDebugInfo
  // draws them once `d` has reached 500.
  std::vector<std::pair<int32_t, std::string>> OverlayLines(float d) const;
  // Letterbox bars with bobbing boxes, on the absolute demo clock.
  void DrawWaveBars(TBuffer64* target);
  // One window message and the Escape key (and the run hooks of tests): true
  // when the user wants to leave.
  bool QuitRequested();
  // The end of every frame: EndFrame, the debug keys (with -debug), then the
  // quit test, which asks the show to leave. A frame played forward without
  // presenting (a jump) has neither.
  void FinishFrame();

  // The scene protocol. `frame(t)` draws the frame for scene time t (and
  // calls the scene's FinishFrame).
  template <class Frame>
  void RunFrames(const SceneSpan& span, Frame frame) {
    BeginScene();
    FrameLoop(span, frame);
  }
  // The frames alone, timed from the last BeginScene (the loading screen
  // begins its scene before a wait, so its first frame is already late).
  template <class Frame>
  void FrameLoop(const SceneSpan& span, Frame frame) {
    float t;
    do {
      t = SceneTime();
      NoteFrameStart(span.name, t);
      frame(t);
    } while (t <= span.length && !show::Interrupted());
  }

  // SyncTimer units since BeginScene.
  float SceneTime();
  // Whether the frame for scene time `t` may leave out its picture and only
  // move the scene's state on: it is played forward without being presented
  // (a jump), and the frame after it, 20 ms later, redraws the whole screen
  // (RedrawsScreen). Never with motion blur, which blends every frame into
  // the next.
  bool PictureOverdrawn(float t) const;
  // Tells the frame observers (record and benchmark modes) which scene and
  // scene time the coming frame is drawn for.
  static void NoteFrameStart(const char* name, float t);

  int32_t FrameCount = 0;
  float StartTime = 0.0f;
  TBuffer64* Buffer = nullptr;

protected:
  // The scene's own debug keys, read after EndFrame while -debug is on.
  virtual void ReadDebugKeys() {}
  // Whether the frame for scene time `t` sets every pixel of ScreenBuffer
  // without reading what was there, so that no earlier frame's picture shows
  // through it. A scene that answers true for some frames leaves out, in the
  // frames before them that PictureOverdrawn names, only drawing that no
  // later frame reads.
  virtual bool RedrawsScreen(float /*t*/) const { return false; }
  // Whether `picture` is at least as wide as the screen and `extraRows`
  // taller: copied at its top-left corner (or up to `extraRows` higher), it
  // sets every pixel.
  static bool CoversScreen(const TBuffer64* picture, int32_t extraRows = 0);
};
