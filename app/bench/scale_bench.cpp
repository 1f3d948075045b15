// The main window's work at the size real users reach: a store written by
// `quillet-cli synth-store` (5,000 topics of 19 members, 4,759 pictures:
// 105,021 records) plus one topic of 2,000 members. Prints:
//  - the tree's refill after one change (target under 50 ms), beside the
//    same tree built anew;
//  - Find, ALL, two words, every kind, over the store, and the result
//    list's entries made from it (target under 50 ms, the list's paint not
//    counted), beside a plain byte-by-byte search; and the Find button in
//    the window with the result list filled;
//  - the report of the 2,000-member topic built with a shipped theme and
//    shown in the browser pane (target under 300 ms), the time until the
//    whole page is there and the longest the window went without answering
//    meanwhile, beside the whole page laid out at once on the window thread.
// Run from the build folder's bench/ (it finds ../bin/quillet-cli and the
// shipped themes in ../share/quillet/template/).
#include <stdlib.h>
#include <unistd.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QTextBrowser>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/WebWnd.h"
#include "base/AppPaths.h"
#include "base/RegistryKey.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/find/FindForm.h"
#include "desktop/records/PictureFiles.h"
#include "desktop/records/TopicTreeModel.h"
#include "desktop/records/WindowHost.h"
#include "platform/paths/ProgramPaths.h"
#include "reports/ImagingWriter.h"
#include "reports/ReportBuilder.h"
#include "reports/StoreReportSource.h"
#include "store/RecordKinds.h"
#include "store/find/FindEngine.h"
#include "testing/BenchTimes.h"
#include "testing/RecordingHost.h"
#include "testing/WindowsTestSupport.h"
#include "widgets/find/FindList.h"
#include "widgets/records/TopicTree.h"

using namespace quillet;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using quillet::bench::Ms;
using quillet::bench::CpuMs;
using quillet::bench::Median;

namespace {

// SCALE_BENCH_ONLY=tree,find,report runs only the parts named (for a
// profiler); all by default.
bool Runs(const char* part) {
  const QByteArray only = qgetenv("SCALE_BENCH_ONLY");
  return only.isEmpty() || only.split(',').contains(part);
}

// The search as the rules say it, without the engine's preparation: one
// walk per kind, every word compared byte by byte with every field. The
// engine's figure is printed beside it.
size_t PlainSearch(const CRecordStore& store, const std::vector<std::string>& words) {
  size_t found = 0;
  const uint32_t kinds[4] = {kKindTopic, kKindNote, kKindImage, kKindCustom};
  for (uint32_t kind : kinds) {
    for (uint32_t pos = 0; pos < store.highWater(); ++pos) {
      const CRecord* r = store.RecordAt(pos);
      if (r == nullptr || r->kind != kind || !r->IsLive()) continue;
      std::vector<const std::string*> fields;
      if (const auto* t = RecordAs<CTopicRecord>(r)) fields.push_back(&t->title.bytes());
      if (const auto* n = RecordAs<CNoteRecord>(r)) fields.push_back(&n->text.bytes());
      if (const auto* i = RecordAs<CImageRecord>(r)) fields.push_back(&i->title.bytes());
      if (const auto* c = RecordAs<CCustomRecord>(r))
        for (size_t f = 0; f < c->fields.size() && f < 8; ++f) fields.push_back(&c->fields[f].bytes());
      bool all = true;
      for (const std::string& w : words) {
        bool matched = false;
        for (const std::string* f : fields) matched = matched || ContainsWord(*f, w);
        all = all && matched;
      }
      found += all;
    }
  }
  return found;
}

// The longest time the event loop went without turning, while it runs:
// a timer due every millisecond notes each gap between its calls.
class BlockWatch {
 public:
  BlockWatch() {
    timer_.setInterval(1);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const auto now = Clock::now();
      longest_ = std::max(longest_, Ms(last_, now));
      last_ = now;
    });
  }
  void Start() {
    longest_ = 0;
    last_ = Clock::now();
    timer_.start();
  }
  // Counts the time since the last turn too.
  double Stop() {
    timer_.stop();
    return std::max(longest_, Ms(last_, Clock::now()));
  }

 private:
  QTimer timer_;
  Clock::time_point last_;
  double longest_ = 0;
};

