// dummy_value_check: for every uniform draw k * 2^-32 with k in [FIRST, LAST),
// checks that the Dummy column's quick value has the same text with 6
// decimals as the Newton inversion's value, and reports the largest distance
// between the two where the quick value was taken.
//
// Usage: spss2vornex-check-dummy [FIRST LAST]   (default: all 2^32 draws)
// The whole range takes about 90 minutes of one core; split it over processes.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "support/random.h"
#include "transfer/dummy_value.h"

namespace {

std::string_view SixDecimals(double x, char (&buffer)[400]) {
  auto result = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed, 6);
  return std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer));
}

bool ParseBound(const char* text, std::uint64_t& value) {
  auto result = std::from_chars(text, text + std::strlen(text), value);
  return result.ec == std::errc() && *result.ptr == '\0' && value <= (std::uint64_t{1} << 32);
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t first = 0;
  std::uint64_t last = std::uint64_t{1} << 32;
  if (argc != 1 && (argc != 3 || !ParseBound(argv[1], first) || !ParseBound(argv[2], last) || first > last)) {
    std::fprintf(stderr, "usage: spss2vornex-check-dummy [FIRST LAST]   (0 <= FIRST <= LAST <= 2^32)\n");
    return 64;
  }
  std::uint64_t mismatches = 0;
  std::uint64_t quick = 0;
  double largestDistance = 0;
  std::uint64_t largestAt = first;
  for (std::uint64_t k = first; k < last; ++k) {
    long double p = static_cast<long double>(k) * 0x1p-32L;
    double exact = static_cast<double>(s2v::InverseUpperTail(p));
    double value = s2v::DummyValue(p);
    char a[400];
    char b[400];
    if (SixDecimals(exact, a) != SixDecimals(value, b)) {
      if (++mismatches <= 10)
        std::printf("mismatch at k = %llu: %.17g against %.17g\n", static_cast<unsigned long long>(k), value, exact);
    }
    if (p > 0 && value == s2v::QuickUpperTailQuantile(static_cast<double>(p))) {
      ++quick;
      double distance = std::fabs(value - exact);
      if (distance > largestDistance) {
        largestDistance = distance;
        largestAt = k;
      }
    }
  }
  std::printf("draws %llu to %llu: %llu mismatches, quick value taken %llu times, largest distance %.3g at k = %llu\n",
              static_cast<unsigned long long>(first), static_cast<unsigned long long>(last),
              static_cast<unsigned long long>(mismatches), static_cast<unsigned long long>(quick), largestDistance,
              static_cast<unsigned long long>(largestAt));
  return mismatches == 0 ? 0 : 1;
}
