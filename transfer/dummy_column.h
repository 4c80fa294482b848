// The Mplus Dummy column's texts, drawn and formatted on a thread of their
// own ahead of the cases that take them.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "support/random.h"

namespace s2v {

class DummyColumn {
 public:
  // Draws count values in turn from the generator, which its thread takes.
  DummyColumn(std::int64_t count, UniformRandom generator);
  // Stops drawing and ends the thread.
  ~DummyColumn();
  DummyColumn(const DummyColumn&) = delete;
  DummyColumn& operator=(const DummyColumn&) = delete;

  // The text of the next draw, as PutSixDecimals writes DummyValue of it;
  // valid until the next call.
  std::string_view Next();

 private:
  // The texts of a run of draws, one after the other, and where each ends.
  struct Chunk {
    std::string texts;
    std::vector<std::size_t> ends;
  };
  static constexpr std::size_t kDrawsPerChunk = 4096;
  static constexpr std::size_t kMaxWaiting = 4;
  void Run(std::int64_t count, UniformRandom generator);

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Chunk> waiting_;
  bool ending_ = false;
  Chunk current_;
  std::size_t next_ = 0;  // the next text of current_
  std::thread thread_;
};

}  // namespace s2v
