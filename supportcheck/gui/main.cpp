// BrightfenCheck: packs the maker's products' settings, logs, themes and
// handheld backups into one cabinet for the support desk.
#include <stdlib.h>

#include <QApplication>
#include <filesystem>

#include "app/gui/QtForms.h"
#include "supportcheck/gui/CheckWindow.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  quillet::QtUserInterface ui;
  quillet::ScopedUI scoped(&ui);
  // The report and the cabinet are made in a folder of this run's own, so
  // no other account can plant a file or link under their fixed names.
  const char* tmp = getenv("TMPDIR");
  std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/BrightfenCheck.XXXXXX";
  if (!mkdtemp(folder.data())) {
    quillet::MessageRequest r;
    r.text = "Could not create a temporary folder.";
    r.caption = brightfen::kReportCaption;
    r.flags = quillet::kMbOk | quillet::kMbIconError;
    quillet::UI().ShowMessage(r);
    return 1;
  }
  int rc;
  {
    brightfen::CCheckWindow window(folder + "/");
    ui.SetOwner(&window);
    window.show();
    rc = app.exec();
  }
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  return rc;
}
