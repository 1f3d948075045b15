// quillet-cli report: a topic's HTML report, made as the program makes it.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "base/AppPaths.h"
#include "platform/files/SafeFiles.h"
#include "programs/quillet-cli/CliCommand.h"
#include "programs/quillet-cli/StoreText.h"
#include "reports/ImagingWriter.h"
#include "reports/ReportBuilder.h"
#include "reports/ReportPaths.h"
#include "reports/StoreReportSource.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"

namespace {

using namespace quillet;
namespace fs = std::filesystem;

int RunReport(const std::vector<std::string>& args) {
  cli::Args a(args);
  std::string file, topic_text, theme_path, out_dir;
  std::string author[4];
  bool missing = false;
  const bool have_store = a.TakeOption("--store", &file, &missing);
  const bool have_topic = a.TakeOption("--topic", &topic_text, &missing);
  const bool have_theme = a.TakeOption("--theme", &theme_path, &missing);
  const bool have_out = a.TakeOption("--out", &out_dir, &missing);
  const char* author_options[4] = {"--author", "--author-title", "--author-email", "--author-phone"};
  for (int i = 0; i < 4; ++i) {
    std::string utf8;
    CpText text;
    if (a.TakeOption(author_options[i], &utf8, &missing) && !FromUtf8(utf8, &text))
      return cli::UsageError(std::string("report: ") + author_options[i] +
                             " has characters Windows-1252 cannot hold");
    author[i] = std::move(text).bytes();  // the report writes the author details as code-page text
  }
  const bool show_private = a.TakeFlag("--show-private");
  if (missing) return cli::UsageError("report: an option lacks its value");
  if (!have_store || !have_topic || !have_theme || !have_out)
    return cli::UsageError("report needs --store FILE --topic RECORDID --theme THEME.htm --out DIR");
  if (!a.UnknownOption().empty()) return cli::UsageError("report: unknown option " + a.UnknownOption());
  if (!a.Rest().empty()) return cli::UsageError("report: unexpected argument " + a.Rest()[0]);

  char* end = nullptr;
  unsigned long id = std::strtoul(topic_text.c_str(), &end, 10);
  if (topic_text.empty() || *end != '\0' || id == 0 || id > UINT32_MAX)
    return cli::UsageError("report: --topic takes a record id");

  CRecordStore store(file, "");
  const DbResult rc = store.Load();
  // A store that did not load whole is never saved back (the topic may get
  // its report name saved), so it is refused.
  if (rc != DB_OK)
    return cli::UsageError("report: " + file + " did not load (result " + std::to_string(rc) + " " +
                           ResultCodeName(rc) + ")");
  CRecord* record = nullptr;
  if (store.FindById(static_cast<uint32_t>(id), &record) != DB_OK || record->kind != kKindTopic) {
    std::fprintf(stderr, "quillet-cli: report: record %lu is not a topic\n", id);
    return cli::kExitFailed;
  }

  std::error_code ec;
  MakePrivateFolders(out_dir);
  if (!fs::is_directory(out_dir, ec)) return cli::UsageError("report: cannot make the folder " + out_dir);
  const std::string theme = fs::absolute(theme_path, ec).string();

  FixedReportSettings settings;
  settings.config.outputPath = WithSlash(fs::absolute(out_dir, ec).string());
  settings.config.templatePath = FolderOf(theme);
  settings.config.installPath = InstallDataFolder();  // the shipped pages and themes
  settings.config.lastTemplate = BaseName(theme);
  settings.config.author = author[0];
  settings.config.authorTitle = author[1];
  settings.config.authorEmail = author[2];
  settings.config.authorPhone = author[3];

  StoreReportSource source(&store, [show_private] { return show_private; });
  ImagingWriter images;
  ReportServices services;
  services.source = &source;
  services.images = &images;
  services.settings = &settings;
  // A theme that cannot be read is an error here, not a reason to use
  // another one.
  services.refillThemeBox = [] { return std::string(); };
  ReportBuilder builder(services);
  if (!builder.Build(theme, static_cast<uint32_t>(id), nullptr)) return cli::kExitFailed;
  std::printf("%s\n", builder.ReportPath(static_cast<uint32_t>(id)).c_str());
  return cli::kExitOk;
}

}  // namespace

QUILLET_CLI_COMMAND(
    "report", "build a topic's HTML report with a theme",
    "quillet-cli report --store FILE --topic RECORDID --theme THEME.htm --out DIR\n"
    "                   [--author NAME] [--author-title T] [--author-email E]\n"
    "                   [--author-phone P] [--show-private]\n\n"
    "Builds the report of topic RECORDID of the store FILE with the theme, DIR\n"
    "standing for the output folder, as the program does: the topic keeps (or\n"
    "gets, and the store saves) its report name, the theme's pictures and the\n"
    "topic's pictures and sketches are written beside the report. Prints the\n"
    "report's path. Exit 1 when the theme cannot be used or RECORDID is no topic.",
    RunReport);
