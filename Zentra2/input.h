// TInput64: the keyboard by DirectInput scan code (1 = Escape), plus the
// first joystick, opened and held but never read.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {
class Keyboard;
class Joystick;
}  // namespace platform

class TInput64 {
public:
  // Opens the keyboard for the display window `window` (any failure is
  // fatal) and the first joystick if one is attached.
  explicit TInput64(uint32_t window);
  virtual ~TInput64();
  TInput64(const TInput64&) = delete;
  TInput64& operator=(const TInput64&) = delete;

  // True when the key's state byte is exactly 0x80: the key is down now or
  // went down since the previous read of the keyboard (of any key). A failed
  // read reacquires the keyboard and counts the key as up for this call.
  bool KeyDown(uint8_t key);
  [[noreturn]] void InputError(const std::string& operation, const std::string& text);

  uint32_t Window = 0;
  std::unique_ptr<platform::Keyboard> Keyboard;
  std::unique_ptr<platform::Joystick> Joystick;
  bool JoystickPresent = false;
  int32_t ButtonCount = 0;
  std::vector<std::string> ButtonNames;

private:
  void Release();
};
