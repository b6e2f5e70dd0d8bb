// Broken-down UTC time, portable across the C libraries we build with.
#pragma once

#include <ctime>

namespace quillon::sim::detail {

inline std::tm utcTime(std::time_t seconds) {
  std::tm parts{};
#ifdef _WIN32
  gmtime_s(&parts, &seconds);
#else
  gmtime_r(&seconds, &parts);
#endif
  return parts;
}

}  // namespace quillon::sim::detail
