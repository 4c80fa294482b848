// The code page of the imported texts: UTF-8 as the library hands it over, in
// Windows-1252 or a code page the user names.
#include "support/code_page.h"

#include <gtest/gtest.h>

#include <string>

namespace s2v {
namespace {

std::string Convert(const CodePage& page, const std::string& utf8, bool& changed) {
  changed = false;
  return page.FromUtf8(utf8, changed);
}

TEST(CodePage, Windows1252HoldsLatinLettersAndItsOwnSignsAndMarksWhatItCannotHold) {
  const CodePage& page = CodePage::Windows1252();
  bool changed = false;
  EXPECT_EQ(Convert(page, "M\xC3\xA4nnlich", changed), "M\xE4nnlich");
  EXPECT_FALSE(changed);
  // The euro sign, curly quotes and the dash have bytes of their own there.
  EXPECT_EQ(Convert(page, "\xE2\x82\xAC 5 \xE2\x80\x9Cja\xE2\x80\x9D \xE2\x80\x93", changed), "\x80 5 \x93ja\x94 \x96");
  EXPECT_FALSE(changed);
  // Greek letters and a check mark have none: one "?" each.
  EXPECT_EQ(Convert(page, "\xCE\x91\xCE\xB2 \xE2\x9C\x93", changed), "?? ?");
  EXPECT_TRUE(changed);
  EXPECT_EQ(Convert(page, "plain", changed), "plain");
  EXPECT_FALSE(changed);
}

TEST(CodePage, BytesThatAreNotUtf8AreTakenAsWindows1252) {
  bool changed = false;
  // A lone Latin-1 byte, a cut sequence, an overlong form and a surrogate.
  EXPECT_EQ(Convert(CodePage::Windows1252(), "M\xE4nn", changed), "M\xE4nn");
  EXPECT_EQ(Convert(CodePage::Windows1252(), "a\xC3", changed), "a\xC3");
  EXPECT_FALSE(changed);
  const CodePage utf8 = *CodePage::Named("utf-8");
  EXPECT_EQ(Convert(utf8, "M\xE4nn \xC0\xAF \xED\xA0\x80", changed),
            "M\xC3\xA4nn \xC3\x80\xC2\xAF \xC3\xAD\xC2\xA0\xE2\x82\xAC");
  EXPECT_EQ(Convert(utf8, "\xCE\xB1\xF0\x9F\x98\x80", changed), "\xCE\xB1\xF0\x9F\x98\x80");
  EXPECT_FALSE(changed);
}

TEST(CodePage, OtherEightBitCodePagesByNameAndNothingElse) {
  std::optional<CodePage> latin9 = CodePage::Named("iso-8859-15");
  ASSERT_TRUE(latin9.has_value());
  bool changed = false;
  EXPECT_EQ(Convert(*latin9, "\xE2\x82\xAC \xC3\xA4", changed), "\xA4 \xE4");
  EXPECT_FALSE(changed);
  std::optional<CodePage> greek = CodePage::Named("CP1253");
  ASSERT_TRUE(greek.has_value());
  EXPECT_EQ(Convert(*greek, "\xCE\x91\xCE\xB2 \xC3\xA4", changed), "\xC1\xE2 ?");
  EXPECT_TRUE(changed);
  EXPECT_EQ(CodePage::Named("cp1252")->Name(), kDefaultCodePage);
  EXPECT_EQ(CodePage::Named("Utf8")->Name(), "UTF-8");
  // Unknown names, code pages of more than one byte a character, and one
  // that does not keep ASCII.
  for (const char* name : {"", "NO-SUCH-CODE-PAGE", "SHIFT_JIS", "UTF-16", "UTF-32", "EBCDIC-US"})
    EXPECT_FALSE(CodePage::Named(name).has_value()) << name;
}

}  // namespace
}  // namespace s2v
