// The import of a damaged or hostile file of one kind (IMPORT_KIND), fed to
// libreadstat from memory through the reader's own handlers: it must end
// with a reason or with whole records, never crash, hang or overrun. What it
// writes is checked as it comes: the data file has a first record of names
// and then one record a case, each with one field a variable.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "support/code_page.h"
#include "import/file_info_writer.h"
#include "import/file_reader.h"
#include "import/tab_data_writer.h"
#include "support/byte_stream.h"
#include "support/io_error.h"

namespace {

using namespace s2v;

// Counts the records of the data file and checks each one's fields.
class RecordCheck : public ByteSink {
 public:
  void Write(const char* data, std::size_t size) override {
    for (std::string_view bytes(data, size); char c : bytes) {
      FUZZ_CHECK(c != '\n' || previous_ == '\r');
      FUZZ_CHECK(previous_ != '\r' || c == '\n');
      if (c == '\t') ++tabs_;
      if (c == '\n') {
        if (fields_ == 0) fields_ = tabs_ + 1;
        FUZZ_CHECK(tabs_ + 1 == fields_);
        tabs_ = 0;
        ++records_;
      }
      previous_ = c;
    }
  }
  std::size_t records() const { return records_; }
  std::size_t fields() const { return fields_; }

 private:
  char previous_ = '\n';
  std::size_t tabs_ = 0;
  std::size_t fields_ = 0;
  std::size_t records_ = 0;
};

class Writer : public ImportCaseHandler {
 public:
  explicit Writer(BufferedWriter& out) : data_(out) {}
  void Dictionary(const SavDictionary& dictionary) override {
    std::vector<std::string> names;
    bool changed = false;
    for (const SavVariable& v : dictionary.Variables)
      names.push_back(CodePage::Windows1252().FromUtf8(v.Name, changed));
    variables_ = names.size();
    data_.WriteNames(names);
  }
  void Number(double value) override { data_.Number(value); }
  void SystemMissing() override { data_.SystemMissing(); }
  void String(std::string_view text) override {
    bool changed = false;
    data_.String(CodePage::Windows1252().FromUtf8(text, changed));
  }
  void EndCase() override {
    data_.EndCase();
    ++cases_;
  }
  std::size_t variables() const { return variables_; }
  std::size_t cases() const { return cases_; }

 private:
  TabDataWriter data_;
  std::size_t variables_ = 0;
  std::size_t cases_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const MemoryImportBytes bytes(std::string_view(reinterpret_cast<const char*>(data), size));
  RecordCheck check;
  BufferedWriter out(check);
  Writer writer(out);
  SavDictionary dictionary;
  try {
    if (ReadImportFile(bytes, ImportKind::IMPORT_KIND, writer, dictionary)) return 0;
  } catch (const IoError&) {
    return 0;
  }
  out.Flush();
  FUZZ_CHECK(dictionary.Variables.size() == writer.variables());
  FUZZ_CHECK(check.records() == writer.cases() + 1);
  FUZZ_CHECK(writer.variables() == 0 || check.fields() == writer.variables());
  StringSink info;
  BufferedWriter infoOut(info);
  WriteFileInfo(dictionary, infoOut);
  infoOut.Flush();
  return 0;
}
