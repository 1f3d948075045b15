#include "desktop/pictures/PictureSource.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/DiagnosticLog.h"
#include "base/Strings.h"
#include "imaging/DibPixels.h"
#include "imaging/FloatImage.h"
#include "imaging/ImageLimits.h"
#include "imaging/JpegFile.h"
#include "platform/files/SafeFiles.h"

namespace quillet {
namespace {

// Layers kept at once: the fitted picture, a finer part, and one more.
constexpr size_t kMaxLayers = 3;
// No picture file we read is bigger than this.
constexpr int64_t kMaxPictureFileBytes = int64_t{256} << 20;

// The source pixels behind each frame pixel along one axis: for output
// pixel i, taps[start[i] .. start[i + 1]) name layer pixels and the share
// of the frame pixel's area each covers. What lies outside the picture adds
// nothing, so it shows black.
struct Taps {
  std::vector<size_t> start;
  std::vector<int> index;
  std::vector<float> weight;
  int lo = 0, hi = 0;  // the layer pixels used, [lo, hi)
};

// `origin` and `step` in picture pixels as shown; `scale` layer pixels per
// picture pixel; the layer holds [layerStart, layerStart + layerCount) of a
// scaled picture `extent` pixels long.
Taps BuildTaps(int outCount, double origin, double step, double scale, int layerStart,
               int layerCount, int extent) {
  Taps t;
  t.start.reserve(static_cast<size_t>(outCount) + 1);
  t.lo = layerCount;
  t.hi = 0;
  const int layerEnd = layerStart + layerCount;
  for (int i = 0; i < outCount; ++i) {
    t.start.push_back(t.index.size());
    const double a = (origin + i * step) * scale;
    const double b = (origin + (i + 1) * step) * scale;
    const double length = b - a;
    if (!(length > 0)) continue;
    const double ca = std::max(a, 0.0), cb = std::min(b, static_cast<double>(extent));
    if (!(cb > ca)) continue;
    const int k0 = static_cast<int>(std::floor(ca));
    const int k1 = static_cast<int>(std::ceil(cb));
    for (int k = k0; k < k1; ++k) {
      const double w = std::min(cb, k + 1.0) - std::max(ca, static_cast<double>(k));
      if (!(w > 0)) continue;
      // The layer was made to cover what the frame needs; a pixel just
      // beside it (rounding) takes its neighbour's colour.
      const int at = std::clamp(k, layerStart, layerEnd - 1) - layerStart;
      t.index.push_back(at);
      t.weight.push_back(static_cast<float>(w / length));
      t.lo = std::min(t.lo, at);
      t.hi = std::max(t.hi, at + 1);
    }
  }
  t.start.push_back(t.index.size());
  return t;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes) {
  std::FILE* f = OpenInputFile(path);
  if (!f) return false;
  struct stat st;
  bool ok = ::fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
            st.st_size <= kMaxPictureFileBytes;
  if (ok) {
    bytes->resize(static_cast<size_t>(st.st_size));
    ok = std::fread(bytes->data(), 1, bytes->size(), f) == bytes->size();
  }
  std::fclose(f);
  return ok;
}

std::string LowerExtension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = path.substr(dot);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

// A .bmp's bytes, by the steps the window has always taken: header, palette,
// bits, pixels. Run-length bits of 4 and 8 bits are expanded first; bits
// that break their format, and other compressions, give "Can't load RLE.".
int LoadBitmapBytes(const std::vector<uint8_t>& bytes, CPictureSource* source) {
  MemoryDibReader header_reader(bytes.data(), bytes.size());
  PackedDib header = dib_read_header(header_reader);
  if (!header) return IDS_BAD_DIB;
  const uint32_t compression = header.info().biCompression;
  // 16- and 32-bit pixels are read as 24-bit ones.
  const uint16_t depth = header.info().biBitCount;
  const bool bitfields = compression == kBiBitfields && (depth == 16 || depth == 32);
  if (!bitfields && dib_make_palette(header).empty()) return IDS_NO_PALETTE;
  const bool compressed = compression != kBiRgb && !bitfields;
  MemoryDibReader reader(bytes.data(), bytes.size());
  PackedDib dib = dib_read_file(reader);
  if (!dib) {
    if (compressed) DebugError("LoadBitmapBytes : the compressed bits are shorter than the header says");
    return compressed ? IDS_CANT_LOAD_RLE : IDS_CANT_OPEN_FILE;
  }
  if (compression == kBiRle8 || compression == kBiRle4) {
    RleResult why = RleResult::kOk;
    PackedDib expanded = dib_expand_rle(dib, &why);
    if (!expanded) {
      DebugError("LoadBitmapBytes : run-length bits not loaded: %s", rle_result_text(why));
      return IDS_CANT_LOAD_RLE;
    }
    return LoadPictureDib(expanded, source);
  }
  if (compressed) return IDS_CANT_LOAD_RLE;
  return LoadPictureDib(dib, source);
}

}  // namespace

int DecodeScaleFor(float zoom) {
  for (int n = 1; n < 8; ++n)
    if (static_cast<double>(n) / 8.0 >= static_cast<double>(zoom)) return n;
  return 8;
}

CPictureSource::CPictureSource() = default;
CPictureSource::~CPictureSource() = default;

void CPictureSource::CopyFrom(const CPictureSource& other) {
  if (&other == this) return;
  jpeg_ = other.jpeg_;
  stored_width_ = other.stored_width_;
  stored_height_ = other.stored_height_;
  orientation_ = other.orientation_;
  width_ = other.width_;
  height_ = other.height_;
  layers_ = other.layers_;
  use_clock_ = other.use_clock_;
  decoded_pixels_ = other.decoded_pixels_;
  finest_scale_ = other.finest_scale_;
  check_pending_ = other.check_pending_;
  damaged_ = other.damaged_;
}

void CPictureSource::Clear() {
  jpeg_.clear();
  jpeg_.shrink_to_fit();
  stored_width_ = stored_height_ = 0;
  orientation_ = kOrientationNormal;
  width_ = height_ = 0;
  layers_.clear();
  decoded_pixels_ = 0;
  finest_scale_ = 0;
  check_pending_ = false;
  damaged_ = false;
}

bool CPictureSource::SetJpeg(std::vector<uint8_t> bytes) {
  Clear();
  JpegHeader header;
  if (!JpegFile::read_header_memory(bytes.data(), bytes.size(), &header)) return false;
  jpeg_ = std::move(bytes);
  stored_width_ = header.width;
  stored_height_ = header.height;
  orientation_ = header.orientation;
  width_ = OrientationSwapsAxes(orientation_) ? stored_height_ : stored_width_;
  height_ = OrientationSwapsAxes(orientation_) ? stored_width_ : stored_height_;
  return true;
}

bool CPictureSource::SetRgb(int width, int height, std::vector<uint8_t> rgb) {
  Clear();
  if (width <= 0 || height <= 0 || !ImageSizeAllowed(width, height) ||
      rgb.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 3) {
    return false;
  }
  stored_width_ = width_ = width;
  stored_height_ = height_ = height;
  Layer layer;
  layer.scale = 8;
  layer.scaledWidth = width;
  layer.scaledHeight = height;
  layer.region = PixelRect{0, 0, width, height};
  layer.rgb = std::move(rgb);
  layers_.push_back(std::move(layer));
  return true;
}

void CPictureSource::ScaledSize(int scale, int* w, int* h) const {
  const int sw = JpegFile::scaled_side(stored_width_, scale);
  const int sh = JpegFile::scaled_side(stored_height_, scale);
  *w = OrientationSwapsAxes(orientation_) ? sh : sw;
  *h = OrientationSwapsAxes(orientation_) ? sw : sh;
}

bool CPictureSource::Decode(int scale, const PixelRect& shown, Layer* layer) {
  int ssw = JpegFile::scaled_side(stored_width_, scale);
  int ssh = JpegFile::scaled_side(stored_height_, scale);
  const PixelRect stored = StoredRectOf(orientation_, ssw, ssh, shown);
  PixelRect got = stored;
  if (damaged_) return false;
  bool damaged = false;
  RgbBuffer rgb =
      JpegFile::read_rgb_memory_scaled(jpeg_.data(), jpeg_.size(), scale, &got, check_pending_, &damaged);
  if (damaged) damaged_ = true;
  if (!rgb || !(got == stored)) return false;
  check_pending_ = false;
  decoded_pixels_ += static_cast<uint64_t>(got.width) * static_cast<uint64_t>(got.height);
  finest_scale_ = std::max(finest_scale_, scale);
  layer->scale = scale;
  ScaledSize(scale, &layer->scaledWidth, &layer->scaledHeight);
  layer->region = shown;
  if (orientation_ == kOrientationNormal) {
    layer->rgb.assign(rgb.get(), rgb.get() + static_cast<size_t>(got.width) * got.height * 3);
  } else {
    layer->rgb = OrientPixels(orientation_, ssw, ssh, rgb.get(), shown);
  }
  return true;
}

const CPictureSource::Layer* CPictureSource::LayerFor(int scale, double x0, double y0, double x1,
                                                      double y1) {
  // The part of a layer at `s` eighths the frame needs, with a pixel to
  // spare on each side for the averaging at its edges.
  auto needed = [&](int s) {
    int sw = 0, sh = 0;
    if (isJpeg()) ScaledSize(s, &sw, &sh);
    else sw = width_, sh = height_;
    const double fx = static_cast<double>(sw) / width_, fy = static_cast<double>(sh) / height_;
    const int rx0 = std::max(0, static_cast<int>(std::floor(x0 * fx)) - 1);
    const int ry0 = std::max(0, static_cast<int>(std::floor(y0 * fy)) - 1);
    const int rx1 = std::min(sw, static_cast<int>(std::ceil(x1 * fx)) + 1);
    const int ry1 = std::min(sh, static_cast<int>(std::ceil(y1 * fy)) + 1);
    return PixelRect{rx0, ry0, rx1 - rx0, ry1 - ry0};
  };

  // A layer already decoded serves when it is fine enough and not so fine
  // that averaging it down costs more than a new decode.
  Layer* best = nullptr;
  for (Layer& l : layers_) {
    if (isJpeg() && (l.scale < scale || l.scale > 2 * scale)) continue;
    if (!l.region.Contains(needed(l.scale))) continue;
    if (!best || l.scale < best->scale) best = &l;
  }
  if (best) {
    best->lastUse = ++use_clock_;
    return best;
  }
  if (!isJpeg()) return nullptr;

  // A new decode: the whole scaled picture when the frame shows much of it,
  // else the part shown with room around it for panning.
  int sw = 0, sh = 0;
  ScaledSize(scale, &sw, &sh);
  PixelRect region = needed(scale);
  const double whole = static_cast<double>(sw) * sh;
  if (static_cast<double>(region.width) * region.height * 2 >= whole) {
    region = PixelRect{0, 0, sw, sh};
  } else {
    const int mx = region.width / 2, my = region.height / 2;
    const int rx0 = std::max(0, region.x - mx), ry0 = std::max(0, region.y - my);
    const int rx1 = std::min(sw, region.right() + mx), ry1 = std::min(sh, region.bottom() + my);
    region = PixelRect{rx0, ry0, rx1 - rx0, ry1 - ry0};
    if (static_cast<double>(region.width) * region.height * 2 >= whole) region = PixelRect{0, 0, sw, sh};
  }
  Layer layer;
  if (!Decode(scale, region, &layer)) return nullptr;
  layer.lastUse = ++use_clock_;
  if (layers_.size() >= kMaxLayers) {
    auto oldest = std::min_element(layers_.begin(), layers_.end(),
                                   [](const Layer& a, const Layer& b) { return a.lastUse < b.lastUse; });
    layers_.erase(oldest);
  }
  layers_.push_back(std::move(layer));
  return &layers_.back();
}

bool CPictureSource::Render(const Placement& p, std::vector<uint8_t>* rgb) {
  const int fw = std::max(0, p.frameWidth), fh = std::max(0, p.frameHeight);
  rgb->assign(static_cast<size_t>(fw) * static_cast<size_t>(fh) * 3, 0);
  if (empty() || fw == 0 || fh == 0 || !(p.zoom > 0.0f) || !std::isfinite(p.zoom)) return true;

  const double step = 1.0 / static_cast<double>(p.zoom);
  // The part of the picture the frame covers.
  const double x0 = std::max(0.0, static_cast<double>(p.panX));
  const double y0 = std::max(0.0, static_cast<double>(p.panY));
  const double x1 = std::min(static_cast<double>(width_), p.panX + fw * step);
  const double y1 = std::min(static_cast<double>(height_), p.panY + fh * step);
  if (!(x1 > x0) || !(y1 > y0)) return true;  // the picture lies outside

  const Layer* layer = LayerFor(isJpeg() ? DecodeScaleFor(p.zoom) : 8, x0, y0, x1, y1);
  if (layer == nullptr) return false;
  const double fx = static_cast<double>(layer->scaledWidth) / width_;
  const double fy = static_cast<double>(layer->scaledHeight) / height_;
  const Taps tx = BuildTaps(fw, p.panX, step, fx, layer->region.x, layer->region.width, layer->scaledWidth);
  const Taps ty = BuildTaps(fh, p.panY, step, fy, layer->region.y, layer->region.height, layer->scaledHeight);
  if (tx.hi <= tx.lo || ty.hi <= ty.lo) return true;

  const size_t layerStride = static_cast<size_t>(layer->region.width) * 3;
  const int columns = tx.hi - tx.lo;
  std::vector<float> row(static_cast<size_t>(columns) * 3);
  for (int j = 0; j < fh; ++j) {
    const size_t r0 = ty.start[j], r1 = ty.start[j + 1];
    if (r0 == r1) continue;
    std::fill(row.begin(), row.end(), 0.0f);
    for (size_t r = r0; r < r1; ++r) {
      const float w = ty.weight[r];
      const uint8_t* src = layer->rgb.data() + ty.index[r] * layerStride + static_cast<size_t>(tx.lo) * 3;
      for (int c = 0; c < columns * 3; ++c) row[c] += w * src[c];
    }
    uint8_t* out = rgb->data() + static_cast<size_t>(j) * fw * 3;
    for (int i = 0; i < fw; ++i) {
      float r = 0, g = 0, b = 0;
      for (size_t k = tx.start[i]; k < tx.start[i + 1]; ++k) {
        const float w = tx.weight[k];
        const float* s = row.data() + static_cast<size_t>(tx.index[k] - tx.lo) * 3;
        r += w * s[0];
        g += w * s[1];
        b += w * s[2];
      }
      out[i * 3] = static_cast<uint8_t>(std::min(255.0f, r + 0.5f));
      out[i * 3 + 1] = static_cast<uint8_t>(std::min(255.0f, g + 0.5f));
      out[i * 3 + 2] = static_cast<uint8_t>(std::min(255.0f, b + 0.5f));
    }
  }
  return true;
}

bool CPictureSource::WholePicture(std::vector<uint8_t>* rgb) {
  rgb->clear();
  if (empty()) return false;
  const Layer* layer = nullptr;
  for (const Layer& l : layers_)
    if (l.scale == 8 && l.region == PixelRect{0, 0, width_, height_}) layer = &l;
  if (layer == nullptr) layer = LayerFor(8, 0, 0, width_, height_);
  if (layer == nullptr || !(layer->region == PixelRect{0, 0, width_, height_})) return false;
  *rgb = layer->rgb;
  return true;
}

int LoadPictureDib(const PackedDib& dib, CPictureSource* source) {
  source->Clear();
  int w = 0, h = 0;
  std::vector<uint8_t> rgb;
  if (!DibToRgb(dib, &w, &h, &rgb)) return IDS_CANT_CREATE_BMP;
  return source->SetRgb(w, h, std::move(rgb)) ? 0 : IDS_CANT_CREATE_BMP;
}

int LoadPictureFile(const std::string& path, CPictureSource* source) {
  const std::string ext = LowerExtension(path);
  const bool bitmap = ext == ".bmp";
  const bool jpeg = ext == ".jpg" || ext == ".jpeg";
  if (!bitmap && !jpeg) return -1;
  source->Clear();
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, &bytes)) return IDS_CANT_OPEN_FILE;
  if (bitmap) return LoadBitmapBytes(bytes, source);
  // A ".jpg" that holds a bitmap is read as one.
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
    const int result = LoadBitmapBytes(bytes, source);
    return result == 0 ? 0 : IDS_CANT_OPEN_FILE;
  }
  if (!source->SetJpeg(std::move(bytes))) return IDS_CANT_OPEN_FILE;
  source->CheckDataOnFirstDecode();
  return 0;
}

