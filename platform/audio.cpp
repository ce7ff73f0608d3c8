#include "platform/audio.h"

#include <SDL.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio_decoders.h"
#include "platform/audio_mixer.h"

namespace platform::audio {

namespace {

struct Music {
  std::unique_ptr<LoopingSource> source;
  bool module = false;
  std::string title;
};

struct Component {
  int rate = 44100;
  SDL_AudioDeviceID device = 0;  // 0 in offline mode
  std::mutex lock;               // guards mixer and musics; the audio thread holds it per buffer
  Mixer mixer;
  std::map<uint32_t, Music> musics;
  uint32_t nextHandle = 1;
};

// Created and destroyed by the main thread only; the audio thread reaches
// it through the callback's user pointer, and Free closes the device (which
// waits for the callback) before deleting it. Deliberately a plain pointer:
// the show ends without freeing anything while the callback still runs, so
// no exit-time destructor may take the component from under it.
Component* component = nullptr;

// The wishes of Start/Pause/SetVolume, picked up at the start of each buffer.
std::atomic<bool> wantRunning{true};
std::atomic<int> wantVolume{100};

// Called with c.lock held, before each buffer.
void ApplyWishes(Component& c) {
  if (wantRunning.load(std::memory_order_acquire)) c.mixer.Start();
  else c.mixer.Pause();
  const int volume = wantVolume.load(std::memory_order_acquire);
  if (volume != c.mixer.Volume()) c.mixer.SetVolume(volume);
}

void SDLCALL Callback(void* user, Uint8* stream, int len) {
  auto& c = *static_cast<Component*>(user);
  std::lock_guard<std::mutex> hold(c.lock);
  ApplyWishes(c);
  c.mixer.Render(reinterpret_cast<float*>(stream), static_cast<size_t>(len) / (kChannels * sizeof(float)));
}

// The show may end the process with the device still open. Closing it at
// exit stops the callback before any library's exit-time teardown runs.
void CloseDeviceAtExit() {
  if (component != nullptr && component->device != 0) {
    SDL_CloseAudioDevice(component->device);
    component->device = 0;
  }
}

void ResetWishes() {
  wantRunning.store(true);
  wantVolume.store(100);
}

uint32_t AddMusic(Music music) {
  std::lock_guard<std::mutex> hold(component->lock);
  const uint32_t handle = component->nextHandle++;
  if (component->nextHandle == 0) component->nextHandle = 1;
  component->musics.emplace(handle, std::move(music));
  return handle;
}

bool Play(uint32_t handle, bool module, bool loop) {
  if (!component) return false;
  std::lock_guard<std::mutex> hold(component->lock);
  auto it = component->musics.find(handle);
  if (it == component->musics.end() || it->second.module != module) return false;
  LoopingSource& source = *it->second.source;
  source.SetLoop(loop);
  if (module) source.Rewind();
  // Wishes posted before the play call (volume, start) take effect before
  // its first frame, not as a ramp over it.
  ApplyWishes(*component);
  component->mixer.Play(&source);
  return true;
}

bool FreeMusic(uint32_t handle, bool module) {
  if (!component) return false;
  std::unique_ptr<LoopingSource> doomed;
  {
    std::lock_guard<std::mutex> hold(component->lock);
    auto it = component->musics.find(handle);
    if (it == component->musics.end() || it->second.module != module) return false;
    if (component->mixer.Playing() == it->second.source.get()) component->mixer.Play(nullptr);
    doomed = std::move(it->second.source);
    component->musics.erase(it);
  }
  return true;  // the decoder is destroyed here, outside the lock
}

}  // namespace

uint32_t Version() { return 0x00010000; }

bool Initialised() { return component != nullptr; }

bool Init(int device, int rate) {
  if (component || rate <= 0) return false;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  auto c = std::make_unique<Component>();
  c->rate = rate;
  const char* name = nullptr;
  if (device >= 0) {
    name = SDL_GetAudioDeviceName(device, 0);
    if (name == nullptr) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return false;
    }
  }
  SDL_AudioSpec want{};
  want.freq = rate;
  want.format = AUDIO_F32SYS;
  want.channels = kChannels;
  want.samples = 1024;  // about 23 ms: the latency of pause, resume and volume
  want.callback = &Callback;
  want.userdata = c.get();
  SDL_AudioSpec have{};
  // No allowed changes: SDL converts to whatever the hardware wants.
  c->device = SDL_OpenAudioDevice(name, 0, &want, &have, 0);
  if (c->device == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  ResetWishes();
  component = c.release();
  static const bool closeAtExit = std::atexit(&CloseDeviceAtExit) == 0;
  (void)closeAtExit;
  SDL_PauseAudioDevice(component->device, 0);  // the device runs for good; holding is ours
  return true;
}

bool InitOffline(int rate) {
  if (component || rate <= 0) return false;
  auto c = std::make_unique<Component>();
  c->rate = rate;
  ResetWishes();
  component = c.release();
  return true;
}

void Free() {
  if (component == nullptr) return;
  if (component->device != 0) {
    SDL_CloseAudioDevice(component->device);  // returns once the callback is done for good
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  delete component;
  component = nullptr;
}

bool Start() {
  wantRunning.store(true, std::memory_order_release);
  return component != nullptr;
}

bool Pause() {
  wantRunning.store(false, std::memory_order_release);
  return component != nullptr;
}

bool SetVolume(int volume) {
  if (!component || volume < 0 || volume > 100) return false;
  wantVolume.store(volume, std::memory_order_release);
  return true;
}

int GetVolume() { return component ? wantVolume.load() : -1; }

uint32_t MusicLoad(const char* path) {
  if (!component) return 0;
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) return 0;
  OpenedModule opened = OpenModule(bytes, component->rate);
  if (!opened.source) return 0;
  return AddMusic(Music{std::move(opened.source), true, std::move(opened.title)});
}

uint32_t StreamCreateFile(const char* path) {
  if (!component) return 0;
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) return 0;
  std::unique_ptr<LoopingSource> stream = OpenStream(std::move(bytes), component->rate);
  if (!stream) return 0;
  return AddMusic(Music{std::move(stream), false, {}});
}

