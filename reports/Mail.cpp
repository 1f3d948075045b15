#include "reports/Mail.h"

#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/core/DiagnosticLog.h"
#include "app/core/Strings.h"
#include "app/core/UserInterface.h"
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

int CEmailObject::Send(uint32_t recordId, int format) {
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
      request.text = names[i] + LoadString(IDS_FILE_OPEN_OR_INVALID);
      request.caption = kCaption;
      request.flags = kMbOk | kMbIconInformation;
      UI().ShowMessage(request);
    }
  }

  std::string subject = topic.title;
  std::string report = reportPath;
  std::vector<MapiFileDesc> files;
  files.reserve(1 + names.size());
  files.push_back(MapiFileDesc{0, 0, 0xFFFFFFFFu, report.data(), nullptr, nullptr});
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

}  // namespace quillet
