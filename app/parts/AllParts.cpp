#include "app/parts/AllParts.h"

#include "imaging/gui/Parts.h"
#include "reports/MailPart.h"
#include "store/findgui/FindParts.h"
#include "windows/gui/Parts.h"

namespace quillet {

void RegisterParts() {
  RegisterWindowsParts();
  RegisterImagingParts();
  RegisterFindParts();
  RegisterMailPart();
}

}  // namespace quillet
