// Test helpers for the record windows (GoogleTest and Qt Test alike): a user "Ann/" with an output folder
// in a temporary registry, her store open as pDB, a recording form and a
// recording host, and builders for the records a tree shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/UserInterface.h"
#include "desktop/records/WindowHost.h"
#include "store/RecordKinds.h"
#include "testing/RecordingHost.h"
#include "testing/RecordingUI.h"
#include "testing/TempRegistry.h"

namespace quillet::testing {

// A small colour JPEG of the given size (its pixels depend on `seed`).
std::vector<uint8_t> MakeJpeg(int width, int height, int seed = 0);

class StoreFixture {
 public:
  StoreFixture();
  ~StoreFixture();
  StoreFixture(const StoreFixture&) = delete;
  StoreFixture& operator=(const StoreFixture&) = delete;

  uint32_t AddCategory(const std::string& name);
  // A topic with its links record.
  uint32_t AddTopic(const std::string& title, uint32_t categoryId = 0, bool isPrivate = false);
  uint32_t AddNote(uint32_t topicId, const std::string& text, bool isPrivate = false);
  uint32_t AddImage(uint32_t topicId, const std::string& title, std::vector<uint8_t> data,
                    uint32_t format = kImageFormatJpeg, const std::string& fileName = "");
  uint32_t AddReference(uint32_t topicId, const std::string& title);
  CTopicLinksRecord* LinksOf(uint32_t topicId);
  std::vector<uint32_t> MembersOf(uint32_t topicId);
  // Writes a file into the output folder (or any path) for deletion tests.
  static void Touch(const std::string& path);
  static bool Exists(const std::string& path);
  bool Reopen();  // saves nothing; loads the store file again

  TempRegistry registry;
  std::string output;  // the output folder, ending in '/'
  bool opened = false;  // the store opened
  RecordingUI ui;
  RecordingHost host;

 private:
  ScopedUI ui_scope_{&ui};
  ScopedWindowHost host_scope_{&host};
};

}  // namespace quillet::testing
