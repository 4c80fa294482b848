// A value's and a field's text as the transfers write them, through a
// BufferedWriter, for the tests of the two.
#pragma once

#include <string_view>

#include "support/byte_stream.h"
#include "transfer/data_text.h"
#include "transfer/value_format.h"

namespace s2v {

inline void PutDataValue(BufferedWriter& out, double x, WholeTolerance tolerance) {
  out.CommitTo(WriteDataValue(out.Reserve(kDataValueRoom).data(), x, tolerance));
}

// A field with nothing readable after it, padded as the reading pads one.
inline void PutDataText(BufferedWriter& out, std::string_view field, WholeTolerance tolerance) {
  char padded[16 + kDataTextReadAhead] = {};
  if (field.size() <= 16) field = std::string_view(padded, field.copy(padded, field.size()));
  out.CommitTo(WriteDataText(out.Reserve(kDataValueRoom).data(), field, tolerance));
}

}  // namespace s2v
