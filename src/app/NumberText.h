#pragma once

// Numbers as the windows show them.

#include <cstdint>
#include <string>

namespace orvane {

// 1234567 as "1,234,567".
std::string groupedNumber(uint64_t value);

// A size in bytes with one decimal in the largest unit that keeps it at or above 1:
// "512 bytes", "1.5 KB", "394.0 MB" (units of 1000).
std::string byteSizeText(uint64_t bytes);

} // namespace orvane
