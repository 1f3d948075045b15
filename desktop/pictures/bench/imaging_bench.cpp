// Speed of the picture paths the program runs most: decoding and re-encoding
// a handheld-sized JPEG, decoding a full-screen 8-bit sketch, and importing
// a camera photo as a handheld picture. The JPEG figures stand beside
// libjpeg's own djpeg and cjpeg on the same picture in the same run, the
// import beside a plain full-size decode of the same file, and the
// `quillet-cli import-picture` program beside `djpeg -scale 1/8` as whole
// processes. Figures are printed, never asserted.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "desktop/pictures/PictureSource.h"
#include "imaging/FloatImage.h"
#include "imaging/JpegFile.h"
#include "imaging/Ppm.h"
#include "imaging/Sketch.h"
#include "imaging/tests/PictureSupport.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"
#include "testing/BenchTimes.h"

namespace {

using namespace quillet;
using Clock = std::chrono::steady_clock;
using quillet::bench::MsSince;
using quillet::bench::Median;

// A photograph-like picture: gradients, edges and noise.
RgbPicture Picture(int width, int height) {
  RgbPicture p;
  p.width = width;
  p.height = height;
  p.rgb.resize(static_cast<size_t>(width) * height * 3);
  std::mt19937 rng(42);
  std::normal_distribution<double> noise(0.0, 6.0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double v[3] = {255.0 * x / width, 255.0 * y / height,
                     ((x - 160) * (x - 160) + (y - 240) * (y - 240) < 90 * 90) ? 220.0 : 60.0};
      for (int c = 0; c < 3; ++c) {
        double s = v[c] + noise(rng);
        p.rgb[(static_cast<size_t>(y) * width + x) * 3 + c] =
            static_cast<uint8_t>(s < 0 ? 0 : s > 255 ? 255 : s);
      }
    }
  }
  return p;
}

// A drawing on the full 320 x 320 screen at 8 bits: strokes on white, rows
// often repeating the row above.
std::vector<uint8_t> SketchRows(int size) {
  std::vector<uint8_t> rows(static_cast<size_t>(size) * size, 0);
  std::mt19937 rng(7);
  for (int stroke = 0; stroke < 60; ++stroke) {
    int x = static_cast<int>(rng() % size), y = static_cast<int>(rng() % size);
    uint8_t colour = static_cast<uint8_t>(rng() % 230);
    for (int step = 0; step < 200; ++step) {
      x = (x + static_cast<int>(rng() % 3) - 1 + size) % size;
      y = (y + static_cast<int>(rng() % 3) - 1 + size) % size;
      rows[static_cast<size_t>(y) * size + x] = colour;
    }
  }
  return rows;
}

std::vector<uint8_t> SketchHeader(int size, uint8_t flags, uint8_t compression) {
  return {static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size),
          static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size),
          static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size),
          flags, 0, 8, 2, 0, 0, 0, compression, 0, 0};
}

std::vector<uint8_t> StoredSketch(const std::vector<uint8_t>& rows, int size) {
  std::vector<uint8_t> b = SketchHeader(size, 0, 0);
  b.insert(b.end(), rows.begin(), rows.end());
  return b;
}

std::vector<uint8_t> ScanLineSketch(const std::vector<uint8_t>& rows, int size) {
  std::vector<uint8_t> b = SketchHeader(size, kSketchCompressed, kSketchScanLine);
  b.push_back(0);
  b.push_back(0);
  std::vector<uint8_t> previous(size, 0);
  for (int y = 0; y < size; ++y) {
    const uint8_t* row = &rows[static_cast<size_t>(y) * size];
    for (int group = 0; group < size; group += 8) {
      uint8_t flag = 0;
      std::vector<uint8_t> bytes;
      for (int k = 0; k < 8 && group + k < size; ++k) {
        if (row[group + k] != previous[group + k]) {
          flag |= static_cast<uint8_t>(0x80 >> k);
          bytes.push_back(row[group + k]);
        }
      }
      b.push_back(flag);
      b.insert(b.end(), bytes.begin(), bytes.end());
    }
    previous.assign(row, row + size);
  }
  return b;
}

std::vector<uint8_t> RunLengthSketch(const std::vector<uint8_t>& rows, int size) {
  std::vector<uint8_t> b = SketchHeader(size, kSketchCompressed, kSketchRunLength);
  b.push_back(0);
  b.push_back(0);
  for (int y = 0; y < size; ++y) {
    const uint8_t* row = &rows[static_cast<size_t>(y) * size];
    for (int x = 0; x < size;) {
      int run = 1;
      while (x + run < size && run < 255 && row[x + run] == row[x]) ++run;
      b.push_back(static_cast<uint8_t>(run));
      b.push_back(row[x]);
      x += run;
    }
  }
  return b;
}

