// The export's fields one by one, each with its number or as missing, read as
// the data copy reads them (support/export_reader.h) and fitted as it fits
// them: a case gets exactly as many fields as the header has names, short
// cases padded with missing fields, surplus fields dropped. For readers that
// look at every value: the assistant's description and checks.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/export_field_rules.h"
#include "support/export_reader.h"
#include "support/plain_field_scan.h"
#include "support/simd.h"

namespace s2v {

namespace export_fields_detail {

inline constexpr std::uint64_t kPowers[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
inline constexpr double kDoublePowers[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
inline constexpr double kSigns[] = {1, -1};

// The value of the digits whose values fill the high bytes of values, the
// last digit in the top byte, zeros below the first: combined in pairs, fours
// and eights.
[[gnu::always_inline]] inline std::uint64_t CombineDigits(std::uint64_t values) {
  values = values * 2561 >> 8;
  values = (values & 0x00FF00FF00FF00FFu) * 6553601 >> 16;
  return (values & 0x0000FFFF0000FFFFu) * 42949672960001u >> 32;
}

// The value of the n <= 8 digits in the first n bytes of word (the first
// digit in the lowest byte). They are moved to the high end, behind zeros.
[[gnu::always_inline]] inline std::uint64_t DigitsOfWord(std::uint64_t word, unsigned n) {
  const unsigned shift = 4 * (8 - n);
  return CombineDigits(((word << shift) << shift) & 0x0F0F0F0F0F0F0F0Fu);
}

// The value of the n <= 8 digits from p on; the 8 bytes from p must be
// readable.
[[gnu::always_inline]] inline std::uint64_t EightDigits(const char* p, unsigned n) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return DigitsOfWord(word, n);
}

// The number of a plain field (an optional sign, digits, at most one point,
// commas already points) of the read buffer; pointBits marks its point. Up to
// 15 digits are read without a library call: they are then a double exactly,
// and their quotient by a power of ten is the nearest double, as from_chars
// gives it. Digits and point within 8 bytes take one word: the point is cut
// out of it and the digits read at once. sign is 1 when the field begins with
// a sign.
[[gnu::always_inline]] inline FieldNumber PlainNumber(const char* p, std::size_t length, std::uint64_t pointBits,
                                                      unsigned sign) {
  const unsigned negative = *p == '-';
  const auto n = static_cast<unsigned>(length) - sign;  // the digits and the point
  const char* digits = p + sign;
  const bool hasPoint = pointBits != 0;
  const unsigned point = hasPoint ? static_cast<unsigned>(std::countr_zero(pointBits)) - sign : n;
  const unsigned fractionDigits = hasPoint ? n - point - 1 : 0;
  std::uint64_t mantissa;
  bool whole;
  if (n <= 8) [[likely]] {
    std::uint64_t word;
    std::memcpy(&word, digits, sizeof word);
    if (hasPoint) {
      // The digits after the point move down a byte, over it.
      const std::uint64_t before = (std::uint64_t{1} << (8 * point)) - 1;
      word = (word & before) | ((word >> 8) & ~before);
    }
    // The digits' values at the high end, the last one in the top byte; a
    // fraction of zeros only is whole.
    const unsigned count = n - hasPoint;
    const std::uint64_t values = (word << (8 * (8 - count))) & 0x0F0F0F0F0F0F0F0Fu;
    whole = ((values >> (63 - 8 * fractionDigits)) >> 1) == 0;
    mantissa = CombineDigits(values);
  } else if (point <= 8 && fractionDigits <= 8 && point + fractionDigits <= 15) {
    const std::uint64_t fraction = EightDigits(digits + point + 1, fractionDigits);
    whole = fraction == 0;
    mantissa = EightDigits(digits, point) * kPowers[fractionDigits] + fraction;
  } else {
    return NumberOfText(std::string_view(p, length));
  }
  // A whole number needs no division; a variable's numbers have mostly the
  // same decimals, so the processor guesses the test well. The sign comes
  // without a test, by a product that is exact: the signs of a column's
  // values come in no order. (The mantissa is below 2^53, so it converts as
  // a signed number, which takes one instruction.)
  double value = static_cast<double>(static_cast<std::int64_t>(mantissa));
  if (fractionDigits != 0) value /= kDoublePowers[fractionDigits];
  return {value * kSigns[negative], static_cast<int>(fractionDigits), whole};
}

}  // namespace export_fields_detail

// A plain field without a sign of at most 8 digits and a point, the point
// not first when there are 8 digits: most of an export's numbers. Its digits
// are held as one word with the point cut out, which gives the number when it
// is asked for, and a key that orders the fields of the same decimals as
// their numbers: a reader that only asks where a number lies can compare keys
// instead.
class ShortNumber {
 public:
  // Whether the field of length characters is short; pointBits marks its
  // point.
  static bool Fits(unsigned length, std::uint64_t pointBits) { return length <= 8 || (length == 9 && pointBits > 1); }

