// SHA-256 of a byte string, as 64 lowercase hex digits. Record mode names
// frames by it, the same way the browser build does, so the two can be
// compared digit for digit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

std::string Sha256Hex(const uint8_t* data, size_t size);
