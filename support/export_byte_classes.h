// Byte classes of an export as bit maps: for a read buffer, one bit per byte
// for each class that the quick reading of plain numbers asks about, found 16
// bytes at a time with SSE2, so that whole runs of fields are checked with a
// few word operations. The data copy and the assistant's readers share them.
#pragma once

#include "support/simd.h"

#if defined(S2V_SIMD)

#include <emmintrin.h>
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define S2V_CLASSIFY_AVX2 1
#endif

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

namespace s2v {

// The classes of up to 64 bytes, bit 0 for the first.
struct ByteClasses {
  // Codes 0 to 26: every field end (tab, CR, LF, code 26) and the other
  // control codes, which a careful path sorts out.
  std::uint64_t stops = 0;
  std::uint64_t tabs = 0;
  std::uint64_t digits = 0;
  std::uint64_t points = 0;  // "." (a "," is one too)
  std::uint64_t signs = 0;   // "+" or "-"
};

// The classes of the 64 bytes from p on. Their commas become points on the
// way: every comma of a data file is read as a point, and the copy then has
// no comma left to change.
inline ByteClasses ClassifyBlock(char* p) {
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i lastControl = _mm_set1_epi8(26);
  const __m128i zero = _mm_set1_epi8('0');
  const __m128i nine = _mm_set1_epi8(9);
  const __m128i point = _mm_set1_epi8('.');
  const __m128i comma = _mm_set1_epi8(',');
  const __m128i minus = _mm_set1_epi8('-');
  const __m128i plus = _mm_set1_epi8('+');
  auto bits = [](__m128i hits, int shift) {
    return std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(hits))} << shift;
  };
  ByteClasses c;
  for (int i = 0; i < 64; i += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    __m128i commas = _mm_cmpeq_epi8(v, comma);
    v = _mm_add_epi8(v, _mm_and_si128(commas, _mm_set1_epi8('.' - ',')));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), v);
    c.tabs |= bits(_mm_cmpeq_epi8(v, tab), i);
    c.stops |= bits(_mm_cmpeq_epi8(_mm_min_epu8(v, lastControl), v), i);
    __m128i offset = _mm_sub_epi8(v, zero);
    c.digits |= bits(_mm_cmpeq_epi8(_mm_min_epu8(offset, nine), offset), i);
    c.points |= bits(_mm_cmpeq_epi8(v, point), i);
    c.signs |= bits(_mm_or_si128(_mm_cmpeq_epi8(v, minus), _mm_cmpeq_epi8(v, plus)), i);
  }
  return c;
}

#if defined(S2V_CLASSIFY_AVX2)

[[gnu::target("avx2")]] inline std::uint64_t Bits(__m256i hits, int shift) {
  return std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(hits))} << shift;
}

// ClassifyBlock 32 bytes at a time, for processors with AVX2.
[[gnu::target("avx2")]] inline ByteClasses ClassifyBlockAvx2(char* p) {
  const __m256i tab = _mm256_set1_epi8('\t');
  const __m256i lastControl = _mm256_set1_epi8(26);
  const __m256i zero = _mm256_set1_epi8('0');
  const __m256i nine = _mm256_set1_epi8(9);
  const __m256i point = _mm256_set1_epi8('.');
  const __m256i comma = _mm256_set1_epi8(',');
  const __m256i minus = _mm256_set1_epi8('-');
  const __m256i plus = _mm256_set1_epi8('+');

  ByteClasses c;
  for (int i = 0; i < 64; i += 32) {
    __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
    __m256i commas = _mm256_cmpeq_epi8(v, comma);
    v = _mm256_add_epi8(v, _mm256_and_si256(commas, _mm256_set1_epi8('.' - ',')));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + i), v);
    c.tabs |= Bits(_mm256_cmpeq_epi8(v, tab), i);
    c.stops |= Bits(_mm256_cmpeq_epi8(_mm256_min_epu8(v, lastControl), v), i);
    __m256i offset = _mm256_sub_epi8(v, zero);
    c.digits |= Bits(_mm256_cmpeq_epi8(_mm256_min_epu8(offset, nine), offset), i);
    c.points |= Bits(_mm256_cmpeq_epi8(v, point), i);
    c.signs |= Bits(_mm256_or_si256(_mm256_cmpeq_epi8(v, minus), _mm256_cmpeq_epi8(v, plus)), i);
  }
  return c;
}

#endif

// The number of set bits. Without the POPCNT instruction std::popcount
// becomes a library call, too slow for once per run of fields.
inline unsigned CountBits(std::uint64_t x) {
#if defined(__POPCNT__)
  return static_cast<unsigned>(std::popcount(x));
#else
  x = x - ((x >> 1) & 0x5555555555555555u);
  x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
  x = (x + (x >> 4)) & 0x0f0f0f0f0f0f0f0fu;
  return static_cast<unsigned>((x * 0x0101010101010101u) >> 56);
#endif
}

// The highest set bit of x != 0.
inline std::uint64_t HighestBit(std::uint64_t x) { return std::uint64_t{1} << (63 - std::countl_zero(x)); }

