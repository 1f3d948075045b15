// The sketch window joins the main window as its sketch part.
#include "app/gui/ShellParts.h"
#include "imaging/gui/SketchWnd.h"

namespace quillet {
namespace {

// The program links this library whole, so this runs before main().
struct Registration {
  Registration() {
    RegisteredShellParts().sketchWindow = [] { return std::make_unique<CSketchWnd>(); };
  }
} g_registration;

}  // namespace
}  // namespace quillet
