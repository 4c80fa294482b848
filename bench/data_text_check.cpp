// data_text_check: for random fields of every class the data files meet,
// checks that the text written from a field's digits (WriteDataText) is the
// text of its double (std::from_chars, then std::to_chars through
// WriteDataValue), or that both refuse the field, with both tolerances; the
// bytes after each field in the reader's buffer are random too.
//
// Usage: spss2vornex-check-data-text [SECONDS [SEED]]   (default: 60 s, seed 1)
// Prints the fields checked per class and the first mismatches; exits 1 when
// there is any.
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "support/io_error.h"
#include "transfer/data_text.h"

namespace {

using namespace s2v;

struct SplitMix64 {
  std::uint64_t state;
  std::uint64_t Next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  }
  unsigned Below(unsigned n) { return static_cast<unsigned>(Next() % n); }
};

// Digits with those next to rounding steps and tolerances more often.
char Digit(SplitMix64& random) {
  constexpr std::string_view kDigits = "0123456789000999554";
  return kDigits[random.Below(static_cast<unsigned>(kDigits.size()))];
}

void AppendDigits(std::string& text, SplitMix64& random, unsigned count) {
  for (unsigned i = 0; i < count; ++i) text += Digit(random);
}

enum Class { kWhole, kFewDecimals, kNearHalf, kNearTolerance, kBinaryHalf, kLong, kExponent, kAnyBytes, kClasses };
constexpr const char* kClassNames[kClasses] = {"whole numbers (0 to 20 digits)",
                                               "1 to 8 decimals",
                                               "next to half a thousandth",
                                               "next to 0.00001 and 0.0001 from a whole number",
                                               "halves exact in binary (x.0625, ...)",
                                               "up to 40 characters",
                                               "with an exponent",
                                               "any bytes of number characters"};

std::string Field(Class kind, SplitMix64& random) {
  std::string text;
  const unsigned sign = random.Below(4);
  if (kind != kAnyBytes) {
    if (sign == 1) text += '-';
    if (sign == 2) text += '+';
  }
  // Leading zeros now and then.
  if (kind != kAnyBytes && random.Below(8) == 0) text.append(random.Below(4), '0');
  const unsigned whole = random.Below(10);
  switch (kind) {
    case kWhole:
      AppendDigits(text, random, random.Below(21));
      if (random.Below(4) == 0) text += '.' + std::string(random.Below(8), '0');
      break;
    case kFewDecimals:
      AppendDigits(text, random, whole);
      text += '.';
      AppendDigits(text, random, 1 + random.Below(8));
      break;
    case kNearHalf: {
      AppendDigits(text, random, whole);
      text += '.';
      AppendDigits(text, random, 3);
      constexpr const char* kRests[] = {"5", "50", "500", "4999", "49", "5001", "51", "499", "501"};
      text += kRests[random.Below(9)];
      break;
    }
    case kNearTolerance: {
      AppendDigits(text, random, whole);
      text += '.';
      constexpr const char* kFractions[] = {"00001", "000010", "000009", "000011", "0001",    "00010",  "00009",
                                            "00011", "99999",  "999990", "999991", "999989",  "9999",   "99990",
                                            "99991", "99989",  "000099", "000101", "0000099", "0000101"};
      text += kFractions[random.Below(20)];
      break;
    }
    case kBinaryHalf: {
      AppendDigits(text, random, whole);
      constexpr const char* kFractions[] = {".0625", ".1875",  ".3125", ".4375", ".5625", ".6875", ".8125",
                                            ".9375", ".06250", ".5",    ".25",   ".125",  ".0005", ".9995"};
      text += kFractions[random.Below(14)];
      break;
    }
    case kLong:
      AppendDigits(text, random, random.Below(20));
      text += '.';
      AppendDigits(text, random, random.Below(20));
      break;
    case kExponent:
      AppendDigits(text, random, 1 + random.Below(6));
      if (random.Below(2) == 0) {
        text += '.';
        AppendDigits(text, random, random.Below(6));
      }
      text += random.Below(2) == 0 ? 'e' : 'E';
      if (random.Below(2) == 0) text += random.Below(2) == 0 ? '-' : '+';
      text += std::to_string(random.Below(30));
      break;
    default: {
      constexpr std::string_view kChars = "0123456789.+-eE0123456789";
      const unsigned length = random.Below(18);
      for (unsigned i = 0; i < length; ++i) text += kChars[random.Below(static_cast<unsigned>(kChars.size()))];
      break;
    }
  }
  return text;
}

std::string FromText(const std::string& field, SplitMix64& random, WholeTolerance tolerance) {
  // The field in a buffer, followed by what a reader's buffer may hold.
  char buffer[64 + kDataTextReadAhead];
  if (field.size() > 64) return "too long";
  std::memcpy(buffer, field.data(), field.size());
  constexpr std::string_view kAfter = " \r\n0123456789.-";
  for (std::size_t i = field.size(); i < sizeof buffer; ++i)
    buffer[i] = kAfter[random.Below(static_cast<unsigned>(kAfter.size()))];
  char out[kDataValueRoom];
  try {
    return std::string(out, WriteDataText(out, std::string_view(buffer, field.size()), tolerance));
  } catch (const IoError& error) {
    return "error " + std::to_string(error.code());
  }
}

std::string FromDouble(const std::string& field, WholeTolerance tolerance) {
  char out[kDataValueRoom];
  try {
    return std::string(out, WriteDataValue(out, ParseField(field), tolerance));
  } catch (const IoError& error) {
    return "error " + std::to_string(error.code());
  }
}

bool ParseNumber(const char* text, std::uint64_t& value) {
  auto result = std::from_chars(text, text + std::strlen(text), value);
  return result.ec == std::errc() && *result.ptr == '\0';
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t seconds = 60;
  std::uint64_t seed = 1;
  if (argc > 3 || (argc > 1 && !ParseNumber(argv[1], seconds)) || (argc > 2 && !ParseNumber(argv[2], seed))) {
    std::fprintf(stderr, "usage: spss2vornex-check-data-text [SECONDS [SEED]]\n");
    return 64;
  }
  SplitMix64 random{seed};
  std::uint64_t checked[kClasses] = {};
  std::uint64_t mismatches = 0;
  const auto start = std::chrono::steady_clock::now();
  const auto stop = start + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < stop) {
    for (int i = 0; i < 100000; ++i) {
      const auto kind = static_cast<Class>(random.Below(kClasses));
      const std::string field = Field(kind, random);
      for (WholeTolerance tolerance : {kMplusWholeTolerance, kMLwinWholeTolerance}) {
        const std::string expected = FromDouble(field, tolerance);
        const std::string got = FromText(field, random, tolerance);
        if (got != expected && ++mismatches <= 20)
          std::printf("MISMATCH \"%s\" (tolerance %g): \"%s\", its double gives \"%s\"\n", field.c_str(),
                      tolerance.distance, got.c_str(), expected.c_str());
      }
      ++checked[kind];
    }
  }
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::uint64_t total = 0;
  for (int kind = 0; kind < kClasses; ++kind) {
    std::printf("%14llu  %s\n", static_cast<unsigned long long>(checked[kind]), kClassNames[kind]);
    total += checked[kind];
  }
  std::printf("%llu fields, each with both tolerances, in %.0f s (seed %llu): %llu mismatches\n",
              static_cast<unsigned long long>(total), elapsed, static_cast<unsigned long long>(seed),
              static_cast<unsigned long long>(mismatches));
  return mismatches == 0 ? 0 : 1;
}
