// quillet-cli import-picture run as a user runs it: each size, the quality
// rules, titles and private pictures, camera photos upright, and refusals
// that leave the store as it was.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <tuple>

#include "imaging/JpegFile.h"
#include "imaging/tests/PictureSupport.h"
#include "imaging/tests/TestSupport.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"

namespace quillet {
namespace {

using testing::ReadBytes;
using testing::ScratchDir;

struct Outcome {
  int exitCode = -1;
  std::string out, err;
  std::vector<std::string> lines;
};

std::string Quote(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

Outcome Cli(const ScratchDir& dir, const std::vector<std::string>& args) {
  std::string cmd = std::string(QUILLET_BIN_DIR) + "/quillet-cli import-picture";
  for (const auto& a : args) cmd += " " + Quote(a);
  cmd += " 2>" + Quote(dir.File("stderr.txt"));
  Outcome o;
  FILE* p = ::popen(cmd.c_str(), "r");
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) o.out.append(buf, n);
  const int status = ::pclose(p);
  o.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  const std::vector<uint8_t> err = ReadBytes(dir.File("stderr.txt"));
  o.err.assign(err.begin(), err.end());
  std::istringstream s(o.out);
  for (std::string line; std::getline(s, line);) o.lines.push_back(line);
  return o;
}

class ImportPictureTest : public ::testing::Test {
 protected:
  // A store with a topic (id 2, links 3) and nothing else.
  void SetUp() override {
    std::filesystem::create_directories(dir.File("Quillet"));
    store = dir.File("Quillet/quillet.dat");
    CRecordStore s(store, "");
    auto settings = std::make_unique<CSettingsRecord>();
    settings->lastRecordId = 3;
    s.AddNew(std::move(settings));
    auto topic = std::make_unique<CTopicRecord>();
    topic->recordId = 2;
    topic->linksId = 3;
    topic->title = "Holiday"_cp;
    s.AddNew(std::move(topic));
    auto links = std::make_unique<CTopicLinksRecord>();
    links->recordId = 3;
    links->topicId = 2;
    s.AddNew(std::move(links));
    ASSERT_EQ(s.Save(), DB_OK);
  }

  std::string Photo(const std::string& name, const RgbPicture& p, int quality = 90) {
    const std::string path = dir.File(name);
    EXPECT_TRUE(testing::WriteBytes(path, testing::EncodeJpeg(p, quality)));
    return path;
  }

  std::unique_ptr<CRecordStore> Reload() {
    auto s = std::make_unique<CRecordStore>(store, "");
    EXPECT_EQ(s->Load(), DB_OK);
    return s;
  }

  static CImageRecord* Image(CRecordStore& s, uint32_t id) {
    CRecord* r = nullptr;
    return s.FindById(id, &r) == DB_OK ? RecordAs<CImageRecord>(r) : nullptr;
  }

  static std::vector<uint32_t> Members(CRecordStore& s) {
    CRecord* r = nullptr;
    EXPECT_EQ(s.FindById(3, &r), DB_OK);
    return RecordAs<CTopicLinksRecord>(r)->memberIds;
  }

  size_t FilesInFolder() const {
    size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.File("Quillet"))) n += e.is_regular_file();
    return n;
  }

  ScratchDir dir;
  std::string store;
};

