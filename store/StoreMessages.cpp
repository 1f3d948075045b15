#include "store/StoreMessages.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "base/DiagnosticLog.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "platform/codepage/CodePage.h"

namespace quillet {
namespace {

bool FolderExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

void TellSaveFailed(const CRecordStore* store, DbResult rc) {
  // Only a folder that is gone says the user was deleted; every other
  // cause is named as it is.
  bool folder_gone = store == nullptr;
  if (!folder_gone && rc == DB_ERR_OPEN && store->lastErrno() == ENOENT) {
    const size_t slash = store->path().rfind('/');
    folder_gone = slash != std::string::npos && !FolderExists(store->path().substr(0, slash + 1));
  }
  if (folder_gone) {
    ShowStringMessage(IDS_SAVE_FAILED, kCaption, kMbOk | kMbIconInformation);
    return;
  }
  LogPair("Unable to save database:", store->FailureReason(rc).c_str());
  char text[2048];
  std::snprintf(text, sizeof text, UiString(IDS_SAVE_FAILED_BECAUSE).c_str(),
                PathForMessage(store->ShownFailureReason(rc)).c_str());
  ShowFilledStringMessage(IDS_SAVE_FAILED_BECAUSE, text, kMbOk | kMbIconInformation);
}

}  // namespace quillet