bool MusicPlay(uint32_t music) { return Play(music, true, true); }

bool StreamPlay(uint32_t stream, bool loop) { return Play(stream, false, loop); }

std::optional<std::string> MusicGetName(uint32_t music) {
  if (!component) return std::nullopt;
  std::lock_guard<std::mutex> hold(component->lock);
  auto it = component->musics.find(music);
  if (it == component->musics.end() || !it->second.module) return std::nullopt;
  return it->second.title;
}

std::optional<uint64_t> GetPosition(uint32_t music) {
  if (!component) return std::nullopt;
  std::lock_guard<std::mutex> hold(component->lock);
  auto it = component->musics.find(music);
  if (it == component->musics.end()) return std::nullopt;
  return it->second.source->Position();
}

bool SetPosition(uint32_t music, uint64_t frame) {
  if (!component) return false;
  std::lock_guard<std::mutex> hold(component->lock);
  auto it = component->musics.find(music);
  if (it == component->musics.end()) return false;
  it->second.source->Seek(frame);
  return true;
}

bool MusicFree(uint32_t music) { return FreeMusic(music, true); }

bool StreamFree(uint32_t stream) { return FreeMusic(stream, false); }

bool RenderOffline(float* out, size_t frames) {
  if (!component || component->device != 0) {
    std::memset(out, 0, frames * kChannels * sizeof(float));
    return false;
  }
  std::lock_guard<std::mutex> hold(component->lock);
  ApplyWishes(*component);
  component->mixer.Render(out, frames);
  return true;
}

}  // namespace platform::audio
