#include "support/byte_stream.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/io_error.h"

namespace s2v {
namespace {

std::vector<std::string> Lines(std::string_view bytes) {
  MemorySource source(bytes);
  return ReadAllLines(source);
}

using V = std::vector<std::string>;

TEST(LineReader, LinesEndAtCrLfOrCrLf) {
  EXPECT_EQ(Lines("a\r\nb\r\n"), (V{"a", "b"}));
  EXPECT_EQ(Lines("a\nb\n"), (V{"a", "b"}));
  EXPECT_EQ(Lines("a\rb\r"), (V{"a", "b"}));
  EXPECT_EQ(Lines("a\r\rb"), (V{"a", "", "b"}));
  EXPECT_EQ(Lines("a\n\r\nb"), (V{"a", "", "b"}));
  EXPECT_EQ(Lines("last without end"), (V{"last without end"}));
  EXPECT_EQ(Lines(""), V{});
  EXPECT_EQ(Lines("\r\n\r\n"), (V{"", ""}));
}

TEST(LineReader, Code26EndsTheText) {
  EXPECT_EQ(Lines("a\r\nb\x1a"
                  "c\r\nd"),
            (V{"a", "b"}));
  EXPECT_EQ(Lines("\x1a"
                  "a"),
            V{});
}

TEST(LineReader, LinesLongerThanTheBufferAreKeptUpToTheLimit) {
  // Whole up to the limit, over several buffer fillings; cut beyond it, with
  // the line end still found, so the next line is read as it stands.
  const std::string longest(LineReader::kMaxLineLength, 'x');
  EXPECT_EQ(Lines(longest + "\r\n" + longest), (V{longest, longest}));
  const std::string longer = longest + std::string(300000, 'y');
  EXPECT_EQ(Lines(longer + "\r\nnext\n" + longer + "\r"), (V{longest, "next", longest}));
}

TEST(BufferedWriter, DirectFillingKeepsTheOrderAndTheRoomAsked) {
  StringSink sink;
  BufferedWriter out(sink, 8);
  out.Put("abcdef");
  std::span<char> room = out.Reserve(5);  // only 2 free: flushes first
  ASSERT_GE(room.size(), 5u);
  std::copy_n("ghijk", 5, room.data());
  out.CommitTo(room.data() + 3);  // "ghi" written, "jk" not
  out.Put('!');
  room = out.Reserve(20);  // more than the whole buffer: it grows
  ASSERT_GE(room.size(), 20u);
  std::copy_n("0123456789012345678", 19, room.data());
  out.CommitTo(room.data() + 19);
  out.Flush();
  EXPECT_EQ(sink.bytes, "abcdefghi!0123456789012345678");
}

TEST(IoErrorText, MessagesCarryTheirFullStop) {
  EXPECT_EQ(IoErrorMessage(kFileNotFound), "File not found.");
  EXPECT_EQ(IoErrorMessage(kInvalidFilename), "Invalid filename.");
  EXPECT_EQ(IoErrorMessage(kTooManyOpenFiles), "Too many open files.");
  EXPECT_EQ(IoErrorMessage(kFileAccessDenied), "File access denied.");
  EXPECT_EQ(IoErrorMessage(kReadBeyondEnd), "Read beyond end of file.");
  EXPECT_EQ(IoErrorMessage(kDiskFull), "Disk full.");
  EXPECT_EQ(IoErrorMessage(kInvalidNumericInput), "Invalid numeric input.");
  EXPECT_EQ(IoErrorMessage(kOsError, 13), "I/O error 13.");
}

TEST(IoErrorFromErrno, KnownErrorsByNameAndNoOtherAsARuntimeCode) {
  const std::pair<int, const char*> cases[] = {
      {ENOENT, "File not found."},
      {ENAMETOOLONG, "Invalid filename."},
      {ENOTDIR, "Invalid filename."},
      {EMFILE, "Too many open files."},
      {EACCES, "File access denied."},
      {EISDIR, "File access denied."},
      {EROFS, "File access denied."},
      {EEXIST, "File access denied."},
      {ENOSPC, "Disk full."},
#ifdef EDQUOT
      {EDQUOT, "Disk full."},
#endif
      {EIO, "Disk full."},
      // errno values that equal the runtime's own codes keep their errno.
      {100, "I/O error 100."},
      {101, "I/O error 101."},
      {106, "I/O error 106."},
      {EAGAIN, "I/O error 11."},
  };
  for (const auto& [err, text] : cases) {
    IoError error = IoErrorFromErrno(err);
    EXPECT_STREQ(error.what(), text) << err;
  }
  EXPECT_EQ(IoErrorFromErrno(100).code(), kOsError);
  EXPECT_EQ(IoErrorFromErrno(100).number(), 100);
#ifdef EDQUOT
  EXPECT_EQ(IoErrorFromErrno(EDQUOT).code(), kDiskFull);
#endif
}

}  // namespace
}  // namespace s2v
