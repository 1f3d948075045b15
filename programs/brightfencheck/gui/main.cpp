// BrightfenCheck: packs the maker's products' settings, logs, themes and
// handheld backups into one cabinet for the support desk.
//
//   BrightfenCheck                the window
//   BrightfenCheck --output DIR   no window: the cabinet is written into DIR
//                                 (exit 0), or the reason is told on standard
//                                 error (exit 1)
//   BrightfenCheck --help | --version   (exit 0)
// An unknown option or argument exits with 2.
#include <stdlib.h>

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <filesystem>

#include "programs/brightfencheck/gui/CheckWindow.h"
#include "widgets/kit/AppIcon.h"
#include "widgets/kit/Translations.h"
#include "widgets/kit/QtForms.h"

#ifndef QUILLET_VERSION
#define QUILLET_VERSION "unknown"
#endif

namespace {

constexpr char kUsage[] =
    "Usage: BrightfenCheck [--output DIR]\n"
    "Packs the settings, logs, themes and handheld backups of Brightfen's products\n"
    "into BrightfenCheckReport1.zip for the support desk.\n"
    "\n"
    "Without options a window asks where to put the report.\n"
    "\n"
    "Options:\n"
    "  -o, --output DIR  run without a window and write BrightfenCheckReport1.zip\n"
    "                    into the folder DIR; exit 0 when it was written, 1 (with\n"
    "                    the reason on standard error) when not\n"
    "  -h, --help        show this help and exit\n"
    "  -v, --version     show the version and exit\n";

// The report and the cabinet are made in a folder of this run's own, so no
// other account can plant a file or link under their fixed names.
std::string MakeTempFolder() {
  const char* tmp = getenv("TMPDIR");
  std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/BrightfenCheck.XXXXXX";
  if (!mkdtemp(folder.data())) return "";
  return folder + "/";
}

void RemoveTempFolder(const std::string& folder) {
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
}

}  // namespace

int main(int argc, char** argv) {
  QStringList args;
  for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  QCommandLineParser parser;
  const QCommandLineOption output({"o", "output"}, "Write the cabinet into DIR, without a window.", "DIR");
  const QCommandLineOption help({"h", "help"}, "Show this help.");
  const QCommandLineOption version({"v", "version"}, "Show the version.");
  parser.addOptions({output, help, version});
  if (!parser.parse(args) || !parser.positionalArguments().isEmpty()) {
    const QString why = !parser.errorText().isEmpty()
                            ? parser.errorText()
                            : "Unexpected argument '" + parser.positionalArguments().first() + "'.";
    std::fprintf(stderr, "BrightfenCheck: %s\nTry 'BrightfenCheck --help'.\n", why.toLocal8Bit().constData());
    return 2;
  }
  // Neither of these looks at anything on the machine.
  if (parser.isSet(help)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (parser.isSet(version)) {
    std::printf("BrightfenCheck %s\n", QUILLET_VERSION);
    return 0;
  }

  const std::string temp = MakeTempFolder();
  if (parser.isSet(output)) {
    const std::string dir = parser.value(output).toLocal8Bit().toStdString();
    if (temp.empty()) {
      std::fprintf(stderr, "BrightfenCheck: could not create a temporary folder\n");
      return 1;
    }
    // Messages (a missing user library) go to standard error.
    brightfen::CSupportCheck check(temp, stdout);
    std::string error;
    const bool written = brightfen::RunUnattended(&check, dir, &error);
    RemoveTempFolder(temp);
    if (!written) {
      std::fprintf(stderr, "BrightfenCheck: %s\n", error.c_str());
      return 1;
    }
    std::string path = dir;
    if (path.back() != '/') path += '/';
    std::printf("BrightfenCheck: report written to %s%s\n", path.c_str(), brightfen::kReportCabinet);
    return 0;
  }

  QApplication app(argc, argv);
  quillet::FollowDesktopIconTheme();
  quillet::InstallTranslators();
  quillet::QtUserInterface ui;
  quillet::ScopedUI scoped(&ui);
  if (temp.empty()) {
    quillet::MessageRequest r;
    r.text = QCoreApplication::translate("BrightfenCheck", "Could not create a temporary folder.").toStdString();
    r.caption = QCoreApplication::translate("SupportCheck", brightfen::kReportCaption).toStdString();
    r.flags = quillet::kMbOk | quillet::kMbIconError;
    quillet::UI().ShowMessage(r);
    return 1;
  }
  int rc;
  {
    brightfen::CCheckWindow window(temp);
    ui.SetOwner(&window);
    window.show();
    rc = app.exec();
  }
  RemoveTempFolder(temp);
  return rc;
}