bool CaptureFrame(CPictureSource& source, const Placement& placement, FloatImage* image) {
  std::vector<uint8_t> rgb;
  if (source.empty() || !source.Render(placement, &rgb)) return false;
  if (image->create_for_overwrite(placement.frameWidth, placement.frameHeight) != 0) return false;
  FloatPixel* p = image->pixels();
  const size_t n = image->pixel_count();
  for (size_t i = 0; i < n; ++i) {
    p[i].red = byte_to_float(rgb[i * 3]);
    p[i].green = byte_to_float(rgb[i * 3 + 1]);
    p[i].blue = byte_to_float(rgb[i * 3 + 2]);
    p[i].alpha = 1.0f;
  }
  return true;
}

bool EncodeRecordJpeg(FloatImage& image, int quality, std::vector<uint8_t>* jpeg) {
  jpeg->clear();
  if (image.pixel_count() == 0) return false;
  // A record's JPEG is almost always far below the limit, so the first try
  // is a block a few times the limit. One that does not fit is encoded again
  // with room for any JPEG of the picture, so that the size the person is
  // told is the picture's own, never a buffer's.
  const size_t full = image.pixel_count() * 6 + 65536;
  const size_t capacities[] = {std::min(full, 4 * kMaxPictureBytes), full, 2 * full};
  for (const size_t capacity : capacities) {
    jpeg->resize(capacity);
    if (image.save_jpeg_memory(jpeg->data(), jpeg->size(), quality) == 0) {
      jpeg->resize(image.jpeg_memory_size());
      return true;
    }
  }
  jpeg->clear();
  return false;
}

int EncodeToFit(FloatImage& image, std::vector<uint8_t>* jpeg) {
  for (int quality = kDefaultQuality; quality >= 0; quality -= 5) {
    if (!EncodeRecordJpeg(image, quality, jpeg)) return -1;
    if (PictureFitsRecord(jpeg->size())) return quality;
  }
  jpeg->clear();
  return -1;
}

}  // namespace quillet
