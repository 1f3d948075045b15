#include "reports/ThemeFile.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <new>

#include "base/DiagnosticLog.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "platform/codepage/CodePage.h"
#include "platform/files/SafeFiles.h"
#include "reports/ReportPaths.h"

namespace quillet {
namespace {

void Tell(const char* text, const char* caption, unsigned flags) {
  MessageRequest request;
  request.text = translate("ThemeFile", text);
  request.caption = caption;
  request.flags = flags;
  UI().ShowMessage(request);
}

// Opens a regular file for reading; null for a missing file, a folder or
// anything else that is not a plain file (a pipe planted under a theme's
// name is not waited on).
std::FILE* OpenRegular(const std::string& path) {
  if (path.empty()) return nullptr;
  return OpenInputFile(path);
}

}  // namespace

bool load_theme(const std::string& path, ThemeFile* theme, const ThemeFallback& fallback) {
  theme->bytes.clear();
  theme->folder.clear();
  theme->name.clear();
  LogPair("Opening Template:", path.c_str());

  // Everything the report builder resolves against the theme's folder is
  // joined to that folder explicitly, so the process's current folder is
  // left alone (other parts of the program use relative paths).
  std::string opened = path;
  std::FILE* file = OpenRegular(opened);
  if (file == nullptr) {
    std::string first = fallback.refillThemeBox ? fallback.refillThemeBox() : std::string();
    if (!first.empty() && IsPlainDiskName(first)) {
      opened = fallback.themeFolder + first;
      file = OpenRegular(opened);
    }
    if (file == nullptr) {
      ShowStringMessage(IDS_NO_THEMES, kCaption, kMbOk | kMbIconError);
      return false;
    }
  }

  struct stat st;
  if (fstat(fileno(file), &st) != 0 || st.st_size < 0) {
    std::fclose(file);
    Tell(QT_TRANSLATE_NOOP("ThemeFile", "The size of the theme file could not be read."), kCaption,
         kMbOk | kMbIconError);
    return false;
  }
  size_t size = static_cast<size_t>(st.st_size);
  if (size > kMaxThemeSize) {
    std::fclose(file);
    Tell(QT_TRANSLATE_NOOP("ThemeFile",
                           "Maximum theme size exceeded.  Please reduce the size of your theme and try again."),
         kCaption, kMbOk | kMbIconExclamation);
    return false;
  }
  try {
    theme->bytes.resize(size);
  } catch (const std::bad_alloc&) {
    std::fclose(file);
    Tell(QT_TRANSLATE_NOOP("ThemeFile", "There is not enough memory to read the theme."), kCaption,
         kMbOk | kMbIconError);
    return false;
  }
  size_t got = size == 0 ? 0 : std::fread(theme->bytes.data(), 1, size, file);
  std::fclose(file);
  theme->bytes.resize(got);
  if (got == 0) {
    Tell(QT_TRANSLATE_NOOP("ThemeFile", "This theme is currently empty and cannot be used."), kCaptionBang,
         kMbOk | kMbIconInformation);
    return false;
  }
  // Pictures are copied from the theme's folder long after the current
  // folder may have changed, so it is kept as an absolute path.
  std::error_code ec;
  std::string absolute = std::filesystem::absolute(opened, ec).string();
  theme->folder = FolderOf(ec ? opened : absolute);
  theme->name = BaseName(opened);
  return true;
}

}  // namespace quillet
