// The MIM transfer is not written yet; choosing it only says so.
#include "transfer/transfers.h"

namespace s2v {

void TransferToMIM(Toolkit& toolkit) {
  if (toolkit.TransferChoice(TransferGroup::Mim) >= 1) toolkit.ShowInfo("Transfer to MIM not ready");
}

}  // namespace s2v
