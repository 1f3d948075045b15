#include "desktop/records/ReferenceTransfer.h"

#include <sys/stat.h>

#include <cstdlib>
#include <vector>

#include "base/DiagnosticLog.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/CustomEditor.h"
#include "desktop/records/WindowHost.h"
#include "desktop/shell/Commands.h"
#include "desktop/shell/EditPending.h"
#include "platform/codepage/CodePage.h"
#include "store/PrivateRecords.h"
#include "store/refexchange/RefExchange.h"
#include "store/refexchange/Unicode.h"

namespace quillet {
namespace {

// Notices shown in one message; the rest are counted.
constexpr size_t kShownNotices = 12;

int Tell(const std::string& utf8, unsigned flags) {
  MessageRequest m;
  m.text = utf8;
  m.caption = kCaption;
  m.flags = flags;
  return UI().ShowMessage(m);
}

std::string Shown(const std::string& utf8) { return PathForMessage(utf8); }
std::string Shown(const CpText& title) { return ToUtf8(title); }

std::string FileName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string NoticeLines(const std::vector<refx::Notice>& notices) {
  std::string out;
  for (size_t i = 0; i < notices.size() && i < kShownNotices; ++i) out += "\n" + notices[i].ShownString();
  if (notices.size() > kShownNotices)
    out += "\n" + FillIn(translate("ReferenceTransfer", "... and %1 more."),
                         {std::to_string(notices.size() - kShownNotices)});
  return out;
}

bool Refused() {
  if (bEditPending == 1) {
    ShowStringMessage(IDS_EDIT_PENDING, kCaption, kMbOk | kMbIconInformation);
    return true;
  }
  return pDB == nullptr;
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') return "";
  std::string folder = home;
  if (folder.back() != '/') folder += '/';
  return folder;
}

// A topic title as a file name: no folder separators or control characters.
std::string TitleAsFileName(const std::string& title) {
  std::string name;
  for (unsigned char c : title) {
    if (c == '\n') break;
    name.push_back(c < 0x20 || c == '/' || c == '\\' ? '_' : static_cast<char>(c));
  }
  while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.pop_back();
  return name.empty() || name[0] == '.' ? "references" : name;
}

}  // namespace

bool IsReferenceFileName(const std::string& path) {
  refx::Format format;
  return refx::FormatOfPath(path, &format);
}

bool ImportReferencesCommand(uint32_t topicId) {
  if (Refused()) return false;
  if (FindTopic(topicId) == nullptr) {
    Tell(translate("ReferenceTransfer",
                   "Select the topic the references should go into, then choose Import References again."),
         kMbOk | kMbIconInformation);
    return false;
  }
  FileDialogRequest request;
  request.title = translate("ReferenceTransfer", "Import References");
  request.initialFolder = HomeFolder();
  request.filters = {{translate("ReferenceTransfer", "References"), "*.bib;*.ris"},
                     {"BibTeX", "*.bib"},
                     {"RIS", "*.ris"},
                     {translate("ReferenceTransfer", "All files"), "*"}};
  std::string path;
  if (!UI().ChooseOpenFile(request, &path)) return false;
  return ImportReferenceFile(topicId, path);
}

namespace {
bool ImportReferenceFileUnguarded(uint32_t topicId, const std::string& path);
}  // namespace

// Called from the window's menu and from drops: nothing may throw past it.
bool ImportReferenceFile(uint32_t topicId, const std::string& path) {
  try {
    return ImportReferenceFileUnguarded(topicId, path);
  } catch (...) {
    LogPair("Import References: import failed:", path.c_str());
    try {
      Tell(FillIn(translate("ReferenceTransfer",
                            "\"%1\" could not be imported: there is not enough memory.\n\n"
                            "Nothing was added."),
                  {Shown(FileName(path))}),
           kMbOk | kMbIconExclamation);
    } catch (...) {
    }
    return false;
  }
}

namespace {
bool ImportReferenceFileUnguarded(uint32_t topicId, const std::string& path) {
  if (Refused()) return false;
  const CTopicRecord* topic = FindTopic(topicId);
  if (topic == nullptr) return false;
  const std::string topicTitle = Shown(topic->title);
  const std::string name = Shown(FileName(path));

  const refx::ReadResult read = refx::ReadReferenceFile(path);
  if (!read.ok) {
    LogPair("Import References: file not read:", path.c_str());
    Tell(FillIn(translate("ReferenceTransfer", "\"%1\" could not be read: %2.\n\nNothing was added."),
                {name, Shown(read.error)}),
         kMbOk | kMbIconExclamation);
    return false;
  }
  if (read.references.empty()) {
    Tell(FillIn(translate("ReferenceTransfer", "No entry of \"%1\" could be used. Nothing was added."),
                {name}) +
             "\n" + NoticeLines(read.notices) + "\n" + Shown(refx::ShownReadSummary(read)) + ".",
         kMbOk | kMbIconExclamation);
    return false;
  }
  std::vector<uint32_t> ids;
  if (refx::AddToTopic(*pDB, topicId, read.references, NextRecordId, &ids) != refx::AddResult::kOk) {
    Tell(FillIn(translate("ReferenceTransfer",
                          "The references could not be added to \"%1\". Nothing was added."),
                {topicTitle}),
         kMbOk | kMbIconExclamation);
    return false;
  }
  LogValue("Import References: references added", static_cast<int>(ids.size()));
  const bool saved = SaveStoreOrTell();
  if (ITopicTreeOps* tree = WindowHost().Tree()) tree->RefreshAndSelect(topicId, true);
  WindowHost().SendCommand(CMD_VIEW_TOPIC);

  std::string text =
      FillIn(ids.size() == 1
                 ? translate("ReferenceTransfer", "%1 reference from \"%2\" was added to \"%3\".")
                 : translate("ReferenceTransfer", "%1 references from \"%2\" were added to \"%3\"."),
             {std::to_string(ids.size()), name, topicTitle});
  if (!read.notices.empty()) text += "\n" + NoticeLines(read.notices);
  text += "\n" + Shown(refx::ShownReadSummary(read)) + ".";
  Tell(text, kMbOk | kMbIconInformation);
  return saved;
}
}  // namespace

bool ExportReferencesCommand(uint32_t topicId) {
  if (pDB == nullptr) return false;
  const CTopicRecord* topic = FindTopic(topicId);
  uint32_t scope = 0;
  if (topic != nullptr) {
    const int answer = Tell(FillIn(translate("ReferenceTransfer",
                                             "Export only the references of \"%1\"?\n\n"
                                             "Yes: this topic's references.\nNo: every reference."),
                                   {Shown(topic->title)}),
                            kMbYesNoCancel | kMbIconQuestion);
    if (answer == kIdCancel) return false;
    if (answer == kIdYes) scope = topicId;
  }
  const std::vector<const CCustomRecord*> refs = refx::CollectReferences(*pDB, scope, bShowPrivate != 0);
  if (refs.empty()) {
    Tell(scope != 0 ? FillIn(translate("ReferenceTransfer", "\"%1\" holds no references to export."),
                             {Shown(topic->title)})
                    : translate("ReferenceTransfer", "There are no references to export."),
         kMbOk | kMbIconInformation);
    return false;
  }

  FileDialogRequest request;
  request.title = translate("ReferenceTransfer", "Export References");
  request.initialFolder = HomeFolder();
  request.initialName = (scope != 0 ? TitleAsFileName(topic->title.bytes()) : std::string("references")) + ".bib";
  request.filters = {{"BibTeX", "*.bib"}, {"RIS", "*.ris"}};
  request.defaultExtension = "bib";
  std::string path;
  if (!UI().ChooseSaveFile(request, &path)) return false;
  refx::Format format;
  if (!refx::FormatOfPath(path, &format)) {
    Tell(translate("ReferenceTransfer", "Give the file a name ending in .bib (BibTeX) or .ris (RIS)."),
         kMbOk | kMbIconInformation);
    return false;
  }
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 &&
      ShowStringMessage(IDS_OVERWRITE_FILE, kCaption, kMbYesNo | kMbIconQuestion) != kIdYes)
    return false;

  const refx::WriteResult written = refx::WriteReferences(refs, format);
  std::string error;
  if (!refx::WriteFileReplacing(path, written.text, &error)) {
    Tell(FillIn(translate("ReferenceTransfer", "%1.\n\nNothing was written."), {Shown(error)}),
         kMbOk | kMbIconExclamation);
    return false;
  }
  LogValue("Export References: references written", static_cast<int>(written.written));
  std::string text =
      FillIn(written.written == 1 ? translate("ReferenceTransfer", "%1 reference was written to \"%2\".")
                                  : translate("ReferenceTransfer", "%1 references were written to \"%2\"."),
             {std::to_string(written.written), Shown(path)});
  if (!written.notices.empty()) text += "\n" + NoticeLines(written.notices);
  Tell(text, kMbOk | kMbIconInformation);
  return true;
}

}  // namespace quillet
