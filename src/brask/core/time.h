#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace brask::core {

// A UTC date-time with nanosecond precision.
using Timestamp = std::chrono::sys_time<std::chrono::nanoseconds>;

Timestamp utc_now();

// RFC 3339 in UTC with the suffix "Z", for records written straight from their fields.
// The fraction has 0, 3, 6 or 9 digits: the fewest that show the value exactly.
std::string format_rfc3339_z(Timestamp t);

// RFC 3339 in UTC with the offset "+00:00", for times that handlers format themselves.
std::string format_rfc3339_offset(Timestamp t);

// Monotonic clock in nanoseconds, for durations only.
std::chrono::steady_clock::time_point monotonic_now();

// Wall clock since the Unix epoch.
std::uint64_t unix_seconds_now();
std::uint64_t unix_millis_now();

}  // namespace brask::core
