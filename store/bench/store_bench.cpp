// Load and Save of a large store against a plain copy of the same file, and
// a save that has to merge another writer's changes against a plain save.
//
// Builds a store of 100,000 records (2,000 of them pictures of 20-60 KB),
// saves it into the scratch folder, then times Load and Save there and a
// plain read-write-sync copy of the same file, in the same run. Then, in the
// same run again, a save after one change here when the file is as this
// store left it (plain), beside the same save when another writer changed
// 100 records of the file meanwhile (merging). Peak memory is measured in a
// fresh child process (this program run again with --measure) so that
// building the store does not count.
//
// usage: store_bench SCRATCH_FOLDER
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "store/RecordKinds.h"
#include "store/LoadPhases.h"
#include "store/RecordStore.h"

namespace {

using namespace quillet;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kRecords = 100000;
constexpr uint32_t kPictures = 2000;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string Words(std::mt19937& rng, int count) {
  static const char* const kWords[] = {"quill", "note", "topic", "palm", "page", "ink",
                                       "paper", "field", "river", "stone", "light", "map"};
  std::string s;
  for (int i = 0; i < count; ++i) {
    if (i) s += (rng() % 9 == 0) ? "\n" : " ";
    s += kWords[rng() % 12];
  }
  return s;
}

void Build(const std::string& path) {
  std::mt19937 rng(12345);
  CRecordStore store(path, "");
  uint32_t id = 1;
  auto settings = std::make_unique<CSettingsRecord>();
  store.AddNew(std::move(settings));
  uint32_t made = 1;
  for (int c = 0; c < 40; ++c, ++made) {
    auto cat = std::make_unique<CCategoryRecord>();
    cat->recordId = ++id;
    cat->name = CpText("Category " + std::to_string(c));
    store.AddNew(std::move(cat));
  }
  uint32_t pictures = 0;
  while (made < kRecords) {
    // A topic, its links record and up to 8 members.
    auto topic = std::make_unique<CTopicRecord>();
    auto links = std::make_unique<CTopicLinksRecord>();
    topic->recordId = ++id;
    links->recordId = ++id;
    topic->linksId = links->recordId;
    links->topicId = topic->recordId;
    topic->title = CpText(Words(rng, 3));
    topic->fileName = std::to_string(id) + ".htm";
    topic->categoryId = 2 + rng() % 40;
    made += 2;
    for (int m = 0; m < 8 && made < kRecords; ++m, ++made) {
      std::unique_ptr<CRecord> member;
      const uint32_t roll = rng() % 100;
      if (pictures < kPictures && (roll < 3 || kRecords - made <= kPictures - pictures)) {
        auto image = std::make_unique<CImageRecord>();
        image->title = "My Pictures"_cp;
        image->fileName = std::to_string(id + 1) + ".jpg";
        image->width = image->height = 320;
        std::vector<uint8_t> bytes(20000 + rng() % 40001);
        for (auto& b : bytes) b = static_cast<uint8_t>(rng());
        image->data = std::move(bytes);
        member = std::move(image);
        ++pictures;
      } else if (roll < 75) {
        auto note = std::make_unique<CNoteRecord>();
        note->text = CpText(Words(rng, 5 + rng() % 60));
        member = std::move(note);
      } else {
        auto ref = std::make_unique<CCustomRecord>();
        ref->customType = -1 - static_cast<int32_t>(rng() % 6);
        for (int f = 0; f < CustomTypeFieldCount(ref->customType); ++f)
          ref->fields.emplace_back(Words(rng, 1 + rng() % 4));
        member = std::move(ref);
      }
      member->recordId = ++id;
      links->memberIds.push_back(member->recordId);
      store.AddNew(std::move(member));
    }
    store.AddNew(std::move(topic));
    store.AddNew(std::move(links));
  }
  if (store.Save() != DB_OK) std::fprintf(stderr, "store_bench: could not save %s\n", path.c_str());
  std::printf("built      %u records, %u pictures\n", store.liveCount(), pictures);
}

// Changes the texts of `count` notes spread over the store.
void ChangeNotes(CRecordStore& store, int count, int salt, const char* who) {
  std::vector<CNoteRecord*> notes;
  for (uint32_t i = 0; i < store.highWater(); ++i)
    if (auto* n = RecordAs<CNoteRecord>(store.RecordAt(i))) notes.push_back(n);
  if (notes.empty()) return;
  for (int k = 0; k < count; ++k) {
    CNoteRecord* n = notes[(static_cast<size_t>(k) * 7919 + static_cast<size_t>(salt) * 104729) % notes.size()];
    n->text = CpText(std::string(who) + " " + std::to_string(salt) + " " + std::to_string(k));
    n->flags |= kFlagModified;
  }
}

// A plain copy: read the whole file and write it out in 1 MB pieces, then
// sync, as a save syncs.
bool Copy(const std::string& from, const std::string& to) {
  int in = ::open(from.c_str(), O_RDONLY);
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (in < 0 || out < 0) return false;
  std::vector<char> buf(1 << 20);
  bool ok = true;
  for (;;) {
    ssize_t got = ::read(in, buf.data(), buf.size());
    if (got <= 0) { ok = got == 0; break; }
    if (::write(out, buf.data(), static_cast<size_t>(got)) != got) { ok = false; break; }
  }
  ok = ::fsync(out) == 0 && ok;
  ::close(in);
  ::close(out);
  return ok;
}

// Peak resident size of this process in KB. VmHWM belongs to the address
// space, which exec replaces, so the child's figure starts from nothing
// (ru_maxrss would carry the parent's peak over).
long PeakRssKb() {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  long kb = -1;
  while (std::fgets(line, sizeof line, f))
    if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
  std::fclose(f);
  return kb;
}

// The child: load and save once, report its own peak resident size.
int Measure(const std::string& path) {
  const long before = PeakRssKb();
  CRecordStore store(path, "");
  DbResult load = store.Load();
  DbResult save = store.Save();
  const long peak = PeakRssKb();
  std::printf("child      load %u, save %u\n", load, save);
  std::printf("peak       %.1f MB (%.1f MB before the load)\n", peak / 1024.0, before / 1024.0);
  return load == DB_OK && save == DB_OK ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && !std::strcmp(argv[1], "--measure")) return Measure(argv[2]);
  if (argc != 2) {
    std::fprintf(stderr, "usage: store_bench SCRATCH_FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  const std::string path = folder + "/bench-quillet.dat";
  const std::string copy = folder + "/bench-copy.dat";
  Build(path);

  struct stat st;
  ::stat(path.c_str(), &st);
  const double mb = st.st_size / (1024.0 * 1024.0);
  std::printf("file       %.1f MB\n", mb);

  // Warm both paths once, then take the best of three of each.
  double copy_s = 1e9, load_s = 1e9, save_s = 1e9;
  for (int round = 0; round < 4; ++round) {
    auto t = Clock::now();
    if (!Copy(path, copy)) std::fprintf(stderr, "store_bench: copy failed\n");
    double c = Seconds(t);
    CRecordStore store(path, "");
    t = Clock::now();
    DbResult rc = store.Load();
    double l = Seconds(t);
    t = Clock::now();
    DbResult rs = store.Save();
    double s = Seconds(t);
    if (rc != DB_OK || rs != DB_OK) std::fprintf(stderr, "store_bench: load %u save %u\n", rc, rs);
    if (round == 0) continue;
    copy_s = std::min(copy_s, c);
    load_s = std::min(load_s, l);
    save_s = std::min(save_s, s);
  }
  std::printf("copy       %.3f s (%.0f MB/s)\n", copy_s, mb / copy_s);
  std::printf("load       %.3f s\n", load_s);
  std::printf("save       %.3f s\n", save_s);
  std::printf("load+save  %.2f x copy (target 3.00 x or less)\n", (load_s + save_s) / copy_s);

  // The load's phases (store/LoadPhases.h), apart from the loads above so
  // that the clock readings add nothing to them: the best of three timed
  // loads, each with its first lookup by id (which makes the id index).
  SetStoreLoadTiming(true);
  StoreLoadPhases phases;
  for (int round = 0; round < 3; ++round) {
    CRecordStore store(path, "");
    if (store.Load() != DB_OK) std::fprintf(stderr, "store_bench: timed load failed\n");
    CRecord* found = nullptr;
    store.FindById(1, &found);
    const StoreLoadPhases p = LastStoreLoadPhases();
    if (round == 0 || p.totalNs < phases.totalNs) phases = p;
  }
  SetStoreLoadTiming(false);
  std::printf("phases     %s\n", StoreLoadPhasesLine(phases).c_str());

  // A save that has to merge, beside a plain save of the same store.
  double plain_s = 1e9, merge_s = 1e9;
  uint32_t merged_from_other = 0;
  for (int round = 0; round < 4; ++round) {
    CRecordStore here(path, "");
    if (here.Load() != DB_OK) std::fprintf(stderr, "store_bench: load failed\n");
    ChangeNotes(here, 1, round, "here");
    auto t = Clock::now();
    DbResult rp = here.Save();
    double p = Seconds(t);
    {
      // Another writer changes 100 notes of the file.
      CRecordStore other(path, "");
      other.Load();
      ChangeNotes(other, 100, round + 1000, "other");
      if (other.Save() != DB_OK) std::fprintf(stderr, "store_bench: other save failed\n");
    }
    ChangeNotes(here, 1, round + 7, "here again");
    t = Clock::now();
    DbResult rm = here.Save();
    double m = Seconds(t);
    if (rp != DB_OK || rm != DB_OK) std::fprintf(stderr, "store_bench: save %u merge %u\n", rp, rm);
    merged_from_other = here.lastMerge().fromOther;
    if (round == 0) continue;
    plain_s = std::min(plain_s, p);
    merge_s = std::min(merge_s, m);
  }
  std::printf("plain save %.3f s (1 record changed here)\n", plain_s);
  std::printf("merge save %.3f s (1 changed here, %u taken from 100 changed by another writer)\n",
              merge_s, merged_from_other);
  std::printf("merge      %.2f x plain save (target 2.00 x or less)\n", merge_s / plain_s);

  // Peak memory in a fresh process.
  std::fflush(stdout);
  pid_t child = ::fork();
  if (child == 0) {
    ::execl("/proc/self/exe", argv[0], "--measure", path.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  std::printf("target     peak under %.1f MB (2 x the %.1f MB file + 64 MB)\n", 2 * mb + 64, mb);
  ::unlink(copy.c_str());
  ::unlink(path.c_str());
  return 0;
}
