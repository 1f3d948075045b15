// Filling the topic tree: 500 topics, 5,000 members of which 1,000 are
// pictures. Prints the first fill (every picture decoded and written), a
// refill after one change (the pictures' files kept), and filling the same
// tree from texts already read, which is Qt's own share; the ratio is our
// overhead over it.
#include <stdlib.h>

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/AppPaths.h"
#include "base/RegistryKey.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/TopicTreeModel.h"
#include "desktop/records/WindowHost.h"
#include "testing/BenchTimes.h"
#include "testing/RecordingHost.h"
#include "testing/WindowsTestSupport.h"
#include "widgets/records/TopicTree.h"

using namespace quillet;
using Clock = std::chrono::steady_clock;
using quillet::bench::Ms;
using quillet::bench::Median;

namespace {

void BuildStore(const std::string& output) {
  // Pictures of the handheld's smallest screen size; a handful of distinct
  // ones, as a photo library repeats nothing but the sizes.
  std::vector<std::vector<uint8_t>> jpegs;
  for (int i = 0; i < 8; ++i) jpegs.push_back(testing::MakeJpeg(160, 160, i));
  uint32_t pictures = 0;
  for (int t = 0; t < 500; ++t) {
    auto topic = std::make_unique<CTopicRecord>();
    auto links = std::make_unique<CTopicLinksRecord>();
    topic->recordId = NextRecordId();
    links->recordId = NextRecordId();
    topic->linksId = links->recordId;
    links->topicId = topic->recordId;
    topic->title = CpText("Topic " + std::to_string((t * 7919) % 500) + " about things");
    for (int m = 0; m < 10; ++m) {
      std::unique_ptr<CRecord> member;
      if (m % 5 == 4) {
        auto image = std::make_unique<CImageRecord>();
        image->title = CpText("Picture " + std::to_string(pictures));
        image->fileName = "pic" + std::to_string(pictures) + ".jpg";
        image->data = jpegs[pictures % jpegs.size()];
        image->width = image->height = 160;
        ++pictures;
        member = std::move(image);
      } else if (m % 5 == 3) {
        auto ref = std::make_unique<CCustomRecord>();
        ref->customType = kCustomBook;
        ref->fields = {"A book with a title that runs on for a while, longer than sixty"_cp, ""_cp, ""_cp,
                       ""_cp, ""_cp, ""_cp, ""_cp};
        member = std::move(ref);
      } else {
        auto note = std::make_unique<CNoteRecord>();
        note->text = CpText("Note " + std::to_string(m) + " of topic " + std::to_string(t) +
                     "\nwith a second line that the tree does not show");
        member = std::move(note);
      }
      member->recordId = NextRecordId();
      links->memberIds.push_back(member->recordId);
      pDB->AddNew(std::move(member));
    }
    pDB->AddNew(std::move(topic));
    pDB->AddNew(std::move(links));
  }
  pDB->Save();
  std::printf("store: %u records, %u pictures, output %s\n", pDB->highWater(), pictures,
              output.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const std::string scratch = std::string(argc > 1 ? argv[1] : "/tmp") + "/tree_bench/";
  std::filesystem::remove_all(scratch);
  std::filesystem::create_directories(scratch + "out");
  ::setenv("QUILLET_REGISTRY", (scratch + "registry.db").c_str(), 1);
  QApplication app(argc, argv);

  const std::string output = scratch + "out/";
  {
    CRegistryKey key;
    key.OpenProgramKey("Bench/");
    key.WriteValueString("OutputPath", output);
  }
  AppPaths.userFolder = "Bench/";
  AppPaths.outputFolder = output;
  EnsureStoreFile("Bench/");
  if (!OpenUserStore("Bench/")) {
    std::fprintf(stderr, "cannot open the bench store\n");
    return 1;
  }
  BuildStore(output);

  RecordingHost host;
  ScopedWindowHost scope(&host);
  QWidget window;
  window.resize(300, 700);
  CTopicTree tree;
  tree.Create(&window);
  tree.Move(QRect(0, 0, 300, 700));
  tree.Show(true);
  window.show();
  app.processEvents();

  auto t0 = Clock::now();
  tree.Refresh();
  app.processEvents();
  auto t1 = Clock::now();
  std::printf("first fill:            %8.1f ms  (%zu topics, %zu members, %zu pictures written)\n",
              Ms(t0, t1), tree.lastFill().topics, tree.lastFill().members,
              tree.lastFill().picturesWritten);

  // One change, as a record window makes it, then the refill that follows.
  CNoteRecord* changed = nullptr;
  for (uint32_t pos = 0; pos < pDB->highWater() && !changed; ++pos)
    changed = RecordAs<CNoteRecord>(pDB->RecordAt(pos));
  std::vector<double> refill, store_part, qt_part;
  for (int run = 0; run < 9; ++run) {
    changed->text = CpText("Changed " + std::to_string(run));
    changed->flags |= kFlagModified;
    pDB->Save();
    auto a = Clock::now();
    tree.Refresh();
    app.processEvents();
    auto b = Clock::now();
    refill.push_back(Ms(a, b));

    // The same tree from texts already read: Qt's own insertion.
    auto c = Clock::now();
    std::vector<TreeTopicItem> texts = CollectTopicTree({}, output, &tree.pictures(), nullptr);
    // Hidden while it fills and shown again, as a refresh does.
    auto d = Clock::now();
    tree.view()->hide();
    tree.Populate(texts);
    tree.view()->show();
    app.processEvents();
    auto e = Clock::now();
    store_part.push_back(Ms(c, d));
    qt_part.push_back(Ms(d, e));
  }
  const double r = Median(refill), q = Median(qt_part);
  std::printf("refill after a change: %8.1f ms  (median of 9; %zu pictures kept, %zu written)\n", r,
              tree.lastFill().picturesKept, tree.lastFill().picturesWritten);
  std::printf("  reading the store:   %8.1f ms\n", Median(store_part));
  std::printf("  Qt insertion alone:  %8.1f ms\n", q);
  std::printf("refill / Qt insertion: %8.2f x   (target < 3x; refill target < 100 ms)\n", r / q);

  tree.pictures().Clear();
  auto f = Clock::now();
  tree.Refresh();
  app.processEvents();
  auto g = Clock::now();
  std::printf("refill re-encoding every picture (no kept files): %8.1f ms\n", Ms(f, g));
  DeleteCurrentStore();
  std::filesystem::remove_all(scratch);
  return 0;
}
