#include "import/sav_import.h"

#include "import/file_info_writer.h"
#include "import/sav_reader.h"
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

// Writes the cases into the data file as they come and keeps the dictionary
// for the File Info text.
class ImportWriter : public SavCaseHandler {
 public:
  ImportWriter(BufferedWriter& data, const ImportProgress& progress) : data_(data), progress_(progress) {}

  void Dictionary(const SavDictionary& dictionary) override {
    dictionary_ = dictionary;
    std::vector<std::string> names;
    for (const SavVariable& v : dictionary.Variables) names.push_back(v.Name);
    data_.WriteNames(names);
  }
  void Number(double value) override { data_.Number(value); }
  void SystemMissing() override { data_.SystemMissing(); }
  void String(std::string_view text) override { data_.String(text); }
  void EndCase() override {
    data_.EndCase();
    if (++cases_ % kProgressStep != 0) return;
    if (progress_.CasesWritten) progress_.CasesWritten(cases_);
    if (progress_.StopRequested && progress_.StopRequested()) throw ImportStopped{cases_};
  }

  const SavDictionary& dictionary() const { return dictionary_; }
  std::int64_t cases() const { return cases_; }

 private:
  TabDataWriter data_;
  const ImportProgress& progress_;
  SavDictionary dictionary_;
  std::int64_t cases_ = 0;
};

// Files written under passing names until they are complete; the ones not
// taken over are removed. The names are made anew, exclusively and
// unforeseeably, so that no planted file or link can stand in their place.
class PassingFiles {
 public:
  PassingFiles(const WorkingFolder& folder, const std::string& base) : folder_(folder) {
    data = folder_.CreateUnique(base + ".DAT.", ".part");
    info = folder_.CreateUnique(base + ".TXT.", ".part");
  }
  ~PassingFiles() {
    folder_.Remove(data);
    folder_.Remove(info);
  }
  PassingFiles(const PassingFiles&) = delete;
  PassingFiles& operator=(const PassingFiles&) = delete;

  void Replace(const std::string& passing, const std::string& final) const { folder_.Rename(passing, final); }

  std::string data;
  std::string info;

 private:
  const WorkingFolder& folder_;
};

class Import {
 public:
  Import(const WorkingFolder& folder, const ConfirmReplace& confirm, const ImportProgress& progress)
      : folder_(folder), confirm_(confirm), progress_(progress) {}

  ImportResult Run(const std::string& savName) {
    folder_.CheckEntrance();
    folder_.ProtectInput(savName);
    const std::size_t point = savName.rfind('.');
    result_.BaseName = point == std::string::npos || point == 0 ? savName : savName.substr(0, point);
    const std::string& base = result_.BaseName;
    const std::string dataName = base + ".DAT";
    const std::string infoName = base + ".TXT";

    Report("The SPSS system file is " + savName);
    if (!CheckFileName(dataName, [](const std::string&) {})) {
      Report("The name " + base + " cannot name the SPSS files of a run: use letters, digits, \"-\" and \"_\" only");
      return result_;
    }
    if (EqualIgnoringCase(savName, dataName) || EqualIgnoringCase(savName, infoName) ||
        folder_.IsProtectedInput(dataName) || folder_.IsProtectedInput(infoName)) {
      Report("The import would replace " + savName + " itself");
      return result_;
    }
    if (!ConfirmReplacing(dataName, infoName)) return result_;

    PassingFiles files(folder_, base);
    TextFileWriter dataFile(folder_, files.data);
    ImportWriter writer(dataFile.out(), progress_);
    try {
      if (std::optional<std::string> reason = ReadSavFile(folder_, savName, writer)) {
        Report(savName + " could not be read as an SPSS system file: " + ShowControls(*reason));
        return result_;
      }
    } catch (const ImportStopped& stop) {
      Report("Import stopped at case " + FormatInteger(stop.cases) + "; nothing was written");
      result_.Stopped = true;
      return result_;
    }
    dataFile.Close();
    if (progress_.CasesWritten) progress_.CasesWritten(writer.cases());

    TextFileWriter infoFile(folder_, files.info);
    FileInfoSummary summary = WriteFileInfo(writer.dictionary(), infoFile.out());
    infoFile.Close();
    files.Replace(files.data, dataName);
    files.Replace(files.info, infoName);

    Describe(writer.dictionary(), writer.cases(), summary);
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

  void Describe(const SavDictionary& dictionary, std::int64_t cases, const FileInfoSummary& summary) {
    std::size_t strings = 0;
    std::size_t withMissing = 0;
    std::vector<std::string> longNames;
    for (const SavVariable& v : dictionary.Variables) {
      strings += v.IsString;
      withMissing += !v.Missing.empty();
      if (v.Name.size() > kMaxNameLength) longNames.push_back(v.Name);
    }
    auto counted = [](std::size_t n, const std::string& noun) { return Counted(static_cast<std::int64_t>(n), noun); };
    std::string variables = counted(dictionary.Variables.size(), "variable") + " found on the system file";
    if (strings > 0) variables += ", " + Count(strings) + " of them string";
    Report(variables);
    Report(Counted(cases, "case") + " found on the system file");
    Report(counted(summary.ValueLabels, "value label") + " found for " +
           counted(summary.LabelledVariables, "variable"));
    if (summary.LabelsLeftOut > 0)
      Report(counted(summary.LabelsLeftOut, "label") + " of string values left out: the value is not one word");
    if (withMissing > 0)
      Report(counted(withMissing, "variable") + " with user-missing values: the data keep them as values");
    if (!longNames.empty()) {
      std::string line = "Names longer than " + Count(kMaxNameLength) + " characters get no labels in a project:";
      for (std::size_t i = 0; i < longNames.size() && i < kNamesListed; ++i) line += " " + longNames[i];
      if (longNames.size() > kNamesListed) line += " and " + Count(longNames.size() - kNamesListed) + " more";
      Report(line);
    }
  }

  WorkingFolder folder_;  // a copy that knows the system file as the input
  const ConfirmReplace& confirm_;
  const ImportProgress& progress_;
  ImportResult result_;
};

}  // namespace

ImportResult ImportSavFile(const WorkingFolder& folder, const std::string& savName,
                           const ConfirmReplace& confirmReplace, const ImportProgress& progress) {
  return Import(folder, confirmReplace, progress).Run(savName);
}

}  // namespace s2v
