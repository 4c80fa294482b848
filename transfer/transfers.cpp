// The order of the transfers, and the one pass that writes the Mplus and the
// MLwiN data together.
#include "transfer/transfers.h"

#include "support/background_sink.h"

namespace s2v {

bool RunTransfers(Toolkit& toolkit, const TransferInput& input) {
  if (toolkit.TransferChoice(TransferGroup::Mplus) != 1 || toolkit.TransferChoice(TransferGroup::MLwin) < 1) {
    if (!TransferToMplus(toolkit, input)) return false;
    TransferToMIM(toolkit);
    return TransferToMLwiN(toolkit, input);
  }
  PassingFile mlwin(input.Folder, input.ProjectBase + ".mln");
  {
    BackgroundFileWriter file(input.Folder, mlwin.Name());
    if (!TransferToMplus(toolkit, input, &file.out())) return false;
    file.Close();
  }
  TransferToMIM(toolkit);
  TransferToMLwiN(toolkit, input, &mlwin);
  return true;
}

}  // namespace s2v
