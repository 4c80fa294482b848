#include "transfer/case_reader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

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
    : source_(source), fieldsPerCase_(fieldsPerCase), values_(columns.size()), buffer_(bufferSize) {
  for (std::size_t slot = 0; slot < columns.size(); ++slot) wanted_.emplace_back(columns[slot], slot);
  std::sort(wanted_.begin(), wanted_.end());
}

bool CaseReader::Refill() {
  if (atEnd_) return false;
  std::size_t kept = end_ - pos_;
  if (pos_ > 0) std::memmove(buffer_.data(), buffer_.data() + pos_, kept);
  pos_ = 0;
  end_ = kept;
  if (end_ == buffer_.size()) return false;
  std::size_t n = source_.Read(buffer_.data() + end_, buffer_.size() - end_);
  // Code 26 ends the text: the bytes from it on are not data.
  if (const void* stop = std::memchr(buffer_.data() + end_, kEndOfText, n)) {
    n = static_cast<std::size_t>(static_cast<const char*>(stop) - (buffer_.data() + end_));
    atEnd_ = true;
  }
  if (n == 0) atEnd_ = true;
  end_ += n;
  return n > 0;
}

std::string_view CaseReader::NextField() {
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
