// quillet-cli demo-store FILE: a store with something in every corner, for
// trying the program out: topics in two categories and one unfiled, notes
// of several lines, references of all six kinds, pictures in the three
// handheld sizes (JPEG) and a sketch in the handheld's own bitmap form.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "imaging/JpegFile.h"
#include "programs/quillet-cli/CliCommand.h"
#include "programs/quillet-cli/SketchEncoder.h"
#include "store/FileNames.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"

namespace {

using namespace quillet;

// The handheld's pictures are at most this big, thumbnail included.
constexpr size_t kMaxPictureBytes = 60000;

// --- Pictures -------------------------------------------------------------

struct Rgb {
  double r, g, b;
};

Rgb Mix(Rgb a, Rgb b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

class Canvas {
 public:
  Canvas(int w, int h) : w_(w), h_(h), px_(static_cast<size_t>(w) * h, Rgb{255, 255, 255}) {}
  int width() const { return w_; }
  int height() const { return h_; }

  void Put(int x, int y, Rgb c, double alpha = 1.0) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    Rgb& p = px_[static_cast<size_t>(y) * w_ + x];
    p = Mix(p, c, alpha);
  }
  void VerticalGradient(int y0, int y1, Rgb top, Rgb bottom) {
    for (int y = y0; y < y1; ++y)
      for (int x = 0; x < w_; ++x) Put(x, y, Mix(top, bottom, double(y - y0) / std::max(1, y1 - y0)));
  }
  void Rect(int x0, int y0, int x1, int y1, Rgb c, double alpha = 1.0) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) Put(x, y, c, alpha);
  }
  // A filled disc with a soft edge.
  void Disc(double cx, double cy, double r, Rgb c, double alpha = 1.0) {
    for (int y = int(cy - r - 1); y <= int(cy + r + 1); ++y)
      for (int x = int(cx - r - 1); x <= int(cx + r + 1); ++x) {
        const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
        const double cover = std::clamp(r - d + 0.5, 0.0, 1.0);
        if (cover > 0) Put(x, y, c, cover * alpha);
      }
  }
  // A gentle hill line: everything below y = base - amp * sin(...) is filled.
  void Hill(double base, double amp, double freq, double phase, Rgb top, Rgb bottom) {
    for (int x = 0; x < w_; ++x) {
      const double ridge = base - amp * std::sin(x * freq + phase);
      for (int y = std::max(0, int(ridge)); y < h_; ++y)
        Put(x, y, Mix(top, bottom, double(y - ridge) / std::max(1.0, h_ - ridge)));
    }
  }
  // A little grain, as a camera picture has, so the JPEG looks like one.
  void Grain(unsigned seed, double amount) {
    unsigned s = seed;
    for (Rgb& p : px_) {
      s = s * 1103515245u + 12345u;
      const double n = ((s >> 16) & 0xFF) / 255.0 - 0.5;
      p = {p.r + n * amount, p.g + n * amount, p.b + n * amount};
    }
  }
  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> out;
    out.reserve(px_.size() * 3);
    for (const Rgb& p : px_)
      for (double v : {p.r, p.g, p.b}) out.push_back(static_cast<uint8_t>(std::clamp(v, 0.0, 255.0)));
    return out;
  }

 private:
  int w_, h_;
  std::vector<Rgb> px_;
};

// 160 x 160: a tomato seedling in its pot.
Canvas Seedling() {
  Canvas c(160, 160);
  c.VerticalGradient(0, 160, {236, 226, 200}, {214, 196, 160});
  c.Rect(50, 100, 110, 150, {178, 92, 56});
  c.Rect(44, 92, 116, 104, {196, 106, 66});
  c.Rect(54, 96, 106, 100, {92, 60, 40});
  c.Rect(78, 44, 82, 98, {74, 130, 52});
  for (auto [x, y, r] : {std::tuple{64.0, 60.0, 14.0}, {96.0, 52.0, 15.0}, {80.0, 36.0, 11.0},
                         {68.0, 80.0, 10.0}, {93.0, 76.0, 11.0}})
    c.Disc(x, y, r, {88, 156, 64});
  c.Disc(62, 56, 5, {140, 196, 100}, 0.6);
  c.Disc(94, 48, 5, {140, 196, 100}, 0.6);
  c.Grain(7, 10);
  return c;
}