  // The field of length characters at p (the 9 bytes from p readable).
  [[gnu::always_inline]] ShortNumber(const char* p, unsigned length, std::uint64_t pointBits) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    unsigned count = length;  // digits
    if (pointBits != 0) {
      // The digits after the point move down a byte, over it; the ninth byte
      // comes after them.
      const auto point = static_cast<unsigned>(std::countr_zero(pointBits));
      const std::uint64_t before = ~((~std::uint64_t{0} << (4 * point)) << (4 * point));
      const std::uint64_t after = (word >> 8) | std::uint64_t{static_cast<unsigned char>(p[8])} << 56;
      word = (word & before) | (after & ~before);
      count = length - 1;
      decimals_ = length - point - 1;
    }
    values_ = (word << (8 * (8 - count))) & 0x0F0F0F0F0F0F0F0Fu;
  }

  // The number, as from_chars gives it: the digits below 10^8 are a double
  // exactly, and their quotient by a power of ten is the nearest double. A
  // whole number needs no division; a variable's numbers have mostly the same
  // decimals, so the processor guesses the test well.
  [[gnu::always_inline]] FieldNumber operator()() const {
    double value = static_cast<double>(static_cast<std::int64_t>(export_fields_detail::CombineDigits(values_)));
    if (decimals_ != 0) value /= export_fields_detail::kDoublePowers[decimals_];
    // A fraction of zeros only is whole.
    const bool whole = ((values_ >> (63 - 8 * decimals_)) >> 1) == 0;
    return {value, static_cast<int>(decimals_), whole};
  }

  // As a reader of any field asks for it.
  [[gnu::always_inline]] operator FieldNumber() const { return (*this)(); }

  unsigned Decimals() const { return decimals_; }
  // The digits' values from the last one up, a byte each.
  std::uint64_t Key() const { return __builtin_bswap64(values_); }

 private:
  std::uint64_t values_;  // the digits' values, the last one in the top byte
  unsigned decimals_ = 0;
};

// The keys of the short fields with the given decimals (at most 7) whose
// numbers lie from low to high; an empty range has First above Last.
struct ShortKeyRange {
  std::uint64_t First = 1;
  std::uint64_t Last = 0;
  bool Holds(std::uint64_t key) const { return key >= First && key <= Last; }
};
inline ShortKeyRange ShortKeysBetween(double low, double high, unsigned decimals) {
  // The numbers of the digits m rise with m: the first m whose number is not
  // below low and the last whose number is not above high bound the range.
  constexpr std::uint64_t kEnd = 100000000;  // 8 digits at most
  auto number = [&](std::uint64_t m) {
    double value = static_cast<double>(static_cast<std::int64_t>(m));
    return decimals != 0 ? value / export_fields_detail::kDoublePowers[decimals] : value;
  };
  auto firstWhere = [&](auto above) {  // the first m below kEnd with above(m), or kEnd
    std::uint64_t lo = 0, hi = kEnd;
    while (lo < hi) {
      const std::uint64_t mid = lo + (hi - lo) / 2;
      if (above(number(mid)))
        hi = mid;
      else
        lo = mid + 1;
    }
    return lo;
  };
  const std::uint64_t first = firstWhere([&](double value) { return value >= low; });
  const std::uint64_t end = firstWhere([&](double value) { return value > high; });
  if (first >= end) return {};
  auto key = [](std::uint64_t m) {
    std::uint64_t k = 0;
    for (unsigned i = 0; m != 0; ++i, m /= 10) k |= (m % 10) << (8 * i);
    return k;
  };
  return {key(first), key(end - 1)};
}

// The names of a header, kept end to end rather than as a string each: a
// header can hold a million of them.
class FieldNames {
 public:
  std::size_t size() const { return ends_.size(); }
  bool empty() const { return ends_.empty(); }
  std::string_view operator[](std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(text_).substr(begin, ends_[i] - begin);
  }
  // Adds a name; piece by piece, the last one ending it.
  void Extend(std::string_view piece) { text_ += piece; }
  void EndName() { ends_.push_back(static_cast<std::uint32_t>(text_.size())); }
  std::size_t LastLength() const { return text_.size() - (ends_.empty() ? 0 : ends_.back()); }
  void Clear() {
    text_ = {};
    ends_ = {};
  }

  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = std::string_view;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = std::string_view;
    Iterator() = default;
    Iterator(const FieldNames* names, std::size_t i) : names_(names), i_(i) {}
    std::string_view operator*() const { return (*names_)[i_]; }
    Iterator& operator++() {
      ++i_;
      return *this;
    }
    Iterator operator++(int) { return Iterator(names_, i_++); }
    bool operator==(const Iterator& other) const { return i_ == other.i_; }

