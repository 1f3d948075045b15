#include "reports/tests/TestSupport.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "reports/ReportPaths.h"

namespace quillet::testing {

namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
  std::string tmpl = (fs::temp_directory_path() / "quillet-reports-XXXXXX").string();
  path_ = std::string(::mkdtemp(tmpl.data())) + "/";
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string ScratchDir::Sub(const std::string& name) const {
  fs::create_directories(path_ + name);
  return WithSlash(path_ + name);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec))
    if (e.is_regular_file()) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TestStore::TestStore(const std::string& folder)
    : store_(std::make_unique<CRecordStore>("quillet.dat", folder)) {
  auto settings = std::make_unique<CSettingsRecord>();
  settings->lastRecordId = 1;
  store_->AddNew(std::move(settings));
}

template <class T>
T* TestStore::Add(std::unique_ptr<T> record) {
  record->recordId = next_id_++;
  T* raw = record.get();
  store_->AddNew(std::move(record));
  return raw;
}

uint32_t TestStore::AddCategory(const std::string& name) {
  auto c = std::make_unique<CCategoryRecord>();
  c->name = CpText(name);
  return Add(std::move(c))->recordId;
}

uint32_t TestStore::AddTopic(const std::string& title, uint32_t categoryId) {
  auto links = std::make_unique<CTopicLinksRecord>();
  CTopicLinksRecord* l = Add(std::move(links));
  auto t = std::make_unique<CTopicRecord>();
  t->title = CpText(title);
  t->categoryId = categoryId;
  t->linksId = l->recordId;
  CTopicRecord* topic = Add(std::move(t));
  l->topicId = topic->recordId;
  return topic->recordId;
}

void TestStore::Link(uint32_t topic, uint32_t member) {
  CTopicRecord* t = Topic(topic);
  CTopicLinksRecord* links = RecordAs<CTopicLinksRecord>(Find(t->linksId));
  links->memberIds.push_back(member);
}

void TestStore::AddMissingMember(uint32_t topic, uint32_t id) { Link(topic, id); }

uint32_t TestStore::AddNote(uint32_t topic, const std::string& text, bool isPrivate) {
  auto n = std::make_unique<CNoteRecord>();
  n->text = CpText(text);
  n->isPrivate = isPrivate ? 1 : 0;
  uint32_t id = Add(std::move(n))->recordId;
  Link(topic, id);
  return id;
}

uint32_t TestStore::AddImage(uint32_t topic, const std::string& title, const std::string& fileName,
                             uint32_t format, std::vector<uint8_t> data) {
  auto i = std::make_unique<CImageRecord>();
  i->title = CpText(title);
  i->fileName = fileName;
  i->format = format;
  i->width = 160;
  i->height = 160;
  i->data = std::move(data);
  uint32_t id = Add(std::move(i))->recordId;
  Link(topic, id);
  return id;
}

uint32_t TestStore::AddReference(uint32_t topic, int32_t type, std::vector<std::string> fields) {
  auto r = std::make_unique<CCustomRecord>();
  r->customType = type;
  for (std::string& field : fields) r->fields.emplace_back(std::move(field));
  uint32_t id = Add(std::move(r))->recordId;
  Link(topic, id);
  return id;
}

CRecord* TestStore::Find(uint32_t id) {
  CRecord* r = nullptr;
  store_->FindById(id, &r);
  return r;
}

CTopicRecord* TestStore::Topic(uint32_t id) { return RecordAs<CTopicRecord>(Find(id)); }
CImageRecord* TestStore::Image(uint32_t id) { return RecordAs<CImageRecord>(Find(id)); }

bool FakeImages::WriteJpeg(const std::string& path, uint32_t, uint32_t, const uint8_t*, size_t size) {
  calls.push_back({path, false});
  WriteFile(path, "JPEG " + std::to_string(size));
  return true;
}

bool FakeImages::WriteSketch(const uint8_t*, size_t size, const std::string& path) {
  calls.push_back({path, true});
  WriteFile(path, "SKETCH " + std::to_string(size));
  return true;
}

namespace {

ReportServices MakeServices(ReportRig* rig) {
  ReportServices s;
  s.source = &rig->source;
  s.images = &rig->images;
  s.settings = &rig->settings;
  s.openDocument = [rig](const std::string& path) {
    rig->opened.push_back(path);
    return true;
  };
  return s;
}

}  // namespace

ReportRig::ReportRig()
    : output(dir.Sub("output")),
      themes(dir.Sub("install/template")),
      records(dir.Sub("store")),
      source(&records.store(), [this] { return showPrivate; }),
      builder(MakeServices(this)) {
  settings.config.outputPath = output;
  settings.config.templatePath = themes;
  settings.config.installPath = dir.path() + "install/";
  settings.config.lastTemplate = "t.htm";
  settings.config.author = "Ann Author";
}

std::string ReportRig::Expand(uint32_t topic, const std::string& theme) {
  ReportExpander& e = builder.expander();
  e.SetConfig(settings.config);
  e.SetCurrentTopic(topic);
  e.ClearBlocks();
  e.PushBlock(kBlockDocument);
  std::vector<char> out(kReportBufferSize);
  size_t n = e.expand(theme.data(), theme.size(), out.data(), out.size());
  e.PopBlock();
  return std::string(out.data(), n);
}

std::string ReportRig::Build(uint32_t topic, const std::string& theme, const std::string& name) {
  WriteFile(themes + name, theme);
  builder.make_report(name, topic);
  return ReportOf(topic);
}

std::string ReportRig::ReportOf(uint32_t topic) {
  CTopicRecord* t = records.Topic(topic);
  if (t == nullptr || t->fileName.empty()) return "";
  return ReadFile(output + t->fileName);
}

}  // namespace quillet::testing
