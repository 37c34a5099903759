#include "brask/core/time.h"

#include <fmt/format.h>

namespace brask::core {
namespace {

std::string format_rfc3339(Timestamp t, const char* suffix) {
  using namespace std::chrono;
  const auto day = floor<days>(t);
  const year_month_day ymd{day};
  const hh_mm_ss hms{floor<nanoseconds>(t - day)};
  auto text = fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}", static_cast<int>(ymd.year()),
                          static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                          hms.hours().count(), hms.minutes().count(), hms.seconds().count());
  const auto nanos = hms.subseconds().count();
  if (nanos != 0) {
    if (nanos % 1'000'000 == 0) {
      text += fmt::format(".{:03}", nanos / 1'000'000);
    } else if (nanos % 1'000 == 0) {
      text += fmt::format(".{:06}", nanos / 1'000);
    } else {
      text += fmt::format(".{:09}", nanos);
    }
  }
  text += suffix;
  return text;
}

}  // namespace

Timestamp utc_now() {
  return std::chrono::time_point_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now());
}

std::string format_rfc3339_z(Timestamp t) {
  return format_rfc3339(t, "Z");
}

std::string format_rfc3339_offset(Timestamp t) {
  return format_rfc3339(t, "+00:00");
}

std::chrono::steady_clock::time_point monotonic_now() {
  return std::chrono::steady_clock::now();
}

// A clock set before 1970 reads as the epoch rather than wrapping to a huge unsigned value.
template <typename Unit>
std::uint64_t since_epoch() {
  const auto count =
      std::chrono::duration_cast<Unit>(std::chrono::system_clock::now().time_since_epoch()).count();
  return count < 0 ? 0 : static_cast<std::uint64_t>(count);
}

std::uint64_t unix_seconds_now() {
  return since_epoch<std::chrono::seconds>();
}

std::uint64_t unix_millis_now() {
  return since_epoch<std::chrono::milliseconds>();
}

}  // namespace brask::core
