#include "transfer/case_reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>

#include "support/io_error.h"
#include "transfer/byte_marks.h"

namespace s2v {

namespace {

constexpr char kEndOfText = 26;

// Zero bytes after the data, so that a block of 64 can be read anywhere in it.
constexpr std::size_t kPadding = 64;
static_assert(kPadding >= kDataTextReadAhead);

// The position of the first bit at or after from that is set among the
// given words; words * 64 when there is none.
std::size_t NextBit(const std::uint64_t* bits, std::size_t words, std::size_t from) {
  std::size_t word = from / 64;
  if (word >= words) return words * 64;
  std::uint64_t w = bits[word] & (~std::uint64_t{0} << (from % 64));
  while (w == 0) {
    if (++word == words) return words * 64;
    w = bits[word];
  }
  return word * 64 + static_cast<std::size_t>(__builtin_ctzll(w));
}

// Without a processor option GCC calls a library routine for
// __builtin_popcountll; the bit-parallel count inline is faster.
std::size_t CountBits(std::uint64_t w) {
  w -= (w >> 1) & 0x5555555555555555u;
  w = (w & 0x3333333333333333u) + ((w >> 2) & 0x3333333333333333u);
  w = (w + (w >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
  return static_cast<std::size_t>((w * 0x0101010101010101u) >> 56);
}

// The text of a field of a rarer form, and the rare second text of a field,
// kept out of the loop that calls them so that the common forms stay inline
// there.
[[gnu::noinline]] char* WriteOtherText(char* p, std::string_view field, WholeTolerance tolerance) {
  return WriteUncommonText(p, field, tolerance);
}

}  // namespace

CaseReader::CaseReader(ByteSource& source, std::size_t fieldsPerCase, const std::vector<std::size_t>& columns,
                       std::size_t bufferSize)
    : source_(source), columns_(columns), capacity_(bufferSize) {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (columns[i] < 1 || columns[i] > fieldsPerCase) throw std::invalid_argument("no such field of a case");
    if (i > 0 && columns[i] <= columns[i - 1]) inOrder_ = false;
  }
  std::sort(columns_.begin(), columns_.end());
  columns_.erase(std::unique(columns_.begin(), columns_.end()), columns_.end());
  for (std::size_t i = 0; i < columns_.size(); ++i) gaps_.push_back(columns_[i] - (i > 0 ? columns_[i - 1] : 0));
  passedAfter_ = fieldsPerCase - (columns_.empty() ? 0 : columns_.back());
  ends_.resize(columns_.size());
  widerTexts_.resize(columns_.size());
  widerIn_.resize(columns_.size());
  widerStaging_.resize(columns_.size() * kDataValueRoom);
  if (!inOrder_) {
    staging_.resize(columns_.size() * (kDataValueRoom + 1));
    for (std::size_t column : columns)
      order_.push_back(
          static_cast<std::size_t>(std::lower_bound(columns_.begin(), columns_.end(), column) - columns_.begin()));
  }
  for (Region& region : regions_) region.bytes.resize(capacity_ + kPadding);
  before_.bytes.resize(kPadding);
  Mark(before_);
  region_ = &before_;
  buffer_ = before_.bytes.data();
  separators_ = before_.separators.data();
  starts_ = before_.starts.data();
  lineEnds_ = before_.lineEnds.data();
  invalid_ = before_.invalid.data();
  words_ = before_.starts.size();
  firstInvalid_ = before_.firstInvalid;
  readAhead_ = std::thread([this] { ReadAhead(); });
}

CaseReader::~CaseReader() {
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
  }
  changed_.notify_all();
  readAhead_.join();
}

void CaseReader::ReadAhead() {
  for (std::size_t n = 0;; ++n) {
    {
      // Neither the region being read nor one filled and not yet gone on to
      // is filled again.
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return ending_ || n + 1 < std::max<std::size_t>(taken_, 1) + kRegions; });
      if (ending_) return;
    }
    Region& region = regions_[n % kRegions];
    try {
      Fill(region, n > 0 ? &regions_[(n - 1) % kRegions] : nullptr);
    } catch (...) {
      region.failure = std::current_exception();
      region.last = true;
    }
    {
      std::lock_guard lock(mutex_);
      ++filled_;
    }
    changed_.notify_all();
    if (region.last) return;
  }
}

