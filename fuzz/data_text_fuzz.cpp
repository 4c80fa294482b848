// A field's output text built from its digits against the text of its double
// (std::from_chars, then std::to_chars): the same bytes, or the same failure,
// with both tolerances. The first byte chooses between any bytes and a number
// built from the input: sign, digits before and after the point, exponent.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "support/io_error.h"
#include "transfer/data_text.h"

namespace {

using namespace s2v;

// Digits with the ones next to rounding steps and tolerances more often.
constexpr std::string_view kDigits = "01234567890000999955";

std::string BuiltNumber(const std::uint8_t* data, std::size_t size) {
  std::size_t at = 0;
  auto next = [&]() -> unsigned { return at < size ? data[at++] : 0; };
  std::string text;
  const unsigned shape = next();
  if (shape % 4 == 1) text += '-';
  if (shape % 4 == 2) text += '+';
  const unsigned whole = next() % 18;
  const unsigned decimals = next() % 10;
  for (unsigned i = 0; i < whole; ++i) text += kDigits[next() % kDigits.size()];
  if ((shape / 4) % 4 != 0) {
    text += '.';
    for (unsigned i = 0; i < decimals; ++i) text += kDigits[next() % kDigits.size()];
  }
  if ((shape / 16) % 8 == 0) {
    text += (shape & 0x80) != 0 ? 'E' : 'e';
    if (next() % 2 != 0) text += '-';
    text += std::to_string(next() % 40);
  }
  return text;
}

// The text of the field as WriteDataText writes it in the middle of a
// buffer, with the given bytes after it, or the failure.
std::string FromText(std::string_view field, std::string_view after, WholeTolerance tolerance) {
  std::string buffer(field);
  buffer += after;
  buffer.resize(field.size() + kDataTextReadAhead, '7');
  char out[kDataValueRoom];
  try {
    char* end = WriteDataText(out, std::string_view(buffer.data(), field.size()), tolerance);
    return std::string(out, end);
  } catch (const IoError& error) {
    return "error " + std::to_string(error.code());
  }
}

std::string FromDouble(std::string_view field, WholeTolerance tolerance) {
  char out[kDataValueRoom];
  try {
    char* end = WriteDataValue(out, ParseField(field), tolerance);
    return std::string(out, end);
  } catch (const IoError& error) {
    return "error " + std::to_string(error.code());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 256) return 0;
  const bool raw = (data[0] & 1) != 0;
  const char* rest = reinterpret_cast<const char*>(data) + 1;
  std::string field = raw ? std::string(rest, std::min<std::size_t>(size - 1, 40)) : BuiltNumber(data + 1, size - 1);
  // What follows the field in the reader's buffer: the bytes left over.
  std::string_view after(rest, size - 1);
  for (WholeTolerance tolerance : {kMplusWholeTolerance, kMLwinWholeTolerance}) {
    const std::string expected = FromDouble(field, tolerance);
    FUZZ_CHECK(FromText(field, after, tolerance) == expected);
    FUZZ_CHECK(FromText(field, "", tolerance) == expected);
  }
  // A field said to have one text for both tolerances has it.
  std::string padded = field + std::string(after);
  padded.resize(field.size() + kDataTextReadAhead, '7');
  if (!TextsMayPart(std::string_view(padded.data(), field.size())))
    FUZZ_CHECK(FromDouble(field, kMplusWholeTolerance) == FromDouble(field, kMLwinWholeTolerance));
  return 0;
}