TEST_F(ImportPictureTest, EachSizeStoresTheFittedPictureAndItsFile) {
  const std::string photo = Photo("Beach hut.jpg", testing::Photo(1000, 750));
  const std::regex line("([0-9]+) ([0-9]+)x([0-9]+) ([0-9]+) ([0-9]+) ([0-9]+\\.jpg)");
  uint32_t expectedId = 4;
  std::vector<uint32_t> ids;
  for (const auto& [size, w, h] : {std::tuple{"160x160", 160, 160}, {"320x320", 320, 320}, {"320x480", 320, 480}}) {
    const Outcome o = Cli(dir, {"--store", store, "--topic", "2", "--size", size, photo});
    ASSERT_EQ(o.exitCode, 0) << o.err;
    ASSERT_EQ(o.lines.size(), 1u) << o.out;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(o.lines[0], m, line)) << o.lines[0];
    const uint32_t id = static_cast<uint32_t>(std::stoul(m[1]));
    EXPECT_EQ(id, expectedId++);
    EXPECT_EQ(std::stoi(m[2]), w);
    EXPECT_EQ(std::stoi(m[3]), h);
    EXPECT_EQ(std::stoi(m[5]), 80);
    ids.push_back(id);

    auto s = Reload();
    CImageRecord* image = Image(*s, id);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->title, "Beach hut"_cp);
    EXPECT_EQ(image->width, static_cast<uint32_t>(w));
    EXPECT_EQ(image->height, static_cast<uint32_t>(h));
    EXPECT_EQ(image->format, kImageFormatJpeg);
    EXPECT_EQ(image->flags & kFlagNew, kFlagNew);
    EXPECT_EQ(image->isPrivate, 0u);
    EXPECT_EQ(std::to_string(image->dataSize()), m[4].str());
    EXPECT_EQ(image->fileName, m[6].str());
    int dw = 0, dh = 0;
    ASSERT_TRUE(JpegFile::read_rgb_memory(image->data.data(), image->data.size(), &dw, &dh));
    EXPECT_EQ(dw, w);
    EXPECT_EQ(dh, h);
    ASSERT_TRUE(JpegFile::read_rgb(dir.File("Quillet/" + image->fileName).c_str(), &dw, &dh));
    EXPECT_EQ(dw, w);
  }
  auto s = Reload();
  EXPECT_EQ(Members(*s), ids);
}

TEST_F(ImportPictureTest, AutoQualityLowersTheQualityOfANoisyPhotoUntilItFits) {
  // A photo at the frame's own size with a heavy grain: the JPEG cannot
  // average the grain away.
  RgbPicture grainy = testing::Photo(320, 320);
  const RgbPicture noise = testing::Noise(320, 320);
  for (size_t i = 0; i < grainy.rgb.size(); ++i)
    grainy.rgb[i] = static_cast<uint8_t>(std::clamp(grainy.rgb[i] + noise.rgb[i] - 128, 0, 255));
  const std::string noisy = Photo("grainy.jpg", grainy, 100);
  const std::vector<uint8_t> before = ReadBytes(store);
  const Outcome at80 = Cli(dir, {"--store", store, "--topic", "2", noisy});
  EXPECT_EQ(at80.exitCode, 1);
  EXPECT_TRUE(at80.out.empty());
  EXPECT_NE(at80.err.find("over the 60000-byte limit"), std::string::npos) << at80.err;
  EXPECT_NE(at80.err.find("at quality 80"), std::string::npos);
  EXPECT_EQ(ReadBytes(store), before);
  EXPECT_EQ(FilesInFolder(), 1u);  // the store alone

  const Outcome fitted = Cli(dir, {"--store", store, "--topic", "2", "--quality", "auto", noisy});
  ASSERT_EQ(fitted.exitCode, 0) << fitted.err;
  ASSERT_EQ(fitted.lines.size(), 1u);
  std::istringstream fields(fitted.lines[0]);
  uint32_t id = 0;
  std::string size;
  size_t bytes = 0;
  int quality = -1;
  fields >> id >> size >> bytes >> quality;
  EXPECT_EQ(size, "320x320");
  EXPECT_LE(bytes, 60000u);
  EXPECT_LT(quality, 80);
  EXPECT_EQ(quality % 5, 0);
  auto s = Reload();
  EXPECT_EQ(Image(*s, id)->dataSize(), bytes);
}

