#include "transfer/dummy_column.h"

#include <algorithm>

#include "support/byte_stream.h"
#include "transfer/dummy_value.h"
#include "transfer/value_format.h"

namespace s2v {

DummyColumn::DummyColumn(std::int64_t count, UniformRandom generator)
    : thread_([this, count, generator] { Run(count, generator); }) {}

DummyColumn::~DummyColumn() {
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void DummyColumn::Run(std::int64_t count, UniformRandom generator) {
  while (count > 0) {
    Chunk chunk;
    StringSink sink;
    BufferedWriter out(sink);
    const auto draws = static_cast<std::size_t>(std::min<std::int64_t>(count, kDrawsPerChunk));
    for (std::size_t i = 0; i < draws; ++i) {
      PutSixDecimals(out, DummyValue(generator.Next()));
      out.Flush();
      chunk.ends.push_back(sink.bytes.size());
    }
    chunk.texts = std::move(sink.bytes);
    count -= static_cast<std::int64_t>(draws);
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return waiting_.size() < kMaxWaiting || ending_; });
    if (ending_) return;
    waiting_.push_back(std::move(chunk));
    changed_.notify_all();
  }
}

std::string_view DummyColumn::Next() {
  if (next_ == current_.ends.size()) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !waiting_.empty(); });
    current_ = std::move(waiting_.front());
    waiting_.pop_front();
    next_ = 0;
    changed_.notify_all();
  }
  const std::size_t begin = next_ > 0 ? current_.ends[next_ - 1] : 0;
  const std::size_t end = current_.ends[next_++];
  return std::string_view(current_.texts).substr(begin, end - begin);
}

}  // namespace s2v
