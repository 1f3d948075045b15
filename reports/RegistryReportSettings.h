// The report settings as the program keeps them: "InstallPath" in the
// program key, the rest in the current user's key.
#pragma once

#include "reports/ReportSource.h"

namespace quillet {

class RegistryReportSettings : public IReportSettings {
 public:
  ReportConfig Read() override;
  // Stores "LastTemplate" for the current user and keeps it in AppPaths.
  void StoreLastTemplate(const std::string& name) override;
};

}  // namespace quillet
