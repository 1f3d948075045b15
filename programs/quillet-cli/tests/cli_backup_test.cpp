// quillet-cli backup, run as a user runs it: its output lines, exit codes
// and what it leaves in the backups folder and the store.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <memory>
#include <regex>
#include <sstream>

#include "store/RecordKinds.h"
#include "store/RecordStore.h"
#include "store/tests/StoreTestUtil.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::ReadAll;
using testing::ScratchDir;
using testing::WriteAll;

struct Outcome {
  int exit_code = -1;
  std::vector<std::string> lines;
  std::string err;
};

std::string Quote(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

void WriteStore(const std::string& path, int topics, int notes, int pictures, int references) {
  CRecordStore store(path, "");
  auto settings = std::make_unique<CSettingsRecord>();
  settings->lastRecordId = 90;
  store.AddNew(std::move(settings));
  uint32_t id = 1;
  for (int i = 0; i < topics; ++i) {
    auto t = std::make_unique<CTopicRecord>();
    t->recordId = ++id;
    store.AddNew(std::move(t));
  }
  for (int i = 0; i < notes; ++i) {
    auto n = std::make_unique<CNoteRecord>();
    n->recordId = ++id;
    store.AddNew(std::move(n));
  }
  for (int i = 0; i < pictures + 1; ++i) {  // and one sketch
    auto image = std::make_unique<CImageRecord>();
    image->recordId = ++id;
    image->format = i < pictures ? kImageFormatJpeg : kImageFormatSketch;
    store.AddNew(std::move(image));
  }
  for (int i = 0; i < references; ++i) {
    auto r = std::make_unique<CCustomRecord>();
    r->recordId = ++id;
    r->customType = kCustomInternet;
    r->fields.assign(3, "www"_cp);
    store.AddNew(std::move(r));
  }
  // Exactly these records, whatever the file held (a save would merge).
  ASSERT_EQ(store.SaveTo(path), DB_OK);
}

class CliBackupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_.File("My Stores"));
    store_ = dir_.File("My Stores/quillet.dat");
    data_ = dir_.File("data");
  }

  // Runs quillet-cli with its own data folder and settings file.
  Outcome Cli(const std::vector<std::string>& args) {
    std::string cmd = "XDG_DATA_HOME=" + Quote(data_) + " QUILLET_REGISTRY=" + Quote(dir_.File("registry.db")) +
                      " " + std::string(QUILLET_BIN_DIR) + "/quillet-cli";
    for (const auto& a : args) cmd += " " + Quote(a);
    cmd += " 2>" + Quote(dir_.File("stderr.txt"));
    Outcome o;
    FILE* p = ::popen(cmd.c_str(), "r");
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    const int status = ::pclose(p);
    o.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) o.lines.push_back(line);
    const Bytes err = ReadAll(dir_.File("stderr.txt"));
    o.err.assign(err.begin(), err.end());
    return o;
  }

  std::string Folder() {
    const std::string root = data_ + "/quillet/backups";
    if (!fs::exists(root)) return "";
    for (const auto& e : fs::directory_iterator(root)) return e.path().string();
    return "";
  }

  ScratchDir dir_;
  std::string store_, data_;
};

TEST_F(CliBackupTest, CreatePrintsTheCopyAndListShowsItsCounts) {
  WriteStore(store_, 2, 3, 1, 4);
  Outcome created = Cli({"backup", "create", "--store", store_});
  ASSERT_EQ(created.exit_code, 0) << created.err;
  ASSERT_EQ(created.lines.size(), 1u);
  const std::string copy = created.lines[0];
  EXPECT_EQ(ReadAll(copy), ReadAll(store_));
  // Filed by the store's folder name and a digest of its path.
  const std::string folder = fs::path(copy).parent_path().string();
  EXPECT_EQ(fs::path(folder).parent_path().string(), data_ + "/quillet/backups");
  EXPECT_TRUE(std::regex_match(fs::path(folder).filename().string(), std::regex("My Stores-[0-9a-f]{8}")));
  EXPECT_TRUE(std::regex_match(fs::path(copy).filename().string(),
                               std::regex(R"(quillet-\d{8}-\d{6}\.dat)")));

  // The same contents again: the same copy, nothing new.
  Outcome again = Cli({"backup", "create", "--store", store_});
  ASSERT_EQ(again.exit_code, 0);
  EXPECT_EQ(again.lines, created.lines);

  Outcome list = Cli({"backup", "list", "--store", store_});
  ASSERT_EQ(list.exit_code, 0) << list.err;
  ASSERT_EQ(list.lines.size(), 1u);
  // PATH TIME RECORDS TOPICS NOTES PICTURES REFERENCES: settings + 2 + 3 + 2 images + 4.
  std::smatch m;
  ASSERT_TRUE(std::regex_match(list.lines[0], m,
                               std::regex(R"((.*) (\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ) 12 2 3 1 4)")))
      << list.lines[0];
  EXPECT_EQ(m[1].str(), copy);
  const std::string name = fs::path(copy).filename().string();  // quillet-YYYYMMDD-HHMMSS.dat
  EXPECT_EQ(m[2].str(), name.substr(8, 4) + "-" + name.substr(12, 2) + "-" + name.substr(14, 2) + "T" +
                            name.substr(17, 2) + ":" + name.substr(19, 2) + ":" + name.substr(21, 2) + "Z");
}