// 320 x 320: raised vegetable beds in the evening sun.
Canvas RaisedBeds() {
  Canvas c(320, 320);
  c.VerticalGradient(0, 140, {120, 170, 220}, {238, 214, 170});
  c.Disc(250, 70, 26, {255, 236, 180});
  c.Hill(120, 10, 0.03, 1.0, {110, 150, 90}, {80, 120, 60});
  for (int row = 0; row < 3; ++row) {
    const int y0 = 150 + row * 55;
    c.Rect(30 - row * 8, y0, 290 + row * 8, y0 + 38, {130, 86, 50});
    c.Rect(36 - row * 8, y0 + 4, 284 + row * 8, y0 + 30, {84, 58, 40});
    for (int x = 46 - row * 8; x < 280 + row * 8; x += 22)
      c.Disc(x, y0 + 14, 8 + row, {70.0 + row * 20, 150.0 - row * 10, 60});
  }
  c.Grain(11, 12);
  return c;
}

// 320 x 480: a yellow tram climbing a street.
Canvas Tram() {
  Canvas c(320, 480);
  c.VerticalGradient(0, 260, {96, 150, 214}, {200, 220, 236});
  // Houses in pastel colours.
  const Rgb houses[] = {{232, 196, 160}, {214, 150, 130}, {240, 226, 190}, {170, 196, 200}};
  for (int i = 0; i < 4; ++i) {
    c.Rect(i * 80, 120 + (i % 2) * 30, i * 80 + 80, 330, houses[i]);
    for (int wy = 150 + (i % 2) * 30; wy < 300; wy += 40)
      for (int wx = i * 80 + 14; wx < i * 80 + 70; wx += 28) c.Rect(wx, wy, wx + 14, wy + 22, {70, 80, 96});
  }
  c.VerticalGradient(330, 480, {150, 146, 140}, {110, 106, 100});
  for (int y = 350; y < 480; y += 24) c.Rect(0, y, 320, y + 2, {90, 88, 84});
  // The tram.
  c.Rect(60, 250, 270, 400, {246, 196, 40});
  c.Rect(60, 330, 270, 346, {200, 60, 40});
  c.Rect(56, 242, 274, 252, {230, 230, 224});
  for (int x = 74; x < 260; x += 48) c.Rect(x, 266, x + 36, 316, {60, 86, 110});
  c.Rect(150, 200, 154, 244, {60, 60, 60});
  c.Rect(120, 196, 190, 200, {60, 60, 60});
  c.Disc(100, 404, 16, {40, 40, 40});
  c.Disc(230, 404, 16, {40, 40, 40});
  c.Grain(3, 12);
  return c;
}

std::vector<uint8_t> Jpeg(const Canvas& canvas) {
  const std::vector<uint8_t> rgb = canvas.Bytes();
  std::vector<uint8_t> out(kMaxPictureBytes);
  for (int quality = 85; quality >= 30; quality -= 10) {
    if (JpegFile::write_rgb_memory(out.data(), out.size(), rgb.data(), canvas.width(),
                                   canvas.height(), true, quality)) {
      out.resize(JpegFile::jpeg_memory_size());
      return out;
    }
  }
  return {};
}

// --- The sketch -----------------------------------------------------------

void Line(cli::SketchBits& s, int x0, int y0, int x1, int y1, int thick = 1) {
  const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
  for (int i = 0; i <= steps; ++i) {
    const int x = x0 + (x1 - x0) * i / std::max(1, steps);
    const int y = y0 + (y1 - y0) * i / std::max(1, steps);
    for (int dy = 0; dy < thick; ++dy)
      for (int dx = 0; dx < thick; ++dx) s.Set(x + dx, y + dy);
  }
}

void Circle(cli::SketchBits& s, int cx, int cy, int r) {
  for (int a = 0; a < 360; ++a) {
    const double t = a * 3.14159265 / 180;
    s.Set(cx + int(std::lround(r * std::cos(t))), cy + int(std::lround(r * std::sin(t))));
  }
}