   private:
    const FieldNames* names_ = nullptr;
    std::size_t i_ = 0;
  };
  Iterator begin() const { return Iterator(this, 0); }
  Iterator end() const { return Iterator(this, size()); }

 private:
  std::string text_;
  std::vector<std::uint32_t> ends_;
};

struct ExportFieldsResult {
  std::int64_t CaseCount = 0;
  std::int64_t FittedCount = 0;  // cases with fewer or more fields than the header
  std::size_t HeaderFields = 0;
  bool HeaderRead = false;
};

// Reads the export and tells consumer of it:
//
//   bool Header(const FieldNames& names);
//        the header's names as the label file holds them (a "," as "."),
//        without leading blanks, each kept up to kMaxNumberField bytes;
//        false ends the reading here
//   template <typename Read> void Number(std::size_t column, const Read& read);
//   void Missing(std::size_t column, FieldKind kind);
//        a field of the case in column (from 0) that the copy writes as a
//        number, which read() gives as a FieldNumber (a consumer that does
//        not look at a column's values saves reading them; for a short
//        field read() gives a ShortNumber), or as missing (kind Blank also
//        for the padding of a case)
//   bool EndCase(std::int64_t count);
//        false ends the reading after this case
template <typename Consumer>
class ExportFieldRecords {
 public:
  ExportFieldRecords(Consumer& consumer, std::size_t bufferSize) : consumer_(consumer), maps_(bufferSize) {}

  bool InHeader() const { return inHeader_; }
  bool InRecord() const { return field_ > 0; }
  bool Stopped() const { return stopped_; }

  void NamePiece(std::string_view piece) { AddToName(piece); }

  void EndField(std::string_view field) {
    if (inHeader_) {
      AddToName(field);
      names_.EndName();
      nameStarted_ = false;
    } else if (field_ < result_.HeaderFields) {
      ScannedField scanned = ScanField(field);
      if (scanned.Kind == FieldKind::Number)
        consumer_.Number(field_, [&] { return NumberOfText(scanned.Text); });
      else
        consumer_.Missing(field_, scanned.Kind);
    }
    ++field_;
  }

  void EndRecord(std::string_view lastField) {
    EndField(lastField);
    if (inHeader_) {
      inHeader_ = false;
      result_.HeaderFields = names_.size();
      result_.HeaderRead = true;
      stopped_ = !consumer_.Header(std::as_const(names_));
      names_.Clear();
    } else {
      if (field_ != result_.HeaderFields) ++result_.FittedCount;
      for (std::size_t i = field_; i < result_.HeaderFields; ++i) consumer_.Missing(i, FieldKind::Blank);
      stopped_ = !consumer_.EndCase(++result_.CaseCount);
    }
    field_ = 0;
  }

  void NewFilling(char* begin, const char* end) { maps_.Classify(begin, end); }

  // Hands the consumer what ScanPlainFields takes from p on; returns where
  // it stopped.
  const char* PlainFields(const char* p, const char* end) {
#if defined(S2V_AVX2)
    if (simd::HasBitInstructions()) return PlainFieldsWithBitInstructions(p, end);
#endif
    return TakePlainFields<false>(p, end);
  }