double TimeSketch(const std::vector<uint8_t>& bytes, int rounds) {
  FloatImage image;
  DecodeSketch(bytes.data(), bytes.size(), &image);  // warm up
  const auto start = Clock::now();
  for (int i = 0; i < rounds; ++i) DecodeSketch(bytes.data(), bytes.size(), &image);
  return MsSince(start) * 1000.0 / rounds;
}

// A camera photo of 4000 x 3000 opened, fitted to 320 x 480 and stored as
// `quillet-cli import-picture` and the image window's OK store it (the
// record's JPEG at quality 80 and the picture file at quality 100), beside
// a plain decode of the whole photo, alternating in one run.
// Returns the photo's path, or "" when it could not be written.
std::string BenchImport(const std::string& dir) {
  const int width = 4000, height = 3000;
  const RgbPicture photo = testing::Photo(width, height);
  const std::vector<uint8_t> jpeg = testing::EncodeJpeg(photo, 92);
  const std::string path = dir + "/bench-camera.jpg";
  const std::string file = dir + "/bench-record.jpg";
  if (jpeg.empty() || !testing::WriteBytes(path, jpeg)) {
    std::printf("could not write the camera photo\n");
    return "";
  }
  std::printf("camera photo: %d x %d, JPEG quality 92, %zu bytes\n", width, height, jpeg.size());

  std::vector<double> decode, import;
  size_t recordBytes = 0;
  uint64_t decoded = 0;
  for (int round = 0; round < 9; ++round) {
    auto start = Clock::now();
    int w = 0, h = 0;
    RgbBuffer rgb = JpegFile::read_rgb(path.c_str(), &w, &h);
    decode.push_back(MsSince(start));
    if (!rgb || w != width) {
      std::printf("the full decode failed\n");
      return path;
    }
    rgb.reset();

    start = Clock::now();
    CPictureSource source;
    if (LoadPictureFile(path, &source) != 0) {
      std::printf("the import could not open the photo\n");
      return path;
    }
    const Placement placement{320, 480, FitZoom(source.width(), source.height(), 320, 480), 0, 0};
    FloatImage frame;
    std::vector<uint8_t> record;
    if (!CaptureFrame(source, placement, &frame) || !EncodeRecordJpeg(frame, 80, &record) ||
        frame.save_jpeg(file.c_str(), 100) != 0) {
      std::printf("the import failed\n");
      return path;
    }
    import.push_back(MsSince(start));
    recordBytes = record.size();
    decoded = source.decodedPixels();
  }
  const double d = Median(decode), i = Median(import);
  std::printf("full-size decode (libjpeg, 12 megapixels):   %8.2f ms (median of %zu)\n", d, decode.size());
  std::printf("import, fitted 320 x 480 (open, fit, record JPEG %zu bytes, picture file): %8.2f ms\n",
              recordBytes, i);
  std::printf("  pixels the import decoded: %llu (%.1f%% of the photo)\n",
              static_cast<unsigned long long>(decoded), 100.0 * decoded / (double(width) * height));
  std::printf("ratio import / full decode: %.2f (target <= 0.5)\n", i / d);
  return path;
}

// CPU time (user + system) of one whole process running `argv`, its output
// thrown away; -1 when it could not be started or did not succeed.
double ProcessCpuMs(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) return -1.0;
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) {
      ::dup2(null, 1);
      ::dup2(null, 2);
    }
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  pid_t done;
  do {
    done = ::wait4(pid, &status, 0, &usage);
  } while (done < 0 && errno == EINTR);
  if (done != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1.0;
  auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// A store with one topic (id 2, its links 3), alone in `folder`, made anew
// before every import so that each run does the same work.
bool FreshStore(const std::string& folder, const std::string& store) {
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  if (!std::filesystem::create_directories(folder, ec)) return false;
  std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ec);
  CRecordStore s(store, "");
  auto settings = std::make_unique<CSettingsRecord>();
  settings->lastRecordId = 3;
  s.AddNew(std::move(settings));
  auto topic = std::make_unique<CTopicRecord>();
  topic->recordId = 2;
  topic->linksId = 3;
  s.AddNew(std::move(topic));
  auto links = std::make_unique<CTopicLinksRecord>();
  links->recordId = 3;
  links->topicId = 2;
  s.AddNew(std::move(links));
  return s.Save() == DB_OK;
}

