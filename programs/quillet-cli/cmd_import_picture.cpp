// quillet-cli import-picture: prepares picture files for the handheld as the
// image window does after Fit and OK, and adds them to a topic of a store.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "desktop/pictures/PictureSource.h"
#include "desktop/pictures/Placement.h"
#include "imaging/FloatImage.h"
#include "platform/codepage/CodePage.h"
#include "programs/quillet-cli/CliCommand.h"
#include "store/FileNames.h"
#include "store/RecordFacts.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"

namespace {

using namespace quillet;

// One picture made ready, not yet in the store.
struct Prepared {
  std::string path;
  CpText title;
  std::vector<uint8_t> jpeg;
  int quality = 0;
  std::unique_ptr<FloatImage> pixels;  // for the picture file at quality 100
};

std::string Folder(const std::string& file) {
  const size_t slash = file.find_last_of('/');
  return slash == std::string::npos ? "./" : file.substr(0, slash + 1);
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

// Claims the file `path` for a picture: made empty, and only when no file
// of that name exists, so that another import at the same moment (names
// come from the clock) never writes the same file. 0, EEXIST when the name
// is taken, or another errno.
int ClaimFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return errno;
  ::close(fd);
  return 0;
}

// A title as the handheld keeps it: code-page text, no carriage returns, at
// most 256 characters. False, naming the character, when the code page
// cannot hold it.
bool HandheldTitle(const std::string& utf8, const std::string& what, CpText* title) {
  uint32_t bad = 0;
  CpText converted;
  if (!FromUtf8(utf8, &converted, &bad)) {
    std::fprintf(stderr, "quillet-cli: import-picture: %s holds U+%04X, which the handheld cannot show\n",
                 what.c_str(), bad);
    return false;
  }
  std::string text = std::move(converted).bytes();
  if (text.size() > kTitleLimit) {
    std::fprintf(stderr, "quillet-cli: import-picture: %s is longer than %zu characters and is cut\n",
                 what.c_str(), kTitleLimit);
    text.resize(kTitleLimit);
  }
  std::erase(text, '\r');
  *title = CpText(std::move(text));
  return true;
}

// A file's name as a title: line breaks, tabs and other control characters
// a name may hold become spaces, so the title stays one line of text.
std::string NameAsTitle(std::string name) {
  for (char& c : name)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  return name;
}

template <class T>
T* LiveOfKind(CRecordStore& store, uint32_t id) {
  CRecord* r = nullptr;
  for (DbResult rc = store.FirstOfKind(T::kKind, &r, true); rc == DB_OK; rc = store.NextOfKind(T::kKind, &r, true))
    if (r->recordId == id) return RecordAs<T>(r);
  return nullptr;
}

// The next record id from the store's settings record, as the desktop
// issues them.
uint32_t NextId(CRecordStore& store) {
  CRecord* r = nullptr;
  if (store.FirstOfKind(kKindSettings, &r, true) != DB_OK) return 0;
  auto* settings = RecordAs<CSettingsRecord>(r);
  if (settings == nullptr) return 0;
  settings->lastRecordId += 1;
  settings->flags |= kFlagModified;
  return settings->lastRecordId;
}

int RunImportPicture(const std::vector<std::string>& args) {
  cli::Args a(args);
  std::string storeFile, topicText, sizeText = "320x320", qualityText = "80", titleText;
  bool missing = false;
  const bool haveStore = a.TakeOption("--store", &storeFile, &missing);
  const bool haveTopic = a.TakeOption("--topic", &topicText, &missing);
  a.TakeOption("--size", &sizeText, &missing);
  a.TakeOption("--quality", &qualityText, &missing);
  const bool haveTitle = a.TakeOption("--title", &titleText, &missing);
  const bool makePrivate = a.TakeFlag("--private");
  if (missing) return cli::UsageError("import-picture: an option is missing its value");
  if (!a.UnknownOption().empty()) return cli::UsageError("import-picture: unknown option " + a.UnknownOption());
  if (!haveStore || !haveTopic) return cli::UsageError("import-picture needs --store FILE and --topic TOPICID");
  if (a.Rest().empty()) return cli::UsageError("import-picture needs at least one PICTURE");

  char* end = nullptr;
  errno = 0;
  const unsigned long topicId = std::strtoul(topicText.c_str(), &end, 10);
  if (topicText.empty() || *end != '\0' || errno != 0 || topicId == 0 || topicId > UINT32_MAX ||
      topicText[0] == '-' || topicText[0] == '+')
    return cli::UsageError("import-picture: --topic takes a record id, not '" + topicText + "'");
  const int sizeIndex = SizeIndexFromText(sizeText);
  if (sizeIndex < 0) return cli::UsageError("import-picture: unknown size '" + sizeText + "' (160x160, 320x320 or 320x480)");
  const bool autoQuality = qualityText == "auto";
  int quality = kDefaultQuality;
  if (!autoQuality) {
    errno = 0;
    const long q = std::strtol(qualityText.c_str(), &end, 10);
    if (qualityText.empty() || *end != '\0' || errno != 0 || q < 0 || q > 100)
      return cli::UsageError("import-picture: --quality takes 0 to 100 or auto, not '" + qualityText + "'");
    quality = static_cast<int>(q);
  }
  CpText fixedTitle;
  if (haveTitle && !HandheldTitle(titleText, "the title", &fixedTitle)) return cli::kExitUsage;

  CRecordStore store(storeFile, "");
  const DbResult loaded = store.Load();
  if (loaded != DB_OK) {
    std::fprintf(stderr, "quillet-cli: import-picture: cannot load %s (%s)\n", storeFile.c_str(),
                 ResultCodeName(loaded));
    return cli::kExitFailed;
  }
  CTopicRecord* topic = LiveOfKind<CTopicRecord>(store, static_cast<uint32_t>(topicId));
  CTopicLinksRecord* links = topic ? LiveOfKind<CTopicLinksRecord>(store, topic->linksId) : nullptr;
  if (topic == nullptr || links == nullptr) {
    std::fprintf(stderr, "quillet-cli: import-picture: no topic %lu in %s\n", topicId, storeFile.c_str());
    return cli::kExitFailed;
  }

  // Every picture first: one that is refused leaves the store as it was.
  const DisplaySize& size = kDisplaySizes[sizeIndex];
  std::vector<Prepared> prepared;
  bool refused = false;
  for (const std::string& path : a.Rest()) {
    Prepared p;
    p.path = path;
    CPictureSource source;
    const int loadResult = LoadPictureFile(path, &source);
    if (loadResult != 0) {
      struct stat st;
      const bool missing = loadResult > 0 && ::lstat(path.c_str(), &st) != 0 && errno == ENOENT;
      std::fprintf(stderr, "quillet-cli: import-picture: %s: %s\n", path.c_str(),
                   loadResult < 0 ? "not a picture (.jpg, .jpeg or .bmp)"
                   : missing      ? "no such file"
                                  : "cannot be read as a picture");
      refused = true;
      continue;
    }
    // What the image window stores after Fit.
    const Placement placement{size.width, size.height,
                              FitZoom(source.width(), source.height(), size.width, size.height), 0, 0};
    p.pixels = std::make_unique<FloatImage>();
    if (!CaptureFrame(source, placement, p.pixels.get())) {
      std::fprintf(stderr, "quillet-cli: import-picture: %s: %s\n", path.c_str(),
                   source.damaged() ? "the picture file is damaged or cut off" : "cannot be decoded");
      refused = true;
      continue;
    }
    if (autoQuality) {
      p.quality = EncodeToFit(*p.pixels, &p.jpeg);
      if (p.quality < 0) {
        std::fprintf(stderr, "quillet-cli: import-picture: %s: larger than %zu bytes even at quality 0\n",
                     path.c_str(), kMaxPictureBytes);
        refused = true;
        continue;
      }
    } else {
      p.quality = quality;
      if (!EncodeRecordJpeg(*p.pixels, quality, &p.jpeg)) {
        std::fprintf(stderr, "quillet-cli: import-picture: %s: cannot be encoded\n", path.c_str());
        refused = true;
        continue;
      }
      if (!PictureFitsRecord(p.jpeg.size())) {
        std::fprintf(stderr,
                     "quillet-cli: import-picture: %s: %zu bytes at quality %d, over the %zu-byte limit "
                     "(lower --quality, or --quality auto)\n",
                     path.c_str(), p.jpeg.size(), quality, kMaxPictureBytes);
        refused = true;
        continue;
      }
    }
    if (haveTitle) p.title = fixedTitle;
    else if (!HandheldTitle(NameAsTitle(BaseName(path)), "the name of " + path, &p.title)) {
      refused = true;
      continue;
    }
    prepared.push_back(std::move(p));
  }
  if (refused) {
    std::fprintf(stderr, "quillet-cli: import-picture: nothing was added\n");
    return cli::kExitFailed;
  }

  // The records, their picture files beside the store, one save.
  const std::string folder = Folder(storeFile);
  std::set<std::string> taken;
  CRecord* r = nullptr;
  for (DbResult rc = store.FirstOfKind(kKindImage, &r, false); rc == DB_OK; rc = store.NextOfKind(kKindImage, &r, false))
    taken.insert(RecordAs<CImageRecord>(r)->fileName);
  std::vector<std::string> written;
  std::vector<std::string> names;
  auto undo = [&written] {
    for (const std::string& f : written) ::unlink(f.c_str());
  };
  for (Prepared& p : prepared) {
    // Names come from the clock: a batch, or another import running now,
    // waits a millisecond rather than give two pictures one file.
    std::string name = GenerateImageFileName();
    int claimed = EEXIST;
    for (int tries = 0; tries < 2000; ++tries) {
      if (!taken.count(name)) {
        claimed = ClaimFile(folder + name);
        if (claimed != EEXIST) break;
      }
      ::usleep(1000);
      name = GenerateImageFileName();
    }
    if (claimed != 0) {
      std::fprintf(stderr, "quillet-cli: import-picture: cannot write %s (%s)\n", (folder + name).c_str(),
                   std::strerror(claimed));
      undo();
      return cli::kExitFailed;
    }
    written.push_back(folder + name);
    taken.insert(name);
    auto image = std::make_unique<CImageRecord>();
    image->recordId = NextId(store);
    if (image->recordId == 0) {
      std::fprintf(stderr, "quillet-cli: import-picture: %s has no settings record to number records from\n",
                   storeFile.c_str());
      undo();
      return cli::kExitFailed;
    }
    image->title = p.title;
    image->fileName = name;
    image->format = kImageFormatJpeg;
    image->width = static_cast<uint32_t>(size.width);
    image->height = static_cast<uint32_t>(size.height);
    image->isPrivate = makePrivate ? 1 : 0;
    image->data = p.jpeg;
    const uint32_t id = image->recordId;
    if (store.AddNew(std::move(image)) != DB_OK) {
      std::fprintf(stderr, "quillet-cli: import-picture: out of memory\n");
      undo();
      return cli::kExitFailed;
    }
    links->memberIds.push_back(id);
    links->flags |= kFlagModified;
    const std::string file = folder + name;
    if (p.pixels->save_jpeg(file.c_str(), 100) != 0) {
      std::fprintf(stderr, "quillet-cli: import-picture: cannot write %s\n", file.c_str());
      undo();
      return cli::kExitFailed;
    }
    names.push_back(name);
  }
  const DbResult saved = store.Save();
  if (saved != DB_OK) {
    std::fprintf(stderr, "quillet-cli: import-picture: cannot save %s (%s)\n", storeFile.c_str(),
                 ResultCodeName(saved));
    undo();
    return cli::kExitFailed;
  }
  // The ids as stored: a save that merged another writer's records gives
  // ours fresh ids where that writer used the same ones.
  std::map<std::string, uint32_t> stored;
  for (DbResult rc = store.FirstOfKind(kKindImage, &r, true); rc == DB_OK; rc = store.NextOfKind(kKindImage, &r, true))
    stored[RecordAs<CImageRecord>(r)->fileName] = r->recordId;
  std::vector<std::string> lines;
  for (size_t i = 0; i < prepared.size(); ++i) {
    char line[512];
    std::snprintf(line, sizeof line, "%u %dx%d %zu %d %s\n", stored[names[i]], size.width, size.height,
                  prepared[i].jpeg.size(), prepared[i].quality, names[i].c_str());
    lines.push_back(line);
  }
  for (const std::string& line : lines) std::fputs(line.c_str(), stdout);
  return cli::kExitOk;
}

}  // namespace

QUILLET_CLI_COMMAND(
    "import-picture", "add picture files to a topic as handheld pictures",
    "quillet-cli import-picture --store FILE --topic TOPICID [--size 160x160|320x320|320x480]\n"
    "                           [--quality N|auto] [--title TEXT] [--private] PICTURE...\n\n"
    "Adds each PICTURE (.jpg, .jpeg or .bmp) to the topic TOPICID of the store FILE\n"
    "exactly as the image window's OK does after Fit: the whole picture in a frame\n"
    "of the size (default 320x320), stored as a JPEG of at most 60000 bytes at the\n"
    "quality (default 80; auto starts at 80 and lowers it in steps of 5 until the\n"
    "JPEG fits), with its picture file at quality 100 in the store's folder. The\n"
    "title is TEXT or the file's base name. The store is saved once, at the end.\n"
    "Prints one line per added picture: RECORDID WIDTHxHEIGHT BYTES QUALITY FILENAME.\n"
    "Exit 0 when every picture was added; 1 when any was refused (too large at the\n"
    "given quality, unreadable, not a picture, no such topic), and then nothing is\n"
    "saved; 2 for bad arguments (an unknown size among them).",
    RunImportPicture);
