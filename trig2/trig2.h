// The sine table: one full turn in 64000 steps, and the four lookups every
// moving thing of the show uses instead of sin/cos.
#pragma once

inline constexpr int SinTableSize = 64000;

// Fills the table (idempotent). Until it has run every lookup returns 0.0.
void BuildSinTable();

float FastSin(float radians);
float FastCos(float radians);
float FastSinDeg(float degrees);
float FastCosDeg(float degrees);