TEST_F(ImportPictureTest, ARefusedPictureLeavesTheStoreByteIdentical) {
  const std::string good = Photo("good.jpg", testing::Photo(400, 300));
  testing::WriteBytes(dir.File("notes.txt"), {'h', 'i'});
  testing::WriteBytes(dir.File("broken.jpg"), {0xFF, 0xD8, 0x00});
  const std::vector<uint8_t> before = ReadBytes(store);
  for (const std::string& bad : {dir.File("notes.txt"), dir.File("broken.jpg"), dir.File("missing.jpg")}) {
    const Outcome o = Cli(dir, {"--store", store, "--topic", "2", good, bad});
    EXPECT_EQ(o.exitCode, 1) << bad;
    EXPECT_TRUE(o.out.empty());
    EXPECT_NE(o.err.find(bad), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("nothing was added"), std::string::npos);
    EXPECT_EQ(ReadBytes(store), before);
    EXPECT_EQ(FilesInFolder(), 1u);
  }
  {
    const Outcome o = Cli(dir, {"--store", store, "--topic", "2", dir.File("missing.jpg")});
    EXPECT_NE(o.err.find(dir.File("missing.jpg") + ": no such file"), std::string::npos) << o.err;
    const Outcome b = Cli(dir, {"--store", store, "--topic", "2", dir.File("notes.bmp")});
    EXPECT_NE(b.err.find(dir.File("notes.bmp") + ": no such file"), std::string::npos) << b.err;
  }
  // A photo cut off in its data, or with a corrupt scan, is refused whole.
  std::vector<uint8_t> photo = testing::EncodeJpeg(testing::Photo(400, 300), 90);
  std::vector<uint8_t> cut(photo.begin(), photo.begin() + static_cast<long>(photo.size() / 2));
  testing::WriteBytes(dir.File("cut.jpg"), cut);
  std::vector<uint8_t> corrupt = photo;
  corrupt.insert(corrupt.begin() + static_cast<long>(photo.size() / 2), {0xFF, 0xD5});
  testing::WriteBytes(dir.File("corrupt.jpg"), corrupt);
  for (const std::string& bad : {dir.File("cut.jpg"), dir.File("corrupt.jpg")}) {
    const Outcome o = Cli(dir, {"--store", store, "--topic", "2", bad, good});
    EXPECT_EQ(o.exitCode, 1) << bad;
    EXPECT_NE(o.err.find(bad + ": the picture file is damaged or cut off"), std::string::npos) << o.err;
    EXPECT_EQ(ReadBytes(store), before);
    EXPECT_EQ(FilesInFolder(), 1u);
  }
  // No such topic (3 is its links record).
  for (const std::string& topic : {"99", "3"}) {
    const Outcome o = Cli(dir, {"--store", store, "--topic", topic, good});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_NE(o.err.find("no topic " + topic), std::string::npos) << o.err;
    EXPECT_EQ(ReadBytes(store), before);
  }
}

TEST_F(ImportPictureTest, BadArgumentsExitTwo) {
  const std::string good = Photo("good.jpg", testing::Photo(100, 100));
  const std::vector<uint8_t> before = ReadBytes(store);
  const std::vector<std::vector<std::string>> cases = {
      {"--store", store, "--topic", "2", "--size", "640x480", good},
      {"--store", store, "--topic", "2", "--size", "320X320", good},
      {"--store", store, "--topic", "2", "--quality", "101", good},
      {"--store", store, "--topic", "2", "--quality", "best", good},
      {"--store", store, "--topic", "two", good},
      {"--store", store, "--topic", "-2", good},
      {"--store", store, good},
      {"--topic", "2", good},
      {"--store", store, "--topic", "2"},
      {"--store", store, "--topic", "2", "--colour", good},
      {"--store", store, "--topic", "2", "--title"},
      {"--store", store, "--topic", "2", "--title", "\xE6\xB9\x96", good},
  };
  for (const auto& args : cases) {
    const Outcome o = Cli(dir, args);
    EXPECT_EQ(o.exitCode, 2) << o.err;
    EXPECT_FALSE(o.err.empty());
  }
  EXPECT_EQ(ReadBytes(store), before);
  const Outcome unknown = Cli(dir, {"--store", store, "--topic", "2", "--size", "640x480", good});
  EXPECT_NE(unknown.err.find("unknown size '640x480'"), std::string::npos);
}

