#include "transfer/case_reader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "support/io_error.h"

namespace s2v {

namespace {

constexpr char kEndOfText = 26;

enum CharClass : unsigned char { kSeparator, kLineEnd, kNumberChar, kOther };

// The characters of numbers; blanks and tabs, and line ends, separate fields.
constexpr std::array<unsigned char, 256> kClass = [] {
  std::array<unsigned char, 256> table{};
  table.fill(kOther);
  for (char c : std::string_view("0123456789.+-eE")) table[static_cast<unsigned char>(c)] = kNumberChar;
  table[' '] = table['\t'] = kSeparator;
  table['\r'] = table['\n'] = kLineEnd;
  return table;
}();

// Zero bytes after the data, so that a block of 16 can be read anywhere in it.
constexpr std::size_t kPadding = 16;
// Fewer unread bytes than this make NextField refill first.
constexpr std::size_t kLowWater = 64;

unsigned char ClassOf(char c) { return kClass[static_cast<unsigned char>(c)]; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// True when field is a well-formed number (see ParseField).
bool WellFormed(std::string_view field) {
  const char* p = field.data();
  const char* const end = p + field.size();
  if (p < end && (*p == '+' || *p == '-')) ++p;
  const char* digitsStart = p;
  while (p < end && IsDigit(*p)) ++p;
  std::size_t digits = static_cast<std::size_t>(p - digitsStart);
  if (p < end && *p == '.') {
    ++p;
    const char* fractionStart = p;
    while (p < end && IsDigit(*p)) ++p;
    digits += static_cast<std::size_t>(p - fractionStart);
  }
  if (digits == 0) return false;
  if (p < end && (*p == 'e' || *p == 'E')) {
    ++p;
    if (p < end && (*p == '+' || *p == '-')) ++p;
    const char* exponentStart = p;
    while (p < end && IsDigit(*p)) ++p;
    if (p == exponentStart) return false;
  }
  return p == end;
}

}  // namespace

double ParseField(std::string_view field) {
  if (!WellFormed(field)) throw IoError(kInvalidNumericInput);
  if (field.front() == '+') field.remove_prefix(1);
  double value = 0;
  auto result = std::from_chars(field.data(), field.data() + field.size(), value);
  if (result.ec != std::errc() || result.ptr != field.data() + field.size()) throw IoError(kInvalidNumericInput);
  return value;
}

CaseReader::CaseReader(ByteSource& source, std::size_t fieldsPerCase, const std::vector<std::size_t>& columns,
                       std::size_t bufferSize)
    : source_(source),
      fieldsPerCase_(fieldsPerCase),
      values_(columns.size()),
      capacity_(bufferSize),
      buffer_(bufferSize + kPadding) {
  for (std::size_t slot = 0; slot < columns.size(); ++slot) wanted_.emplace_back(columns[slot], slot);
  std::sort(wanted_.begin(), wanted_.end());
}

bool CaseReader::Refill() {
  if (atEnd_) return false;
  std::size_t kept = end_ - pos_;
  if (pos_ > 0) std::memmove(buffer_.data(), buffer_.data() + pos_, kept);
  pos_ = 0;
  end_ = kept;
  if (end_ == capacity_) return false;
  std::size_t n = source_.Read(buffer_.data() + end_, capacity_ - end_);
  // Code 26 ends the text: the bytes from it on are not data.
  if (const void* stop = std::memchr(buffer_.data() + end_, kEndOfText, n)) {
    n = static_cast<std::size_t>(static_cast<const char*>(stop) - (buffer_.data() + end_));
    atEnd_ = true;
  }
  if (n == 0) atEnd_ = true;
  end_ += n;
  std::memset(buffer_.data() + end_, 0, kPadding);
  return n > 0;
}

std::string_view CaseReader::NextFieldByBytes() {
  for (;;) {
    while (pos_ < end_ && ClassOf(buffer_[pos_]) <= kLineEnd) ++pos_;
    if (pos_ < end_) break;
    if (!Refill()) throw IoError(kReadBeyondEnd);
  }
  std::size_t length = 0;
  for (;;) {
    const char* const start = buffer_.data() + pos_;
    const char* const end = buffer_.data() + end_;
    const char* p = start + length;
    while (p < end && ClassOf(*p) == kNumberChar) ++p;
    length = static_cast<std::size_t>(p - start);
    if (p < end) {
      if (ClassOf(*p) == kOther) throw IoError(kInvalidNumericInput);
      break;
    }
    if (atEnd_) break;
    // The field runs over the end of the buffer: a field longer than the
    // whole buffer is no number.
    if (!Refill() && !atEnd_) throw IoError(kInvalidNumericInput);
  }
  std::string_view field(buffer_.data() + pos_, length);
  pos_ += length;
  return field;
}

std::string_view CaseReader::NextField() {
#ifdef __SSE2__
  // Most fields and the blanks before them lie within 16 bytes: find both
  // ends from masks of the block, without a branch per byte.
  if (end_ - pos_ < kLowWater && !atEnd_) Refill();
  const char* p = buffer_.data() + pos_;
  const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  auto equal = [&block](char c) { return _mm_cmpeq_epi8(block, _mm_set1_epi8(c)); };
  const __m128i digit = _mm_and_si128(_mm_cmpeq_epi8(_mm_max_epu8(block, _mm_set1_epi8('0')), block),
                                      _mm_cmpeq_epi8(_mm_min_epu8(block, _mm_set1_epi8('9')), block));
  const __m128i lower = _mm_or_si128(block, _mm_set1_epi8(0x20));
  const unsigned separators = static_cast<unsigned>(
      _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(equal(' '), equal('\t')), _mm_or_si128(equal('\r'), equal('\n')))));
  const unsigned numberChars = static_cast<unsigned>(
      _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(digit, _mm_cmpeq_epi8(lower, _mm_set1_epi8('e'))),
                                     _mm_or_si128(equal('.'), _mm_or_si128(equal('+'), equal('-'))))));
  const unsigned start = ~separators & 0xFFFFu;
  if (start != 0) {
    const unsigned first = static_cast<unsigned>(__builtin_ctz(start));
    const unsigned after = ~numberChars & 0xFFFFu & (0xFFFFu << first);
    if (after != 0 && pos_ + first < end_) {
      const unsigned stop = static_cast<unsigned>(__builtin_ctz(after));
      if (stop == first) throw IoError(kInvalidNumericInput);
      if (pos_ + stop < end_ || atEnd_) {
        if (pos_ + stop < end_ && !(separators & (1u << stop))) throw IoError(kInvalidNumericInput);
        std::string_view field(p + first, stop - first);
        pos_ += stop;
        return field;
      }
    }
  }
#endif
  return NextFieldByBytes();
}

void CaseReader::SkipRestOfLine() {
  for (;;) {
    while (pos_ < end_ && ClassOf(buffer_[pos_]) != kLineEnd) ++pos_;
    if (pos_ < end_) break;
    if (!Refill()) return;
  }
  char c = buffer_[pos_++];
  if (c == '\r' && (pos_ < end_ || Refill()) && buffer_[pos_] == '\n') ++pos_;
}

void CaseReader::ReadCase() {
  // Fields that are not kept are only checked for the characters of numbers.
  auto next = wanted_.begin();
  for (std::size_t column = 1; column <= fieldsPerCase_; ++column) {
    std::string_view field = NextField();
    if (next == wanted_.end() || next->first != column) continue;
    double value = ParseField(field);
    for (; next != wanted_.end() && next->first == column; ++next) values_[next->second] = value;
  }
  SkipRestOfLine();
}

}  // namespace s2v
