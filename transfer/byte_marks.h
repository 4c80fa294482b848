// The marks of the VORNEX data file's bytes, 64 at a time, one bit a byte:
// separators (blanks, tabs and line ends), line ends, and the characters of
// numbers. Inline, with the AVX2 variant beside the plain one, so that tests
// can compare both.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "support/simd.h"

#if defined(S2V_SIMD)
#include <emmintrin.h>
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define S2V_MARK_AVX2 1
#endif
#endif

namespace s2v::byte_marks {

enum CharClass : unsigned char { kSeparator, kLineEnd, kNumberChar, kOther };

// The characters of numbers; blanks and tabs, and line ends, separate fields.
inline constexpr std::array<unsigned char, 256> kClass = [] {
  std::array<unsigned char, 256> table{};
  table.fill(kOther);
  for (char c : std::string_view("0123456789.+-eE")) table[static_cast<unsigned char>(c)] = kNumberChar;
  table[' '] = table['\t'] = kSeparator;
  table['\r'] = table['\n'] = kLineEnd;
  return table;
}();

inline unsigned char ClassOf(char c) { return kClass[static_cast<unsigned char>(c)]; }

struct BlockMarks {
  std::uint64_t separators = 0;
  std::uint64_t lineEnds = 0;
  std::uint64_t numberChars = 0;
};

// The marks of the 64 bytes at p.
inline BlockMarks MarkBlock(const char* p) {
  BlockMarks marks;
#if defined(S2V_SIMD)
  for (int part = 0; part < 4; ++part) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * part));
    auto equal = [&block](char c) { return _mm_cmpeq_epi8(block, _mm_set1_epi8(c)); };
    auto bits = [](__m128i m) { return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(m))); };
    const __m128i digit = _mm_and_si128(_mm_cmpeq_epi8(_mm_max_epu8(block, _mm_set1_epi8('0')), block),
                                        _mm_cmpeq_epi8(_mm_min_epu8(block, _mm_set1_epi8('9')), block));
    const __m128i exponent = _mm_cmpeq_epi8(_mm_or_si128(block, _mm_set1_epi8(0x20)), _mm_set1_epi8('e'));
    const __m128i lineEnd = _mm_or_si128(equal('\r'), equal('\n'));
    marks.lineEnds |= bits(lineEnd) << (16 * part);
    marks.separators |= bits(_mm_or_si128(lineEnd, _mm_or_si128(equal(' '), equal('\t')))) << (16 * part);
    marks.numberChars |= bits(_mm_or_si128(_mm_or_si128(digit, exponent),
                                           _mm_or_si128(equal('.'), _mm_or_si128(equal('+'), equal('-')))))
                         << (16 * part);
  }
#else
  for (int i = 0; i < 64; ++i) {
    unsigned char c = ClassOf(p[i]);
    std::uint64_t bit = std::uint64_t{1} << i;
    if (c <= kLineEnd) marks.separators |= bit;
    if (c == kLineEnd) marks.lineEnds |= bit;
    if (c == kNumberChar) marks.numberChars |= bit;
  }
#endif
  return marks;
}

// The marks of blocks of 64 bytes at p, one word a block.
inline void MarkBlocks(const char* p, std::size_t blocks, std::uint64_t* separators, std::uint64_t* lineEnds,
                       std::uint64_t* numberChars) {
  for (std::size_t w = 0; w < blocks; ++w) {
    const BlockMarks marks = MarkBlock(p + 64 * w);
    separators[w] = marks.separators;
    lineEnds[w] = marks.lineEnds;
    numberChars[w] = marks.numberChars;
  }
}

#if defined(S2V_MARK_AVX2)

[[gnu::target("avx2")]] inline std::uint64_t Bits(__m256i hits, int shift) {
  return std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(hits))} << shift;
}

// The same 32 bytes at a time, for processors with AVX2.
[[gnu::target("avx2")]] inline void MarkBlocksAvx2(const char* p, std::size_t blocks, std::uint64_t* separators,
                                                   std::uint64_t* lineEnds, std::uint64_t* numberChars) {
  const __m256i zero = _mm256_set1_epi8('0');
  const __m256i nine = _mm256_set1_epi8('9');
  const __m256i lower = _mm256_set1_epi8(0x20);
  const __m256i e = _mm256_set1_epi8('e');
  const __m256i point = _mm256_set1_epi8('.');
  const __m256i plus = _mm256_set1_epi8('+');
  const __m256i minus = _mm256_set1_epi8('-');
  const __m256i cr = _mm256_set1_epi8('\r');
  const __m256i lf = _mm256_set1_epi8('\n');
  const __m256i blank = _mm256_set1_epi8(' ');
  const __m256i tab = _mm256_set1_epi8('\t');
  for (std::size_t w = 0; w < blocks; ++w) {
    std::uint64_t separatorBits = 0;
    std::uint64_t lineEndBits = 0;
    std::uint64_t numberBits = 0;
    for (int part = 0; part < 2; ++part) {
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 64 * w + 32 * part));
      const __m256i digit = _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_max_epu8(v, zero), v),
                                             _mm256_cmpeq_epi8(_mm256_min_epu8(v, nine), v));
      const __m256i exponent = _mm256_cmpeq_epi8(_mm256_or_si256(v, lower), e);
      const __m256i lineEnd = _mm256_or_si256(_mm256_cmpeq_epi8(v, cr), _mm256_cmpeq_epi8(v, lf));
      const __m256i gap = _mm256_or_si256(_mm256_cmpeq_epi8(v, blank), _mm256_cmpeq_epi8(v, tab));
      const __m256i sign = _mm256_or_si256(_mm256_cmpeq_epi8(v, plus), _mm256_cmpeq_epi8(v, minus));
      lineEndBits |= Bits(lineEnd, 32 * part);
      separatorBits |= Bits(_mm256_or_si256(lineEnd, gap), 32 * part);
      numberBits |=
          Bits(_mm256_or_si256(_mm256_or_si256(digit, exponent), _mm256_or_si256(_mm256_cmpeq_epi8(v, point), sign)),
               32 * part);
    }
    separators[w] = separatorBits;
    lineEnds[w] = lineEndBits;
    numberChars[w] = numberBits;
  }
}

#endif

// MarkBlocks, with AVX2 where the processor has it.
inline void MarkBlocksHere(const char* p, std::size_t blocks, std::uint64_t* separators, std::uint64_t* lineEnds,
                           std::uint64_t* numberChars) {
#if defined(S2V_MARK_AVX2)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) return MarkBlocksAvx2(p, blocks, separators, lineEnds, numberChars);
#endif
  MarkBlocks(p, blocks, separators, lineEnds, numberChars);
}

}  // namespace s2v::byte_marks
