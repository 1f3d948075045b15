// quillet-cli as a script sees it: the exact output lines and exit codes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "store/RecordKinds.h"
#include "store/RecordStore.h"

namespace quillet {
namespace {

struct CliRun {
  int exitCode = -1;
  std::string out;
};

// Runs quillet-cli with `args` (already shell-quoted); stderr is discarded.
CliRun Cli(const std::string& args) {
  std::string cmd = std::string(QUILLET_BIN_DIR) + "/quillet-cli " + args + " 2>/dev/null";
  CliRun r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int status = pclose(p);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/cli-test-XXXXXX";
    dir_ = mkdtemp(tmpl);
  }
  void TearDown() override { std::system(("chmod -R u+w '" + dir_ + "'; rm -rf '" + dir_ + "'").c_str()); }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  // A store with two topics, notes and a reference, for find.
  std::string MakeSampleStore() {
    CRecordStore store("sample.dat", dir_);
    auto settings = std::make_unique<CSettingsRecord>();
    settings->lastRecordId = 20;
    store.AddNew(std::move(settings));
    auto topic = [&](uint32_t id, const char* title) {
      auto t = std::make_unique<CTopicRecord>();
      t->recordId = id;
      t->title = title;
      store.AddNew(std::move(t));
    };
    auto note = [&](uint32_t id, const char* text, bool priv) {
      auto n = std::make_unique<CNoteRecord>();
      n->recordId = id;
      n->text = text;
      n->isPrivate = priv ? 1 : 0;
      store.AddNew(std::move(n));
    };
    note(3, "Tomatoes need sun\nand water", false);
    topic(4, "Garden plans");
    note(5, "secret garden key", true);
    auto ref = std::make_unique<CCustomRecord>();
    ref->recordId = 6;
    ref->customType = -1;
    ref->fields = {"The Garden Book", "A. Gardener", "", "", "1999", "", ""};
    store.AddNew(std::move(ref));
    topic(7, "Kitchen");
    note(8, "Buy gardening gloves", false);
    note(9, "Caf\xe9 \x80 list", false);  // Windows-1252 bytes
    EXPECT_EQ(store.Save(), DB_OK);
    return store.path();
  }

  std::string dir_;
};

TEST_F(CliTest, NewWritesTheFreshStoreThatCheckAccepts) {
  const std::string f = Path("quillet.dat");
  CliRun r = Cli("new '" + f + "'");
  EXPECT_EQ(r.exitCode, 0);
  const std::string bytes = ReadFile(f);
  ASSERT_EQ(bytes.size(), 66u);
  EXPECT_EQ(bytes.substr(0, 12), std::string("\0\0\0\1\1\0\0\0\0\0\0\0", 12));
  EXPECT_EQ(bytes.substr(62), "DATA");
  EXPECT_EQ(bytes[8 + 4 + 32], 1);  // lastRecordId: header, kind, then body offset 32

  r = Cli("check '" + f + "'");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "result 0 DB_OK\nrecords 1\n");
}

TEST_F(CliTest, CheckReportsDamageWithTheStoreCode) {
  const std::string f = Path("quillet.dat");
  ASSERT_EQ(Cli("new '" + f + "'").exitCode, 0);
  std::string bytes = ReadFile(f);
  // Claim three records where one is stored.
  bytes[4] = 3;
  std::ofstream(f, std::ios::binary | std::ios::trunc) << bytes;
  CliRun r = Cli("check '" + f + "'");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "result 4375 DB_ERR_EOF\nrecords 1\n");

  std::ofstream(Path("bad.dat"), std::ios::binary) << std::string("\0\0\0\2\0\0\0\0", 8);
  r = Cli("check '" + Path("bad.dat") + "'");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "result 4393 DB_ERR_BAD_FORMAT\nrecords 0\n");

  EXPECT_EQ(Cli("check '" + Path("missing.dat") + "'").exitCode, 2);
  EXPECT_EQ(Cli("check").exitCode, 2);
  EXPECT_EQ(Cli("nosuchcommand").exitCode, 2);
}

TEST_F(CliTest, RoundtripIsByteForByteAndAFailedSaveSaysSo) {
  const std::string in = MakeSampleStore();
  CliRun r = Cli("roundtrip '" + in + "' '" + Path("copy.dat") + "'");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "load 0 DB_OK\nsave 0 DB_OK\n");
  EXPECT_EQ(ReadFile(in), ReadFile(Path("copy.dat")));

  // A folder nobody may write to (root ignores modes, so only check when
  // the folder really refuses us).
  mkdir(Path("ro").c_str(), 0500);
  if (access(Path("ro").c_str(), W_OK) != 0) {
    r = Cli("roundtrip '" + in + "' '" + Path("ro/copy.dat") + "'");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("save 4373 DB_ERR_OPEN"), std::string::npos) << r.out;
  }
  r = Cli("roundtrip '" + in + "' '" + Path("no/such/folder/copy.dat") + "'");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out.rfind("load 0 DB_OK\nsave ", 0), 0u) << r.out;
  EXPECT_EQ(r.out.find("save 0 "), std::string::npos) << r.out;
}

TEST_F(CliTest, FindListsTopicsReferencesNotesInFillOrder) {
  const std::string f = MakeSampleStore();
  CliRun r = Cli("find --store '" + f + "' --rule any garden");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out,
            "topic 4 Garden plans\n"
            "reference 6 The Garden Book\n"
            "note 8 Buy gardening gloves\n");

  r = Cli("find --store '" + f + "' --rule any --show-private garden");
  EXPECT_NE(r.out.find("note 5 secret garden key\n"), std::string::npos) << r.out;

  r = Cli("find --store '" + f + "' --rule all 'tomatoes,water'");
  EXPECT_EQ(r.out, "note 3 Tomatoes need sun\n");

  r = Cli("find --store '" + f + "' --rule exact 'garden'");
  EXPECT_EQ(r.out, "0 Records Found\n");
  r = Cli("find --store '" + f + "' --rule exact 'KITCHEN'");
  EXPECT_EQ(r.out, "topic 7 Kitchen\n");

  r = Cli("find --store '" + f + "' --rule any --kinds note garden");
  EXPECT_EQ(r.out, "note 8 Buy gardening gloves\n");

  EXPECT_EQ(Cli("find --store '" + f + "' --rule maybe garden").exitCode, 2);
  EXPECT_EQ(Cli("find --rule any garden").exitCode, 2);
}

TEST_F(CliTest, DumpJsonCarriesEveryRecordAndConvertsText) {
  const std::string f = MakeSampleStore();
  CliRun r = Cli("dump '" + f + "' --json");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("\"recordCount\": 8"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Tomatoes need sun\\nand water"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"The Garden Book\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Caf\xc3\xa9 \xe2\x82\xac list"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace quillet
