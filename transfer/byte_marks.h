// The marks of the VORNEX data file's bytes, 64 at a time, one bit a byte:
// separators (blanks, tabs and line ends), line ends, and the characters of
// numbers. Inline, the AVX2 form beside the baseline one, so that tests can
// compare both.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "support/simd.h"

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

#if defined(S2V_SIMD)

using BaselineLanes = simd::Sse2;  // every processor of the build has them

// The marks of the 64 bytes at p, a vector of Lanes at a time.
template <typename Lanes>
[[gnu::always_inline]] inline BlockMarks MarkBlock(const char* p) {
  using Bytes = typename Lanes::Bytes;
  BlockMarks marks;
  for (int i = 0; i < 64; i += Lanes::kWidth) {
    Bytes v;
    std::memcpy(&v, p + i, sizeof v);
    const auto lineEnd = (v == '\r') | (v == '\n');
    const auto numberChar = ((v - '0') <= 9) | ((v | 0x20) == 'e') | (v == '.') | (v == '+') | (v == '-');
    marks.lineEnds |= Lanes::Mask(lineEnd) << i;
    marks.separators |= Lanes::Mask(lineEnd | (v == ' ') | (v == '\t')) << i;
    marks.numberChars |= Lanes::Mask(numberChar) << i;
  }
  return marks;
}

#else

struct BaselineLanes {};  // none: the table marks the bytes

// The marks of the 64 bytes at p, from the table.
template <typename>
BlockMarks MarkBlock(const char* p) {
  BlockMarks marks;
  for (int i = 0; i < 64; ++i) {
    unsigned char c = ClassOf(p[i]);
    std::uint64_t bit = std::uint64_t{1} << i;
    if (c <= kLineEnd) marks.separators |= bit;
    if (c == kLineEnd) marks.lineEnds |= bit;
    if (c == kNumberChar) marks.numberChars |= bit;
  }
  return marks;
}

#endif

// The marks of blocks of 64 bytes at p, one word a block.
template <typename Lanes>
[[gnu::always_inline]] inline void MarkBlocksOf(const char* p, std::size_t blocks, std::uint64_t* separators,
                                                std::uint64_t* lineEnds, std::uint64_t* numberChars) {
  for (std::size_t w = 0; w < blocks; ++w) {
    const BlockMarks marks = MarkBlock<Lanes>(p + 64 * w);
    separators[w] = marks.separators;
    lineEnds[w] = marks.lineEnds;
    numberChars[w] = marks.numberChars;
  }
}

inline void MarkBlocks(const char* p, std::size_t blocks, std::uint64_t* separators, std::uint64_t* lineEnds,
                       std::uint64_t* numberChars) {
  MarkBlocksOf<BaselineLanes>(p, blocks, separators, lineEnds, numberChars);
}

#if defined(S2V_AVX2)
// The same 32 bytes at a time, for processors with AVX2.
[[gnu::target("avx2")]] inline void MarkBlocksAvx2(const char* p, std::size_t blocks, std::uint64_t* separators,
                                                   std::uint64_t* lineEnds, std::uint64_t* numberChars) {
  MarkBlocksOf<simd::Avx2>(p, blocks, separators, lineEnds, numberChars);
}
#endif

// MarkBlocks, with AVX2 where the processor has it.
inline void MarkBlocksHere(const char* p, std::size_t blocks, std::uint64_t* separators, std::uint64_t* lineEnds,
                           std::uint64_t* numberChars) {
#if defined(S2V_AVX2)
  if (simd::HasAvx2()) return MarkBlocksAvx2(p, blocks, separators, lineEnds, numberChars);
#endif
  MarkBlocks(p, blocks, separators, lineEnds, numberChars);
}

}  // namespace s2v::byte_marks
