#pragma once

// Counts and sizes as the windows, alerts and the command line show them.

#include <cstdint>
#include <string>

namespace orvane {

// 1234567 as "1,234,567".
std::string groupedNumber(uint64_t value);

// A grouped count with its noun: "1 file", "1,234 files".
std::string countedText(uint64_t count, const char* one, const char* many);

// A size in bytes with one decimal in the largest unit that keeps it at or above 1:
// "512 bytes", "1.5 kB", "394.0 MB": decimal units, as file managers show them.
std::string byteCountText(uint64_t bytes);

} // namespace orvane
