#include "reports/Mail.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "base/DiagnosticLog.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "platform/codepage/CodePage.h"
#include "platform/files/SafeFiles.h"
#include "platform/mapi/Mapi.h"
#include "reports/PostProcess.h"
#include "reports/ReportPaths.h"

namespace quillet {
namespace {

unsigned Address(const void* p) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p)); }

const char* LogonText(uint32_t result) {
  switch (result) {
    case SUCCESS_SUCCESS: return "E-mail object: SUCCESS_SUCCESS";
    case MAPI_E_USER_ABORT: return "E-mail object: MAPI_E_USER_ABORT";
    case MAPI_E_FAILURE: return "E-mail object: MAPI_E_FAILURE";
    case MAPI_E_LOGIN_FAILURE: return "E-mail object: MAPI_E_LOGIN_FAILURE";
    case MAPI_E_INSUFFICIENT_MEMORY: return "E-mail object: MAPI_E_INSUFFICIENT_MEMORY";
    case MAPI_E_TOO_MANY_SESSIONS: return "E-mail object: MAPI_E_TOO_MANY_SESSIONS";
    default: return "E-mail object: Default Error";
  }
}

// A regular file of ours: a folder of that name is no attachment, and
// neither is a link someone planted in the output folder.
bool IsRegularFile(const std::string& path) { return IsOwnRegularFile(path); }

// A file path (file system bytes) inside a message text.
std::string PathText(const std::string& path) { return PathForMessage(path); }
std::string Tr(const char* source) { return translate("Mail", source); }

void Tell(const std::string& text, uint32_t icon) {
  MessageRequest request;
  request.text = text;
  request.caption = kCaption;
  request.flags = kMbOk | icon;
  UI().ShowMessage(request);
}

}  // namespace

CEmailObject::CEmailObject(const MailServices& services, const std::string& libraryPath)
    : services_(services) {
  library_ = dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library_ == nullptr) return;  // no mail on this machine: Send stays off, silently
  auto logon = reinterpret_cast<MapiLogonFn>(dlsym(library_, "MAPILogon"));
  if (logon == nullptr) {
    dlclose(library_);
    library_ = nullptr;
    return;
  }
  // The mail system may show its own profile dialog here.
  const uint32_t result = logon(0, nullptr, nullptr, MAPI_LOGON_UI, 0, &session_);
  LogLine(LogonText(result));
  logon_result_ = static_cast<int>(result);
  logged_on_ = result == SUCCESS_SUCCESS;
}

CEmailObject::~CEmailObject() {
  if (library_ != nullptr) dlclose(library_);
}

std::string ReportAttachmentName(const CpText& title) {
  // The title's first line, as code-page bytes, without what a file name
  // on this or the recipient's system cannot hold.
  std::string name = title.bytes().substr(0, title.bytes().find('\n'));
  for (char& ch : name) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F || std::strchr("/\\:*?\"<>|", ch) != nullptr) ch = '_';
  }
  constexpr size_t kLongest = 80;  // bytes of the title kept
  if (name.size() > kLongest) name.resize(kLongest);
  const size_t first = name.find_first_not_of(" .");
  if (first == std::string::npos) return std::string();
  name.erase(0, first);
  while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.pop_back();
  return name + ".htm";
}

