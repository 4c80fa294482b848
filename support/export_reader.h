// The reading of an SPSS tab-delimited export that the run's data copy and
// the assistant share: records end at CR, LF or CR LF, fields at a tab, code
// 26 ends the file, and the first record holds the names. The rules of a
// field are in support/export_field_rules.h; what is done with each field is
// the reader's caller's own.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "support/byte_stream.h"
#include "support/export_field_rules.h"

namespace s2v {

// Tab, CR, LF and code 26 end a field.
inline constexpr std::array<bool, 256> kFieldEnd = [] {
  std::array<bool, 256> table{};
  table['\t'] = table['\r'] = table['\n'] = table[static_cast<unsigned char>(BufferedReader::kEndOfText)] = true;
  return table;
}();

inline bool IsFieldEnd(char c) { return kFieldEnd[static_cast<unsigned char>(c)]; }

// Reads the export record by record and tells records of it:
//
//   bool InHeader() const;     the first record is being read
//   bool InRecord() const;     a field of the current case has ended
//   bool Stopped() const;      the reading ends here, at a whole record
//   void NewFilling(char* begin, const char* end);
//                              the buffer holds new bytes (vector path only)
//   const char* PlainFields(const char* p, const char* end);
//                              vector path: takes what fields it can from p,
//                              the start of a case's field, on; returns where
//                              it stopped, at the start of a field
//   void NamePiece(std::string_view piece);
//                              the first part of a long name of the header
//   void EndField(std::string_view field);
//   void EndRecord(std::string_view lastField);
//
// A field of a case longer than kMaxNumberField ends as "?", which is not a
// number; a long name comes in pieces. An empty record among the cases is
// passed over; the last record counts without a line end.
template <typename Records>
void ReadExportRecords(ByteSource& source, Records& records, std::size_t bufferSize, bool vectorPath) {
  BufferedReader in(source, bufferSize);
  std::string partial;    // a field that runs over the end of the buffer
  bool overlong = false;  // partial is a case's field too long to be a number
  // The field read so far: a field too long to be a number stands as one that
  // is not a number.
  auto fieldSoFar = [&](std::string_view piece) -> std::string_view {
    if (overlong) return "?";
    if (partial.empty()) return piece;
    partial.append(piece);
    return partial;
  };
  bool recordStarted = false;  // a byte of the current record has been read
  bool afterCr = false;        // an LF right after this CR belongs to the same line end
  while (!in.AtEnd()) {
    std::span<char> chunk = in.BufferedForChange();
    const char* p = chunk.data();
    const char* const end = p + chunk.size();
    if (vectorPath) records.NewFilling(chunk.data(), end);
    if (afterCr && *p == '\n') ++p;
    afterCr = false;
    bool endOfText = false;
    while (p < end) {
      if (vectorPath && partial.empty() && !records.InHeader()) {
        p = records.PlainFields(p, end);
        recordStarted = records.InRecord();
        if (records.Stopped()) return;
        if (p == end) break;
      }
      const char* q = p;
      while (q < end && !IsFieldEnd(*q)) ++q;
      if (q > p) recordStarted = true;
      if (q == end) {
        if (!overlong) partial.append(p, q);
        if (partial.size() > kMaxNumberField && records.InHeader()) {
          records.NamePiece(partial);
          partial.clear();
        } else if (partial.size() > kMaxNumberField) {
          overlong = true;
          partial = "?";  // keeps the field open; it ends as missing
        }
        p = q;
        break;
      }
      std::string_view field = fieldSoFar(std::string_view(p, static_cast<std::size_t>(q - p)));
      char c = *q;
      p = q + 1;
      if (c == BufferedReader::kEndOfText) {
        endOfText = true;
        if (recordStarted) records.EndRecord(field);
        recordStarted = false;
        break;
      }
      if (c == '\t') {
        records.EndField(field);
        recordStarted = true;
      } else {
        if (c == '\r') {
          if (p < end && *p == '\n')
            ++p;
          else if (p == end)
            afterCr = true;
        }
        // An empty record among the cases is skipped; the header always counts.
        if (recordStarted || records.InHeader()) records.EndRecord(field);
        recordStarted = false;
      }
      partial.clear();
      overlong = false;
      if (records.Stopped()) return;
    }
    if (endOfText) return;
    in.Consume(static_cast<std::size_t>(p - chunk.data()));
  }
  // A last record without a line end is still a whole record.
  if (recordStarted) records.EndRecord(fieldSoFar(""));
}

}  // namespace s2v
