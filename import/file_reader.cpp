#include "import/file_reader.h"

#include <readstat.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "import/sav_layout.h"
#include "import/stata_file.h"
#include "support/text_scan.h"
#include "support/working_folder.h"

namespace s2v {
namespace {

// The number whose shortest decimal text is that of a single-precision value
// (Stata's float): 0.1f is 0.1, not the 0.10000000149011612 it is as a double.
double DecimalOfFloat(float value) {
  if (!std::isfinite(value)) return value;
  char text[64];
  const auto written = std::to_chars(text, text + sizeof text, value);
  double decimal = value;
  std::from_chars(text, written.ptr, decimal);
  return decimal;
}

SavCode CodeOf(readstat_value_t value) {
  SavCode code;
  if (readstat_value_type_class(value) == READSTAT_TYPE_CLASS_STRING) {
    code.IsString = true;
    const char* text = readstat_string_value(value);
    code.Text = text != nullptr ? text : "";
  } else {
    code.Number = readstat_value_type(value) == READSTAT_TYPE_FLOAT ? DecimalOfFloat(readstat_float_value(value))
                                                                    : readstat_double_value(value);
  }
  return code;
}

SavMeasure MeasureOf(readstat_measure_t measure) {
  switch (measure) {
    case READSTAT_MEASURE_NOMINAL: return SavMeasure::Nominal;
    case READSTAT_MEASURE_ORDINAL: return SavMeasure::Ordinal;
    case READSTAT_MEASURE_SCALE: return SavMeasure::Scale;
    default: return SavMeasure::Unknown;
  }
}

std::string TextOrEmpty(const char* text) { return text != nullptr ? text : ""; }

// A text of the library's that ends at the latest where its room does: a
// damaged file can leave one without its end.
std::string BoundedText(const char* text, std::size_t room) {
  return text != nullptr ? std::string(text, strnlen(text, room)) : "";
}

// The room of a Stata file's name of a set of value labels, by the file's
// release: 9 bytes before release 110, 33 before 118, 129 from then on.
std::size_t LabelSetNameRoom(int release) { return release < 110 ? 9 : release < 118 ? 33 : 129; }

// A Stata display format in the form of an SPSS print format, which the File
// Info export shows and the run reads: a text variable as A and its width, a
// number of "%w.d" (f, g, e, fc or gc) as Fw.d, any other number (dates,
// times, hexadecimal) as F8.2.
std::string FormatOfStata(const std::string& format, bool isString, std::size_t storageWidth) {
  if (isString) return "A" + std::to_string(std::max<std::size_t>(storageWidth, 1));
  const char* p = format.c_str();
  const char* end = p + format.size();
  if (p == end || *p++ != '%') return "F8.2";
  if (p != end && *p == '-') ++p;
  int width = 0;
  int decimals = 0;
  auto w = std::from_chars(p, end, width);
  if (w.ec != std::errc() || w.ptr == end || *w.ptr != '.') return "F8.2";
  auto d = std::from_chars(w.ptr + 1, end, decimals);
  const std::string kind(d.ptr, end);
  if (d.ec != std::errc() || (kind != "f" && kind != "g" && kind != "e" && kind != "fc" && kind != "gc") || width < 1 ||
      width > 40 || decimals > 16)
    return "F8.2";
  return "F" + std::to_string(std::max(width, decimals + 2)) + "." + std::to_string(decimals);
}

// What the import reads of the file itself (see stata_file.h and
// sav_layout.h), found once for all readings of the file.
struct OwnReading {
  std::vector<std::size_t> SavWidths;
  int Release = 0;
  std::optional<OldStataLabels> OldLabels;
  std::optional<StataStrls> Strls;
};

// The old missing value of a double of releases up to 104: 2^333.
const double kOldMissingDouble = std::ldexp(1.0, 333);

// A string's print format as SPSS keeps it: A and the variable's width. Some
// writers give the format another width than the variable has.
std::string StringFormat(const std::string& format, std::size_t width) {
  if (width == 0 || format.size() < 2 || format[0] != 'A' || !IsDigitChar(format[1])) return format;
  return "A" + std::to_string(width);
}

// The state of one reading, shared by the library's callbacks. No exception
// may cross the library's C frames: a callback keeps it and stops the parse.
class Reading {
 public:
  // bytes are what the library is shown; the strL texts are read from
  // original.
  Reading(const ImportBytes& bytes, const ImportBytes& original, ImportKind kind, const OwnReading& own,
          ImportCaseHandler& handler)
      : bytes_(bytes),
        original_(original),
        kind_(kind),
        own_(own),
        labelSetNameRoom_(kind == ImportKind::StataFile ? LabelSetNameRoom(own.Release) : 0),
        handler_(handler) {
    if (own.OldLabels)
      for (const auto& [set, label] : own.OldLabels->Labels) labelSets_[set].push_back(label);
  }