// A way to the market, drawn with the stylus: streets, the river, the
// square and a cross where the stall is.
cli::SketchBits MarketMap() {
  cli::SketchBits s(160, 160);
  Line(s, 4, 120, 156, 100, 2);   // the main street
  Line(s, 40, 4, 56, 156, 2);     // a cross street
  Line(s, 110, 10, 120, 150, 1);  // a lane
  for (int x = 0; x < 160; x += 2)  // the river, wavy
    s.Set(x, 140 + int(std::lround(4 * std::sin(x / 9.0))));
  Circle(s, 92, 60, 18);           // the square
  Circle(s, 92, 60, 17);
  Line(s, 86, 54, 98, 66, 2);      // the stall
  Line(s, 98, 54, 86, 66, 2);
  Line(s, 20, 30, 34, 30, 1);      // a north arrow
  Line(s, 27, 22, 27, 40, 1);
  Line(s, 27, 22, 23, 27, 1);
  Line(s, 27, 22, 31, 27, 1);
  return s;
}

// --- The store ------------------------------------------------------------

class Builder {
 public:
  explicit Builder(const std::string& file) : store_(file, "") {
    auto settings = std::make_unique<CSettingsRecord>();
    settings_ = settings.get();
    settings->lastRecordId = 1;
    store_.AddNew(std::move(settings));
  }

  // The demo's texts are written as code-page bytes.
  uint32_t Category(const std::string& name) {
    auto r = New<CCategoryRecord>();
    r->name = CpText(name);
    return Add(std::move(r));
  }

  // A topic with its links record; members are added to the latest topic.
  uint32_t Topic(const std::string& title, uint32_t category) {
    auto topic = New<CTopicRecord>();
    auto links = New<CTopicLinksRecord>();
    topic->title = CpText(title);
    topic->categoryId = category;
    topic->linksId = links->recordId;
    links->topicId = topic->recordId;
    links_ = links.get();
    const uint32_t id = Add(std::move(topic));
    Add(std::move(links));
    return id;
  }

  void Note(const std::string& text, bool isPrivate = false) {
    auto r = New<CNoteRecord>();
    r->text = CpText(text);
    r->isPrivate = isPrivate ? 1 : 0;
    Member(std::move(r));
  }

  void Reference(int32_t type, std::vector<std::string> fields) {
    auto r = New<CCustomRecord>();
    r->customType = type;
    fields.resize(static_cast<size_t>(CustomTypeFieldCount(type)));
    for (std::string& field : fields) r->fields.emplace_back(std::move(field));
    Member(std::move(r));
  }

  bool Picture(const std::string& title, const Canvas& canvas) {
    std::vector<uint8_t> jpeg = Jpeg(canvas);
    if (jpeg.empty()) return false;
    auto r = New<CImageRecord>();
    r->title = CpText(title);
    r->fileName = NextImageName();
    r->format = kImageFormatJpeg;
    r->width = static_cast<uint32_t>(canvas.width());
    r->height = static_cast<uint32_t>(canvas.height());
    r->data = std::move(jpeg);
    pictureBytes_.push_back(r->data.size());
    Member(std::move(r));
    return true;
  }

  void Sketch(const std::string& title, const cli::SketchBits& bits) {
    auto r = New<CImageRecord>();
    r->title = CpText(title);
    r->fileName = NextImageName();
    r->format = kImageFormatSketch;
    r->width = static_cast<uint32_t>(bits.width);
    r->height = static_cast<uint32_t>(bits.height);
    r->data = cli::EncodeSketch(bits, true);
    Member(std::move(r));
  }

  // --force replaces the file rather than merging into it.
  DbResult Save() { return store_.SaveTo(store_.path()); }
  uint32_t lastId() const { return settings_->lastRecordId; }
  const std::vector<size_t>& pictureBytes() const { return pictureBytes_; }

 private:
  template <class T>
  std::unique_ptr<T> New() {
    auto r = std::make_unique<T>();
    r->recordId = ++settings_->lastRecordId;
    return r;
  }
  uint32_t Add(std::unique_ptr<CRecord> r) {
    const uint32_t id = r->recordId;
    store_.AddNew(std::move(r));
    return id;
  }
  void Member(std::unique_ptr<CRecord> r) {
    if (links_) links_->memberIds.push_back(r->recordId);
    Add(std::move(r));
  }
  // Distinct names even when the pictures are made within one millisecond.
  std::string NextImageName() {
    using namespace std::chrono;
    static const system_clock::time_point start = system_clock::now();
    return MakeFileName(start + milliseconds(images_++), ".jpg");
  }

  CRecordStore store_;
  CSettingsRecord* settings_ = nullptr;
  CTopicLinksRecord* links_ = nullptr;
  int images_ = 0;
  std::vector<size_t> pictureBytes_;
};

