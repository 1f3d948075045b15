#include "programs/brightfencheck/core/Cabinet.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>

#include <ctime>
#include <filesystem>
#include <fstream>

#include "programs/brightfencheck/tests/CabinetReadBack.h"
#include "testing/TempRegistry.h"

namespace brightfen {
namespace {

using quillet::testing::ReadFileBytes;
using quillet::testing::TempRegistry;

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

CabinetParameters ParamsIn(const std::string& folder) {
  CabinetParameters p;
  p.destinationFolder = folder;
  return p;
}

TEST(CabinetTest, NamesAndErrorTexts) {
  EXPECT_EQ(CabinetFileName(CabinetParameters{}, 1), "BrightfenCheckReport1.zip");
  EXPECT_STREQ(CabinetErrorText(0), "No error");
  EXPECT_STREQ(CabinetErrorText(1), "Failure opening file to be stored in cabinet");
  EXPECT_STREQ(CabinetErrorText(6), "Could not create cabinet file");
  EXPECT_STREQ(CabinetErrorText(8), "Failure compressing data");
  EXPECT_STREQ(CabinetErrorText(9), "Unknown error");
  EXPECT_STREQ(CabinetErrorText(-1), "Unknown error");
}

TEST(CabinetTest, SafeNamesStayBelowTheUnpackFolder) {
  EXPECT_TRUE(IsSafeCabinetName("regreport.txt"));
  EXPECT_TRUE(IsSafeCabinetName("Quillet!\\Templates\\default.htm"));
  EXPECT_TRUE(IsSafeCabinetName("Pelorin Meeting 3\\Templates\\a b.htm"));
  EXPECT_FALSE(IsSafeCabinetName(""));
  EXPECT_FALSE(IsSafeCabinetName("..\\..\\etc\\passwd"));
  EXPECT_FALSE(IsSafeCabinetName("Alice\\..\\..\\x"));
  EXPECT_FALSE(IsSafeCabinetName("\\rooted"));
  EXPECT_FALSE(IsSafeCabinetName("Alice\\\\double"));
  EXPECT_FALSE(IsSafeCabinetName("Alice/../x"));
  EXPECT_FALSE(IsSafeCabinetName("C:\\x"));
  EXPECT_FALSE(IsSafeCabinetName("a\nb"));
  EXPECT_FALSE(IsSafeCabinetName("trailing\\"));
  EXPECT_TRUE(IsSafeCabinetName(std::string(255, 'a')));
  EXPECT_FALSE(IsSafeCabinetName(std::string(256, 'a')));
}

TEST(CabinetTest, WrittenCabinetReadsBackWithItsFiles) {
  TempRegistry tmp;
  std::string src = tmp.MakeDir("src");
  std::string out = tmp.MakeDir("out");
  std::string big;
  for (int i = 0; i < 20000; ++i) big += "line " + std::to_string(i) + "\n";
  WriteFile(src + "a.htm", "<html>{TITLE}</html>");
  WriteFile(src + "big.txt", big);
  WriteFile(src + "empty", "");
  WriteFile(src + "ro.pdb", "x");
  ::chmod((src + "ro.pdb").c_str(), 0444);

  std::string trace_text;
  char* buf = nullptr;
  size_t len = 0;
  std::FILE* trace = open_memstream(&buf, &len);
  {
    CCabinetWriter w(ParamsIn(out), trace);
    EXPECT_EQ(w.Add(src + "a.htm", "Quillet!\\Templates\\a.htm"), kCabOk);
    EXPECT_EQ(w.Add(src + "big.txt", "Alice\\Hotsync.Log"), kCabOk);
    EXPECT_EQ(w.Add(src + "empty", "empty"), kCabOk);
    EXPECT_EQ(w.Add(src + "ro.pdb", "Alice\\Backup\\ro.pdb"), kCabOk);
    EXPECT_EQ(w.FileCount(), 4u);
    EXPECT_EQ(w.Finish(), kCabOk);
  }
  std::fclose(trace);
  trace_text.assign(buf, len);
  free(buf);

  std::string cab = out + "BrightfenCheckReport1.zip";
  std::string bytes = ReadFileBytes(cab);
  ASSERT_GT(bytes.size(), 36u);
  EXPECT_EQ(bytes.substr(0, 4), "MSCF");
  // Set identifier 34432, first cabinet of its set.
  EXPECT_EQ(static_cast<uint8_t>(bytes[32]) | static_cast<uint8_t>(bytes[33]) << 8, 34432);
  EXPECT_EQ(bytes[34], 0);
  EXPECT_LT(bytes.size(), big.size() / 2) << "MSZIP should shrink the repetitive log";

  auto rb = testing::ReadCabinet(cab, tmp.MakeDir("unpacked"));
  ASSERT_TRUE(rb.loaded);
  ASSERT_EQ(rb.files.size(), 4u);
  EXPECT_EQ(rb.files["Quillet!\\Templates\\a.htm"], "<html>{TITLE}</html>");
  EXPECT_EQ(rb.files["Alice\\Hotsync.Log"], big);
  EXPECT_EQ(rb.files["empty"], "");
  EXPECT_EQ(rb.attributes["Alice\\Backup\\ro.pdb"] & 0x27, 0x21u);
  EXPECT_EQ(rb.attributes["empty"] & 0x27, 0x20u);

  EXPECT_NE(trace_text.find("   placed file 'Alice\\Hotsync.Log' (size " + std::to_string(big.size()) +
                            ") on cabinet 'BrightfenCheckReport1.zip'\n"),
            std::string::npos)
      << trace_text;
  EXPECT_NE(trace_text.find("Compressing: "), std::string::npos);
}

TEST(CabinetTest, EntriesCarryTheFilesRealDates) {
  TempRegistry tmp;
  std::string src = tmp.MakeDir("src");
  std::string out = tmp.MakeDir("out");
  WriteFile(src + "old.log", "from 2021");
  WriteFile(src + "new.log", "from 2026");
  // 15 June 2021 10:20:30 and 1 March 2026 08:00:00, local time.
  auto local = [](int y, int mo, int d, int h, int mi, int s) {
    std::tm t{};
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    t.tm_isdst = -1;
    return std::mktime(&t);
  };
  const time_t when_old = local(2021, 6, 15, 10, 20, 30);
  const time_t when_new = local(2026, 3, 1, 8, 0, 0);
  struct timespec times[2] = {{when_old, 0}, {when_old, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (src + "old.log").c_str(), times, 0), 0);
  times[0].tv_sec = times[1].tv_sec = when_new;
  ASSERT_EQ(::utimensat(AT_FDCWD, (src + "new.log").c_str(), times, 0), 0);
  {
    CCabinetWriter w(ParamsIn(out), nullptr);
    ASSERT_EQ(w.Add(src + "old.log", "Alice\\Hotsync.Log"), kCabOk);
    ASSERT_EQ(w.Add(src + "new.log", "Bob\\Hotsync.Log"), kCabOk);
    ASSERT_EQ(w.Finish(), kCabOk);
  }
  auto rb = testing::ReadCabinet(out + "BrightfenCheckReport1.zip", tmp.MakeDir("unpacked"));
  ASSERT_TRUE(rb.loaded);
  ASSERT_EQ(rb.dates.size(), 2u);
  // Not the start of 1970 (or of the DOS epoch): each file's own time.
  EXPECT_NEAR(static_cast<double>(rb.dates["Alice\\Hotsync.Log"]), static_cast<double>(when_old), 2.0);
  EXPECT_NEAR(static_cast<double>(rb.dates["Bob\\Hotsync.Log"]), static_cast<double>(when_new), 2.0);
}

TEST(CabinetTest, AddRefusesWhatCannotBeStored) {
  TempRegistry tmp;
  std::string src = tmp.MakeDir("src");
  std::string out = tmp.MakeDir("out");
  WriteFile(src + "real", "secret");
  std::filesystem::create_symlink(src + "real", src + "link");
  CCabinetWriter w(ParamsIn(out), nullptr);
  EXPECT_EQ(w.Add(src + "missing", "missing"), kCabOpenFile);
  EXPECT_EQ(w.Add(src, "folder"), kCabOpenFile);
  EXPECT_EQ(w.Add(src + "link", "link"), kCabOpenFile);
  EXPECT_EQ(w.Add(src + "real", "..\\escape"), kCabOpenFile);
  EXPECT_EQ(w.FileCount(), 0u);
  // Names that clash when unpacked keep the first file.
  EXPECT_EQ(w.Add(src + "real", "Alice\\x.pdb"), kCabOk);
  EXPECT_EQ(w.Add(src + "real", "ALICE\\X.PDB"), kCabOk);
  EXPECT_EQ(w.FileCount(), 1u);
}

TEST(CabinetTest, FailedWriteLeavesNoCabinet) {
  TempRegistry tmp;
  std::string src = tmp.MakeDir("src");
  WriteFile(src + "a", "a");
  // The destination does not exist: the cabinet cannot be created.
  CCabinetWriter w(ParamsIn(tmp.dir() + "nowhere/"), nullptr);
  ASSERT_EQ(w.Add(src + "a", "a"), kCabOk);
  EXPECT_EQ(w.Finish(), kCabCreateCabinet);
  EXPECT_FALSE(std::filesystem::exists(tmp.dir() + "nowhere"));

  // A new cabinet replaces an old one of the same name.
  std::string again = tmp.MakeDir("again");
  WriteFile(again + "BrightfenCheckReport1.zip", "old");
  CCabinetWriter w2(ParamsIn(again), nullptr);
  ASSERT_EQ(w2.Add(src + "a", "a"), kCabOk);
  EXPECT_EQ(w2.Finish(), kCabOk);
  EXPECT_EQ(ReadFileBytes(again + "BrightfenCheckReport1.zip").substr(0, 4), "MSCF");
  // Nothing but the cabinet is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(again), {}), 1);
}

}  // namespace
}  // namespace brightfen
