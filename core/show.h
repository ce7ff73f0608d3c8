// The main sequence: devices, music, loading screen, the six scenes in order.
#pragma once

#include <string>
#include <vector>

// Plays the show with the given command line (program name excluded) and
// returns the exit code of the normal end.
int RunShow(const std::vector<std::string>& args);

// The steps of the show, for the record and benchmark modes and tests.
void CreateDevices();
void LoadParticles();