  template <typename F>
  int Guard(F&& step) {
    try {
      step();
      return READSTAT_HANDLER_OK;
    } catch (...) {
      failure_ = std::current_exception();
      return READSTAT_HANDLER_ABORT;
    }
  }

  // The library's input: a position in the bytes.
  std::int64_t Seek(std::int64_t offset, readstat_io_flags_t whence) {
    const std::int64_t size = static_cast<std::int64_t>(bytes_.Size());
    const std::int64_t base = whence == READSTAT_SEEK_SET ? 0 : whence == READSTAT_SEEK_CUR ? position_ : size;
    if (offset > size || offset < -size || base + offset < 0 || base + offset > size) return -1;
    position_ = base + offset;
    return position_;
  }
  // The library reads some kinds one byte at a time (a portable file is
  // text): reads are served from a window of the bytes.
  ssize_t Read(void* data, std::size_t size) {
    try {
      char* out = static_cast<char*>(data);
      std::size_t done = 0;
      while (done < size) {
        const std::int64_t windowEnd = windowStart_ + static_cast<std::int64_t>(windowSize_);
        std::size_t n = 0;
        if (position_ >= windowStart_ && position_ < windowEnd) {
          n = std::min(size - done, static_cast<std::size_t>(windowEnd - position_));
          std::memcpy(out + done, window_.data() + (position_ - windowStart_), n);
        } else if (size - done >= window_.size()) {
          n = bytes_.ReadAt(static_cast<std::uint64_t>(position_), out + done, size - done);
          if (n == 0) break;
        } else {
          windowStart_ = position_;
          windowSize_ = bytes_.ReadAt(static_cast<std::uint64_t>(position_), window_.data(), window_.size());
          if (windowSize_ == 0) break;
          continue;
        }
        done += n;
        position_ += static_cast<std::int64_t>(n);
      }
      return static_cast<ssize_t>(done);
    } catch (...) {
      failure_ = std::current_exception();
      return -1;
    }
  }
  void Rewind() { position_ = 0; }

  // Value labels come in sets named by the variables: before the variables
  // in system and portable files, after the data in Stata files.
  void AddValueLabel(const char* set, readstat_value_t value, const char* label) {
    // A label of one of Stata's extended missing values (.a to .z) labels no
    // value of the data: those are system-missing there.
    if (readstat_value_is_tagged_missing(value) || readstat_value_is_system_missing(value)) return;
    labelSets_[TextOrEmpty(set)].push_back({CodeOf(value), TextOrEmpty(label)});
  }

  void AddVariable(readstat_variable_t* variable, const char* labelSet) {
    SavVariable v;
    v.Name = BoundedText(variable->name, sizeof variable->name);
    v.Label = BoundedText(variable->label, sizeof variable->label);
    v.Format = BoundedText(variable->format, sizeof variable->format);
    v.IsString = readstat_variable_get_type_class(variable) == READSTAT_TYPE_CLASS_STRING;
    const std::size_t width = readstat_variable_get_storage_width(variable);
    if (kind_ == ImportKind::StataFile)
      v.Format = FormatOfStata(v.Format, v.IsString, width);
    else if (v.IsString && dictionary_.Variables.size() < own_.SavWidths.size())
      v.Format = StringFormat(v.Format, own_.SavWidths[dictionary_.Variables.size()]);
    v.Measure = MeasureOf(readstat_variable_get_measure(variable));
    for (int i = 0; i < readstat_variable_get_missing_ranges_count(variable); ++i)
      v.Missing.push_back({CodeOf(readstat_variable_get_missing_range_lo(variable, i)),
                           CodeOf(readstat_variable_get_missing_range_hi(variable, i))});
    dictionary_.Variables.push_back(std::move(v));
    // A Stata file's name of a set of value labels is read where the file
    // keeps it, and need not end there.
    labelSetOf_.push_back(kind_ == ImportKind::StataFile ? BoundedText(labelSet, labelSetNameRoom_)
                                                         : TextOrEmpty(labelSet));
  }

