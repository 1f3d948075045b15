// `quillet-cli report` end to end: a store file on disk, real pictures and
// sketches written by the imaging core.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>

#include "imaging/JpegFile.h"
#include "reports/tests/TestSupport.h"
#include "store/RecordStore.h"

namespace quillet {
namespace {

using testing::Exists;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

struct CliResult {
  int status = -1;
  std::string out;
};

CliResult RunCli(const std::string& args) {
  CliResult r;
  std::string command = std::string(QUILLET_BIN_DIR) + "/quillet-cli report " + args + " 2>&1";
  std::FILE* p = ::popen(command.c_str(), "r");
  if (p == nullptr) return r;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int status = ::pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

std::vector<uint8_t> SmallJpeg() {
  std::vector<uint8_t> rgb(16 * 16 * 3, 0x80);
  std::vector<uint8_t> jpeg(65536);
  int ok = JpegFile::write_rgb_memory(jpeg.data(), jpeg.size(), rgb.data(), 16, 16, true, 90);
  EXPECT_EQ(ok, 1);
  jpeg.resize(JpegFile::jpeg_memory_size());
  return jpeg;
}

std::vector<uint8_t> SmallSketch() {
  // 16 x 16, 2 row bytes, 1 bit per pixel, version 1, uncompressed.
  std::vector<uint8_t> s = {0, 16, 0, 16, 0, 2, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 32; ++i) s.push_back(i % 2 ? 0xF0 : 0x0F);
  return s;
}

TEST(CliReport, BuildsTheReportWithPicturesAndSavesTheName) {
  ScratchDir dir;
  std::string store_folder = dir.Sub("store");
  uint32_t topic;
  {
    testing::TestStore records(store_folder);
    topic = records.AddTopic("Walk");
    records.AddNote(topic, "Hidden", true);
    records.AddNote(topic, "Seen");
    records.AddImage(topic, "Photo", "photo.jpg", kImageFormatJpeg, SmallJpeg());
    records.AddImage(topic, "Sketch", "sketch.jpg", kImageFormatSketch, SmallSketch());
    ASSERT_EQ(records.Save(), DB_OK);
  }
  std::string theme_folder = dir.Sub("themes");
  WriteFile(theme_folder + "t.htm",
            "<p>{TITLE} by {AUTHOR}</p>{NOTES_BEGIN}{NOTE};{NOTES_END}"
            "{IMAGES_BEGIN}<img src=\"{IMAGE_SRC}\">{IMAGES_END}<img src=\"logo.png\">");
  WriteFile(theme_folder + "logo.png", "LOGO");
  std::string out = dir.path() + "out";
  std::string store_file = store_folder + "quillet.dat";

  CliResult r = RunCli("--store " + Quote(store_file) + " --topic " + std::to_string(topic) + " --theme " +
                    Quote(theme_folder + "t.htm") + " --out " + Quote(out) + " --author 'Zoë'");
  ASSERT_EQ(r.status, 0) << r.out;
  ASSERT_FALSE(r.out.empty());
  std::string path = r.out.substr(0, r.out.find('\n'));
  EXPECT_EQ(path.substr(0, out.size() + 1), out + "/");
  EXPECT_EQ(ReadFile(path),
            "<p>Walk by Zo\xEB </p>Seen;<img src=\"photo.jpg\"><img src=\"sketch.jpg\"><img src=\"logo.png\">");
  EXPECT_EQ(ReadFile(out + "/photo.jpg").substr(0, 2), "\xFF\xD8");
  EXPECT_EQ(ReadFile(out + "/sketch.jpg").substr(0, 2), "\xFF\xD8");
  EXPECT_EQ(ReadFile(out + "/logo.png"), "LOGO");

  // The store now remembers the report's name.
  CRecordStore reloaded("quillet.dat", store_folder);
  ASSERT_EQ(reloaded.Load(), DB_OK);
  CRecord* rec = nullptr;
  ASSERT_EQ(reloaded.FindById(topic, &rec), DB_OK);
  EXPECT_EQ(out + "/" + static_cast<CTopicRecord*>(rec)->fileName, path);

  // --show-private lets the private note in; the same file is reused.
  r = RunCli("--store " + Quote(store_file) + " --topic " + std::to_string(topic) + " --theme " +
          Quote(theme_folder + "t.htm") + " --out " + Quote(out) + " --show-private");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), path);
  EXPECT_NE(ReadFile(path).find("Hidden;Seen;"), std::string::npos);
}

TEST(CliReport, ThemesThatCannotBeUsedAndBadArguments) {
  ScratchDir dir;
  std::string store_folder = dir.Sub("store");
  uint32_t topic, note;
  {
    testing::TestStore records(store_folder);
    topic = records.AddTopic("T");
    note = records.AddNote(topic, "n");
    ASSERT_EQ(records.Save(), DB_OK);
  }
  std::string store = Quote(store_folder + "quillet.dat");
  WriteFile(dir.File("empty.htm"), "");
  std::string common = "--store " + store + " --out " + Quote(dir.path() + "out");
  CliResult r = RunCli(common + " --topic " + std::to_string(topic) + " --theme " + Quote(dir.File("empty.htm")));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("This theme is currently empty and cannot be used."), std::string::npos);
  r = RunCli(common + " --topic " + std::to_string(topic) + " --theme " + Quote(dir.File("gone.htm")));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Unable to open any themes."), std::string::npos);
  r = RunCli(common + " --topic " + std::to_string(note) + " --theme " + Quote(dir.File("empty.htm")));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("is not a topic"), std::string::npos);
  EXPECT_EQ(RunCli(common + " --topic x --theme a.htm").status, 2);
  EXPECT_EQ(RunCli("--store " + store + " --topic 3").status, 2);
  EXPECT_EQ(RunCli(common + " --topic 3 --theme a.htm --bogus").status, 2);
  EXPECT_EQ(RunCli("--store " + Quote(dir.File("none.dat")) + " --out x --topic 3 --theme a.htm").status, 2);
}

}  // namespace
}  // namespace quillet
