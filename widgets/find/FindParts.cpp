#include "widgets/find/FindParts.h"

#include "widgets/find/FindList.h"
#include "widgets/find/FindWnd.h"
#include "widgets/kit/ShellParts.h"

namespace quillet {

std::shared_ptr<CFindForm> SharedFindForm() {
  // The window is made before the list (and deleted after it); both hold
  // the form, so it lives exactly as long as the pair.
  static std::weak_ptr<CFindForm> current;
  std::shared_ptr<CFindForm> form = current.lock();
  if (!form) {
    form = std::make_shared<CFindForm>();
    current = form;
  }
  return form;
}

void RegisterFindParts() {
  ShellParts& parts = RegisteredShellParts();
  parts.findWindow = [] { return std::make_unique<CFindWnd>(SharedFindForm()); };
  parts.findList = [] { return std::make_unique<CFindList>(SharedFindForm()); };
}

}  // namespace quillet
