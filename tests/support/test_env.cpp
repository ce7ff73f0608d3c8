// Linked into every test: headless SDL drivers unless the environment says
// otherwise, the tests' own fontconfig file (always: what a test draws must not
// depend on the fonts of the machine), and the paths tests need to find the
// binary and the sources. Child processes inherit all of it.
#include <cstdlib>

namespace {
struct TestEnvironment {
  TestEnvironment() {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("FONTCONFIG_FILE", QO_FONTCONFIG_PATH, 1);
    setenv("QO_BIN", QO_BIN_PATH, 0);
    setenv("QO_SOURCE_DIR", QO_SOURCE_PATH, 0);
  }
} g_testEnvironment;
}  // namespace
