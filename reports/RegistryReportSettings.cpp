#include "reports/RegistryReportSettings.h"

#include "base/AppPaths.h"
#include "base/RegistryKey.h"
#include "base/Strings.h"
#include "platform/codepage/CodePage.h"

namespace quillet {

ReportConfig RegistryReportSettings::Read() {
  ReportConfig config;
  CRegistryKey key;
  key.OpenProgramKey();
  key.ReadValueString("InstallPath", &config.installPath);
  key.OpenProgramKey(AppPaths.userFolder);
  key.ReadValueString("OutputPath", &config.outputPath, kTextBufferSize);
  key.ReadValueString("TemplatePath", &config.templatePath);
  key.ReadValueString("LastTemplate", &config.lastTemplate);
  key.ReadValueString("Author", &config.author, kTextBufferSize);
  key.ReadValueString("Title", &config.authorTitle, kTextBufferSize);
  key.ReadValueString("Email", &config.authorEmail, kTextBufferSize);
  key.ReadValueString("Phone", &config.authorPhone, kTextBufferSize);
  key.CloseKey();
  if (config.lastTemplate.empty()) config.lastTemplate = ToUtf8(LoadString(IDS_DEFAULT_THEME));
  return config;
}

void RegistryReportSettings::StoreLastTemplate(const std::string& name) {
  AppPaths.currentTheme = FitAppPath(name);
  CRegistryKey key;
  key.OpenProgramKey(AppPaths.userFolder);
  key.WriteValueString("LastTemplate", name);
  key.CloseKey();
}

}  // namespace quillet
