// Writing on a thread of its own: every byte arrives in order, the waiting
// stays bounded, and the target's failure reaches the writer, after which
// nothing more is written.
#include "support/background_sink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "support/io_error.h"

namespace s2v {
namespace {

// Keeps what it is given, slowly, and fails at the given write.
class SlowSink : public ByteSink {
 public:
  explicit SlowSink(int failAt = -1) : failAt_(failAt) {}
  void Write(const char* data, std::size_t size) override {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
    if (writes_++ == failAt_) throw IoError(kDiskFull);
    bytes.append(data, size);
  }
  std::string bytes;

 private:
  int failAt_;
  int writes_ = 0;
};

TEST(BackgroundSinkTest, WritesEveryByteInOrder) {
  SlowSink target;
  std::string expected;
  {
    BackgroundSink background(target);
    BufferedWriter out(background, 64);
    for (int i = 0; i < 5000; ++i) {
      const std::string line = std::to_string(i * 7919);
      out.PutLine(line);
      expected += line + "\r\n";
    }
    // A text longer than the buffer, written at once.
    const std::string tall(1000, 'x');
    out.Put(tall);
    expected += tall;
    out.Flush();
    background.Finish();
    EXPECT_EQ(target.bytes, expected);
  }
  // What is handed over before the end is written when the sink ends.
  SlowSink late;
  {
    BackgroundSink background(late);
    BufferedWriter out(background, 16);
    for (int i = 0; i < 100; ++i) out.PutLine("0123456789");
    out.Flush();
  }
  EXPECT_EQ(late.bytes.size(), 1200u);
  // The thread is woken for two buffers at a time; a single one is written
  // when the writer finishes.
  SlowSink one;
  {
    BackgroundSink background(one);
    BufferedWriter out(background, 64);
    out.Put("a few bytes");
    out.Flush();
    background.Finish();
    EXPECT_EQ(one.bytes, "a few bytes");
  }
}

// Waits until let go, then keeps what it is given.
class GateSink : public ByteSink {
 public:
  void Write(const char* data, std::size_t size) override {
    std::unique_lock lock(mutex_);
    opened_.wait(lock, [this] { return open_; });
    bytes.append(data, size);
  }
  void Open() {
    {
      std::lock_guard lock(mutex_);
      open_ = true;
    }
    opened_.notify_all();
  }
  std::string bytes;

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
};

TEST(BackgroundSinkTest, AWriterAheadOfTheTargetWaits) {
  GateSink target;
  BackgroundSink background(target);
  std::atomic<int> handed = 0;
  std::thread writer([&] {
    BufferedWriter out(background, 4);
    for (int i = 0; i < 20; ++i) {
      out.Put("abcd");
      out.Flush();
      ++handed;
    }
  });
  // One buffer in the target's hands, three waiting: the fifth is held back.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_GE(handed.load(), 3);
  EXPECT_LE(handed.load(), 4);
  target.Open();
  writer.join();
  background.Finish();
  EXPECT_EQ(target.bytes.size(), 80u);
}

TEST(BackgroundSinkTest, AFailureReachesTheWriterAndEndsTheWriting) {
  SlowSink target(3);
  BackgroundSink background(target);
  BufferedWriter out(background, 10);
  try {
    for (int i = 0; i < 1000; ++i) out.Put("abcdefghij");
    background.Finish();
    FAIL() << "no failure";
  } catch (const IoError& error) {
    EXPECT_EQ(error.code(), kDiskFull);
  }
  EXPECT_EQ(target.bytes, "abcdefghijabcdefghijabcdefghij");
  EXPECT_THROW(background.Finish(), IoError);
  out.Put("x");
  EXPECT_THROW(out.Flush(), IoError);
  EXPECT_EQ(target.bytes.size(), 30u);
}

}  // namespace
}  // namespace s2v