  ExportFieldsResult Result() const { return result_; }

 private:
  // The label file's text of a name, without leading blanks, bounded.
  void AddToName(std::string_view piece) {
    if (!nameStarted_) {
      std::size_t first = piece.find_first_not_of(' ');
      piece.remove_prefix(first == std::string_view::npos ? piece.size() : first);
      nameStarted_ = !piece.empty();
    }
    piece = piece.substr(0, kMaxNumberField - std::min(kMaxNumberField, names_.LastLength()));
    PutWithPoints(piece, [this](std::string_view part) { names_.Extend(part); });
  }

  // bitCount: the processor counts bits itself.
  template <bool bitCount>
  [[gnu::always_inline]] inline const char* TakePlainFields(const char* p, const char* end);
#if defined(S2V_AVX2)
  // The same with the processor's shifts by a register, bit counts and bit
  // scans: most of a field's work is such steps.
  [[gnu::target("popcnt,bmi,bmi2,lzcnt")]] const char* PlainFieldsWithBitInstructions(const char* p, const char* end) {
    return TakePlainFields<true>(p, end);
  }
#endif

  Consumer& consumer_;
  ExportFieldsResult result_;
  FieldNames names_;
  bool nameStarted_ = false;  // the name being read has more than blanks
  bool inHeader_ = true;
  bool stopped_ = false;
  std::size_t field_ = 0;
  ByteClassMaps maps_;
};

#if defined(S2V_SIMD)

template <typename Consumer>
template <bool bitCount>
[[gnu::always_inline]] inline const char* ExportFieldRecords<Consumer>::TakePlainFields(const char* p,
                                                                                        const char* end) {
  // Hands the scan's fields to the consumer.
  struct Taker {
    ExportFieldRecords& records;
    static void Step(std::size_t) {}
    static std::size_t MostInRun() { return 64; }  // only the case's end bounds a run
    void Run(const char* p, std::size_t, std::uint64_t tabs, std::size_t, const ByteClasses& w, std::size_t field) {
      using export_fields_detail::PlainNumber;
      unsigned start = 0;
      for (std::uint64_t rest = tabs; rest != 0; rest &= rest - 1) {
        const auto at = static_cast<unsigned>(std::countr_zero(rest));
        const unsigned length = at - start;
        const std::uint64_t pointBits = (w.points & ((std::uint64_t{1} << at) - 1)) >> start;
        const auto sign = static_cast<unsigned>(w.signs >> start) & 1;
        if (sign == 0 && ShortNumber::Fits(length, pointBits))
          records.consumer_.Number(field++, [&] { return ShortNumber(p + start, length, pointBits); });
        else
          records.consumer_.Number(field++, [&] { return PlainNumber(p + start, length, pointBits, sign); });
        start = at + 1;
      }
    }
    bool Field(std::size_t field, const char* p, std::size_t length, std::uint64_t points, unsigned sign) {
      if (length == 0)
        records.consumer_.Missing(field, FieldKind::Blank);
      else
        records.consumer_.Number(field, [&] { return export_fields_detail::PlainNumber(p, length, points, sign); });
      return true;
    }
    bool EndCase() {
      records.stopped_ = !records.consumer_.EndCase(++records.result_.CaseCount);
      return !records.stopped_;
    }
  };
  Taker taker{*this};
  const std::size_t fields = result_.HeaderFields;
  std::size_t field = field_;  // a local stays in a register
  p = ScanPlainFields<bitCount>(maps_.Read(), p, end, fields, fields, field, taker);
  field_ = field;
  return p;
}

#else

template <typename Consumer>
template <bool bitCount>
const char* ExportFieldRecords<Consumer>::TakePlainFields(const char* p, const char*) {
  return p;
}

#endif

// Reads the export's fields; the vector path (with SSE2) takes runs of plain
// numbers a window at a time, the plain path every field on its own, with
// the same outcome.
template <typename Consumer>
ExportFieldsResult ReadExportFields(ByteSource& source, Consumer& consumer, bool vectorPath = true,
                                    std::size_t bufferSize = std::size_t{1} << 18) {
  ExportFieldRecords<Consumer> records(consumer, bufferSize);
  ReadExportRecords(source, records, bufferSize, vectorPath);
  return records.Result();
}

}  // namespace s2v
