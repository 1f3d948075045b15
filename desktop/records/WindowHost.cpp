#include "desktop/records/WindowHost.h"

#include <unistd.h>

#include "base/AppPaths.h"
#include "base/RegistryKey.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/db/CurrentDatabase.h"
#include "reports/ReportPaths.h"

namespace quillet {
namespace {

class QuietHost : public IWindowHost {
 public:
  void SendCommand(uint32_t) override {}
  void RebuildReport(uint32_t) override {}
  void RefreshImageLists() override {}
  void RefillCategoryLists() override {}
  int64_t MainCategory() const override { return -1; }
  ITopicTreeOps* Tree() override { return nullptr; }
};

QuietHost g_quiet_host;
IWindowHost* g_host = &g_quiet_host;

}  // namespace

IWindowHost& WindowHost() { return *g_host; }

IWindowHost* SetWindowHost(IWindowHost* host) {
  IWindowHost* previous = g_host;
  g_host = host ? host : &g_quiet_host;
  return previous == &g_quiet_host ? nullptr : previous;
}

bool SaveStoreOrTell() {
  const DbResult rc = pDB != nullptr ? pDB->Save() : DB_ERR_NO_NAME;
  if (rc == DB_OK) return true;
  TellSaveFailed(pDB, rc);
  return false;
}

std::string CurrentOutputFolder() {
  std::string output;
  if (!AppPaths.userFolder.empty()) {
    CRegistryKey key;
    key.OpenProgramKey(AppPaths.userFolder);
    key.ReadValueString("OutputPath", &output, kPathBufferSize);
  }
  if (output.empty()) output = AppPaths.outputFolder;
  return WithSlash(output);
}

bool RemoveOutputFile(const std::string& folder, const std::string& fileName) {
  if (folder.empty() || !IsPlainFileName(fileName)) return false;
  return ::unlink((WithSlash(folder) + OutputFileName(fileName)).c_str()) == 0;
}

}  // namespace quillet