void CaseReader::Fill(Region& region, const Region* previous) {
  region.failure = nullptr;
  region.last = false;
  // A field may go on past the region before: its start is kept.
  region.end = previous != nullptr ? previous->end - previous->size : 0;
  if (region.end > 0) std::memcpy(region.bytes.data(), previous->bytes.data() + previous->size, region.end);
  while (!region.last && region.end < capacity_) {
    std::size_t n = source_.Read(region.bytes.data() + region.end, capacity_ - region.end);
    // Code 26 ends the text: the bytes from it on are not data.
    if (const void* stop = std::memchr(region.bytes.data() + region.end, kEndOfText, n)) {
      n = static_cast<std::size_t>(static_cast<const char*>(stop) - (region.bytes.data() + region.end));
      region.last = true;
    }
    if (n == 0) region.last = true;
    region.end += n;
  }
  std::memset(region.bytes.data() + region.end, 0, kPadding);
  region.size = region.end;
  if (!region.last) {
    while (region.size > 0 && byte_marks::ClassOf(region.bytes[region.size - 1]) > byte_marks::kLineEnd) --region.size;
    // A field longer than the whole buffer is no number.
    if (region.size == 0) throw IoError(kInvalidNumericInput);
  }
  Mark(region);
}

void CaseReader::Mark(Region& region) {
  const std::size_t size = region.size;
  const std::size_t words = size / 64 + 1;
  // Every word is written below.
  region.separators.resize(words);
  region.starts.resize(words);
  region.lineEnds.resize(words);
  region.invalid.resize(words);
  // The marks of the bytes first, the number characters kept in starts.
  std::uint64_t* const separators = region.separators.data();
  std::uint64_t* const lineEnds = region.lineEnds.data();
  std::uint64_t* const numberChars = region.starts.data();
  byte_marks::MarkBlocksHere(region.bytes.data(), words, separators, lineEnds, numberChars);
  for (std::size_t w = 0; w < words; ++w) {
    std::uint64_t inRegion = ~std::uint64_t{0};
    if (64 * w + 64 > size) inRegion = size > 64 * w ? (std::uint64_t{1} << (size - 64 * w)) - 1 : 0;
    region.invalid[w] = ~(separators[w] | numberChars[w]) & inRegion;
    separators[w] = (separators[w] & inRegion) | ~inRegion;
    lineEnds[w] &= inRegion;
    // The region begins at the start of the data or after a separator.
    const std::uint64_t before = (separators[w] << 1) | (w == 0 ? 1 : separators[w - 1] >> 63);
    region.starts[w] = ~separators[w] & before;
  }
  region.firstInvalid = NextBit(region.invalid.data(), words, 0);
}

bool CaseReader::Refill() {
  if (failure_) std::rethrow_exception(failure_);
  if (region_->last) return false;
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return filled_ > taken_; });
    region_ = &regions_[taken_++ % kRegions];
  }
  changed_.notify_all();
  if (region_->failure) {
    failure_ = region_->failure;
    std::rethrow_exception(failure_);
  }
  buffer_ = region_->bytes.data();
  separators_ = region_->separators.data();
  starts_ = region_->starts.data();
  lineEnds_ = region_->lineEnds.data();
  invalid_ = region_->invalid.data();
  words_ = region_->starts.size();
  size_ = region_->size;
  pos_ = 0;
  firstInvalid_ = region_->firstInvalid;
  return size_ > 0;
}

std::string_view CaseReader::SkipFields(std::size_t count) {
  // Counts the starts of fields a word at a time.
  std::size_t word = pos_ / 64;
  std::uint64_t w = starts_[word] & (~std::uint64_t{0} << (pos_ % 64));
  for (std::size_t n; (n = CountBits(w)) < count;) {
    count -= n;
    if (++word == words_) {
      // Every field from pos_ to the end of the region has been passed over.
      if (firstInvalid_ < size_) throw IoError(kInvalidNumericInput);
      pos_ = size_;
      if (!Refill()) throw IoError(kReadBeyondEnd);
      word = 0;
    }
    w = starts_[word];
  }
  for (std::size_t i = 1; i < count; ++i) w &= w - 1;
  std::size_t start = word * 64 + static_cast<std::size_t>(__builtin_ctzll(w));
  std::size_t stop = NextBit(separators_, words_, start);
  if (firstInvalid_ < stop) throw IoError(kInvalidNumericInput);
  pos_ = stop;
  return std::string_view(buffer_ + start, stop - start);
}

void CaseReader::SkipRestOfLine() {
  std::size_t lineEnd;
  while ((lineEnd = NextBit(lineEnds_, words_, pos_)) >= size_) {
    pos_ = size_;
    if (!Refill()) return;
  }
  pos_ = lineEnd + 1;
  if (buffer_[lineEnd] == '\r') {
    if (pos_ >= size_) Refill();
    if (pos_ < size_ && buffer_[pos_] == '\n') ++pos_;
  }
  // Whatever the skipped rest held is no concern of the next case.
  if (firstInvalid_ < pos_) firstInvalid_ = NextBit(invalid_, words_, pos_);
}

