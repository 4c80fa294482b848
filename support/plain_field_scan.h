// The quick scan of an export's plain fields, which the data copy and the
// assistant's readers share: the byte classes of a read buffer as bit maps,
// one bit a byte, so that whole runs of fields are checked by the field rules'
// vector forms (support/export_field_rules.h) with a few word operations, and
// the loop that walks them, handing each run, field and case end to its user.
#pragma once

#include "support/export_field_rules.h"
#include "support/simd.h"

#if defined(S2V_SIMD)

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

namespace s2v {

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
#if defined(S2V_AVX2)
    if (simd::HasAvx2()) return ClassifyAvx2(begin, blocks);
#endif
    for (std::size_t i = 0; i < blocks; ++i) Store(i, ClassifyBlock<simd::Sse2>(begin + 64 * i));
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
#if defined(S2V_AVX2)
  [[gnu::target("avx2")]] void ClassifyAvx2(char* begin, std::size_t blocks) {
    for (std::size_t i = 0; i < blocks; ++i) Store(i, ClassifyBlock<simd::Avx2>(begin + 64 * i));
  }
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

// Takes the fields of cases from p on while they are plain numbers or empty,
// case ends included, up to the first field that needs more care: any other
// field, a surplus or missing field, a line end other than CR LF or LF, a
// field longer than a window, one that goes on past end, or one that taker
// leaves. Returns the start of that field. p starts field (from 0) of a case
// of fields fields, in the filling that maps classified; the scan goes on
// while field < limit (at most fields), and leaves field where it stopped.
//
// It tells taker of what it takes:
//   void Step(std::size_t field);
//        a run of fields or a field alone begins at field
//   std::size_t MostInRun();
//        the most fields the run of this step may hold, besides the case's end
//   void Run(const char* p, std::size_t length, std::uint64_t tabs,
//            std::size_t count, const ByteClasses& w, std::size_t field);
//        count plain numbers in the length bytes from p on, each ended by a
//        tab that tabs marks (bit 0 for p), the last one's at p + length; w:
//        the classes from p on
//   bool Field(std::size_t field, const char* p, std::size_t length,
//              std::uint64_t points, unsigned sign);
//        a field alone: empty when length is 0, else a plain number (points
//        marks its point; sign is 1 when it begins with one); false leaves
//        it to the careful path
//   bool EndCase();
//        the case has ended; false ends the scan
// bitCount: the processor counts bits itself (a caller with the popcnt
// target).
template <bool bitCount, typename Taker>
[[gnu::always_inline]] inline const char* ScanPlainFields(const ByteClassMaps::Reader& maps, const char* p,
                                                          const char* end, std::size_t fields, std::size_t limit,
                                                          std::size_t& field, Taker& taker) {
  while (field < limit && p < end) {
    const ByteClasses w = maps.Window(p);
    std::uint64_t stops = w.stops & ((std::uint64_t{1} << ByteClassMaps::kWindow) - 1);
    if (end - p < ByteClassMaps::kWindow) [[unlikely]]
      stops &= (std::uint64_t{1} << (end - p)) - 1;
    if (stops == 0) break;  // a long field, or one that goes on past end
    taker.Step(field);

    // A run of plain numbers, each ended by a tab, up to the first other
    // stop, the first fault and the case's last field. Where the run ends
    // decides where the next one starts; the rare cuts are branches, so that
    // the processor need not wait for the fault and count checks before it
    // goes on to the next run.
    std::uint64_t tabs = w.tabs & stops;
    const std::uint64_t otherStops = stops ^ tabs;
    tabs &= (otherStops & (0 - otherStops)) - 1;
    if (tabs != 0) {
      if (const std::uint64_t fault = FirstFault(w, tabs); fault != 0) [[unlikely]] {
        tabs &= fault - 1;
        if (tabs == 0) goto single;
      }
      std::size_t count = bitCount ? static_cast<std::size_t>(std::popcount(tabs)) : CountBits(tabs);
      if (const std::size_t most = std::min(taker.MostInRun(), fields - field); count > most) [[unlikely]] {
        for (; count > most; --count) tabs ^= HighestBit(tabs);
      }
      const auto length = static_cast<std::size_t>(63 - std::countl_zero(tabs));  // up to the last tab
      taker.Run(p, length, tabs, count, w, field);
      field += count;
      p += length + 1;
      continue;
    }

  single:
    // The first field alone: an empty one, or the last of the case.
    const std::uint64_t stop = stops & (0 - stops);
    const char* const fieldEnd = p + std::countr_zero(stop);
    // A CR or LF ends the case when it has all its fields; a CR that ends the
    // buffer waits for its LF.
    const bool caseEnd = *fieldEnd != '\t';
    if (caseEnd && ((*fieldEnd != '\r' && *fieldEnd != '\n') || field + 1 != fields ||
                    (*fieldEnd == '\r' && fieldEnd + 1 == end) ||
                    (field == 0 && fieldEnd == p)))  // an empty line is no case: the careful path skips it
      break;
    const std::uint64_t inField = stop - 1;
    const auto length = static_cast<std::size_t>(fieldEnd - p);
    if ((!IsPlainNumber(w, inField) && length != 0) ||
        !taker.Field(field, p, length, w.points & inField, static_cast<unsigned>(w.signs & 1)))
      break;
    ++field;
    p = fieldEnd + 1;
    if (caseEnd) {
      if (*fieldEnd == '\r' && *p == '\n') ++p;
      field = 0;
      if (!taker.EndCase()) break;
    }
  }
  return p;
}

}  // namespace s2v

#else

#include <cstddef>

namespace s2v {

// Without the vector paths nothing is classified: the careful path reads
// every field.
class ByteClassMaps {
 public:
  explicit ByteClassMaps(std::size_t) {}
  void Classify(char*, const char*) {}
};

}  // namespace s2v

#endif
