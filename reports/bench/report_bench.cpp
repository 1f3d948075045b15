// How long a whole report build takes for a large topic and a theme near
// the size limit, beside a plain file copy of as many bytes in the same run.
//
// Topic: 2000 notes, 200 references, 200 pictures whose files already
// exist in the output folder. Themes: every block, a picture in each note,
// and after the blocks a long rest that brings the theme to just under
// 819200 bytes, so the report fills the 819200-byte output.
#include <algorithm>
#include <cstdlib>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "reports/ImagingWriter.h"
#include "reports/ReportBuilder.h"
#include "reports/StoreReportSource.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"
#include "testing/BenchTimes.h"

namespace {

using namespace quillet;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using quillet::bench::CpuMs;
using quillet::bench::Median;

void Write(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
  std::string scratch = argc > 1 ? argv[1] : fs::temp_directory_path().string();
  std::string root = scratch + "/reports-bench/";
  fs::remove_all(root);
  std::string output = root + "output/";
  std::string themes = root + "template/";
  fs::create_directories(output);
  fs::create_directories(themes);

  CRecordStore store("quillet.dat", root);
  uint32_t next = 2;
  auto links = std::make_unique<CTopicLinksRecord>();
  links->recordId = next++;
  CTopicLinksRecord* l = links.get();
  store.AddNew(std::move(links));
  auto topic = std::make_unique<CTopicRecord>();
  topic->recordId = next++;
  topic->title = "A large topic"_cp;
  topic->linksId = l->recordId;
  topic->fileName = "bench.htm";
  uint32_t topic_id = topic->recordId;
  store.AddNew(std::move(topic));
  for (int i = 0; i < 2400; ++i) {
    std::unique_ptr<CRecord> r;
    if (i % 12 == 5) {
      auto img = std::make_unique<CImageRecord>();
      img->title = CpText("Picture " + std::to_string(i));
      img->fileName = "pic" + std::to_string(i) + ".jpg";
      img->width = img->height = 160;
      img->data = std::vector<uint8_t>(2000, 0x55);
      Write(output + img->fileName, std::string(2000, 'J'));
      r = std::move(img);
    } else if (i % 12 == 11) {
      auto ref = std::make_unique<CCustomRecord>();
      ref->customType = -1 - (i % 6);
      for (int f = 0; f < 8; ++f) ref->fields.emplace_back("Field " + std::to_string(f) + " of " + std::to_string(i));
      r = std::move(ref);
    } else {
      auto note = std::make_unique<CNoteRecord>();
      note->text = CpText("Note " + std::to_string(i) + " first line\nand a second line with a\ttab\nthird.");
      r = std::move(note);
    }
    r->recordId = next++;
    l->memberIds.push_back(r->recordId);
    store.AddNew(std::move(r));
  }

  Write(themes + "icon.png", std::string(300, 'P'));
  const std::string loops =
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">"
      "<style>body { font-family: Verdana; } .n { color: #333 }</style></head>\n"
      "<body background=\"icon.png\">{SET_COLOR1(#eeeeee)}{SET_COLOR2(#ffffff)}<h1>{TITLE}</h1>\n"
      "<p>{FILE_SIZE} bytes</p>\n"
      "{NOTES_PROLOG}<table>{NOTES_BEGIN}<tr bgcolor=\"{COLOR1}\"><td><img src=\"icon.png\"> {COUNT}</td>"
      "<td><b>{NOTE_FIRST_LINE}</b>{NOTE_BODY}</td></tr>{SWAP_COLORS}\n{NOTES_END}</table>{NOTES_EPILOG}\n"
      "{IMAGES_PROLOG}{IMAGES_BEGIN}<p><img src=\"{IMAGE_SRC}\" alt=\"{IMAGE_TITLE}\"></p>\n{IMAGES_END}{IMAGES_EPILOG}\n"
      "{CUSTOM_PROLOG}{CUSTOM_BEGIN}{CUSTOM_1}{CUSTOM_2}{CUSTOM_3}{CUSTOM_4}{CUSTOM_5}{CUSTOM_6}{CUSTOM_7}{CUSTOM_8}\n"
      "{CUSTOM_END}{CUSTOM_EPILOG}\n";
  // The loops come first, so the whole topic is in the report; the rest of
  // the theme fills what the output still holds. Two kinds of rest: static
  // text as a long hand-made page has it (a colour tag per paragraph), and
  // a stress case with a brace run or a tag every few words.
  auto make_theme = [&](const std::string& unit) {
    std::string rest = "<!-- ";
    while (loops.size() + rest.size() + unit.size() + 64 < kMaxThemeSize) rest += unit;
    return loops + rest + " -->\n</body></html>\n";
  };
  const std::string prose = make_theme(
      "<p style=\"color: {COLOR1}\">A paragraph of the page as the theme's author wrote it, with "
      "<b>some markup</b>, a <a href=\"#top\">link back to the top</a> and enough words to make "
      "it read like the long introduction a club's handbook might carry.</p>\n");
  const std::string dense = make_theme("padding text with {braces} and {COLOR1} tags.\n");
  Write(themes + "prose.htm", prose);
  Write(themes + "dense.htm", dense);

  StoreReportSource source(&store, [] { return false; });
  ImagingWriter images;
  FixedReportSettings settings;
  settings.config.outputPath = output;
  settings.config.templatePath = themes;
  settings.config.installPath = root;
  settings.config.lastTemplate = "prose.htm";
  ReportServices services;
  services.source = &source;
  services.images = &images;
  services.settings = &settings;
  ReportBuilder builder(services);

  const int runs = argc > 2 ? std::atoi(argv[2]) : 21;
  auto ms = [](Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
  };
  std::printf("children: 2000 notes, 200 pictures (files present), 200 references\n");
  for (const char* name : {"prose.htm", "dense.htm"}) {
    std::vector<double> build_ms, copy_ms, expand_ms, build_cpu, copy_cpu;
    builder.make_report(name, topic_id);  // warm the page cache
    size_t report_bytes = fs::file_size(output + "bench.htm");
    Write(root + "plain.bin", std::string(report_bytes, 'x'));
    fs::copy_file(root + "plain.bin", root + "plain-copy.bin", fs::copy_options::overwrite_existing);
    ThemeFile loaded;
    load_theme(themes + name, &loaded);
    std::vector<char> out(kReportBufferSize);
    ReportExpander& e = builder.expander();
    for (int i = 0; i < runs; ++i) {
      double c0 = CpuMs();
      auto t0 = Clock::now();
      builder.make_report(name, topic_id);
      auto t1 = Clock::now();
      double c1 = CpuMs();
      fs::copy_file(root + "plain.bin", root + "plain-copy.bin", fs::copy_options::overwrite_existing);
      auto t2 = Clock::now();
      double c2 = CpuMs();
      build_cpu.push_back(c1 - c0);
      copy_cpu.push_back(c2 - c1);
      e.SetCurrentTopic(topic_id);
      e.ClearBlocks();
      e.PushBlock(kBlockDocument);
      e.expand(loaded.data(), loaded.size(), out.data(), out.size());
      e.PopBlock();
      auto t3 = Clock::now();
      build_ms.push_back(ms(t0, t1));
      copy_ms.push_back(ms(t1, t2));
      expand_ms.push_back(ms(t2, t3));
    }
    double b = Median(build_ms), c = Median(copy_ms);
    std::printf("\n%s: theme %zu bytes, expanded %zu bytes, report file %zu bytes\n", name,
                loaded.size(), builder.lastExpandedSize(), report_bytes);
    std::printf("  whole build (median of %d): %.2f ms (the expansion alone %.2f ms)\n", runs, b,
                Median(expand_ms));
    std::printf("  plain copy of %zu bytes (median): %.2f ms\n", report_bytes, c);
    std::printf("  ratio build / copy: %.1fx (target: within 5x)\n", c > 0 ? b / c : 0.0);
    double bc = Median(build_cpu), cc = Median(copy_cpu);
    std::printf("  CPU time: build %.2f ms, copy %.2f ms, ratio %.1fx\n", bc, cc, cc > 0 ? bc / cc : 0.0);
  }
  fs::remove_all(root);
  return 0;
}