TEST_F(CliBackupTest, RestorePutsTheCopyBackAndKeepsTheReplacedFile) {
  WriteStore(store_, 3, 0, 0, 0);
  const Bytes three = ReadAll(store_);
  const std::string copy = Cli({"backup", "create", "--store", store_}).lines.at(0);
  WriteStore(store_, 0, 0, 0, 0);
  const Bytes none = ReadAll(store_);

  Outcome restored = Cli({"backup", "restore", "--store", store_, copy});
  ASSERT_EQ(restored.exit_code, 0) << restored.err;
  EXPECT_EQ(ReadAll(store_), three);
  ASSERT_EQ(restored.lines.size(), 1u);
  EXPECT_EQ(ReadAll(restored.lines[0]), none);

  // Both copies are listed, newest (or same second, higher digit) first.
  Outcome list = Cli({"backup", "list", "--store", store_});
  ASSERT_EQ(list.lines.size(), 2u);
  EXPECT_EQ(list.lines[0].substr(0, restored.lines[0].size()), restored.lines[0]);
  EXPECT_EQ(list.lines[1].substr(0, copy.size()), copy);
}

TEST_F(CliBackupTest, ADamagedCopyIsListedAsDamagedAndRefused) {
  WriteStore(store_, 1, 1, 0, 0);
  const std::string copy = Cli({"backup", "create", "--store", store_}).lines.at(0);
  const std::string folder = fs::path(copy).parent_path().string();
  const std::string broken = folder + "/quillet-20200101-101010.dat";
  WriteAll(broken, {0, 0, 0, 1, 3, 0, 0, 0, 4, 0});
  const Bytes before = ReadAll(store_);

  Outcome list = Cli({"backup", "list", "--store", store_});
  ASSERT_EQ(list.exit_code, 0);
  ASSERT_EQ(list.lines.size(), 2u);
  EXPECT_EQ(list.lines[1], broken + " 2020-01-01T10:10:10Z damaged");

  Outcome refused = Cli({"backup", "restore", "--store", store_, broken});
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_TRUE(refused.lines.empty());
  EXPECT_EQ(refused.err, "quillet-cli: backup: the backup is damaged; the store was not changed\n");
  EXPECT_EQ(ReadAll(store_), before);
  EXPECT_EQ(Cli({"backup", "list", "--store", store_}).lines.size(), 2u);
}

TEST_F(CliBackupTest, FailuresExitOneAndBadArgumentsTwo) {
  // No store file.
  Outcome missing = Cli({"backup", "create", "--store", store_});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_EQ(missing.err, "quillet-cli: backup: the store file does not exist\n");
  // Nothing kept yet: an empty list.
  Outcome empty = Cli({"backup", "list", "--store", store_});
  EXPECT_EQ(empty.exit_code, 0);
  EXPECT_TRUE(empty.lines.empty());

  // A backups folder that is a symbolic link.
  WriteStore(store_, 1, 0, 0, 0);
  fs::create_directories(data_ + "/quillet");
  fs::create_directories(dir_.File("elsewhere"));
  fs::create_directory_symlink(dir_.File("elsewhere"), data_ + "/quillet/backups");
  Outcome linked = Cli({"backup", "create", "--store", store_});
  EXPECT_EQ(linked.exit_code, 1);
  EXPECT_NE(linked.err.find("symbolic link"), std::string::npos);
  EXPECT_TRUE(fs::is_empty(dir_.File("elsewhere")));
  EXPECT_EQ(Cli({"backup", "list", "--store", store_}).exit_code, 1);

  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"backup"},
           {"backup", "create"},
           {"backup", "copy", "--store", store_},
           {"backup", "list", "--store"},
           {"backup", "restore", "--store", store_},
           {"backup", "create", "--store", store_, "extra"},
           {"backup", "list", "--store", store_, "--all"}}) {
    Outcome bad = Cli(args);
    EXPECT_EQ(bad.exit_code, 2) << args.size();
    EXPECT_TRUE(bad.lines.empty());
  }
  Outcome help = Cli({"backup", "--help"});
  EXPECT_EQ(help.exit_code, 0);
  ASSERT_FALSE(help.lines.empty());
  EXPECT_EQ(help.lines[0], "quillet-cli backup create|list|restore --store FILE [BACKUP]");
}

}  // namespace
}  // namespace quillet
