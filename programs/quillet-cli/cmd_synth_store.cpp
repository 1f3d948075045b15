// quillet-cli synth-store FILE --topics N --members M [--pictures P]: a
// store of any size that looks like a real library, for trying the program
// at scale and for the benchmarks: topics in twenty categories, notes of
// several lines, references of all six kinds, and pictures (JPEG of about
// 24 KB, each with bytes of its own) spread evenly over the topics.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "imaging/JpegFile.h"
#include "programs/quillet-cli/CliCommand.h"
#include "store/FileNames.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"

namespace {

using namespace quillet;

constexpr size_t kPictureTarget = 24 * 1024;

// A small deterministic generator, so the same arguments give the same store.
struct Random {
  uint64_t s;
  uint32_t Next() {
    s = s * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(s >> 33);
  }
  size_t Below(size_t n) { return n == 0 ? 0 : Next() % n; }
};

const char* const kWords[] = {
    "garden", "market", "river",  "letter", "museum", "harbour", "recipe", "meeting", "invoice",
    "train",  "bridge", "school", "winter", "summer", "budget",  "review", "project", "ticket",
    "pasta",  "coffee", "bicycle", "window", "chapter", "lecture", "island", "village", "concert",
    "forest", "station", "journal", "camera", "history", "report", "sketch", "holiday", "notes"};
constexpr size_t kWordCount = sizeof kWords / sizeof kWords[0];

// Plain ASCII words: code-page text as they are.
std::string Words(Random& r, size_t n, bool capital) {
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    if (i) out += ' ';
    out += kWords[r.Below(kWordCount)];
  }
  if (capital && !out.empty()) out[0] = static_cast<char>(out[0] - 'a' + 'A');
  return out;
}

// A picture of 320 x 240: sky, hills and a sun, with camera grain, so that
// its JPEG is as big as a photo of the handheld's.
std::vector<uint8_t> PictureJpeg(unsigned seed) {
  const int w = 320, h = 240;
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  Random r{seed * 7919ull + 17};
  const int sunX = 40 + static_cast<int>(r.Below(240)), sunY = 30 + static_cast<int>(r.Below(60));
  const double ridge = 120 + r.Below(60);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
      int red, green, blue;
      const double hill = ridge - 18 * std::sin(x * 0.03 + seed);
      if (y > hill) {
        red = 70 + (y - static_cast<int>(hill)) / 3;
        green = 120 + (x % 37);
        blue = 60;
      } else {
        red = 110 + y / 3;
        green = 160 + y / 4;
        blue = 230 - y / 5;
      }
      const int dx = x - sunX, dy = y - sunY;
      if (dx * dx + dy * dy < 400) red = green = 250, blue = 190;
      const int grain = static_cast<int>(r.Next() % 25) - 12;
      p[0] = static_cast<uint8_t>(std::clamp(red + grain, 0, 255));
      p[1] = static_cast<uint8_t>(std::clamp(green + grain, 0, 255));
      p[2] = static_cast<uint8_t>(std::clamp(blue + grain, 0, 255));
    }
  std::vector<uint8_t> out(60000);
  for (int quality = 90; quality >= 30; quality -= 4) {
    if (!JpegFile::write_rgb_memory(out.data(), out.size(), rgb.data(), w, h, true, quality)) continue;
    const size_t size = JpegFile::jpeg_memory_size();
    if (size <= kPictureTarget + 2048 || quality <= 34) {
      out.resize(size);
      return out;
    }
  }
  return {};
}

// The same picture with bytes of its own: a comment naming it, right after
// the start marker (decoders skip it).
std::vector<uint8_t> Distinct(const std::vector<uint8_t>& jpeg, uint32_t number) {
  const std::string text = "picture " + std::to_string(number);
  std::vector<uint8_t> out;
  out.reserve(jpeg.size() + text.size() + 4);
  out.insert(out.end(), jpeg.begin(), jpeg.begin() + 2);
  out.push_back(0xFF);
  out.push_back(0xFE);
  const size_t len = text.size() + 2;
  out.push_back(static_cast<uint8_t>(len >> 8));
  out.push_back(static_cast<uint8_t>(len & 0xFF));
  out.insert(out.end(), text.begin(), text.end());
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

bool TakeCount(cli::Args& a, const char* name, long* value, std::string* error) {
  std::string text;
  bool missing = false;
  if (!a.TakeOption(name, &text, &missing)) {
    if (missing) *error = std::string("synth-store: ") + name + " needs a number";
    return !missing;
  }
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < 0 || v > 10000000) {
    *error = std::string("synth-store: ") + name + " takes a number from 0 to 10000000";
    return false;
  }
  *value = v;
  return true;
}

