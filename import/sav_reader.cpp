#include "import/sav_reader.h"

#include <readstat.h>

#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "support/working_folder.h"

namespace s2v {
namespace {

SavCode CodeOf(readstat_value_t value) {
  SavCode code;
  if (readstat_value_type_class(value) == READSTAT_TYPE_CLASS_STRING) {
    code.IsString = true;
    const char* text = readstat_string_value(value);
    code.Text = text != nullptr ? text : "";
  } else {
    code.Number = readstat_double_value(value);
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

// The state of one reading, shared by the library's callbacks. No exception
// may cross the library's C frames: a callback keeps it and stops the parse.
class Reading {
 public:
  explicit Reading(SavCaseHandler& handler) : handler_(handler) {}

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

  // Value labels come before the variables, in sets named by the variables.
  void AddValueLabel(const char* set, readstat_value_t value, const char* label) {
    labelSets_[TextOrEmpty(set)].push_back({CodeOf(value), TextOrEmpty(label)});
  }

  void AddVariable(readstat_variable_t* variable, const char* labelSet) {
    SavVariable v;
    v.Name = TextOrEmpty(readstat_variable_get_name(variable));
    v.Label = TextOrEmpty(readstat_variable_get_label(variable));
    v.Format = TextOrEmpty(readstat_variable_get_format(variable));
    v.IsString = readstat_variable_get_type_class(variable) == READSTAT_TYPE_CLASS_STRING;
    v.Measure = MeasureOf(readstat_variable_get_measure(variable));
    for (int i = 0; i < readstat_variable_get_missing_ranges_count(variable); ++i)
      v.Missing.push_back({CodeOf(readstat_variable_get_missing_range_lo(variable, i)),
                           CodeOf(readstat_variable_get_missing_range_hi(variable, i))});
    if (labelSet != nullptr) {
      auto set = labelSets_.find(labelSet);
      if (set != labelSets_.end()) v.ValueLabels = set->second;
    }
    dictionary_.Variables.push_back(std::move(v));
  }

  // Called for every value of the file: the value's fields are read straight
  // from the library's public structures rather than through one library
  // call each.
  // A damaged file can hand over values that do not follow its dictionary;
  // the first such value ends the reading with the reason.
  int AddValue(const readstat_variable_t* variable, const readstat_value_t& value) {
    if (!shape_) shape_.emplace(dictionary_.Variables.size());
    bool caseEnded = false;
    if (!shape_->Value(static_cast<std::size_t>(variable->index), caseEnded)) return READSTAT_HANDLER_ABORT;
    return Guard([&] { PassValue(value, caseEnded); });
  }

  void PassValue(const readstat_value_t& value, bool caseEnded) {
    if (!dictionaryHanded_) HandDictionary();
    if (value.is_system_missing)
      handler_.SystemMissing();
    else if (value.type == READSTAT_TYPE_DOUBLE)
      handler_.Number(value.v.double_value);
    else if (value.type == READSTAT_TYPE_STRING || value.type == READSTAT_TYPE_STRING_REF)
      handler_.String(TextOrEmpty(readstat_string_value(value)));
    else
      handler_.Number(NumberOf(value));
    if (caseEnded) handler_.EndCase();
  }

  void SetAnnouncedCases(std::int64_t rows) { announcedCases_ = rows; }

  // What is wrong with the values handed over, once the reading has ended.
  std::optional<std::string> Mismatch() const {
    return (shape_ ? *shape_ : CaseShape(dictionary_.Variables.size())).Fault(announcedCases_);
  }

  void HandDictionary() {
    if (dictionaryHanded_) return;
    dictionaryHanded_ = true;
    labelSets_.clear();
    handler_.Dictionary(dictionary_);
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

  SavCaseHandler& handler_;
  SavDictionary dictionary_;
  std::map<std::string, std::vector<SavValueLabel>> labelSets_;
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

struct ParserDeleter {
  void operator()(readstat_parser_t* parser) const { readstat_parser_free(parser); }
};

}  // namespace

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

std::optional<std::string> ReadSavFile(const WorkingFolder& folder, const std::string& fileName,
                                       SavCaseHandler& handler) {
  // Opening it here first gives the same messages as every other file.
  const std::string resolved = folder.PathOf(fileName);
  { FileSource check(folder, fileName); }

  std::unique_ptr<readstat_parser_t, ParserDeleter> parser(readstat_parser_init());
  readstat_set_value_label_handler(parser.get(), OnValueLabel);
  readstat_set_variable_handler(parser.get(), OnVariable);
  readstat_set_value_handler(parser.get(), OnValue);
  readstat_set_error_handler(parser.get(), OnError);
  readstat_set_metadata_handler(parser.get(), OnMetadata);
  Reading reading(handler);
  readstat_error_t status = readstat_parse_sav(parser.get(), resolved.c_str(), &reading);
  reading.RethrowFailure();
  if (status != READSTAT_OK && status != READSTAT_ERROR_USER_ABORT) {
    std::string reason = TextOrEmpty(readstat_error_message(status));
    if (!reading.error().empty()) reason += " (" + reading.error() + ")";
    return reason;
  }
  if (std::optional<std::string> mismatch = reading.Mismatch()) return mismatch;
  reading.HandDictionary();  // a file without cases
  return std::nullopt;
}

}  // namespace s2v
