#include "app/PageActions.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "app/Rebar.h"
#include "app/WebWnd.h"
#include "app/WndMgr.h"
#include "base/AppPaths.h"
#include "base/RegistryKey.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/shell/ShownPage.h"
#include "desktop/shell/ThemeList.h"
#include "platform/codepage/CodePage.h"
#include "platform/files/SafeFiles.h"
#include "reports/ReportBuilder.h"
#include "reports/ReportPaths.h"
#include "store/RecordKinds.h"
#include "widgets/kit/Ansi.h"
#include "widgets/kit/Translations.h"

namespace quillet {
namespace {

std::string UserValue(const char* name) {
  CRegistryKey key;
  key.OpenProgramKey(AppPaths.userFolder);
  std::string value;
  key.ReadValueString(name, &value, kPathBufferSize);
  return value;
}

CpText TopicTitle(uint32_t topicId) {
  const CTopicRecord* topic = FindTopic(topicId);
  return topic ? topic->title : CpText();
}

// A file name to suggest for `title`: a character the code page cannot
// hold becomes '_', as the characters a file name cannot hold do. Only a
// suggestion: the save dialog shows it, and the person may change it.
CpText SuggestableTitle(QString title) {
  for (qsizetype at = UnstorableAt(title); at >= 0; at = UnstorableAt(title, at + 1))
    title.replace(at, CharacterAt(title, at).size(), QChar('_'));
  CpText text;
  ToAnsiExact(title, &text);  // holds nothing it could refuse now
  return text;
}

void Tell(const std::string& text) {
  MessageRequest request;
  request.text = text;
  request.caption = kCaption;
  request.flags = kMbOk | kMbIconInformation;
  UI().ShowMessage(request);
}

}  // namespace

uint32_t TopicToShow(uint32_t selectedId, uint32_t selectedKind, uint32_t currentTopic) {
  if (selectedId != 0) {
    if (selectedKind == kKindTopic && FindTopic(selectedId)) return selectedId;
    if (const CTopicRecord* owner = FindTopicOfMember(selectedId)) return owner->recordId;
  }
  return currentTopic != 0 && FindTopic(currentTopic) ? currentTopic : 0;
}

std::string DocumentsFolder() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::homePath();
  std::string path = ToPath(folder);
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

void SaveTopicReportAs(CWndMgr& manager, uint32_t topicId) {
  ReportBuilder* reports = manager.reports();
  if (!reports || !FindTopic(topicId)) return;
  reports->SaveAs(topicId, DocumentsFolder(), SuggestedFileName(TopicTitle(topicId).bytes(), ".htm"));
}

uint32_t TopicOfShownPage(CWndMgr& manager) {
  if (!pDB || !manager.web()) return 0;
  std::string output = UserValue("OutputPath");
  if (!output.empty() && output.back() != '/') output += '/';
  return TopicOfReportPage(*pDB, output, manager.web()->currentPath());
}

bool ExportShownPageAsPdf(CWndMgr& manager) {
  CWebWnd* web = manager.web();
  if (!web || web->currentPath().empty()) return false;
  const QString title = ShownPageTitle(manager);
  FileDialogRequest request;
  request.title = translate("PageActions", "Export as PDF");
  request.initialFolder = DocumentsFolder();
  request.initialName = SuggestedFileName(SuggestableTitle(title).bytes(), ".pdf");
  request.filters = {{translate("PageActions", "PDF Files (*.pdf)"), "*.pdf"}};
  request.defaultExtension = "pdf";
  std::string path;
  if (!UI().ChooseSaveFile(request, &path)) return false;
  if (QFileInfo(FromPath(path)).suffix().isEmpty()) path += ".pdf";
  if (QFileInfo::exists(FromPath(path)) &&
      ShowStringMessage(IDS_OVERWRITE_FILE, kCaption, kMbYesNo | kMbIconQuestion) != kIdYes)
    return false;
  if (!web->PrintToPdf(path, title)) {
    Tell(FillIn(translate("PageActions", "The page could not be written to\n\n%1\n\n"
                                         "Check that the folder exists and that you may write there."),
                {PathForMessage(path)}));
    return false;
  }
  return true;
}

QString ShownPageTitle(CWndMgr& manager) {
  CWebWnd* web = manager.web();
  const uint32_t topic = TopicOfShownPage(manager);
  // The page's own title when it is no topic's report: it is read back from
  // the page, not typed, and is used as it is for the PDF; only the
  // suggested file name passes through the code page.
  QString title = topic ? FromAnsi(TopicTitle(topic)) : (web ? web->title() : QString());
  if (title.isEmpty()) title = UiText(IDS_APP_TITLE);
  return title;
}

void SelectTopicOfShownPage(CWndMgr& manager) {
  CTreeObject* tree = manager.topicTree();
  const uint32_t topic = TopicOfShownPage(manager);
  if (!tree || topic == 0 || !tree->ShowsRecord(topic)) return;
  tree->SelectRecord(topic);
}

bool ThemeStillThere(CWndMgr& manager, const std::string& file) {
  std::string folder = UserValue("TemplatePath");
  if (!folder.empty() && folder.back() != '/') folder += '/';
  const bool plain = !file.empty() && file.find('/') == std::string::npos && file != "." && file != "..";
  if (plain && IsOwnRegularFile(folder + file)) return true;
  // Gone since the box was filled (removed or renamed in the theme folder).
  Tell(FillIn(translate("PageActions",
                        "The theme \"%1\" is no longer in the theme folder, so it cannot be used.\n\n"
                        "The list of themes has been brought up to date. To get the original themes back, "
                        "click Themes | Reset All in the main menu."),
              {PathForMessage(ThemeDisplayName(file))}));
  if (CRebar* rebar = manager.rebar()) rebar->FillThemeBox();
  return false;
}

}  // namespace quillet