int RunDemoStore(const std::vector<std::string>& args) {
  cli::Args a(args);
  const bool force = a.TakeFlag("--force");
  if (!a.UnknownOption().empty())
    return cli::UsageError("demo-store: unknown option " + a.UnknownOption());
  if (a.Rest().size() != 1) return cli::UsageError("demo-store takes one FILE");
  const std::string& file = a.Rest()[0];
  struct stat st;
  if (!force && ::lstat(file.c_str(), &st) == 0)
    return cli::UsageError("demo-store: " + file + " exists (--force replaces it)");

  Builder b(file);
  const uint32_t travel = b.Category("Travel");
  const uint32_t garden = b.Category("Garden");

  b.Topic("Weekend in Lisbon", travel);
  b.Note("Friday\n\tarrive 18:40, tram 28 to the hotel\n\tdinner in Alfama\n"
         "Saturday\n\tBel\xE9m: the tower, the monastery, past\xE9is de nata\n"
         "Sunday\n\tflea market, then the 15:10 flight");
  b.Picture("Tram 28 on the hill", Tram());
  b.Reference(kCustomInternet, {"Lisbon city guide", "https://www.visit-lisbon.example/guide",
                                "Opening times of the museums, tram map"});
  b.Reference(kCustomBook, {"A Short Walk Through Lisbon", "M. Ferreira", "Harbour Books",
                            "978-0-00-000000-0", "2019", "212", "Chapter 4 is about Alfama."});
  b.Reference(kCustomNewspaper, {"Trams keep the hills moving", "Lisbon Daily", "Lisbon",
                                 "R. Costa", "12 May 2024", "7", "Timetable changes in summer"});

  b.Topic("Market day", travel);
  b.Note("Stall 14 sells the good cheese.\nBring cash: no cards.\n\nGo before ten, it gets busy.");
  b.Sketch("Way to the market", MarketMap());

  b.Topic("Vegetable beds", garden);
  b.Note("Bed 1: tomatoes, basil\nBed 2: beans, then leeks in August\nBed 3: salad, radish, "
         "carrots\n\nWater in the evening when it is dry.");
  b.Note("Combination of the garden shed lock: 4-1-7", true);
  b.Picture("The three beds in May", RaisedBeds());
  b.Reference(kCustomJournal, {"Companion planting in small plots", "A. Lindqvist",
                               "Journal of Kitchen Gardening", "12", "3", "2021", "45-52",
                               "Beans next to leeks did well in their trial."});
  b.Reference(kCustomMagazine, {"Ten crops for raised beds", "J. Okafor", "Garden Month", "38",
                                "5", "2023", "20-27", "Good table of spacing per crop."});
  b.Reference(kCustomReport, {"Soil survey of the allotments", "Town Allotment Society",
                              "Annual report", "Clay loam, pH 6.5 to 7.0; more compost advised.",
                              "March 2024", "Copy in the shed."});

  b.Topic("Seedlings", garden);
  b.Note("Sown 3 March on the window sill.\nFirst true leaves after 12 days.");
  b.Picture("Tomato seedling", Seedling());

  b.Topic("Ideas", 0);
  b.Note("Things to look at some day:\n- a rain barrel\n- a bench under the apple tree");

  const DbResult rc = b.Save();
  std::printf("result %u %s\n", rc, ResultCodeName(rc));
  if (rc != DB_OK) return cli::kExitFailed;
  if (b.pictureBytes().size() != 3) {
    std::fprintf(stderr, "quillet-cli: demo-store: a picture could not be encoded\n");
    return cli::kExitFailed;
  }
  std::printf("records %u (last id)\n", b.lastId());
  for (size_t n : b.pictureBytes()) std::printf("picture %zu bytes\n", n);
  return cli::kExitOk;
}

}  // namespace

QUILLET_CLI_COMMAND("demo-store", "write a store with demo topics, notes, references and pictures",
                    "quillet-cli demo-store [--force] FILE\n\n"
                    "Writes a record store to FILE for trying the program out: topics in the\n"
                    "categories Travel and Garden and one unfiled, notes of several lines (one\n"
                    "private), references of all six kinds, pictures of 160x160, 320x320 and\n"
                    "320x480 pixels as JPEG of at most 60000 bytes, and a sketch in the\n"
                    "handheld's bitmap form (1 bit, scan-line compressed).\n"
                    "An existing FILE is left alone unless --force is given.\n"
                    "Exit 0 on success, 1 when the file cannot be written, 2 for bad arguments.",
                    RunDemoStore);
