// Whether the vector paths are built: SSE2 where the processor has it, unless
// the build asks for the plain paths alone (SPSS2VORNEX_NO_SIMD, a CMake
// option), which then carry every reading and writing.
#pragma once

#if defined(__SSE2__) && !defined(SPSS2VORNEX_NO_SIMD)
#define S2V_SIMD 1
#endif

#if defined(S2V_SIMD)

#include <emmintrin.h>

#include <cstdint>

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define S2V_AVX2 1
#endif

namespace s2v::simd {

// The bytes of one vector register as the compiler's generic vectors, so that
// code written once with their operators serves both widths. Such code is
// inlined into a function of its width, whose target then picks the
// instructions: a function that uses Avx2 has the "avx2" target. Mask gives
// bit i for byte i of a comparison's result; it takes the result by reference,
// as no vector of 32 bytes may cross a call outside such a function.
struct Sse2 {
  static constexpr int kWidth = 16;
  using Bytes [[gnu::vector_size(16)]] = unsigned char;
  template <typename Hits>
  static std::uint64_t Mask(const Hits& hits) {
    return static_cast<std::uint16_t>(_mm_movemask_epi8(reinterpret_cast<const __m128i&>(hits)));
  }
};

#if defined(S2V_AVX2)
struct Avx2 {
  static constexpr int kWidth = 32;
  using Bytes [[gnu::vector_size(32)]] = unsigned char;
  template <typename Hits>
  [[gnu::target("avx2")]] static std::uint64_t Mask(const Hits& hits) {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(reinterpret_cast<const __m256i&>(hits)));
  }
};

inline bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

// Whether the processor counts and finds bits itself and shifts by a register
// in one step: code that does much of that is also built for the target
// "popcnt,bmi,bmi2,lzcnt" and takes that form where this holds.
inline bool HasBitInstructions() {
  static const bool has = __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt");
  return has;
}
#endif

}  // namespace s2v::simd

#endif
