// How the find window and the find result list join the main window: both
// are registered as its parts and share one form.
#pragma once

#include <memory>

#include "desktop/find/FindForm.h"

namespace quillet {

// The form the find window and the find list of one main window share;
// made when the first of them asks and gone when both are.
std::shared_ptr<CFindForm> SharedFindForm();

// Puts the find window and the find list into RegisteredShellParts();
// called by RegisterParts() (app/parts) and by tests that build a main
// window.
void RegisterFindParts();

}  // namespace quillet