// One topic of 2,000 members: notes, references and pictures whose files
// are there.
uint32_t AddLargeTopic(const std::string& output) {
  auto topic = std::make_unique<CTopicRecord>();
  auto links = std::make_unique<CTopicLinksRecord>();
  topic->recordId = NextRecordId();
  links->recordId = NextRecordId();
  topic->linksId = links->recordId;
  links->topicId = topic->recordId;
  topic->title = "A large topic"_cp;
  topic->fileName = "large-topic.htm";
  const std::vector<uint8_t> jpeg = testing::MakeJpeg(160, 120, 3);
  ImagingWriter writer;
  for (int i = 0; i < 2000; ++i) {
    std::unique_ptr<CRecord> member;
    if (i % 20 == 19) {
      auto image = std::make_unique<CImageRecord>();
      image->title = CpText("Picture " + std::to_string(i));
      image->fileName = "large-" + std::to_string(i) + ".jpg";
      image->data = jpeg;
      image->width = 160;
      image->height = 120;
      writer.WriteJpeg(output + image->fileName, 160, 120, jpeg.data(), jpeg.size());
      member = std::move(image);
    } else if (i % 10 == 9) {
      auto ref = std::make_unique<CCustomRecord>();
      ref->customType = kCustomBook;
      ref->fields = {CpText("A book about gardens " + std::to_string(i)), "An Author"_cp, "A Publisher"_cp,
                     "978-0-00-000000-0"_cp, "2020"_cp, "200"_cp, "Read chapter 3."_cp};
      member = std::move(ref);
    } else {
      auto note = std::make_unique<CNoteRecord>();
      note->text = CpText("Note " + std::to_string(i) + " on the garden\nwith a second line\nand a third");
      member = std::move(note);
    }
    member->recordId = NextRecordId();
    links->memberIds.push_back(member->recordId);
    pDB->AddNew(std::move(member));
  }
  const uint32_t id = topic->recordId;
  pDB->AddNew(std::move(topic));
  pDB->AddNew(std::move(links));
  pDB->Save();
  return id;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const std::string build = qplat::PrefixFolder();  // the build tree mirrors the installed layout
  const std::string scratch = std::string(argc > 1 ? argv[1] : "/tmp") + "/scale_bench/";
  fs::remove_all(scratch);
  fs::create_directories(scratch + "out");
  ::setenv("QUILLET_REGISTRY", (scratch + "registry.db").c_str(), 1);
  ::setenv("XDG_CACHE_HOME", (scratch + "cache").c_str(), 1);
  QApplication app(argc, argv);

  const std::string output = scratch + "out/";
  const std::string store = output + "quillet.dat";
  const std::string command = "\"" + build + "bin/quillet-cli\" synth-store \"" + store +
                              "\" --topics 5000 --members 19 --pictures 4759 >/dev/null";
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "scale_bench: synth-store failed (%s)\n", command.c_str());
    return 1;
  }
  {
    CRegistryKey key;
    key.OpenProgramKey("Bench/");
    key.WriteValueString("OutputPath", output);
  }
  AppPaths.userFolder = "Bench/";
  AppPaths.outputFolder = output;
  if (!OpenUserStore("Bench/")) {
    std::fprintf(stderr, "scale_bench: cannot open %s\n", store.c_str());
    return 1;
  }
  const uint32_t large = AddLargeTopic(output);
  std::printf("store: %u records\n", pDB->highWater());

  // --- The tree -------------------------------------------------------------
  RecordingHost host;
  ScopedWindowHost scope(&host);
  QWidget window;
  window.resize(900, 700);
  CTopicTree tree;
  CPictureFiles pictures;
  pictures.SetCacheFolder(scratch + "cache/");
  pictures.SetBackground(true);  // as in the program: the fill only notes the pictures
  tree.UsePictureFiles(&pictures);
  tree.Create(&window);
  tree.Move(QRect(0, 0, 300, 700));
  tree.Show(true);
  window.show();
  app.processEvents();

  if (Runs("tree")) {
    auto t0 = Clock::now();
    tree.Refresh();
    app.processEvents();
    auto t1 = Clock::now();
    std::printf("tree fill:                   %7.1f ms  (%zu topics, %zu members)\n", Ms(t0, t1),
                tree.lastFill().topics, tree.lastFill().members);
    CNoteRecord* changed = nullptr;
    for (uint32_t pos = 0; pos < pDB->highWater() && !changed; ++pos)
      changed = RecordAs<CNoteRecord>(pDB->RecordAt(pos));
    // A refill after one change, and beside it the tree built anew from
    // nothing after the same change (an emptied tree is filled whole).
    std::vector<double> refill, refill_cpu, rebuild, rebuild_cpu;
    for (int run = 0; run < 7; ++run) {
      for (bool whole : {false, true}) {
        changed->text = CpText("Changed " + std::to_string(run) + (whole ? " again" : ""));
        changed->flags |= kFlagModified;
        pDB->Save();
        if (whole) tree.view()->clear();
        auto a = Clock::now();
        const double c = CpuMs();
        tree.Refresh();
        app.processEvents();
        (whole ? rebuild : refill).push_back(Ms(a, Clock::now()));
        (whole ? rebuild_cpu : refill_cpu).push_back(CpuMs() - c);
      }
    }
    std::printf("refill after a change:       %7.1f ms  (CPU %.1f ms; median of 7; target < 50 ms)\n"
                "  built anew instead:        %7.1f ms  (CPU %.1f ms; refill / anew: %.2f x CPU)\n",
                Median(refill), Median(refill_cpu), Median(rebuild), Median(rebuild_cpu),
                Median(refill_cpu) / Median(rebuild_cpu));
  }
  pictures.SetBackground(false);

  // --- Find -------------------------------------------------------------------
  if (Runs("find")) {
    const std::string text = "garden river";
    std::vector<double> find, find_cpu, plain_cpu;
    size_t found = 0, plain_found = 0;
    for (int run = 0; run < 7; ++run) {
      CFindEngine engine;
      for (FindKind k : {FindKind::kTopic, FindKind::kNote, FindKind::kImage, FindKind::kCustom})
        engine.EnableKind(k);
      auto a = Clock::now();
      double c = CpuMs();
      engine.Find(*pDB, CpText(text), FIND_RULE_ALL);
      const std::vector<FindListEntry> list = engine.FillOrder();
      find.push_back(Ms(a, Clock::now()));
      find_cpu.push_back(CpuMs() - c);
      found = list.size();
      c = CpuMs();
      plain_found = PlainSearch(*pDB, SplitWords(text));
      plain_cpu.push_back(CpuMs() - c);
    }
    std::printf("find ALL, two words, all kinds: %4.1f ms  (CPU %.1f ms; median of 7, %zu found; "
                "target < 50 ms)\n  the plain byte-by-byte search: CPU %.1f ms (%zu found; engine / "
                "plain: %.2f x)\n",
                Median(find), Median(find_cpu), found, Median(plain_cpu), plain_found,
                Median(find_cpu) / Median(plain_cpu));

    // In the window: the Find button (search, the list's lines sorted, the
    // list's items made), the list's paint not counted.
    auto form = std::make_shared<CFindForm>();  // its log lines as in the program
    CFindList list(form);
    list.Create(&window);
    list.Initialize();
    list.Move(QRect(300, 0, 600, 700));
    form->SetSearchText(CpText(text));
    form->CheckRule(FIND_RULE_ALL);
    std::vector<double> press, press_cpu;
    for (int run = 0; run < 7; ++run) {
      auto a = Clock::now();
      const double c = CpuMs();
      form->PressFind(pDB);  // the list fills itself from the results
      press.push_back(Ms(a, Clock::now()));
      press_cpu.push_back(CpuMs() - c);
    }
    std::printf("  in the window, Find pressed: %5.1f ms  (CPU %.1f ms; median of 7, %d lines)\n",
                Median(press), Median(press_cpu), list.view()->topLevelItemCount());
  }

  // --- The report of a large topic in the pane --------------------------------------
  if (Runs("report")) {
    StoreReportSource source(pDB);
    ImagingWriter images;
    FixedReportSettings settings;
    settings.config.outputPath = output;
    settings.config.templatePath = build + "share/quillet/template/";
    settings.config.installPath = build + "share/quillet/";
    settings.config.lastTemplate = "Show Everything.htm";
    ReportServices services;
    services.source = &source;
    services.images = &images;
    services.settings = &settings;
    ReportBuilder builder(services);
    CWebWnd web(&window, QRect(300, 0, 600, 700));
    web.setGeometry(300, 0, 600, 700);
    web.show();
    app.processEvents();
    BlockWatch watch;
    std::vector<double> report, built, report_cpu, whole, blocked, at_once;
    size_t page_bytes = 0;
    for (int run = 0; run < 5; ++run) {
      auto a = Clock::now();
      const double c = CpuMs();
      builder.make_report(settings.config.lastTemplate, large);
      built.push_back(Ms(a, Clock::now()));
      const std::string page = builder.ReportPath(large);
      web.Navigate(page, true);
      web.repaint();  // painted here, not later: on screen from now
      report.push_back(Ms(a, Clock::now()));
      report_cpu.push_back(CpuMs() - c);
      page_bytes = static_cast<size_t>(fs::file_size(page));
      // A long page shows its beginning first; the whole page follows
      // while the window goes on answering.
      watch.Start();
      app.processEvents();
      while (web.browser()->showingFirstPart()) app.processEvents(QEventLoop::WaitForMoreEvents);
      web.repaint();
      app.processEvents();
      blocked.push_back(watch.Stop());
      whole.push_back(Ms(a, Clock::now()));
      // The same page laid out whole by a plain browser of the pane's size
      // on the window thread, as the pane did it before: the window waits
      // all that time.
      QTextBrowser plain(&window);
      plain.setGeometry(web.browser()->geometry().translated(300, 0));
      plain.show();
      app.processEvents();
      auto b = Clock::now();
      plain.setSource(QUrl::fromLocalFile(QString::fromStdString(page)));
      plain.document()->documentLayout()->documentSize();
      plain.repaint();
      at_once.push_back(Ms(b, Clock::now()));
    }
    std::printf("report of 2,000 members shown: %5.1f ms  (CPU %.1f ms; median of 5, theme %s, page "
                "%zu bytes; target < 300 ms)\n  of which the build:        %7.1f ms\n"
                "  the whole page in the pane: %7.1f ms, the window at most %.1f ms without "
                "answering\n  a plain browser laying the page out on the window thread: %.1f ms "
                "without answering (longest wait / that: %.3f x)\n",
                Median(report), Median(report_cpu), settings.config.lastTemplate.c_str(), page_bytes,
                Median(built), Median(whole), Median(blocked), Median(at_once),
                Median(blocked) / Median(at_once));
  }
  DeleteCurrentStore();
  // SCALE_BENCH_KEEP=1 keeps the store and the report for a closer look.
  if (qEnvironmentVariableIsEmpty("SCALE_BENCH_KEEP")) fs::remove_all(scratch);
  return 0;
}