  // Called for every value of the file: the value's fields are read straight
  // from the library's public structures rather than through one library
  // call each.
  // A damaged file can hand over values that do not follow its dictionary;
  // the first such value ends the reading with the reason.
  int AddValue(const readstat_variable_t* variable, const readstat_value_t& value) {
    if (!shape_) shape_.emplace(dictionary_.Variables.size());
    bool caseEnded = false;
    const std::int64_t caseIndex = shape_->Cases();
    const auto index = static_cast<std::size_t>(variable->index);
    if (!shape_->Value(index, caseEnded)) return READSTAT_HANDLER_ABORT;
    if (own_.Strls && own_.Strls->IsStrl(index)) return Guard([&] { PassStrl(caseIndex, index, caseEnded); });
    return Guard([&] { PassValue(value, caseEnded); });
  }

  // A strL value, read from the file: the library's own is empty in some
  // files.
  void PassStrl(std::int64_t caseIndex, std::size_t index, bool caseEnded) {
    if (!dictionaryHanded_) HandDictionary();
    StataStrls::Text text = own_.Strls->TextOf(original_, caseIndex, index);
    SavVariable& v = dictionary_.Variables[index];
    v.TextsLeftEmpty += text.LeftEmpty;
    v.TextsCut += text.Cut;
    longestStrl_[index] = std::max(longestStrl_[index], text.Bytes.size());
    handler_.String(text.Bytes);
    if (caseEnded) handler_.EndCase();
  }

  void PassValue(const readstat_value_t& value, bool caseEnded) {
    if (!dictionaryHanded_) HandDictionary();
    if (value.is_system_missing || value.is_tagged_missing)
      handler_.SystemMissing();
    else if (value.type == READSTAT_TYPE_DOUBLE && own_.Release != 0 && own_.Release <= 104 &&
             value.v.double_value >= kOldMissingDouble)
      handler_.SystemMissing();
    else if (value.type == READSTAT_TYPE_DOUBLE)
      handler_.Number(value.v.double_value);
    else if (value.type == READSTAT_TYPE_STRING || value.type == READSTAT_TYPE_STRING_REF)
      handler_.String(TextOrEmpty(readstat_string_value(value)));
    else if (value.type == READSTAT_TYPE_FLOAT)
      handler_.Number(DecimalOfFloat(value.v.float_value));
    else
      handler_.Number(NumberOf(value));
    if (caseEnded) handler_.EndCase();
  }

  void SetAnnouncedCases(std::int64_t rows) { announcedCases_ = rows; }

  // What is wrong with the values handed over, once the reading has ended.
  std::optional<std::string> Mismatch() const {
    return (shape_ ? *shape_ : CaseShape(dictionary_.Variables.size())).Fault(announcedCases_);
  }

  // Whether the handler has been given anything.
  bool Handed() const { return dictionaryHanded_; }

  void HandDictionary() {
    if (dictionaryHanded_) return;
    dictionaryHanded_ = true;
    handler_.Dictionary(dictionary_);
  }

  // The dictionary with each variable's value labels.
  SavDictionary TakeDictionary() {
    // A strL is shown as wide as its longest text.
    for (const auto& [index, longest] : longestStrl_)
      dictionary_.Variables[index].Format = "A" + std::to_string(std::max<std::size_t>(longest, 1));
    for (std::size_t i = 0; i < dictionary_.Variables.size(); ++i) {
      if (labelSetOf_[i].empty()) continue;
      auto set = labelSets_.find(labelSetOf_[i]);
      if (set != labelSets_.end()) dictionary_.Variables[i].ValueLabels = set->second;
    }
    return std::move(dictionary_);
  }

  void AddError(const char* message) {
    error_ = TextOrEmpty(message);
    while (!error_.empty() && (error_.back() == '\n' || error_.back() == '\r')) error_.pop_back();
  }