// Of a run of fields that starts at bit 0 and ends before the last tab of
// tabs, the first byte that makes its field other than a plain number (digits,
// at most one point, a sign only in front, at least one digit); 0 when there
// is none. Bits are set for the byte, so a field without a digit is marked at
// its end.
[[gnu::always_inline]] inline std::uint64_t FirstFault(const ByteClasses& w, std::uint64_t tabs) {
  std::uint64_t before = HighestBit(tabs) - 1;
  std::uint64_t innerTabs = tabs & before;
  std::uint64_t content = before & ~innerTabs;
  std::uint64_t starts = (innerTabs << 1) | 1;
  std::uint64_t digits = w.digits & content;
  std::uint64_t points = w.points & content;
  std::uint64_t signs = w.signs & content;
  std::uint64_t faults = content & ~(digits | points | signs);
  faults |= signs & ~starts;
  // Past a field's leading points and signs, the first byte must be a digit:
  // an addition carries each start over them.
  std::uint64_t lead = points | signs;
  std::uint64_t firstOther = (((starts & lead) + lead) & ~lead) | (starts & ~lead);
  faults |= firstOther & ~digits;
  // Past a point and its following digits, no second point.
  std::uint64_t afterPoints = points << 1;
  std::uint64_t pastDigits = (((afterPoints & digits) + digits) & ~digits) | (afterPoints & ~digits);
  faults |= pastDigits & points;
  return faults & (0 - faults);
}

// The class maps of one filling of a read buffer.
class ByteClassMaps {
 public:
  // Bytes a window shows; a window from any byte is then read from the maps
  // with one unaligned load per class.
  static constexpr unsigned kWindow = 56;

  // capacity: the most bytes a filling holds.
  explicit ByteClassMaps(std::size_t capacity) : words_(capacity / 64 + 2), maps_(kClasses * words_) {}

  // Classifies a new filling [begin, end), commas becoming points; bytes up
  // to 64 past end must be readable and writable.
  void Classify(char* begin, const char* end) {
    begin_ = begin;
    std::size_t blocks = (static_cast<std::size_t>(end - begin) + 63) / 64;
#if defined(S2V_CLASSIFY_AVX2)
    if (avx2_) return ClassifyAvx2(begin, blocks);
#endif
    for (std::size_t i = 0; i < blocks; ++i) Store(i, ClassifyBlock(begin + 64 * i));
  }

  // Reads windows of the filling. Kept in local variables, its fields stay
  // in registers, where the members of the maps would be read again after
  // every store through a char pointer.
  class Reader {
   public:
    // The classes of the bytes from p on, bit 0 for p; only the first
    // min(kWindow, end - p) bits mean anything. p lies in the filling.
    ByteClasses Window(const char* p) const {
      auto offset = static_cast<std::size_t>(p - begin_);
      const char* at = maps_ + offset / 8;
      unsigned shift = offset % 8;
      ByteClasses w;
      w.stops = Load(at + kStops * stride_) >> shift;
      w.tabs = Load(at + kTabs * stride_) >> shift;
      w.digits = Load(at + kDigits * stride_) >> shift;
      w.points = Load(at + kPoints * stride_) >> shift;
      w.signs = Load(at + kSigns * stride_) >> shift;
      return w;
    }

   private:
    friend class ByteClassMaps;
    Reader(const char* begin, const char* maps, std::size_t stride) : begin_(begin), maps_(maps), stride_(stride) {}
    // 64 bits of a map from a byte on (bit order is byte order on x86).
    static std::uint64_t Load(const char* at) {
      std::uint64_t bits;
      std::memcpy(&bits, at, sizeof bits);
      return bits;
    }
    const char* begin_;
    const char* maps_;
    std::size_t stride_;  // bytes from one class's map to the next
  };

  Reader Read() const {
    return Reader(begin_, reinterpret_cast<const char*>(maps_.data()), words_ * sizeof(std::uint64_t));
  }

 private:
#if defined(S2V_CLASSIFY_AVX2)
  [[gnu::target("avx2")]] void ClassifyAvx2(char* begin, std::size_t blocks) {
    for (std::size_t i = 0; i < blocks; ++i) Store(i, ClassifyBlockAvx2(begin + 64 * i));
  }
  bool avx2_ = __builtin_cpu_supports("avx2");
#endif

  void Store(std::size_t block, const ByteClasses& c) {
    maps_[kStops * words_ + block] = c.stops;
    maps_[kTabs * words_ + block] = c.tabs;
    maps_[kDigits * words_ + block] = c.digits;
    maps_[kPoints * words_ + block] = c.points;
    maps_[kSigns * words_ + block] = c.signs;
  }

  enum Class : std::size_t { kStops, kTabs, kDigits, kPoints, kSigns, kClasses };

  // Words beyond a filling's blocks keep older bits; a window's bits past the
  // filling's end mean nothing anyway.
  std::size_t words_;
  std::vector<std::uint64_t> maps_;
  const char* begin_ = nullptr;
};

}  // namespace s2v

#endif
