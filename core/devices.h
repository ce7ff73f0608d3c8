// The devices the whole show shares: opened once at start-up, freed at the
// end (or by the tests' headless show around each test).
#pragma once

class TZentra;

// Makes `display` the show's display and opens the rest on it: the screen
// and blur buffers, the input and the three timers; the music timer runs.
void OpenDevices(TZentra* display);
// Loads the six particle sprites from ./data/gfx/particles.
void LoadParticles();
// Frees the particles, the input, the two screen buffers and the display
// (which gives the desktop back); the timers stay. Every pointer ends null.
void FreeDevices();
