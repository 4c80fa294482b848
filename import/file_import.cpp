#include "import/file_import.h"

#include <algorithm>
#include <optional>
#include <set>

#include "import/file_info_writer.h"
#include "import/file_reader.h"
#include "import/stata_file.h"
#include "import/tab_data_writer.h"
#include "model/project_definition.h"
#include "support/io_error.h"
#include "support/number_format.h"
#include "support/text_scan.h"
#include "support/working_folder.h"

namespace s2v {
namespace {

constexpr std::int64_t kProgressStep = 1000;
constexpr std::size_t kNamesListed = 5;

std::string Count(std::size_t n) { return FormatInteger(static_cast<std::int64_t>(n)); }

// "1 variable", "2 variables".
std::string Counted(std::int64_t n, const std::string& noun) {
  return FormatInteger(n) + " " + noun + (n == 1 ? "" : "s");
}

// Thrown from the progress when the user asked the import to end.
struct ImportStopped {
  std::int64_t cases;
};

// How the report names each kind of file.
struct KindWords {
  const char* title;    // "The SPSS system file is ..."
  const char* article;  // "... could not be read as an SPSS system file"
  const char* place;    // "... found on the system file"
};

KindWords WordsOf(ImportKind kind) {
  switch (kind) {
    case ImportKind::PortableFile: return {"SPSS portable file", "an", "portable file"};
    case ImportKind::StataFile: return {"Stata file", "a", "Stata file"};
    case ImportKind::SystemFile: break;
  }
  return {"SPSS system file", "an", "system file"};
}

// The texts of the file in the pair's code page, counting those that lost a
// character the code page cannot hold, and the variables they belong to.
class TextConverter {
 public:
  explicit TextConverter(const CodePage& codePage) : codePage_(codePage) {}

  std::string Name(const std::string& text, std::size_t variable) { return Convert(text, variable, names_); }
  std::string Label(const std::string& text, std::size_t variable) { return Convert(text, variable, labels_); }
  std::string Value(std::string_view text, std::size_t variable) { return Convert(text, variable, values_); }
  // The names alone, for the data file's first record, counted later with
  // the rest of the dictionary.
  std::string Uncounted(const std::string& text) const {
    bool changed = false;
    return codePage_.FromUtf8(text, changed);
  }

  SavDictionary Dictionary(const SavDictionary& dictionary) {
    SavDictionary converted = dictionary;
    for (std::size_t i = 0; i < converted.Variables.size(); ++i) {
      SavVariable& v = converted.Variables[i];
      v.Name = Name(v.Name, i);
      v.Label = Label(v.Label, i);
      for (SavMissingRange& range : v.Missing) {
        Code(range.Low, i);
        Code(range.High, i);
      }
      for (SavValueLabel& label : v.ValueLabels) {
        Code(label.Code, i);
        label.Label = Label(label.Label, i);
      }
    }
    return converted;
  }

  // "3 texts lost characters that WINDOWS-1252 cannot hold, written as "?":
  // 1 name and 2 labels, of the variables A B"; none when no text did.
  std::optional<std::string> Summary(const std::vector<std::string>& variableNames) const {
    if (names_ + labels_ + values_ == 0) return std::nullopt;
    std::vector<std::string> parts;
    if (names_ > 0) parts.push_back(Counted(names_, "name"));
    if (labels_ > 0) parts.push_back(Counted(labels_, "label"));
    if (values_ > 0) parts.push_back(Counted(values_, "value"));
    std::string line = Counted(names_ + labels_ + values_, "text") + " lost characters that " + codePage_.Name() +
                       " cannot hold, written as \"?\": ";
    for (std::size_t i = 0; i < parts.size(); ++i)
      line += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    line += ", of the variable" + std::string(variables_.size() == 1 ? "" : "s");
    std::size_t listed = 0;
    for (std::size_t variable : variables_) {
      if (listed++ == kNamesListed) break;
      line += " " + (variable < variableNames.size() ? variableNames[variable] : std::to_string(variable + 1));
    }
    if (variables_.size() > kNamesListed) line += " and " + Count(variables_.size() - kNamesListed) + " more";
    return line;
  }

 private:
  std::string Convert(std::string_view text, std::size_t variable, std::int64_t& count) {
    bool changed = false;
    std::string converted = codePage_.FromUtf8(text, changed);
    if (changed) {
      ++count;
      variables_.insert(variable);
    }
    return converted;
  }
  void Code(SavCode& code, std::size_t variable) {
    if (code.IsString) code.Text = Value(code.Text, variable);
  }

  const CodePage& codePage_;
  std::int64_t names_ = 0;
  std::int64_t labels_ = 0;
  std::int64_t values_ = 0;
  std::set<std::size_t> variables_;  // in dictionary order
};

// Writes the cases into the data file as they come, their texts in the
// pair's code page.
class ImportWriter : public ImportCaseHandler {
 public:
  ImportWriter(BufferedWriter& data, const ImportProgress& progress, TextConverter& texts)
      : data_(data), progress_(progress), texts_(texts) {}