void CaseReader::WriteCase(BufferedWriter& out, WholeTolerance tolerance, BufferedWriter* wider,
                           WholeTolerance widerTolerance) {
  if (wider != nullptr && !(tolerance.distance <= widerTolerance.distance && widerTolerance.distance < 0.0005))
    throw std::invalid_argument("the second tolerance must lie between the first and half a thousandth");
  // Written straight into the output, or put aside; committed only when the
  // whole case has been read. Every text is followed by a blank, the last
  // one taken back. The second output's texts are copied only at the end:
  // bytes read back right after they were written would hold the processor
  // up.
  const std::size_t room = columns_.size() * (kDataValueRoom + 1);
  char* const begin = inOrder_ ? out.Reserve(room).data() : staging_.data();
  char* p = begin;
  char* aside = widerStaging_.data();
  bool parted = false;  // a field has a text of its own for the second output
  // The fields are found in the marks through copies kept here, not through
  // the members: every text written might alias those.
  const char* buffer = buffer_;
  const std::uint64_t* starts = starts_;
  const std::uint64_t* separators = separators_;
  std::size_t words = words_;
  std::size_t firstInvalid = firstInvalid_;
  std::size_t pos = pos_;  // after the last field passed
  std::size_t word = pos / 64;
  std::uint64_t nextStarts = starts[word] & (~std::uint64_t{0} << (pos % 64));
  const std::size_t* const gaps = gaps_.data();
  const std::size_t count = gaps_.size();
  const char** const ends = ends_.data();
  Text* const widerTexts = widerTexts_.data();
  const std::uint64_t thisCase = ++case_;
  for (std::size_t i = 0; i < count; ++i) {
    std::string_view field;
    if (gaps[i] == 1) {
      // The next field, when it starts in this word or a later one of the
      // region and ends in the word of its start or the next.
      while (nextStarts == 0 && word + 1 < words) nextStarts = starts[++word];
      if (nextStarts != 0) {
        const auto bit = static_cast<unsigned>(__builtin_ctzll(nextStarts));
        const std::uint64_t after = separators[word] >> bit;
        std::size_t length = 0;
        if (after != 0)
          length = static_cast<std::size_t>(__builtin_ctzll(after));
        else if (word + 1 < words && separators[word + 1] != 0)
          length = 64 - bit + static_cast<std::size_t>(__builtin_ctzll(separators[word + 1]));
        const std::size_t start = word * 64 + bit;
        if (length != 0 && start + length <= firstInvalid) {
          nextStarts &= nextStarts - 1;
          pos = start + length;
          field = std::string_view(buffer + start, length);
        }
      }
    }
    if (field.empty()) {
      pos_ = pos;
      field = SkipFields(gaps[i]);
      // A refill moves the data and marks them anew.
      pos = pos_;
      buffer = buffer_;
      starts = starts_;
      separators = separators_;
      words = words_;
      word = pos / 64;
      nextStarts = starts[word] & (~std::uint64_t{0} << (pos % 64));
      firstInvalid = firstInvalid_;
    }
    char* textEnd =
        field.size() <= 16 ? data_text::WriteCommonForm(p, field.data(), static_cast<unsigned>(field.size())) : nullptr;
    const bool common = textEnd != nullptr;
    if (!common) textEnd = WriteOtherText(p, field, tolerance);
    ends[i] = textEnd;
    p = textEnd;
    *p++ = ' ';
    if (wider != nullptr && !common && TextsMayPart(field)) {
      char* const widerText = aside;
      aside = WriteOtherText(aside, field, widerTolerance);
      widerTexts[i] = {widerText, aside};
      widerIn_[i] = thisCase;
      parted = true;
    }
  }
  if (p != begin) --p;
  pos_ = pos;
  if (passedAfter_ > 0) SkipFields(passedAfter_);
  SkipRestOfLine();
  char* widerEnd = nullptr;
  if (wider != nullptr) {
    if (inOrder_ && !parted) {
      widerEnd = wider->Reserve(room).data();
      std::memcpy(widerEnd, begin, static_cast<std::size_t>(p - begin));
      widerEnd += p - begin;
    } else {
      widerEnd = Gather(*wider, begin, true);
    }
  }
  if (!inOrder_) p = Gather(out, begin, false);
  out.CommitTo(p);
  if (wider != nullptr) wider->CommitTo(widerEnd);
}

char* CaseReader::Gather(BufferedWriter& out, const char* begin, bool wider) const {
  const std::size_t count = inOrder_ ? ends_.size() : order_.size();
  char* p = out.Reserve(count * (kDataValueRoom + 1)).data();
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t i = inOrder_ ? k : order_[k];
    auto [textBegin, textEnd] =
        wider && widerIn_[i] == case_ ? widerTexts_[i] : Text{i > 0 ? ends_[i - 1] + 1 : begin, ends_[i]};
    std::memcpy(p, textBegin, static_cast<std::size_t>(textEnd - textBegin));
    p += textEnd - textBegin;
    *p++ = ' ';
  }
  if (count > 0) --p;
  return p;
}

}  // namespace s2v
