// A record windows' host for tests: records what was asked.
#pragma once

#include <cstdint>
#include <vector>

#include "desktop/records/WindowHost.h"

namespace quillet {

class RecordingHost : public IWindowHost {
 public:
  std::vector<uint32_t> commands;
  std::vector<uint32_t> reports;
  int imageListRefreshes = 0;
  int categoryRefills = 0;
  int64_t mainCategory = -1;
  ITopicTreeOps* tree = nullptr;

  void SendCommand(uint32_t command) override { commands.push_back(command); }
  void RebuildReport(uint32_t topicId) override { reports.push_back(topicId); }
  void RefreshImageLists() override { ++imageListRefreshes; }
  void RefillCategoryLists() override { ++categoryRefills; }
  int64_t MainCategory() const override { return mainCategory; }
  ITopicTreeOps* Tree() override { return tree; }
};

}  // namespace quillet