int CEmailObject::Send(uint32_t recordId, int format) {
  outbox_file_.clear();
  if (!logged_on_ || format != kMailFormatHtmlReport) return kMailNotSent;
  if (services_.source == nullptr || services_.settings == nullptr) return kMailNotSent;
  ReportTopic topic;
  if (!services_.source->Topic(recordId, &topic)) return kMailNotSent;
  // The report is the file made when the topic was shown; it is not rebuilt
  // here. A name from the store that could mean anything but a file of ours
  // in the output folder (or none yet) gives nothing to send.
  if (!IsPlainFileName(topic.fileName)) return kMailNotSent;
  const ReportConfig config = services_.settings->Read();
  const std::string output = WithSlash(config.outputPath);
  const std::string reportPath = output + OutputFileName(topic.fileName);

  std::vector<std::string> names;
  collect_references(reportPath, config.templatePath, output, &names);

  // Built whole before any descriptor points into them.
  std::vector<std::string> paths;
  paths.reserve(names.size());
  std::vector<bool> present(names.size(), false);
  for (size_t i = 0; i < names.size(); ++i) {
    paths.push_back(IsPlainDiskName(names[i]) ? output + names[i] : std::string());
    char line[64];
    std::snprintf(line, sizeof line, "NEW szTmp[%i] = 0x%08x", static_cast<int>(i),
                  Address(paths.back().data()));
    LogLine(line);
    if (!paths.back().empty() && IsRegularFile(paths.back())) {
      present[i] = true;
    } else {
      MessageRequest request;
      request.stringId = IDS_FILE_OPEN_OR_INVALID;
      request.text = PathText(names[i]) + UiString(IDS_FILE_OPEN_OR_INVALID);
      request.caption = kCaption;
      request.flags = kMbOk | kMbIconInformation;
      UI().ShowMessage(request);
    }
  }

  std::string subject = topic.title.bytes();  // mail texts are code-page text
  std::string report = reportPath;
  // The report goes under the topic's title, the pictures under the names
  // it refers to them by.
  std::string reportName = ReportAttachmentName(topic.title);
  std::vector<MapiFileDesc> files;
  files.reserve(1 + names.size());
  files.push_back(MapiFileDesc{0, 0, 0xFFFFFFFFu, report.data(),
                               reportName.empty() ? nullptr : reportName.data(), nullptr});
  for (size_t i = 0; i < names.size(); ++i)
    if (present[i]) files.push_back(MapiFileDesc{0, 0, 0xFFFFFFFFu, paths[i].data(), nullptr, nullptr});

  MapiMessage message{};
  message.lpszSubject = subject.data();
  message.nFileCount = static_cast<uint32_t>(files.size());
  message.lpFiles = files.data();

  int result = kMailNotSent;
  if (auto send = reinterpret_cast<MapiSendMailFn>(dlsym(library_, "MAPISendMail"))) {
    // Blocks while the mail program's compose window is open.
    result = static_cast<int>(send(0, 0, &message, MAPI_LOGON_UI | MAPI_DIALOG, 0));
    // Our own library says where a message went that no mail program took.
    if (auto outbox = reinterpret_cast<MapiOutboxFileFn>(dlsym(library_, "QuilletMailOutboxFile"));
        outbox != nullptr && result == static_cast<int>(SUCCESS_SUCCESS)) {
      std::vector<char> path(outbox(nullptr, 0) + 1, 0);
      outbox(path.data(), static_cast<uint32_t>(path.size()));
      outbox_file_ = path.data();
    }
  }

  for (size_t i = 0; i < names.size(); ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "DELETE szImage[%i] = 0x%08x", static_cast<int>(i),
                  Address(names[i].data()));
    LogLine(line);
    std::snprintf(line, sizeof line, "DELETE szTmp[%i] = 0x%08x", static_cast<int>(i),
                  Address(paths[i].data()));
    LogLine(line);
  }
  return result;
}

void CEmailObject::TellOutcome(uint32_t recordId, int result) const {
  constexpr int kSent = static_cast<int>(SUCCESS_SUCCESS);
  if (result == static_cast<int>(MAPI_E_USER_ABORT)) return;  // the person closed the compose window
  ReportTopic topic;
  const bool known = services_.source != nullptr && services_.source->Topic(recordId, &topic);
  const std::string line = known ? ToUtf8(topic.title.substr(0, topic.title.find('\n'))) : std::string();
  const std::string name = line.empty() ? Tr(QT_TRANSLATE_NOOP("Mail", "this topic")) : "\"" + line + "\"";
  if (result == kMailNotSent) {
    if (!logged_on_) return;  // sending is off: there is no Send to answer
    Tell(FillIn(Tr(QT_TRANSLATE_NOOP("Mail", "There is no report of %1 to send yet.\n\n"
                                             "Show the topic first, then send it again.")),
                {name}),
         kMbIconExclamation);
    return;
  }
  if (result == kSent && outbox_file_.empty()) {
    Tell(FillIn(Tr(QT_TRANSLATE_NOOP("Mail", "The report of %1 is in a new message in your mail program.\n\n"
                                             "Add the recipients there and send it.")),
                {name}),
         kMbIconInformation);
    return;
  }
  if (result == kSent) {
    Tell(FillIn(Tr(QT_TRANSLATE_NOOP("Mail",
                                     "No mail program is set up on this computer, so the message with the "
                                     "report of %1 was saved as a file:\n\n%2\n\nOpen that file with your mail "
                                     "program to send it, or set up a mail program (the desktop's default for "
                                     "e-mail) and send again.")),
                {name, PathText(outbox_file_)}),
         kMbIconInformation);
    return;
  }
  std::string why;
  switch (result) {
    case MAPI_E_ATTACHMENT_NOT_FOUND:
    case MAPI_E_ATTACHMENT_OPEN_FAILURE:
      why = Tr(QT_TRANSLATE_NOOP("Mail", "Its report file is missing or cannot be read. Show the topic again "
                                         "to rebuild it, then send it."));
      break;
    case MAPI_E_DISK_FULL: why = Tr(QT_TRANSLATE_NOOP("Mail", "The disk is full. Make room, then send it again.")); break;
    case MAPI_E_INSUFFICIENT_MEMORY:
      why = Tr(QT_TRANSLATE_NOOP("Mail", "There was not enough memory. Close other programs, then send it again."));
      break;
    default:
      why = Tr(QT_TRANSLATE_NOOP("Mail", "The mail program and the outbox folder could not take it. Check that a "
                                         "mail program is set up and that your data folder can be written to, "
                                         "then send it again."));
      break;
  }
  Tell(FillIn(Tr(QT_TRANSLATE_NOOP("Mail", "The report of %1 was not sent.\n\n%2")), {name, why}), kMbIconExclamation);
}

}  // namespace quillet
