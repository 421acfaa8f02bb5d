// Small general helpers: OpenCV type names, random strings, decimal rounding.
#pragma once

#include <cstddef>
#include <string>

// OpenCV type name without the CV_ prefix, e.g. 16 -> "8UC3".
[[nodiscard]] std::string type2str(int type);

// Random letters and digits. minLength 0 or SIZE_MAX: exactly `length` characters; otherwise a
// length drawn uniformly from minLength..length (exactly `length` when minLength > length).
[[nodiscard]] std::string GenerateRandomString(std::size_t length, std::size_t minLength);

// Rounds to `places` decimals (to an integer when places < 1), halves away from zero, computed
// on the double product value * 10^places.
[[nodiscard]] double roundToDecimalPlaces(double value, int places);

// Kept for callers that install a process-wide exception handler elsewhere: does nothing here.
void ProtectExceptionHandler();
