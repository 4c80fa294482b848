// Inputs in 8 bits, UTF-8 and UTF-16 reach the readers as 8-bit text.
#include "support/text_decoding.h"

#include <gtest/gtest.h>

#include "chunked_source.h"

namespace s2v {
namespace {

// All of a source decoded, read size bytes at a time.
std::string Decoded(DecodedSource& text, std::size_t size) {
  std::string out;
  std::string buffer(size, '\0');
  while (std::size_t n = text.Read(buffer.data(), buffer.size())) out.append(buffer, 0, n);
  return out;
}

std::string Utf16(std::u16string_view text, bool little) {
  std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
  for (char16_t unit : text) {
    const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
    bytes += little ? std::string{low, high} : std::string{high, low};
  }
  return bytes;
}

TEST(DecodedSource, EachEncodingGivesTheSameEightBitTextWhateverTheChunks) {
  struct Case {
    std::string input;
    TextEncoding encoding;
    std::string text;
    std::uint64_t changed;
  } cases[] = {
      // 8-bit text passes byte for byte, whatever bytes it holds.
      {"ID\tSEX\r\n1\t2\r\n", TextEncoding::EightBit, "ID\tSEX\r\n1\t2\r\n", 0},
      {"M\xE4nner \x80\x81\x1A\xC3", TextEncoding::EightBit, "M\xE4nner \x80\x81\x1A\xC3", 0},
      // UTF-8: the mark goes; unmarked, it is known by its characters.
      {"\xEF\xBB\xBFID\tSEX\r\n", TextEncoding::Utf8, "ID\tSEX\r\n", 0},
      {"M\xC3\xA4nner \xE2\x82\xAC \xE2\x80\x93", TextEncoding::Utf8, "M\xE4nner \x80 \x96", 0},
      {"\xEF\xBB\xBF\xCE\xB1\xCE\xB2 \xF0\x9F\x98\x80", TextEncoding::Utf8, "?? ?", 3},
      // A byte that is not UTF-8 in a marked file is taken as Windows-1252.
      {"\xEF\xBB\xBFM\xE4nner", TextEncoding::Utf8, "M\xE4nner", 0},
      {"\xEF\xBB\xBF", TextEncoding::Utf8, "", 0},
      // UTF-16 with its mark, both byte orders; a pair of surrogates is one character.
      {Utf16(u"ID\tM\u00E4nner\r\n\u20AC", true), TextEncoding::Utf16LittleEndian, "ID\tM\xE4nner\r\n\x80", 0},
      {Utf16(u"A\U0001F600B\u03B1", false), TextEncoding::Utf16BigEndian, "A?B?", 2},
      {Utf16(u"A", true) + "B", TextEncoding::Utf16LittleEndian, "A?", 1},  // half a character at the end
      // A pair of surrogates across the end of what one read of 17 takes.
      {Utf16(u"ABCDEFGHIJKLMN\U0001F600Z", true), TextEncoding::Utf16LittleEndian, "ABCDEFGHIJKLMN?Z", 1},
  };
  for (const Case& c : cases) {
    for (std::size_t chunk : {std::size_t{1}, std::size_t{3}, std::size_t{1} << 16}) {
      for (std::size_t size : {std::size_t{5}, std::size_t{17}, std::size_t{1} << 16}) {
        ChunkedSource raw(c.input, chunk);
        DecodedSource text(raw);
        EXPECT_EQ(Decoded(text, size), c.text) << c.input << " chunk " << chunk << " size " << size;
        EXPECT_EQ(text.Encoding(), c.encoding) << c.input;
        EXPECT_EQ(text.ChangedCount(), c.changed) << c.input;
      }
    }
  }
}

TEST(DecodedSource, AnUnmarkedFileIsJudgedByItsStart) {
  // Plain ASCII, or bytes that are not UTF-8 anywhere in the start: 8 bits.
  for (std::string start : {std::string("ID\tSEX\r\n"), std::string("Gr\xF6\xDF") + "e \xC3\xA4"}) {
    MemorySource raw(start);
    EXPECT_EQ(DecodedSource(raw).Encoding(), TextEncoding::EightBit) << start;
  }
  // A first record longer than the judged start is judged whole.
  std::string longHeader(DecodedSource::kJudgedBytes + 100, 'x');
  longHeader += "\xC3\xA4\r\n1";
  MemorySource raw(longHeader);
  DecodedSource text(raw);
  EXPECT_EQ(text.Encoding(), TextEncoding::Utf8);
  EXPECT_EQ(Decoded(text, 4096).substr(DecodedSource::kJudgedBytes + 100), "\xE4\r\n1");
  // A character beyond the judged start changes nothing: the file stays 8-bit.
  std::string late(DecodedSource::kMostJudgedBytes + 10, 'x');
  late.replace(100, 2, "\r\n");
  late += "\xC3\xA4";
  MemorySource lateRaw(late);
  DecodedSource lateText(lateRaw);
  EXPECT_EQ(lateText.Encoding(), TextEncoding::EightBit);
  EXPECT_EQ(Decoded(lateText, 1 << 16), late);
}

TEST(DecodedSource, ChangedCharactersArePlacedByLineAndField) {
  const std::string input =
      "\xEF\xBB\xBF"
      "A\tB\xCE\xB1\r\nC\xCE\xB1\rD\n\n\t\xCE\xB1";
  MemorySource all(input);
  DecodedSource text(all);
  EXPECT_EQ(Decoded(text, 7), "A\tB?\r\nC?\rD\n\n\t?");
  ASSERT_EQ(text.FirstChanged().size(), 3u);
  EXPECT_EQ(text.FirstChanged()[0].Line, 1u);
  EXPECT_EQ(text.FirstChanged()[0].Field, 2u);
  EXPECT_EQ(text.FirstChanged()[1].Line, 2u);
  EXPECT_EQ(text.FirstChanged()[2].Line, 5u);
  EXPECT_EQ(text.FirstChanged()[2].Field, 2u);
  // Lines followed only as far as asked: later changes are counted, not placed.
  MemorySource first(input);
  DecodedSource header(first, CodePage::Windows1252(), 1);
  Decoded(header, 1 << 16);
  EXPECT_EQ(header.ChangedCount(), 3u);
  EXPECT_EQ(header.FirstChanged()[0].Line, 1u);
  EXPECT_EQ(header.FirstChanged()[1].Line, 0u);
  EXPECT_EQ(ChangedCharactersLine("S.TXT", CodePage::Windows1252(), 3, {"SEX"}),
            "3 characters of S.TXT that WINDOWS-1252 lacks became \"?\": SEX");
  EXPECT_EQ(ChangedCharactersLine("S.TXT", CodePage::Windows1252(), 0, {}), "");
}

TEST(DecodedSource, AnotherCodePageOrUtf8IsWrittenAsAsked) {
  const std::string input = "\xEF\xBB\xBF\xC5\xA1\xE2\x82\xAC";  // š €
  const CodePage utf8Page = *CodePage::Named("UTF-8");
  const CodePage latin2Page = *CodePage::Named("ISO-8859-2");
  MemorySource a(input);
  DecodedSource utf8(a, utf8Page);
  EXPECT_EQ(Decoded(utf8, 1 << 16), "\xC5\xA1\xE2\x82\xAC");
  MemorySource b(input);
  DecodedSource latin2(b, latin2Page);
  EXPECT_EQ(Decoded(latin2, 1 << 16), "\xB9?");
  EXPECT_EQ(latin2.ChangedCount(), 1u);
}

}  // namespace
}  // namespace s2v