  void Dictionary(const SavDictionary& dictionary) override {
    std::vector<std::string> names;
    for (const SavVariable& v : dictionary.Variables) names.push_back(texts_.Uncounted(v.Name));
    data_.WriteNames(names);
  }
  void Number(double value) override {
    data_.Number(value);
    ++field_;
  }
  void SystemMissing() override {
    data_.SystemMissing();
    ++field_;
  }
  void String(std::string_view text) override {
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
      data_.String(text);
    else
      data_.String(texts_.Value(text, field_));
    ++field_;
  }
  void EndCase() override {
    data_.EndCase();
    field_ = 0;
    if (++cases_ % kProgressStep != 0) return;
    if (progress_.CasesWritten) progress_.CasesWritten(cases_);
    if (progress_.StopRequested && progress_.StopRequested()) throw ImportStopped{cases_};
  }

  std::int64_t cases() const { return cases_; }

 private:
  TabDataWriter data_;
  const ImportProgress& progress_;
  TextConverter& texts_;
  std::size_t field_ = 0;  // the variable of the next value
  std::int64_t cases_ = 0;
};

class Import {
 public:
  Import(const WorkingFolder& folder, const ConfirmReplace& confirm, const ImportProgress& progress,
         const CodePage& codePage)
      : folder_(folder), confirm_(confirm), progress_(progress), codePage_(codePage) {}

  ImportResult Run(const std::string& fileName) {
    folder_.CheckEntrance();
    folder_.ProtectInput(fileName);
    const std::size_t point = fileName.rfind('.');
    const std::string stem = point == std::string::npos || point == 0 ? fileName : fileName.substr(0, point);
    result_.BaseName = ImportBaseName(fileName);
    const std::string& base = result_.BaseName;
    const std::string dataName = base + ".DAT";
    const std::string infoName = base + ".TXT";

    const FileImportBytes bytes(folder_, fileName);
    const ImportKind kind = ImportKindOf(bytes, fileName);
    const KindWords words = WordsOf(kind);
    Report(std::string("The ") + words.title + " is " + fileName);
    if (!CheckFileName(dataName, [](const std::string&) {})) {
      Report("The name " + stem + " cannot name the SPSS files of a run: use letters, digits, \"-\" and \"_\" only");
      return result_;
    }
    if (base != stem)
      Report("The name " + stem + " has blanks, which a run's file names cannot hold: the pair is named " + base);
    if (EqualIgnoringCase(fileName, dataName) || EqualIgnoringCase(fileName, infoName) ||
        folder_.IsProtectedInput(dataName) || folder_.IsProtectedInput(infoName)) {
      Report("The import would replace " + fileName + " itself");
      return result_;
    }
    if (!ConfirmReplacing(dataName, infoName)) return result_;

    // Both places are checked before the reading and again before either
    // file is put in place: the pair is written whole or not at all.
    auto checkPlaces = [&] {
      folder_.CheckReplaceable(dataName);
      folder_.CheckReplaceable(infoName);
    };
    checkPlaces();
    PassingFile passingData(folder_, base + ".DAT");
    if (progress_.PassingFile) progress_.PassingFile(passingData.Name());
    PassingFile passingInfo(folder_, base + ".TXT");
    if (progress_.PassingFile) progress_.PassingFile(passingInfo.Name());
    TextFileWriter dataFile(folder_, passingData.Name());
    TextConverter texts(codePage_);
    ImportWriter writer(dataFile.out(), progress_, texts);
    SavDictionary dictionary;
    try {
      if (std::optional<std::string> reason = ReadImportFile(bytes, kind, writer, dictionary)) {
        Report(fileName + " could not be read as " + words.article + " " + words.title + ": " + ShowControls(*reason));
        return result_;
      }
    } catch (const ImportStopped& stop) {
      Report("Import stopped at case " + FormatInteger(stop.cases) + "; nothing was written");
      result_.Stopped = true;
      return result_;
    }
    dataFile.Close();
    if (progress_.CasesWritten) progress_.CasesWritten(writer.cases());

    dictionary = texts.Dictionary(dictionary);
    TextFileWriter infoFile(folder_, passingInfo.Name());
    FileInfoSummary summary = WriteFileInfo(dictionary, infoFile.out());
    infoFile.Close();
    checkPlaces();
    passingData.PutInPlace(dataName);
    passingInfo.PutInPlace(infoName);

    Describe(dictionary, writer.cases(), summary, words);
    std::vector<std::string> names;
    for (const SavVariable& v : dictionary.Variables) names.push_back(v.Name);
    if (std::optional<std::string> changes = texts.Summary(names)) Report(*changes);
    if (codePage_.Name() != kDefaultCodePage) Report("The texts are written in " + codePage_.Name());
    Report("Written: " + folder_.Resolve(dataName) + " (tab-delimited data) and " + folder_.Resolve(infoName) +
           " (File Info)");
    result_.Done = true;
    return result_;
  }

