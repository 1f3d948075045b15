#include "testing/WindowsTestSupport.h"

#include <sys/stat.h>

#include <fstream>
#include <memory>

#include "base/AppPaths.h"
#include "base/RegistryKey.h"
#include "desktop/db/CurrentDatabase.h"
#include "imaging/JpegFile.h"
#include "store/PrivateRecords.h"

namespace quillet::testing {

std::vector<uint8_t> MakeJpeg(int width, int height, int seed) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
      p[0] = static_cast<uint8_t>(x * 255 / (width > 1 ? width - 1 : 1));
      p[1] = static_cast<uint8_t>(y * 255 / (height > 1 ? height - 1 : 1));
      p[2] = static_cast<uint8_t>((seed * 37 + x + y) & 0xFF);
    }
  std::vector<uint8_t> out(static_cast<size_t>(width) * height * 3 + 4096);
  if (JpegFile::write_rgb_memory(out.data(), out.size(), rgb.data(), width, height, true, 75) != 1)
    return {};
  out.resize(JpegFile::jpeg_memory_size());
  return out;
}

StoreFixture::StoreFixture() {
  output = registry.MakeDir("Palm/Ann/Quillet");
  CRegistryKey key;
  key.OpenProgramKey("Ann/");
  key.WriteValueString("OutputPath", output);
  AppPaths.Clear();
  AppPaths.userFolder = "Ann/";
  AppPaths.outputFolder = output;
  bShowPrivate = 0;
  EnsureStoreFile("Ann/");
  opened = OpenUserStore("Ann/");
  ui.dialogs.clear();
  ui.messages.clear();
}

StoreFixture::~StoreFixture() {
  DeleteCurrentStore();
  AppPaths.Clear();
  bShowPrivate = 0;
}

bool StoreFixture::Reopen() { return OpenUserStore("Ann/"); }

uint32_t StoreFixture::AddCategory(const std::string& name) {
  auto c = std::make_unique<CCategoryRecord>();
  c->recordId = NextRecordId();
  c->name = CpText(name);
  uint32_t id = c->recordId;
  pDB->AddNew(std::move(c));
  return id;
}

uint32_t StoreFixture::AddTopic(const std::string& title, uint32_t categoryId, bool isPrivate) {
  auto t = std::make_unique<CTopicRecord>();
  auto l = std::make_unique<CTopicLinksRecord>();
  t->recordId = NextRecordId();
  l->recordId = NextRecordId();
  t->linksId = l->recordId;
  l->topicId = t->recordId;
  t->title = CpText(title);
  t->categoryId = categoryId;
  t->isPrivate = isPrivate ? 1 : 0;
  t->fileName = "page" + std::to_string(t->recordId) + ".htm";
  uint32_t id = t->recordId;
  pDB->AddNew(std::move(t));
  pDB->AddNew(std::move(l));
  return id;
}

static uint32_t AddMember(uint32_t topicId, std::unique_ptr<CRecord> record, StoreFixture* f) {
  record->recordId = NextRecordId();
  uint32_t id = record->recordId;
  pDB->AddNew(std::move(record));
  if (CTopicLinksRecord* links = f->LinksOf(topicId)) links->memberIds.push_back(id);
  return id;
}

uint32_t StoreFixture::AddNote(uint32_t topicId, const std::string& text, bool isPrivate) {
  auto n = std::make_unique<CNoteRecord>();
  n->text = CpText(text);
  n->isPrivate = isPrivate ? 1 : 0;
  return AddMember(topicId, std::move(n), this);
}

uint32_t StoreFixture::AddImage(uint32_t topicId, const std::string& title,
                                std::vector<uint8_t> data, uint32_t format,
                                const std::string& fileName) {
  auto i = std::make_unique<CImageRecord>();
  i->title = CpText(title);
  i->data = std::move(data);
  i->format = format;
  i->fileName = fileName;
  return AddMember(topicId, std::move(i), this);
}

uint32_t StoreFixture::AddReference(uint32_t topicId, const std::string& title) {
  auto c = std::make_unique<CCustomRecord>();
  c->customType = kCustomInternet;
  c->fields = {CpText(title), "http://example.org/"_cp, ""_cp};
  return AddMember(topicId, std::move(c), this);
}

CTopicLinksRecord* StoreFixture::LinksOf(uint32_t topicId) {
  return FindLinksOfTopic(FindTopic(topicId));
}

std::vector<uint32_t> StoreFixture::MembersOf(uint32_t topicId) {
  CTopicLinksRecord* links = LinksOf(topicId);
  return links ? links->memberIds : std::vector<uint32_t>{};
}

void StoreFixture::Touch(const std::string& path) { std::ofstream(path) << "x"; }

bool StoreFixture::Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

}  // namespace quillet::testing
