#include "app/parts/AllParts.h"

#include "widgets/find/FindParts.h"
#include "widgets/mail/MailPart.h"
#include "widgets/pictures/Parts.h"
#include "widgets/records/Parts.h"

namespace quillet {

void RegisterParts() {
  RegisterWindowsParts();
  RegisterImagingParts();
  RegisterFindParts();
  RegisterMailPart();
}

}  // namespace quillet
