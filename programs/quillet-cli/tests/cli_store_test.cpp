// quillet-cli's store subcommands, run as a user runs them: output lines,
// exit codes, text conversion.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "store/RecordKinds.h"
#include "store/RecordStore.h"
#include "store/tests/StoreTestUtil.h"

namespace quillet {
namespace {

using testing::Bytes;
using testing::ReadAll;
using testing::ScratchDir;
using testing::WriteAll;

struct Outcome {
  int exit_code;
  std::string out;
  std::string err;
};

std::string Quote(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

Outcome Cli(const ScratchDir& dir, const std::vector<std::string>& args) {
  std::string cmd = std::string(QUILLET_BIN_DIR) + "/quillet-cli";
  for (const auto& a : args) cmd += " " + Quote(a);
  cmd += " 2>" + Quote(dir.File("stderr.txt"));
  Outcome o{};
  FILE* p = ::popen(cmd.c_str(), "r");
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) o.out.append(buf, n);
  int status = ::pclose(p);
  o.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  Bytes err = ReadAll(dir.File("stderr.txt"));
  o.err.assign(err.begin(), err.end());
  return o;
}

// A small store: a category, a private and a public note, a topic, an image.
std::string SampleStore(const ScratchDir& dir) {
  CRecordStore store("sample.dat", dir.path());
  auto settings = std::make_unique<CSettingsRecord>();
  settings->lastRecordId = 7;
  store.AddNew(std::move(settings));
  auto cat = std::make_unique<CCategoryRecord>();
  cat->recordId = 2;
  cat->name = CpText("Caf\xE9s");  // Windows-1252 e-acute
  store.AddNew(std::move(cat));
  auto topic = std::make_unique<CTopicRecord>();
  topic->recordId = 3;
  topic->categoryId = 2;
  topic->title = CpText("Paris \x93guide\x94");
  store.AddNew(std::move(topic));
  auto note = std::make_unique<CNoteRecord>();
  note->recordId = 4;
  note->text = "guide line one\nline \"two\""_cp;
  store.AddNew(std::move(note));
  auto secret = std::make_unique<CNoteRecord>();
  secret->recordId = 5;
  secret->text = "secret guide"_cp;
  secret->isPrivate = 1;
  store.AddNew(std::move(secret));
  auto image = std::make_unique<CImageRecord>();
  image->recordId = 6;
  image->title = "Guide map"_cp;
  image->format = kImageFormatSketch;
  image->data = {'a', 'b', 'c'};
  store.AddNew(std::move(image));
  EXPECT_EQ(store.Save(), DB_OK);
  return store.path();
}

TEST(CliStore, NewWritesTheFreshStoreAndRefusesToOverwrite) {
  ScratchDir dir;
  const std::string file = dir.File("q.dat");
  Outcome o = Cli(dir, {"new", file});
  EXPECT_EQ(o.exit_code, 0);
  EXPECT_EQ(o.out, "result 0 DB_OK\n");
  EXPECT_EQ(ReadAll(file).size(), 66u);
  o = Cli(dir, {"new", file});
  EXPECT_EQ(o.exit_code, 2);
  EXPECT_NE(o.err.find("exists"), std::string::npos);
  EXPECT_EQ(ReadAll(file).size(), 66u);
  o = Cli(dir, {"check", file});
  EXPECT_EQ(o.exit_code, 0);
  EXPECT_EQ(o.out, "result 0 DB_OK\nrecords 1\n");
}

// Writes a file dated long ago: a load reads a file that fails again and
// again while it may still be being written (for up to the lock wait);
// one nobody has written to for long is judged at once.
void WriteSettled(const std::string& path, const Bytes& bytes) {
  WriteAll(path, bytes);
  const struct timespec long_ago[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), long_ago, 0), 0);
}

TEST(CliStore, CheckReportsDamageAndUnreadableFiles) {
  ScratchDir dir;
  Bytes bytes = ReadAll(SampleStore(dir));
  // Only the last marker cut off: every record is whole.
  Bytes marker_cut(bytes.begin(), bytes.end() - 3);
  WriteSettled(dir.File("cut.dat"), marker_cut);
  Outcome o = Cli(dir, {"check", dir.File("cut.dat")});
  EXPECT_EQ(o.exit_code, 0);
  EXPECT_EQ(o.out, "result 0 DB_OK\nrecords 6\n");
  // The last record's body cut off is damage like any other cut body; what
  // was read of it is still counted.
  bytes.resize(bytes.size() - 10);
  WriteSettled(dir.File("cut.dat"), bytes);
  o = Cli(dir, {"check", dir.File("cut.dat")});
  EXPECT_EQ(o.exit_code, 1);
  EXPECT_EQ(o.out, "result 4375 DB_ERR_EOF\nrecords 6\n");
  // One record more announced than the file holds: its kind read fails.
  bytes[4] += 1;
  WriteSettled(dir.File("cut.dat"), bytes);
  o = Cli(dir, {"check", dir.File("cut.dat")});
  EXPECT_EQ(o.exit_code, 1);
  EXPECT_EQ(o.out, "result 4375 DB_ERR_EOF\nrecords 6\n");

  o = Cli(dir, {"check", dir.File("missing.dat")});
  EXPECT_EQ(o.exit_code, 2);
  EXPECT_EQ(o.out, "result 4373 DB_ERR_OPEN\nrecords 0\n");
  EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1);
  // A pipe or a folder where the store should be: refused at once (a pipe
  // without a writer would otherwise hold the open forever) and said so.
  ASSERT_EQ(::mkfifo(dir.File("pipe.dat").c_str(), 0600), 0);
  o = Cli(dir, {"check", dir.File("pipe.dat")});
  EXPECT_EQ(o.exit_code, 1);
  EXPECT_EQ(o.out, "result 4373 DB_ERR_OPEN\nrecords 0\n");
  EXPECT_EQ(o.err, "quillet-cli: check: pipe.dat is not an ordinary file (a pipe, a device or a socket) and "
                   "cannot be read.\n");
  o = Cli(dir, {"check", dir.path()});
  EXPECT_EQ(o.exit_code, 1);
  EXPECT_NE(o.err.find("is a folder, not a file"), std::string::npos) << o.err;
  EXPECT_EQ(Cli(dir, {"check"}).exit_code, 2);
  EXPECT_EQ(Cli(dir, {"check", "a", "b"}).exit_code, 2);
}

