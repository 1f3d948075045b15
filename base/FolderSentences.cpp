#include "base/FolderSentences.h"

#include <cstdio>
#include <cstring>

#include "base/Translate.h"

namespace quillet {

std::string PrivateFolderSentence(const qplat::PrivateFolderCheck& check, const std::string& purpose) {
  using Problem = qplat::PrivateFolderCheck::Problem;
  const char* text = nullptr;
  std::string detail;
  switch (check.problem) {
    case Problem::kNone: return "";
    case Problem::kNotAbsolute: text = QT_TRANSLATE_NOOP("PrivateFolder", "The folder %1 %2 is not an absolute path."); break;
    case Problem::kUnusable:
      text = QT_TRANSLATE_NOOP("PrivateFolder", "The folder %1 %2 cannot be used: %3.");
      detail = std::strerror(check.error);
      break;
    case Problem::kLink:
      text = QT_TRANSLATE_NOOP("PrivateFolder",
                               "The folder %1 %2 is a symbolic link, which another user could have made. "
                               "Quillet! will not use it; remove it and start Quillet! again.");
      break;
    case Problem::kNotFolder:
      text = QT_TRANSLATE_NOOP("PrivateFolder",
                               "The folder %1 %2 is not a folder. Quillet! will not use it; remove it and start "
                               "Quillet! again.");
      break;
    case Problem::kOtherOwner:
      text = QT_TRANSLATE_NOOP("PrivateFolder",
                               "The folder %1 %2 belongs to another user (user id %3). Quillet! will not use it; "
                               "remove it and start Quillet! again.");
      detail = std::to_string(check.owner);
      break;
    case Problem::kOpen: {
      text = QT_TRANSLATE_NOOP("PrivateFolder",
                               "The folder %1 %2 is open to other users (mode %3). Quillet! will not use it; "
                               "remove it, or make it private with \"chmod 700\", and start Quillet! again.");
      char mode[8];
      std::snprintf(mode, sizeof mode, "%04o", check.mode);
      detail = mode;
      break;
    }
  }
  if (text == nullptr) return "";
  return FillIn(translate("PrivateFolder", text), {check.folder, purpose, detail});
}

std::string BackupFolderPurpose() { return translate("PrivateFolder", "for Quillet!'s backups"); }
std::string MessageFolderPurpose() { return translate("PrivateFolder", "for Quillet!'s messages"); }

}  // namespace quillet
