// The keyboard as the framework reads it: a 256-byte state indexed by
// DirectInput scan code, 0x80 for a key that is down. The state follows the
// event stream (real and pushed events alike), so it is current whenever
// events are pumped; reading it pumps them.
//
// The first joystick is opened for its button list and never read.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/surface.h"

namespace platform {

namespace result {
constexpr Result InputLost = 0x8007001E;
constexpr Result InputNotInitialized = 0x80070015;
constexpr Result InputGeneric = 0x80004005;
}  // namespace result

// DirectInput scan code of an SDL scan code; 0 for keys without one.
uint8_t ScanCodeFromSdl(int sdlScancode);

class Keyboard {
public:
  // Needs the event queue; InputNotInitialized when it cannot be started.
  static Result Open(std::unique_ptr<Keyboard>* out);
  ~Keyboard();
  Keyboard(const Keyboard&) = delete;
  Keyboard& operator=(const Keyboard&) = delete;

  // Pumps the events and reads the state: 0x80 for a key that is down now
  // or went down since the previous read (a tap between two reads counts
  // for the next read only; a held key's repeats are no new presses).
  Result GetState(uint8_t state[256]);
  Result Acquire();

  // Test hooks: one byte of the state as the device would report it, and
  // failures of the next `count` GetState/Acquire calls.
  static void SetStateByte(uint8_t code, uint8_t value);
  void FailNextCalls(int count, Result code) {
    failCount_ = count;
    failCode_ = code;
  }

private:
  Keyboard() = default;
  bool TakeInjectedFailure(Result* code);
  int failCount_ = 0;
  Result failCode_ = result::Ok;
};

class Joystick {
public:
  // The first joystick, or null when none is attached.
  static std::unique_ptr<Joystick> OpenFirst();
  ~Joystick();
  Joystick(const Joystick&) = delete;
  Joystick& operator=(const Joystick&) = delete;

  int ButtonCount() const;
  std::string ButtonName(int index) const;

private:
  Joystick() = default;
  void* joystick_ = nullptr;  // SDL_Joystick
};

}  // namespace platform