TEST_F(ImportPictureTest, TitlesPrivateAndSeveralPicturesInOrder) {
  const std::string a = Photo("a.jpg", testing::Photo(300, 200, 1));
  const std::string b = Photo("b.jpg", testing::Photo(300, 200, 2));
  const std::string c = dir.File("c.bmp");
  const RgbPicture small = testing::Scene(64, 48);
  testing::WriteBytes(c, testing::BmpFile(64, 48, 24, {}, {}, small.rgb));
  const Outcome o = Cli(dir, {"--store", store, "--topic", "2", "--title", "Caf\xC3\xA9 \xE2\x80\x93 July",
                              "--private", "--quality", "60", a, b, c});
  ASSERT_EQ(o.exitCode, 0) << o.err;
  ASSERT_EQ(o.lines.size(), 3u);
  auto s = Reload();
  const std::vector<uint32_t> members = Members(*s);
  ASSERT_EQ(members, (std::vector<uint32_t>{4, 5, 6}));
  std::set<std::string> names;
  for (uint32_t id : members) {
    const CImageRecord* image = Image(*s, id);
    EXPECT_EQ(image->title, CpText("Caf\xE9 \x96 July"));  // Windows-1252
    EXPECT_EQ(image->isPrivate, 1u);
    names.insert(image->fileName);
    EXPECT_TRUE(std::filesystem::exists(dir.File("Quillet/" + image->fileName)));
  }
  EXPECT_EQ(names.size(), 3u);  // each its own file
  EXPECT_NE(o.lines[2].find(" 60 "), std::string::npos);
  // The records were numbered from the store's counter, which moved on.
  CRecord* r = nullptr;
  ASSERT_EQ(s->FirstOfKind(kKindSettings, &r, true), DB_OK);
  EXPECT_EQ(RecordAs<CSettingsRecord>(r)->lastRecordId, 6u);
}

// After "--" every argument is a picture, even one whose name looks like
// an option (as a *.jpg batch may hand over).
TEST_F(ImportPictureTest, AfterADoubleDashEveryArgumentIsAPicture) {
  const std::string odd = Photo("--help.jpg", testing::Photo(120, 80, 3));
  const std::string plain = Photo("a.jpg", testing::Photo(120, 80, 4));
  const Outcome o = Cli(dir, {"--store", store, "--topic", "2", "--quality", "70", "--", plain, odd});
  ASSERT_EQ(o.exitCode, 0) << o.err;
  EXPECT_EQ(o.lines.size(), 2u);
  {
    auto s = Reload();
    EXPECT_EQ(Members(*s).size(), 2u);
  }
  // A line break or tab in a file's name is no part of the title made of it.
  const std::string odd2 = Photo("two\nlines\tand\rtab.jpg", testing::Photo(120, 80, 5));
  const Outcome named = Cli(dir, {"--store", store, "--topic", "2", "--quality", "70", odd2});
  ASSERT_EQ(named.exitCode, 0) << named.err;
  {
    auto s = Reload();
    const std::vector<uint32_t> members = Members(*s);
    ASSERT_EQ(members.size(), 3u);
    const std::string title = Image(*s, members.back())->title.bytes();
    EXPECT_EQ(title.find_first_of("\r\n\t"), std::string::npos) << title;
    EXPECT_NE(title.find("two lines and tab"), std::string::npos) << title;
  }
  // An option's name after "--" is a picture's name, not the option.
  const Outcome late = Cli(dir, {"--store", store, "--topic", "2", "--", plain, "--private"});
  EXPECT_EQ(late.exitCode, 1) << late.err;
  EXPECT_NE(late.err.find("--private"), std::string::npos) << late.err;
  auto s = Reload();
  for (uint32_t id : Members(*s)) EXPECT_EQ(Image(*s, id)->isPrivate, 0u);
}

