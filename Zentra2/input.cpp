#include "Zentra2/input.h"

#include "Zentra2/error.h"
#include "Zentra2/error_text.h"
#include "platform/keyboard.h"

static_assert(platform::result::InputLost == DIERR_INPUTLOST);
static_assert(platform::result::InputNotInitialized == DIERR_NOTINITIALIZED);

TInput64::TInput64(uint32_t window) : Window(window) {
  // The mouse needs no setup here: nothing reads it.
  platform::Result r = platform::Keyboard::Open(&Keyboard);
  if (r != DI_OK) InputError("CreateDeviceK", DIErrorString(r));
  r = Keyboard->Acquire();
  if (r != DI_OK) InputError("AcquireK", DIErrorString(r));
  Joystick = platform::Joystick::OpenFirst();
  JoystickPresent = Joystick != nullptr;
  if (JoystickPresent) {
    // At most the 32 buttons a joystick state has room for.
    for (int i = 0; i < Joystick->ButtonCount() && i < 32; ++i) {
      ButtonNames.push_back(Joystick->ButtonName(i));
      ++ButtonCount;
    }
  }
}

TInput64::~TInput64() { Release(); }

void TInput64::Release() {
  Joystick.reset();
  Keyboard.reset();
}

bool TInput64::KeyDown(uint8_t key) {
  if (!Keyboard) return false;
  uint8_t state[256] = {};
  // The state counts a key tapped since the previous read as down, so a
  // quick tap between two frames still ends the show.
  if (Keyboard->GetState(state) == DI_OK) return state[key] == 0x80;
  while (Keyboard->Acquire() == DIERR_INPUTLOST) {
  }
  return false;
}

void TInput64::InputError(const std::string& operation, const std::string& text) {
  Release();
  FatalError(ComposeError("TInput64", operation, text));
}
