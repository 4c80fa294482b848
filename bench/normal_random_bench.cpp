// normal_random_bench: the cost of one normal draw, and of the Mplus
// Dummy column's value, which has the same 6 decimals found mostly without
// the draw's Newton steps.
//
// Usage: spss2vornex-bench-normal [DRAWS]   (default 1000000)
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "support/random.h"
#include "transfer/dummy_value.h"

int main(int argc, char** argv) {
  long draws = 1000000;
  if (argc > 1) {
    auto result = std::from_chars(argv[1], argv[1] + std::strlen(argv[1]), draws);
    if (result.ec != std::errc() || draws <= 0) {
      std::fprintf(stderr, "usage: spss2vornex-bench-normal [DRAWS]\n");
      return 64;
    }
  }
  auto time = [draws](const char* what, auto draw) {
    s2v::UniformRandom random(1);
    long double sum = 0;
    auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < draws; ++i) sum += draw(random);
    std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
    // The sum keeps the draws from being optimised away and shows they centre on 0.
    std::printf("%ld %s: %.1f ns each (mean %.5f)\n", draws, what, elapsed.count() / static_cast<double>(draws),
                static_cast<double>(sum / draws));
  };
  time("normal draws", [](s2v::UniformRandom& random) { return s2v::InverseUpperTail(random.Next()); });
  time("Dummy values", [](s2v::UniformRandom& random) { return s2v::DummyValue(random.Next()); });
  return 0;
}