  void RethrowFailure() const {
    if (failure_) std::rethrow_exception(failure_);
  }
  const std::string& error() const { return error_; }

 private:
  static double NumberOf(readstat_value_t value) {
    switch (readstat_value_type(value)) {
      case READSTAT_TYPE_INT8: return readstat_int8_value(value);
      case READSTAT_TYPE_INT16: return readstat_int16_value(value);
      case READSTAT_TYPE_INT32: return readstat_int32_value(value);
      case READSTAT_TYPE_FLOAT: return readstat_float_value(value);
      default: return readstat_double_value(value);
    }
  }

  const ImportBytes& bytes_;
  const ImportBytes& original_;
  const ImportKind kind_;
  const OwnReading& own_;
  const std::size_t labelSetNameRoom_;  // of a Stata file's release
  std::int64_t position_ = 0;
  std::vector<char> window_ = std::vector<char>(std::size_t{1} << 16);
  std::int64_t windowStart_ = 0;
  std::size_t windowSize_ = 0;
  ImportCaseHandler& handler_;
  SavDictionary dictionary_;
  std::vector<std::string> labelSetOf_;  // each variable's set of value labels
  std::map<std::string, std::vector<SavValueLabel>> labelSets_;
  std::map<std::size_t, std::size_t> longestStrl_;  // of each strL variable
  bool dictionaryHanded_ = false;
  std::optional<CaseShape> shape_;    // from the first value on
  std::int64_t announcedCases_ = -1;  // -1 when the file does not say
  std::exception_ptr failure_;
  std::string error_;
};

Reading& Of(void* context) { return *static_cast<Reading*>(context); }

int OnValueLabel(const char* set, readstat_value_t value, const char* label, void* context) {
  return Of(context).Guard([&] { Of(context).AddValueLabel(set, value, label); });
}
int OnVariable(int, readstat_variable_t* variable, const char* labelSet, void* context) {
  return Of(context).Guard([&] { Of(context).AddVariable(variable, labelSet); });
}
int OnValue(int, readstat_variable_t* variable, readstat_value_t value, void* context) {
  return Of(context).AddValue(variable, value);
}
int OnMetadata(readstat_metadata_t* metadata, void* context) {
  Of(context).SetAnnouncedCases(readstat_get_row_count(metadata));
  return READSTAT_HANDLER_OK;
}
void OnError(const char* message, void* context) { Of(context).AddError(message); }

int OnOpen(const char*, void* io) {
  Of(io).Rewind();
  return 0;
}
int OnClose(void*) { return 0; }
readstat_off_t OnSeek(readstat_off_t offset, readstat_io_flags_t whence, void* io) {
  return Of(io).Seek(offset, whence);
}
ssize_t OnRead(void* data, size_t size, void* io) { return Of(io).Read(data, size); }
readstat_error_t OnUpdate(long, readstat_progress_handler, void*, void*) { return READSTAT_OK; }

struct ParserDeleter {
  void operator()(readstat_parser_t* parser) const { readstat_parser_free(parser); }
};

bool StartsWith(std::string_view text, std::string_view start) { return text.substr(0, start.size()) == start; }

bool HasExtension(const std::string& name, std::string_view extension) {
  return name.size() > extension.size() &&
         EqualIgnoringCase(std::string_view(name).substr(name.size() - extension.size()), extension);
}

// The bytes as the library is shown them: some bytes changed, and the end
// earlier than the file's where what follows is read without the library.
class ShownBytes : public ImportBytes {
 public:
  explicit ShownBytes(const ImportBytes& bytes) : bytes_(bytes), size_(bytes.Size()) {}
  void Patch(std::uint64_t at, char byte) { patches_.emplace_back(at, byte); }
  void EndAt(std::uint64_t size) { size_ = std::min(size, size_); }

  std::uint64_t Size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t offset, char* data, std::size_t size) const override {
    if (offset >= size_) return 0;
    const std::size_t n = bytes_.ReadAt(offset, data, std::min<std::uint64_t>(size, size_ - offset));
    for (const auto& [at, byte] : patches_)
      if (at >= offset && at < offset + n) data[at - offset] = byte;
    return n;
  }