 private:
  void Report(const std::string& line) {
    result_.ReportLines.push_back(line);
    if (progress_.ReportLine) progress_.ReportLine(line);
  }

  bool ConfirmReplacing(const std::string& dataName, const std::string& infoName) {
    std::vector<std::string> present;
    for (const std::string& name : {dataName, infoName})
      if (folder_.Exists(name)) present.push_back(folder_.Resolve(name));
    if (present.empty()) return true;
    const std::string names = present.size() == 1 ? present[0] : present[0] + " and " + present[1];
    const std::string question =
        present.size() == 1 ? names + " already exists. Replace it?" : names + " already exist. Replace them?";
    if (confirm_ && confirm_(question)) return true;
    Report(names + (present.size() == 1 ? " was" : " were") + " kept; nothing was imported");
    return false;
  }

  void Describe(const SavDictionary& dictionary, std::int64_t cases, const FileInfoSummary& summary,
                const KindWords& words) {
    std::size_t strings = 0;
    std::size_t withMissing = 0;
    std::vector<std::string> longNames;
    for (const SavVariable& v : dictionary.Variables) {
      strings += v.IsString;
      withMissing += !v.Missing.empty();
      if (v.Name.size() > kMaxNameLength) longNames.push_back(v.Name);
    }
    auto counted = [](std::size_t n, const std::string& noun) { return Counted(static_cast<std::int64_t>(n), noun); };
    std::string variables = counted(dictionary.Variables.size(), "variable") + " found on the " + words.place;
    if (strings > 0) variables += ", " + Count(strings) + " of them string";
    Report(variables);
    Report(Counted(cases, "case") + " found on the " + words.place);
    Report(counted(summary.ValueLabels, "value label") + " found for " +
           counted(summary.LabelledVariables, "variable"));
    if (summary.LabelsLeftOut > 0)
      Report(counted(summary.LabelsLeftOut, "label") + " of string values left out: the value is not one word");
    if (withMissing > 0)
      Report(counted(withMissing, "variable") + " with user-missing values: the data keep them as values");
    ReportStrls(dictionary, &SavVariable::TextsLeftEmpty,
                "Stata strL values that are binary data, not text, are written empty: ");
    ReportStrls(dictionary, &SavVariable::TextsCut,
                "Stata strL texts longer than " + Count(kLongestStrlText) + " bytes are cut there: ");
    if (!longNames.empty()) {
      std::string line = "Names longer than " + Count(kMaxNameLength) + " characters get no labels in a project:";
      for (std::size_t i = 0; i < longNames.size() && i < kNamesListed; ++i) line += " " + longNames[i];
      if (longNames.size() > kNamesListed) line += " and " + Count(longNames.size() - kNamesListed) + " more";
      Report(line);
    }
  }

  // "START2 values of the variables A B", when any variable has a count.
  void ReportStrls(const SavDictionary& dictionary, std::int64_t SavVariable::*count, const std::string& start) {
    std::int64_t total = 0;
    std::vector<std::string> names;
    for (const SavVariable& v : dictionary.Variables) {
      if (v.*count == 0) continue;
      total += v.*count;
      names.push_back(v.Name);
    }
    if (total == 0) return;
    std::string line = start + Counted(total, "value") + " of the variable" + (names.size() == 1 ? "" : "s");
    for (std::size_t i = 0; i < names.size() && i < kNamesListed; ++i) line += " " + names[i];
    if (names.size() > kNamesListed) line += " and " + Count(names.size() - kNamesListed) + " more";
    Report(line);
  }

  WorkingFolder folder_;  // a copy that knows the imported file as the input
  const ConfirmReplace& confirm_;
  const ImportProgress& progress_;
  const CodePage& codePage_;
  ImportResult result_;
};

}  // namespace

std::string ImportBaseName(const std::string& fileName) {
  const std::size_t point = fileName.rfind('.');
  std::string base = point == std::string::npos || point == 0 ? fileName : fileName.substr(0, point);
  // A run's file names hold no blank ("Employee data.sav" is SPSS's own
  // sample): the pair is named with "_" for each blank.
  std::replace(base.begin(), base.end(), ' ', '_');
  return base;
}

ImportResult ImportFile(const WorkingFolder& folder, const std::string& fileName, const ConfirmReplace& confirmReplace,
                        const ImportProgress& progress, const CodePage& codePage) {
  return Import(folder, confirmReplace, progress, codePage).Run(fileName);
}

}  // namespace s2v
