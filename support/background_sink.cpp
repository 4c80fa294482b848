#include "support/background_sink.h"

namespace s2v {

BackgroundSink::BackgroundSink(ByteSink& target) : target_(target), thread_([this] { Run(); }) {}

BackgroundSink::~BackgroundSink() {
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void BackgroundSink::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return !waiting_.empty() || ending_; });
    if (waiting_.empty()) return;
    auto [buffer, size] = std::move(waiting_.front());
    waiting_.pop_front();
    writing_ = true;
    lock.unlock();
    std::exception_ptr failure;
    try {
      target_.Write(buffer.data(), size);
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    writing_ = false;
    if (failure) {
      failure_ = failure;
      waiting_.clear();
    }
    spare_.push_back(std::move(buffer));
    changed_.notify_all();
  }
}

void BackgroundSink::WaitForRoom(std::unique_lock<std::mutex>& lock) {
  changed_.wait(lock, [this] { return waiting_.size() < kMaxWaiting || failure_; });
  if (failure_) std::rethrow_exception(failure_);
}

void BackgroundSink::Hand(std::vector<char>& buffer, std::size_t size) {
  const std::size_t capacity = buffer.size();
  std::vector<char> next;
  bool wake = false;
  {
    std::unique_lock lock(mutex_);
    WaitForRoom(lock);
    if (!spare_.empty()) {
      next = std::move(spare_.back());
      spare_.pop_back();
    }
    waiting_.emplace_back(std::move(buffer), size);
    // A thread that sleeps is woken for two buffers, not for each: waking it
    // costs some microseconds. Finish wakes it for the last one.
    wake = waiting_.size() >= 2;
  }
  if (wake) changed_.notify_all();
  if (next.size() < capacity) next.resize(capacity);
  buffer = std::move(next);
}

void BackgroundSink::Write(const char* data, std::size_t size) {
  std::vector<char> copy(data, data + size);
  Hand(copy, size);
}

void BackgroundSink::Finish() {
  changed_.notify_all();
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return (waiting_.empty() && !writing_) || failure_; });
  if (failure_) std::rethrow_exception(failure_);
}

}  // namespace s2v