int RunSynthStore(const std::vector<std::string>& args) {
  cli::Args a(args);
  const bool force = a.TakeFlag("--force");
  long topics = -1, members = -1, pictures = 0;
  std::string error;
  if (!TakeCount(a, "--topics", &topics, &error) || !TakeCount(a, "--members", &members, &error) ||
      !TakeCount(a, "--pictures", &pictures, &error))
    return cli::UsageError(error);
  if (!a.UnknownOption().empty()) return cli::UsageError("synth-store: unknown option " + a.UnknownOption());
  if (a.Rest().size() != 1) return cli::UsageError("synth-store takes one FILE");
  if (topics < 0 || members < 0) return cli::UsageError("synth-store needs --topics N and --members M");
  if (pictures > topics * members)
    return cli::UsageError("synth-store: more pictures than members");
  const std::string& file = a.Rest()[0];
  struct stat st;
  if (!force && ::lstat(file.c_str(), &st) == 0)
    return cli::UsageError("synth-store: " + file + " exists (--force replaces it)");

  CRecordStore store(file, "");
  auto settings = std::make_unique<CSettingsRecord>();
  CSettingsRecord* counter = settings.get();
  counter->lastRecordId = 1;
  store.AddNew(std::move(settings));
  auto next_id = [&] { return ++counter->lastRecordId; };
  Random r{42};

  std::vector<uint32_t> categories;
  for (int i = 0; i < 20; ++i) {
    auto c = std::make_unique<CCategoryRecord>();
    c->recordId = next_id();
    c->name = CpText(Words(r, 1, true) + " " + std::to_string(i + 1));
    categories.push_back(c->recordId);
    store.AddNew(std::move(c));
  }

  std::vector<std::vector<uint8_t>> bases;
  if (pictures > 0)
    for (unsigned i = 0; i < 16; ++i) {
      bases.push_back(PictureJpeg(i));
      if (bases.back().empty()) {
        std::fprintf(stderr, "quillet-cli: synth-store: a picture could not be encoded\n");
        return cli::kExitFailed;
      }
    }

  const long total = topics * members;
  const auto start = std::chrono::system_clock::now();
  long member_no = 0, pictures_made = 0, notes = 0, references = 0;
  uint64_t picture_bytes = 0;
  static const int32_t kTypes[] = {kCustomBook,     kCustomInternet,  kCustomJournal,
                                   kCustomMagazine, kCustomNewspaper, kCustomReport};
  for (long t = 0; t < topics; ++t) {
    auto topic = std::make_unique<CTopicRecord>();
    auto links = std::make_unique<CTopicLinksRecord>();
    topic->recordId = next_id();
    links->recordId = next_id();
    topic->linksId = links->recordId;
    links->topicId = topic->recordId;
    topic->title = CpText(Words(r, 2 + r.Below(3), true) + " " + std::to_string(t + 1));
    // A few topics unfiled, the rest spread over the categories.
    topic->categoryId = t % 17 == 0 ? 0 : categories[r.Below(categories.size())];
    topic->fileName = MakeFileName(start + std::chrono::milliseconds(t), ".htm");
    for (long m = 0; m < members; ++m, ++member_no) {
      std::unique_ptr<CRecord> member;
      // Pictures fall evenly over all members.
      const bool picture = pictures > 0 && (member_no * pictures) / total !=
                                               ((member_no + 1) * pictures) / total;
      if (picture) {
        auto image = std::make_unique<CImageRecord>();
        image->title = CpText(Words(r, 3, true) + "\nTaken on the way");
        image->fileName = MakeFileName(start + std::chrono::milliseconds(topics + pictures_made), ".jpg");
        image->format = kImageFormatJpeg;
        image->width = 320;
        image->height = 240;
        image->data = Distinct(bases[static_cast<size_t>(pictures_made) % bases.size()],
                               static_cast<uint32_t>(pictures_made));
        picture_bytes += image->data.size();
        ++pictures_made;
        member = std::move(image);
      } else if (m % 4 == 3) {
        auto ref = std::make_unique<CCustomRecord>();
        ref->customType = kTypes[references % 6];
        ref->fields.resize(static_cast<size_t>(CustomTypeFieldCount(ref->customType)));
        ref->fields[0] = CpText(Words(r, 4 + r.Below(5), true));
        for (size_t i = 1; i < ref->fields.size(); ++i) ref->fields[i] = CpText(Words(r, 1 + r.Below(3), true));
        if (ref->customType == kCustomInternet)
          ref->fields[1] = CpText("https://www.example.org/" + std::string(kWords[r.Below(kWordCount)]) + "/" +
                                  std::to_string(references));
        ++references;
        member = std::move(ref);
      } else {
        auto note = std::make_unique<CNoteRecord>();
        const size_t lines = 2 + r.Below(6);
        std::string text;
        for (size_t i = 0; i < lines; ++i) {
          if (i) text += '\n';
          text += Words(r, 3 + r.Below(9), true) + (i % 3 == 2 ? "." : "");
        }
        note->text = CpText(std::move(text));
        ++notes;
        member = std::move(note);
      }
      member->recordId = next_id();
      links->memberIds.push_back(member->recordId);
      store.AddNew(std::move(member));
    }
    store.AddNew(std::move(topic));
    store.AddNew(std::move(links));
  }

  const DbResult rc = store.SaveTo(file);
  std::printf("result %u %s\n", rc, ResultCodeName(rc));
  if (rc != DB_OK) return cli::kExitFailed;
  std::printf("records %u: %ld topics, %ld notes, %ld references, %ld pictures (%llu bytes)\n",
              store.highWater(), topics, notes, references, pictures_made,
              static_cast<unsigned long long>(picture_bytes));
  return cli::kExitOk;
}

}  // namespace

QUILLET_CLI_COMMAND("synth-store", "write a realistic store of any size (for trying the program at scale)",
                    "quillet-cli synth-store [--force] FILE --topics N --members M [--pictures P]\n\n"
                    "Writes a record store to FILE with N topics of M members each, in twenty\n"
                    "categories (some topics unfiled): notes of several lines, references of all\n"
                    "six kinds, and P pictures (JPEG of 320x240, about 24 KB each, every one with\n"
                    "bytes of its own) spread evenly over the members. The same arguments give\n"
                    "the same store. An existing FILE is left alone unless --force is given.\n"
                    "Exit 0 on success, 1 when the file cannot be written, 2 for bad arguments.",
                    RunSynthStore);
