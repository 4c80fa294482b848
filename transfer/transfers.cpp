// The order of the transfers, and the one pass that writes the Mplus and the
// MLwiN data together.
#include "transfer/transfers.h"

#include "support/background_sink.h"

namespace s2v {

namespace {

// A file made under a passing name, exclusively and unforeseeably, that is
// removed when this ends unless it was renamed to its own name.
class PassingFile {
 public:
  PassingFile(const WorkingFolder& folder, const std::string& prefix)
      : folder_(folder), name_(folder.CreateUnique(prefix, ".part")) {}
  ~PassingFile() {
    if (!renamed_) folder_.Remove(name_);
  }
  PassingFile(const PassingFile&) = delete;
  PassingFile& operator=(const PassingFile&) = delete;
  const std::string& Name() const { return name_; }
  void Renamed() { renamed_ = true; }

 private:
  const WorkingFolder& folder_;
  std::string name_;
  bool renamed_ = false;
};

}  // namespace

bool RunTransfers(Toolkit& toolkit, const TransferInput& input) {
  if (toolkit.TransferChoice(TransferGroup::Mplus) != 1 || toolkit.TransferChoice(TransferGroup::MLwin) < 1) {
    if (!TransferToMplus(toolkit, input)) return false;
    TransferToMIM(toolkit);
    return TransferToMLwiN(toolkit, input);
  }
  PassingFile mlwin(input.Folder, input.ProjectBase + ".mln.");
  {
    BackgroundFileWriter file(input.Folder, mlwin.Name());
    if (!TransferToMplus(toolkit, input, &file.out())) return false;
    file.Close();
  }
  TransferToMIM(toolkit);
  TransferToMLwiN(toolkit, input, &mlwin.Name());
  mlwin.Renamed();
  return true;
}

}  // namespace s2v
