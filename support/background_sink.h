// A sink that writes to another one on a thread of its own: the system's
// copying of a long file's bytes overlaps with the making of the next ones.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/byte_stream.h"
#include "support/working_folder.h"

namespace s2v {

class BackgroundSink : public ByteSink {
 public:
  // The target is written by the thread alone until Finish() returns.
  explicit BackgroundSink(ByteSink& target);
  // Writes what was handed over, a failure unreported, and ends the thread.
  ~BackgroundSink() override;
  BackgroundSink(const BackgroundSink&) = delete;
  BackgroundSink& operator=(const BackgroundSink&) = delete;

  // The bytes are written in the order handed over. A writer's buffer is
  // kept and another one given back; a few buffers at most wait, so that
  // memory stays bounded when the disk is slower than the writer. Both throw
  // the target's failure of an earlier write; nothing after a failure is
  // written.
  void Write(const char* data, std::size_t size) override;
  void Hand(std::vector<char>& buffer, std::size_t size) override;
  // Waits until everything handed over is written; throws the target's
  // failure.
  void Finish();

 private:
  static constexpr std::size_t kMaxWaiting = 3;
  void Run();
  // Waits, with the lock held, until fewer than kMaxWaiting buffers wait;
  // throws a failure met meanwhile.
  void WaitForRoom(std::unique_lock<std::mutex>& lock);

  ByteSink& target_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::pair<std::vector<char>, std::size_t>> waiting_;
  std::vector<std::vector<char>> spare_;  // written, to be given back
  bool writing_ = false;                  // the thread holds a buffer
  bool ending_ = false;
  std::exception_ptr failure_;
  std::thread thread_;
};

// A long text file written as TextFileWriter writes it, the writing done on
// a thread of its own.
class BackgroundFileWriter {
 public:
  BackgroundFileWriter(const WorkingFolder& folder, const std::string& name)
      : file_(folder, name), background_(file_), writer_(background_, 1 << 18) {}
  // What was written stays on disk even when a failure ends the run early.
  ~BackgroundFileWriter() {
    try {
      writer_.Flush();
    } catch (const std::exception&) {
    }
  }
  BackgroundFileWriter(const BackgroundFileWriter&) = delete;
  BackgroundFileWriter& operator=(const BackgroundFileWriter&) = delete;
  BufferedWriter& out() { return writer_; }
  // Flushes, waits for the writing and closes; throws IoError on failure.
  void Close() {
    writer_.Flush();
    background_.Finish();
    file_.Close();
  }

 private:
  FileSink file_;
  BackgroundSink background_;
  BufferedWriter writer_;
};

}  // namespace s2v