// `quillet-cli import-picture` of the camera photo to 320 x 480 beside
// `djpeg -scale 1/8` (and a full-size djpeg) of the same file, as CPU time
// of whole processes, alternating in one run. Every import must
// entropy-decode the whole file, so the 1/8-scale decode is close to the
// least any import can cost.
void BenchImportProcess(const std::string& dir, const std::string& photo) {
  const std::string cli = std::string(QUILLET_BIN_DIR) + "/quillet-cli";
  const std::string folder = dir + "/bench-import-store";
  const std::string store = folder + "/quillet.dat";
  const std::vector<std::string> import = {cli, "import-picture", "--store", store, "--topic", "2",
                                           "--size", "320x480", photo};
  const std::vector<std::string> eighth = {"djpeg", "-scale", "1/8", "-outfile",
                                           dir + "/bench-eighth.ppm", photo};
  const std::vector<std::string> whole = {"djpeg", "-outfile", dir + "/bench-whole.ppm", photo};

  const bool haveDjpeg = ProcessCpuMs(eighth) >= 0;  // also warms the file cache
  if (!FreshStore(folder, store) || ProcessCpuMs(import) < 0) {
    std::printf("quillet-cli import-picture could not be run (%s)\n", cli.c_str());
    return;
  }
  const int rounds = 15;
  std::vector<double> imports, eighths, wholes;
  for (int round = 0; round < rounds; ++round) {
    if (!FreshStore(folder, store)) {
      std::printf("could not make the store for the import\n");
      return;
    }
    const double i = ProcessCpuMs(import);
    if (i < 0) {
      std::printf("quillet-cli import-picture failed\n");
      return;
    }
    imports.push_back(i);
    if (haveDjpeg) {
      const double e = ProcessCpuMs(eighth), w = ProcessCpuMs(whole);
      if (e < 0 || w < 0) {
        std::printf("djpeg failed\n");
        return;
      }
      eighths.push_back(e);
      wholes.push_back(w);
    }
  }
  const double i = Median(imports);
  std::printf("processes, CPU time (user + system), median of %d:\n", rounds);
  std::printf("  quillet-cli import-picture, 320 x 480:  %8.2f ms\n", i);
  if (!haveDjpeg) {
    std::printf("  djpeg not found: no comparison with a 1/8-scale decode\n");
    return;
  }
  const double e = Median(eighths), w = Median(wholes);
  std::printf("  djpeg -scale 1/8:                       %8.2f ms\n", e);
  std::printf("  djpeg, full size:                       %8.2f ms (%.2f x the 1/8 decode)\n", w, w / e);
  std::printf("ratio import-picture / djpeg -scale 1/8: %.2f (target <= 1.3)\n", i / e);
}