TEST_F(ImportPictureTest, ACameraPortraitIsStoredUpright) {
  // A camera held upright: pixels on their side, tagged 8.
  const RgbPicture upright = testing::Scene(300, 400, 4, 0.0);
  const std::string path = dir.File("portrait.jpg");
  testing::WriteBytes(path, testing::WithExifOrientation(testing::EncodeJpeg(testing::StoredFor(upright, 8), 95), 8));
  const Outcome o = Cli(dir, {"--store", store, "--topic", "2", "--size", "320x480", path});
  ASSERT_EQ(o.exitCode, 0) << o.err;
  auto s = Reload();
  const CImageRecord* image = Image(*s, 4);
  int w = 0, h = 0;
  RgbBuffer rgb = JpegFile::read_rgb_memory(image->data.data(), image->data.size(), &w, &h);
  ASSERT_TRUE(rgb);
  // Fit: 320 / 300 by width, so the picture is 320 x 427 from the top-left;
  // the red block is at the top-left and the blue one near the bottom-right.
  const uint8_t* topLeft = &rgb[(static_cast<size_t>(20) * 320 + 20) * 3];
  EXPECT_GT(topLeft[0], 180);
  EXPECT_LT(topLeft[2], 80);
  const uint8_t* bottomRight = &rgb[(static_cast<size_t>(410) * 320 + 300) * 3];
  EXPECT_GT(bottomRight[2], 180);
  EXPECT_LT(rgb[(static_cast<size_t>(470) * 320 + 160) * 3], 20);  // black below
}

// Starts quillet-cli import-picture with `args` without waiting; its
// standard output goes to `out`.
pid_t StartCli(const std::vector<std::string>& args, const std::string& out) {
  const std::string program = std::string(QUILLET_BIN_DIR) + "/quillet-cli";
  std::vector<std::string> all = {program, "import-picture"};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::dup2(fd, 1) < 0) ::_exit(127);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  return pid;
}

