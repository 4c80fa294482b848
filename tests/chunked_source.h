// A source that hands out its bytes at most chunk at a time, as a pipe or a
// slow disk may: readers must give the same results whatever the chunks.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "support/byte_stream.h"

namespace s2v {

class ChunkedSource : public ByteSource {
 public:
  ChunkedSource(std::string_view bytes, std::size_t chunk) : bytes_(bytes), chunk_(chunk) {}
  std::size_t Read(char* data, std::size_t size) override {
    std::size_t n = std::min({size, chunk_, bytes_.size()});
    std::copy_n(bytes_.data(), n, data);
    bytes_.remove_prefix(n);
    return n;
  }

 private:
  std::string_view bytes_;
  std::size_t chunk_;
};

}  // namespace s2v
