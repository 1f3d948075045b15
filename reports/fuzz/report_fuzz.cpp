// libFuzzer target: the theme engine and the report builder. The input is a
// theme and a record store: the bytes up to the first zero byte are the
// theme, the rest builds one topic with its members (category, notes,
// pictures, sketches, references, missing and private members, any texts
// and file names). A build must never crash, and must never put anything
// anywhere but into the output folder, under plain names, as regular files.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/UserInterface.h"
#include "reports/ImagingWriter.h"
#include "reports/PostProcess.h"
#include "reports/ReportBuilder.h"
#include "reports/ReportPaths.h"
#include "reports/StoreReportSource.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"

namespace {

using namespace quillet;

// Answers every question without showing or keeping anything.
class SilentUI : public IUserInterface {
 public:
  int ShowMessage(const MessageRequest&) override { return kIdOk; }
  int ShowInfoDialog(int) override { return kIdOk; }
  bool AskPassword(int, std::string*) override { return false; }
  bool ChooseOpenFile(const FileDialogRequest&, std::string*) override { return false; }
  bool ChooseSaveFile(const FileDialogRequest&, std::string*) override { return false; }
  bool ChooseFolder(const std::string&, std::string*) override { return false; }
  bool SetClipboardText(const std::string&) override { return true; }
  bool GetClipboardText(std::string*) override { return false; }
};

struct Folders {
  std::string root, output, themes, store;
  Folders() {
    char tmpl[] = "/tmp/quillet-report-fuzz-XXXXXX";
    root = std::string(::mkdtemp(tmpl)) + "/";
    output = root + "output/";
    themes = root + "themes/";
    store = root + "store/";
    for (const std::string& d : {output, themes, store}) ::mkdir(d.c_str(), 0700);
    // A picture the themes may show.
    if (FILE* f = std::fopen((themes + "logo.gif").c_str(), "wb")) {
      std::fputs("GIF89a", f);
      std::fclose(f);
    }
  }
};

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(folder.c_str())) {
    while (dirent* e = ::readdir(d))
      if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
    ::closedir(d);
  }
  return names;
}

// Reads the record script.
class Script {
 public:
  Script(const uint8_t* p, size_t n) : p_(p), n_(n) {}
  bool more() const { return at_ < n_; }
  uint8_t Byte() { return at_ < n_ ? p_[at_++] : 0; }
  std::string Text() {
    size_t len = Byte();
    if (len == 255) len = 255 + 4 * size_t(Byte());  // now and then a long one
    if (len > n_ - at_) len = n_ - at_;
    std::string s(reinterpret_cast<const char*>(p_ + at_), len);
    at_ += len;
    return s;
  }

 private:
  const uint8_t* p_;
  size_t n_;
  size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Folders folders;
  static SilentUI ui;
  SetUI(&ui);

  size_t cut = 0;
  while (cut < size && data[cut] != 0) ++cut;
  const std::string theme(reinterpret_cast<const char*>(data), cut);
  Script script(data + std::min(cut + 1, size), size - std::min(cut + 1, size));

  CRecordStore store("quillet.dat", folders.store);
  uint32_t next_id = 2;
  auto settings = std::make_unique<CSettingsRecord>();
  settings->lastRecordId = 1;
  store.AddNew(std::move(settings));
  auto add = [&](std::unique_ptr<CRecord> r) {
    r->recordId = next_id++;
    uint32_t id = r->recordId;
    store.AddNew(std::move(r));
    return id;
  };
  auto category = std::make_unique<CCategoryRecord>();
  category->name = CpText(script.Text());
  const uint32_t category_id = add(std::move(category));
  auto links_owned = std::make_unique<CTopicLinksRecord>();
  CTopicLinksRecord* links = links_owned.get();
  add(std::move(links_owned));
  auto topic_owned = std::make_unique<CTopicRecord>();
  topic_owned->title = CpText(script.Text());
  topic_owned->fileName = script.Text();
  topic_owned->categoryId = (script.Byte() & 1) ? category_id : 0;
  topic_owned->linksId = links->recordId;
  const uint32_t topic = add(std::move(topic_owned));
  links->topicId = topic;

  for (int count = 0; script.more() && count < 64; ++count) {
    const uint8_t op = script.Byte();
    std::unique_ptr<CRecord> member;
    switch (op % 5) {
      case 0: {
        auto n = std::make_unique<CNoteRecord>();
        n->text = CpText(script.Text());
        member = std::move(n);
        break;
      }
      case 1:
      case 2: {
        auto i = std::make_unique<CImageRecord>();
        i->title = CpText(script.Text());
        i->fileName = script.Text();
        i->format = op % 5 == 1 ? kImageFormatJpeg : kImageFormatSketch;
        std::string bytes = script.Text();
        i->data.assign(bytes.begin(), bytes.end());
        i->width = script.Byte();
        i->height = script.Byte();
        member = std::move(i);
        break;
      }
      case 3: {
        auto r = std::make_unique<CCustomRecord>();
        r->customType = -1 - static_cast<int32_t>(script.Byte() % 7);
        for (int f = script.Byte() % 9; f > 0; --f) r->fields.emplace_back(script.Text());
        member = std::move(r);
        break;
      }
      default:
        links->memberIds.push_back(0xFFFF0000u + op);  // names no record
        continue;
    }
    member->isPrivate = (op & 0x80) ? 1 : 0;
    links->memberIds.push_back(add(std::move(member)));
  }

  // One builder for the whole run, as in the program (its 800 KB buffers
  // are made once); the store is this input's.
  struct Settings : IReportSettings {
    ReportConfig config;
    ReportConfig Read() override { return config; }
    void StoreLastTemplate(const std::string& name) override { config.lastTemplate = name; }
  };
  static StoreReportSource source(static_cast<CRecordStore*>(nullptr), [] { return true; });
  static ImagingWriter images;
  static Settings report_settings;
  static ReportBuilder* builder_ptr = [] {
    report_settings.config.outputPath = folders.output;
    report_settings.config.templatePath = folders.themes;
    report_settings.config.installPath = folders.root;
    report_settings.config.lastTemplate = "t.htm";
    report_settings.config.author = "A \"fuzzed\" <author>";
    ReportServices services;
    services.source = &source;
    services.images = &images;
    services.settings = &report_settings;
    services.refillThemeBox = [] { return std::string("t.htm"); };
    return new ReportBuilder(services);
  }();
  ReportBuilder& builder = *builder_ptr;
  source.SetStore(&store);

  if (FILE* f = std::fopen((folders.themes + "t.htm").c_str(), "wb")) {
    std::fwrite(theme.data(), 1, theme.size(), f);
    std::fclose(f);
  }
  builder.make_report("t.htm", topic);
  const std::string report = builder.ReportPath(topic);
  std::vector<std::string> names;
  if (!report.empty()) collect_references(report, folders.themes, folders.output, &names);

  // Nothing was made beside the three folders; everything in the output
  // folder is a regular file under a plain name.
  if (Entries(folders.root).size() != 3) std::abort();
  for (const std::string& name : Entries(folders.output)) {
    struct stat st;
    if (!IsPlainDiskName(name) || ::lstat((folders.output + name).c_str(), &st) != 0 ||
        !S_ISREG(st.st_mode))
      std::abort();
    ::unlink((folders.output + name).c_str());
  }
  for (const std::string& name : names)
    if (!IsPlainDiskName(name)) std::abort();
  source.SetStore(nullptr);
  SetUI(nullptr);
  return 0;
}