// Four imports into one store at once, each with pictures of its own and
// a few files of the same moment: afterwards every picture is in the store
// once, in the topic, with its own file, each line the command printed
// names its record as stored, and what was in the store before is there.
TEST_F(ImportPictureTest, FourImportsAtOnceLoseNothing) {
  {
    // Something to keep: a note in the topic.
    CRecordStore s(store, "");
    ASSERT_EQ(s.Load(), DB_OK);
    auto note = std::make_unique<CNoteRecord>();
    note->recordId = 90;
    note->text = "Packing list"_cp;
    ASSERT_EQ(s.AddNew(std::move(note)), DB_OK);
    CRecord* r = nullptr;
    ASSERT_EQ(s.FindById(3, &r), DB_OK);
    RecordAs<CTopicLinksRecord>(r)->memberIds.push_back(90);
    ASSERT_EQ(s.FirstOfKind(kKindSettings, &r, true), DB_OK);
    RecordAs<CSettingsRecord>(r)->lastRecordId = 90;
    ASSERT_EQ(s.Save(), DB_OK);
  }
  constexpr int kImports = 4, kEach = 3, kRounds = 2;
  std::set<std::string> titles;
  std::map<std::string, std::pair<uint32_t, std::string>> printed;  // file -> id, title
  for (int round = 0; round < kRounds; ++round) {
    std::vector<pid_t> pids;
    std::vector<std::vector<std::string>> expected(kImports);
    for (int i = 0; i < kImports; ++i) {
      std::vector<std::string> args = {"--store", store, "--topic", "2", "--size", "160x160"};
      for (int k = 0; k < kEach; ++k) {
        const std::string title = "r" + std::to_string(round) + "i" + std::to_string(i) + "p" + std::to_string(k);
        const std::string path = dir.File(title + (k == 1 ? ".bmp" : ".jpg"));
        // Each picture its own colour, so that a file of another picture shows.
        const int n = (round * kImports + i) * kEach + k;
        RgbPicture p;
        p.width = 48 + 8 * i;
        p.height = 40 + 4 * k;
        for (int px = 0; px < p.width * p.height; ++px)
          p.rgb.insert(p.rgb.end(), {static_cast<uint8_t>(20 + n * 9), static_cast<uint8_t>(230 - n * 9),
                                     static_cast<uint8_t>(n % 2 ? 200 : 40)});
        if (k == 1) testing::WriteBytes(path, testing::BmpFile(p.width, p.height, 24, {}, {}, p.rgb));
        else testing::WriteBytes(path, testing::EncodeJpeg(p, 90));
        args.push_back(path);
        expected[i].push_back(title);
        titles.insert(title);
      }
      pids.push_back(StartCli(args, dir.File("out" + std::to_string(i) + ".txt")));
      ASSERT_GT(pids.back(), 0);
    }
    for (int i = 0; i < kImports; ++i) {
      int status = 0;
      ASSERT_EQ(::waitpid(pids[i], &status, 0), pids[i]);
      ASSERT_TRUE(WIFEXITED(status));
      EXPECT_EQ(WEXITSTATUS(status), 0) << "import " << i << " of round " << round;
      const std::vector<uint8_t> out = ReadBytes(dir.File("out" + std::to_string(i) + ".txt"));
      std::istringstream lines(std::string(out.begin(), out.end()));
      int k = 0;
      for (std::string line; std::getline(lines, line); ++k) {
        std::istringstream fields(line);
        uint32_t id = 0;
        std::string size, bytes, quality, file;
        fields >> id >> size >> bytes >> quality >> file;
        ASSERT_LT(k, kEach) << line;
        EXPECT_TRUE(printed.emplace(file, std::pair{id, expected[i][k]}).second) << "file twice: " << file;
      }
      EXPECT_EQ(k, kEach) << "import " << i;
    }
  }

  auto s = Reload();
  const std::vector<uint32_t> members = Members(*s);
  EXPECT_EQ(members.size(), titles.size() + 1);
  EXPECT_EQ(std::count(members.begin(), members.end(), 90u), 1);
  CRecord* r = nullptr;
  ASSERT_EQ(s->FindById(90, &r), DB_OK);
  EXPECT_EQ(RecordAs<CNoteRecord>(r)->text, "Packing list"_cp);
  std::set<uint32_t> ids;
  std::set<std::string> stored;
  for (DbResult rc = s->FirstOfKind(kKindImage, &r, true); rc == DB_OK; rc = s->NextOfKind(kKindImage, &r, true)) {
    const CImageRecord* image = RecordAs<CImageRecord>(r);
    EXPECT_TRUE(ids.insert(image->recordId).second) << "id twice: " << image->recordId;
    EXPECT_TRUE(stored.insert(image->title.bytes()).second) << "title twice: " << image->title;
    EXPECT_EQ(std::count(members.begin(), members.end(), image->recordId), 1) << image->title;
    // The line printed for this picture names it as stored.
    const auto line = printed.find(image->fileName);
    ASSERT_NE(line, printed.end()) << image->fileName;
    EXPECT_EQ(line->second.first, image->recordId) << image->title;
    EXPECT_EQ(line->second.second, image->title.bytes());
    // Its own file, of its own picture: the record and the file agree.
    int w = 0, h = 0, fw = 0, fh = 0;
    RgbBuffer data = JpegFile::read_rgb_memory(image->data.data(), image->data.size(), &w, &h);
    RgbBuffer file = JpegFile::read_rgb(dir.File("Quillet/" + image->fileName).c_str(), &fw, &fh);
    ASSERT_TRUE(data && file) << image->fileName;
    ASSERT_EQ(fw, 160);
    ASSERT_EQ(fh, 160);
    EXPECT_LT(testing::MeanDiff(data.get(), file.get(), 160 * 160 * 3), 4.0) << image->title;
  }
  EXPECT_EQ(stored, titles);
  EXPECT_EQ(FilesInFolder(), titles.size() + 1);  // the pictures and the store
  ASSERT_EQ(s->FirstOfKind(kKindSettings, &r, true), DB_OK);
  EXPECT_GE(RecordAs<CSettingsRecord>(r)->lastRecordId, *ids.rbegin());
}

}  // namespace
}  // namespace quillet