 private:
  const ImportBytes& bytes_;
  std::uint64_t size_;
  std::vector<std::pair<std::uint64_t, char>> patches_;
};

// A portable file's character table gives, at the position of each
// character of the format's own order, the byte the file writes it with;
// positions of characters the writer does not use are filled with "0", and
// some writers fill further positions with digits and signs as well.
// libreadstat takes a byte for the last position that holds it, which turns
// such a file's digits into other characters; the format means the first.
// The library is shown the table with each byte at its first position only.
void ShowPortableTable(ShownBytes& shown, const ImportBytes& bytes) {
  constexpr std::size_t kVanity = 200;
  constexpr std::size_t kTable = 256;
  constexpr std::string_view kTag = "SPSSPORT";
  char head[1024];
  const std::size_t size = bytes.ReadAt(0, head, sizeof head);
  // The offsets of the characters, line ends left out.
  std::vector<std::size_t> offsets;
  for (std::size_t i = 0; i < size && offsets.size() < kVanity + kTable + kTag.size(); ++i)
    if (head[i] != '\r' && head[i] != '\n') offsets.push_back(i);
  if (offsets.size() < kVanity + kTable + kTag.size()) return;
  for (std::size_t k = 0; k < kTag.size(); ++k)
    if (head[offsets[kVanity + kTable + k]] != kTag[k]) return;
  bool seen[256] = {};
  for (std::size_t k = kVanity; k < kVanity + kTable; ++k) {
    const auto byte = static_cast<unsigned char>(head[offsets[k]]);
    if (seen[byte] && byte != '0') shown.Patch(offsets[k], '0');
    seen[byte] = true;
  }
}

}  // namespace

std::size_t MemoryImportBytes::ReadAt(std::uint64_t offset, char* data, std::size_t size) const {
  // The library also asks for nothing, into no buffer.
  if (offset >= bytes_.size() || size == 0) return 0;
  const std::size_t n = std::min<std::size_t>(size, bytes_.size() - offset);
  std::memcpy(data, bytes_.data() + offset, n);
  return n;
}

ImportKind ImportKindOf(const ImportBytes& bytes, const std::string& name) {
  // A portable file begins with 200 bytes of its own choosing and a
  // character table before its tag, in lines of 80 characters.
  char start[1024];
  const std::string_view head(start, bytes.ReadAt(0, start, sizeof start));
  if (StartsWith(head, "$FL2") || StartsWith(head, "$FL3")) return ImportKind::SystemFile;
  // The newer Stata files are marked up; the older ones begin with their
  // release (104 to 115), the byte order (1 or 2) and the file type 1.
  const auto byte = [&](std::size_t i) { return i < head.size() ? static_cast<unsigned char>(head[i]) : 0u; };
  if (StartsWith(head, "<stata_dta>") ||
      (byte(0) >= 104 && byte(0) <= 115 && (byte(1) == 1 || byte(1) == 2) && byte(2) == 1))
    return ImportKind::StataFile;
  if (head.find("SPSSPORT") != std::string_view::npos) return ImportKind::PortableFile;
  if (HasExtension(name, ".por")) return ImportKind::PortableFile;
  if (HasExtension(name, ".dta")) return ImportKind::StataFile;
  return ImportKind::SystemFile;
}

bool CaseShape::Value(std::size_t index, bool& caseEnded) {
  if (outOfPlace_ || index != next_) {
    outOfPlace_ = true;
    return false;
  }
  caseEnded = ++next_ == variables_;
  if (caseEnded) {
    next_ = 0;
    ++cases_;
  }
  return true;
}

std::optional<std::string> CaseShape::Fault(std::int64_t announcedCases) const {
  const std::string variables = std::to_string(variables_) + " variable" + (variables_ == 1 ? "" : "s");
  if (outOfPlace_)
    return "case " + std::to_string(cases_ + 1) + " does not have one value for each of the " + variables +
           " of the dictionary";
  if (next_ != 0)
    return "case " + std::to_string(cases_ + 1) + " ends after " + std::to_string(next_) + " of the values of its " +
           variables;
  if (announcedCases >= 0 && announcedCases != cases_)
    return "the file announces " + std::to_string(announcedCases) + " cases but holds " + std::to_string(cases_);
  return std::nullopt;
}

