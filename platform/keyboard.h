// The keyboard as the framework reads it: a 256-byte state indexed by
// DirectInput scan code, 0x80 for a key that is down. The system keyboard's
// state follows the event stream (real and pushed events alike), so it is
// current whenever events are pumped; reading it pumps them.
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

// The keys pressed on the system keyboard since the previous call, oldest
// first, by scan code (held keys' repeats are no presses; past 64 waiting
// presses the oldest are dropped). Taking them leaves the key state that
// GetState reads untouched: the player's controls read presses, the scenes
// read states, and neither steals from the other.
std::vector<uint8_t> TakeKeyPresses();

// The keyboard device. The program reads the system's (Open); a test may
// stand one of its own in its place (a state byte other than 0x80, a lost
// device).
class Keyboard {
public:
  // The system keyboard; needs the event queue: InputNotInitialized when it
  // cannot be started.
  static Result Open(std::unique_ptr<Keyboard>* out);
  virtual ~Keyboard() = default;

  // Reads the state: 0x80 for a key that is down now or went down since the
  // previous read (a tap between two reads counts for the next read only; a
  // held key's repeats are no new presses).
  virtual Result GetState(uint8_t state[256]) = 0;
  virtual Result Acquire() = 0;

protected:
  Keyboard() = default;
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