double TimeCommand(const std::string& command, int rounds) {
  const auto start = Clock::now();
  for (int i = 0; i < rounds; ++i) {
    if (std::system(command.c_str()) != 0) return -1.0;
  }
  return MsSince(start) / rounds;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : ".";
  const int quality = 80;

  // ---- JPEG: decode and re-encode a 320 x 480 picture ----
  const RgbPicture picture = Picture(320, 480);
  std::vector<uint8_t> jpeg(204800);
  if (!JpegFile::write_rgb_memory(jpeg.data(), jpeg.size(), picture.rgb.data(), 320, 480, true,
                                  quality)) {
    std::fprintf(stderr, "could not encode the test picture\n");
    return 1;
  }
  jpeg.resize(JpegFile::jpeg_memory_size());
  const std::string in_jpg = dir + "/bench-in.jpg";
  const std::string tool_ppm = dir + "/bench-tool.ppm";
  const std::string tool_jpg = dir + "/bench-tool.jpg";
  WriteFileBytes(in_jpg, jpeg);
  std::printf("picture: 320 x 480, JPEG quality %d, %zu bytes\n", quality, jpeg.size());

  const int rounds = 200;
  std::vector<uint8_t> out(204800);
  auto start = Clock::now();
  for (int i = 0; i < rounds; ++i) {
    int w = 0, h = 0;
    RgbBuffer rgb = JpegFile::read_rgb_memory(jpeg.data(), jpeg.size(), &w, &h);
    JpegFile::write_rgb_memory(out.data(), out.size(), rgb.get(), w, h, true, quality);
  }
  const double ours = MsSince(start) / rounds;

  start = Clock::now();
  for (int i = 0; i < rounds; ++i) {
    FloatImage image;
    image.load_jpeg_memory(jpeg.data(), jpeg.size());
    image.save_jpeg_memory(out.data(), out.size(), quality);
  }
  const double ours_float = MsSince(start) / rounds;

  start = Clock::now();
  for (int i = 0; i < rounds; ++i) {
    int w = 0, h = 0;
    RgbBuffer rgb = JpegFile::read_rgb(in_jpg.c_str(), &w, &h);
    JpegFile::write_rgb(tool_jpg.c_str(), rgb.get(), w, h, true, quality);
  }
  const double ours_files = MsSince(start) / rounds;

  std::printf("JpegFile decode + encode, memory:          %8.3f ms\n", ours);
  std::printf("JpegFile decode + encode, files:           %8.3f ms\n", ours_files);
  std::printf("FloatImage load_jpeg_memory + save_jpeg_memory: %8.3f ms\n", ours_float);

  // The tools run as programs: their start-up (process, libraries, the
  // library's set-up) is measured on a 1 x 1 picture and taken off, so that
  // what remains is the same work our calls do.
  const uint8_t dot[3] = {128, 128, 128};
  std::vector<uint8_t> tiny(4096);
  JpegFile::write_rgb_memory(tiny.data(), tiny.size(), dot, 1, 1, true, quality);
  tiny.resize(JpegFile::jpeg_memory_size());
  const std::string tiny_jpg = dir + "/bench-tiny.jpg", tiny_ppm = dir + "/bench-tiny.ppm";
  WriteFileBytes(tiny_jpg, tiny);
  RgbPicture one;
  one.width = one.height = 1;
  one.rgb.assign(dot, dot + 3);
  WriteFileBytes(tiny_ppm, PpmBytes(one));

  const int tool_rounds = 60;
  auto djpeg_of = [&](const std::string& jpg, const std::string& ppm) {
    return TimeCommand("djpeg -ppm -outfile " + ppm + " " + jpg, tool_rounds);
  };
  auto cjpeg_of = [&](const std::string& ppm, const std::string& jpg) {
    return TimeCommand("cjpeg -quality " + std::to_string(quality) + " -outfile " + jpg + " " + ppm,
                       tool_rounds);
  };
  const double djpeg = djpeg_of(in_jpg, tool_ppm);
  const double cjpeg = cjpeg_of(tool_ppm, tool_jpg);
  const double djpeg_start = djpeg_of(tiny_jpg, dir + "/bench-tiny-out.ppm");
  const double cjpeg_start = cjpeg_of(tiny_ppm, dir + "/bench-tiny-out.jpg");
  if (djpeg < 0 || cjpeg < 0 || djpeg_start < 0 || cjpeg_start < 0) {
    std::printf("djpeg/cjpeg not available: no comparison\n");
  } else {
    const double tools = djpeg + cjpeg;
    const double tools_work = tools - djpeg_start - cjpeg_start;
    std::printf("djpeg + cjpeg, files (two programs):        %8.3f ms (djpeg %.3f, cjpeg %.3f)\n",
                tools, djpeg, cjpeg);
    std::printf("  their start-up (same on a 1 x 1 picture): %8.3f ms\n", djpeg_start + cjpeg_start);
    std::printf("  tools without start-up:                   %8.3f ms\n", tools_work);
    std::printf("ratio ours (files) / tools without start-up: %7.2f (target <= 1.5)\n",
                ours_files / tools_work);
    std::printf("ratio ours (files) / tools whole:            %7.2f\n", ours_files / tools);
  }

  // ---- sketches: 320 x 320 at 8 bits ----
  const int size = 320;
  const std::vector<uint8_t> rows = SketchRows(size);
  const std::vector<uint8_t> stored = StoredSketch(rows, size);
  const std::vector<uint8_t> scan = ScanLineSketch(rows, size);
  const std::vector<uint8_t> rle = RunLengthSketch(rows, size);
  const int sketch_rounds = 2000;
  std::printf("sketch 320 x 320 8-bit, uncompressed (%zu bytes): %8.1f us\n", stored.size(),
              TimeSketch(stored, sketch_rounds));
  std::printf("sketch 320 x 320 8-bit, scan-line (%zu bytes):    %8.1f us\n", scan.size(),
              TimeSketch(scan, sketch_rounds));
  std::printf("sketch 320 x 320 8-bit, run-length (%zu bytes):   %8.1f us\n", rle.size(),
              TimeSketch(rle, sketch_rounds));

  // ---- a camera photo imported as a handheld picture ----
  const std::string photo = BenchImport(dir);
  if (!photo.empty()) BenchImportProcess(dir, photo);
  return 0;
}