TEST(CliStore, RoundtripGivesBackTheSameBytes) {
  ScratchDir dir;
  const std::string in = SampleStore(dir);
  Outcome o = Cli(dir, {"roundtrip", in, dir.File("out.dat")});
  EXPECT_EQ(o.exit_code, 0);
  EXPECT_EQ(o.out, "load 0 DB_OK\nsave 0 DB_OK\n");
  EXPECT_EQ(ReadAll(dir.File("out.dat")), ReadAll(in));
  o = Cli(dir, {"roundtrip", dir.File("missing.dat"), dir.File("out2.dat")});
  EXPECT_EQ(o.exit_code, 2);
  // A save that cannot happen is reported with its code, never as success.
  o = Cli(dir, {"roundtrip", in, dir.File("no/such/folder/out.dat")});
  EXPECT_EQ(o.exit_code, 1);
  EXPECT_EQ(o.out.rfind("load 0 DB_OK\nsave ", 0), 0u) << o.out;
  EXPECT_EQ(o.out.find("save 0 "), std::string::npos) << o.out;
}

TEST(CliStore, DumpConvertsTextsAndShowsDataAsSizeAndDigest) {
  ScratchDir dir;
  const std::string file = SampleStore(dir);
  Outcome o = Cli(dir, {"dump", file});
  ASSERT_EQ(o.exit_code, 0);
  EXPECT_NE(o.out.find("record 1 kind 3 category\n"), std::string::npos);
  EXPECT_NE(o.out.find("  name \"Caf\xC3\xA9s\"\n"), std::string::npos);
  EXPECT_NE(o.out.find("  title \"Paris \xE2\x80\x9Cguide\xE2\x80\x9D\"\n"), std::string::npos);
  EXPECT_NE(o.out.find("  text \"guide line one\\nline \\\"two\\\"\"\n"), std::string::npos);
  EXPECT_NE(o.out.find("  data 3 bytes sha256 "
                       "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad\n"),
            std::string::npos);

  o = Cli(dir, {"dump", "--json", file});
  ASSERT_EQ(o.exit_code, 0);
  EXPECT_EQ(o.out.rfind("{\"file\": ", 0), 0u);
  EXPECT_NE(o.out.find("\"result\": 0, \"resultName\": \"DB_OK\", \"recordCount\": 6"),
            std::string::npos);
  EXPECT_NE(o.out.find("{\"position\": 5, \"kind\": 6, \"kindName\": \"image\", \"recordId\": 6"),
            std::string::npos);
  EXPECT_NE(o.out.find("\"format\": 2"), std::string::npos);
  EXPECT_NE(o.out.find("\"dataSize\": 3, \"dataSha256\": \"ba7816bf"), std::string::npos);
  EXPECT_NE(o.out.find("\"name\": \"Caf\xC3\xA9s\""), std::string::npos);
  EXPECT_EQ(o.out.substr(o.out.size() - 3), "]}\n");
  EXPECT_NE(Cli(dir, {"dump", "--help"}).out.find("dataSha256"), std::string::npos);
}

TEST(CliStore, FindPrintsKindIdAndFirstLineInFillOrder) {
  ScratchDir dir;
  const std::string file = SampleStore(dir);
  Outcome o = Cli(dir, {"find", "--store", file, "--rule", "any", "GUIDE"});
  EXPECT_EQ(o.exit_code, 0);
  EXPECT_EQ(o.out,
            "topic 3 Paris \xE2\x80\x9Cguide\xE2\x80\x9D\n"
            "note 4 guide line one\n"
            "image 6 Guide map\n");
  o = Cli(dir, {"find", "--store", file, "--rule", "all", "--show-private", "--kinds", "note",
                "secret guide"});
  EXPECT_EQ(o.out, "note 5 secret guide\n");
  // Search text arrives as UTF-8 and is matched as Windows-1252.
  o = Cli(dir, {"find", "--store", file, "--rule", "exact", "caf\xC3\xA9s"});
  EXPECT_EQ(o.out, "topic 3 Paris \xE2\x80\x9Cguide\xE2\x80\x9D\n");
  o = Cli(dir, {"find", "--store", file, "--rule", "exact", "guide"});
  EXPECT_EQ(o.out, "0 Records Found\n");
  EXPECT_EQ(o.exit_code, 0);

  EXPECT_EQ(Cli(dir, {"find", "--store", file, "--rule", "some", "x"}).exit_code, 2);
  EXPECT_EQ(Cli(dir, {"find", "--store", file, "--rule", "any", "--kinds", "memo", "x"}).exit_code, 2);
  EXPECT_EQ(Cli(dir, {"find", "--store", file, "--rule", "any"}).exit_code, 2);
  EXPECT_EQ(Cli(dir, {"find", "--rule", "any", "x"}).exit_code, 2);
  EXPECT_EQ(Cli(dir, {"find", "--store", dir.File("none"), "--rule", "any", "x"}).exit_code, 2);
  EXPECT_EQ(Cli(dir, {"find", "--store", file, "--rule", "any", "\xE4\xB8\xAD"}).exit_code, 2);
}

}  // namespace
}  // namespace quillet