namespace {

bool IsConversionFailure(readstat_error_t status) {
  return status == READSTAT_ERROR_CONVERT || status == READSTAT_ERROR_CONVERT_BAD_STRING ||
         status == READSTAT_ERROR_CONVERT_SHORT_STRING || status == READSTAT_ERROR_CONVERT_LONG_STRING ||
         status == READSTAT_ERROR_UNSUPPORTED_CHARSET;
}

// One reading of the file; with untranslated set, its texts are handed over
// as the file holds them instead of in UTF-8.
readstat_error_t Parse(Reading& reading, ImportKind kind, bool untranslated) {
  std::unique_ptr<readstat_parser_t, ParserDeleter> parser(readstat_parser_init());
  readstat_set_value_label_handler(parser.get(), OnValueLabel);
  readstat_set_variable_handler(parser.get(), OnVariable);
  readstat_set_value_handler(parser.get(), OnValue);
  readstat_set_error_handler(parser.get(), OnError);
  readstat_set_metadata_handler(parser.get(), OnMetadata);
  readstat_set_open_handler(parser.get(), OnOpen);
  readstat_set_close_handler(parser.get(), OnClose);
  readstat_set_seek_handler(parser.get(), OnSeek);
  readstat_set_read_handler(parser.get(), OnRead);
  readstat_set_update_handler(parser.get(), OnUpdate);
  readstat_set_io_ctx(parser.get(), &reading);
  if (untranslated) readstat_set_handler_character_encoding(parser.get(), nullptr);
  switch (kind) {
    case ImportKind::SystemFile: return readstat_parse_sav(parser.get(), "", &reading);
    case ImportKind::PortableFile: return readstat_parse_por(parser.get(), "", &reading);
    case ImportKind::StataFile: return readstat_parse_dta(parser.get(), "", &reading);
  }
  return READSTAT_ERROR_PARSE;
}

}  // namespace

std::optional<std::string> ReadImportFile(const ImportBytes& bytes, ImportKind kind, ImportCaseHandler& handler,
                                          SavDictionary& dictionary) {
  ShownBytes shown(bytes);
  OwnReading own;
  if (kind == ImportKind::PortableFile) ShowPortableTable(shown, bytes);
  if (kind == ImportKind::SystemFile) own.SavWidths = SavVariableWidths(bytes);
  if (kind == ImportKind::StataFile) {
    own.Release = StataReleaseOf(bytes);
    if (own.Release != 0 && !StataReleaseReadable(own.Release))
      return "it is of Stata release " + std::to_string(own.Release) +
             ", which the import cannot read (it reads releases 104 to 119)";
    // The library does not read the value labels of releases up to 105:
    // it is shown the file up to the end of the data.
    own.OldLabels = ReadOldStataLabels(bytes, own.Release);
    if (own.OldLabels) shown.EndAt(own.OldLabels->DataEnd);
    own.Strls = StataStrls::Of(bytes, own.Release);
    if (own.Strls) {
      constexpr char kTextType = static_cast<char>(130);
      for (std::uint64_t at : own.Strls->BinaryTypes()) shown.Patch(at, kTextType);
    }
  }
  auto reading = std::make_unique<Reading>(shown, bytes, kind, own, handler);
  readstat_error_t status = Parse(*reading, kind, false);
  // A file whose texts cannot be translated from the encoding it names (one
  // that the system does not know, or bytes that are not of it) is read
  // again with its texts as they stand, which older files keep in the
  // Windows code page; only when nothing was handed over yet.
  if (IsConversionFailure(status) && !reading->Handed()) {
    reading = std::make_unique<Reading>(shown, bytes, kind, own, handler);
    status = Parse(*reading, kind, true);
  }
  reading->RethrowFailure();
  if (status != READSTAT_OK && status != READSTAT_ERROR_USER_ABORT) {
    std::string reason = TextOrEmpty(readstat_error_message(status));
    if (!reading->error().empty()) reason += " (" + reading->error() + ")";
    if (own.Release != 0) reason += " (a file of Stata release " + std::to_string(own.Release) + ")";
    return reason;
  }
  if (std::optional<std::string> mismatch = reading->Mismatch()) return mismatch;
  reading->HandDictionary();  // a file without cases
  dictionary = reading->TakeDictionary();
  return std::nullopt;
}

}  // namespace s2v
