#include "programs/brightfencheck/core/Cabinet.h"

#include <fcntl.h>
#include <libgcab.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <strings.h>

namespace brightfen {
namespace {

// The format counts files in 16 bits and a folder's bytes in 31.
constexpr size_t kMaxFiles = 65535;
constexpr uint64_t kMaxFolderBytes = 0x7FFF8000;
constexpr size_t kMaxCabinetName = 255;

// Offsets in the cabinet header.
constexpr size_t kSetIdOffset = 32;
constexpr size_t kCabinetIndexOffset = 34;
constexpr size_t kHeaderSize = 36;

struct WriteState {
  std::FILE* trace = nullptr;
  GMemoryOutputStream* sink = nullptr;
  std::string cabinetName;
  uint64_t uncompressed = 0;
};

gboolean OnFile(GCabFile* file, gpointer user_data) {
  auto* st = static_cast<WriteState*>(user_data);
  st->uncompressed += gcab_file_get_size(file);
  if (st->trace) {
    long compressed = static_cast<long>(g_memory_output_stream_get_data_size(st->sink));
    std::fprintf(st->trace, "Compressing: %9ld -> %9ld             \r", compressed,
                 static_cast<long>(st->uncompressed));
    std::fprintf(st->trace, "   placed file '%s' (size %d) on cabinet '%s'\n", gcab_file_get_name(file),
                 static_cast<int>(gcab_file_get_size(file)), st->cabinetName.c_str());
  }
  return TRUE;
}

void OnProgress(goffset current, goffset total, gpointer user_data) {
  auto* st = static_cast<WriteState*>(user_data);
  if (!st->trace) return;
  // The percentage is worked out in int range, as the counts were kept.
  while (current > 10000000) {
    current >>= 3;
    total >>= 3;
  }
  int percent = total > 0 ? static_cast<int>(current * 100 / total) : 0;
  std::fprintf(st->trace, "Copying folder to cabinet: %d%%      \r", percent);
}

bool ReadAll(int fd, std::vector<uint8_t>* out, size_t expected) {
  out->clear();
  out->reserve(expected);
  uint8_t buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    out->insert(out->end(), buf, buf + n);
    if (out->size() > kMaxFolderBytes) return false;
  }
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

std::string BaseName(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

const char* CabinetErrorText(int error) {
  switch (error) {
    case kCabOk: return "No error";
    case kCabOpenFile: return "Failure opening file to be stored in cabinet";
    case kCabReadFile: return "Failure reading file to be stored in cabinet";
    case kCabNoMemory: return "Insufficient memory in FCI";
    case kCabTempFile: return "Could not create a temporary file";
    case kCabBadCompression: return "Unknown compression type";
    case kCabCreateCabinet: return "Could not create cabinet file";
    case kCabAborted: return "Client requested abort";
    case kCabCompress: return "Failure compressing data";
    default: return "Unknown error";
  }
}

std::string CabinetFileName(const CabinetParameters& p, int number) {
  char buf[300];
  std::snprintf(buf, sizeof buf, p.namePattern.c_str(), number);
  return buf;
}

bool IsSafeCabinetName(const std::string& name) {
  if (name.empty() || name.size() > kMaxCabinetName) return false;
  size_t start = 0;
  for (;;) {
    size_t end = name.find('\\', start);
    std::string part = name.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part.empty() || part == "." || part == "..") return false;
    for (unsigned char c : part)
      if (c < 0x20 || c == 0x7f || c == '/' || c == ':') return false;
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

CCabinetWriter::CCabinetWriter(CabinetParameters params, std::FILE* trace)
    : params_(std::move(params)), trace_(trace) {
  if (!params_.destinationFolder.empty() && params_.destinationFolder.back() != '/')
    params_.destinationFolder += '/';
}

CCabinetWriter::~CCabinetWriter() = default;

std::string CCabinetWriter::CabinetPath() const {
  return params_.destinationFolder + CabinetFileName(params_, params_.firstCabinetNumber);
}

int CCabinetWriter::Add(const std::string& source, const std::string& cabinetName) {
  if (!IsSafeCabinetName(cabinetName)) return kCabOpenFile;
  // Names that differ only in case would overwrite each other when the
  // cabinet is unpacked on the support desk's machines; the first one stays.
  for (const auto& e : files_)
    if (::strcasecmp(e.name.c_str(), cabinetName.c_str()) == 0) return kCabOk;
  if (files_.size() >= kMaxFiles) return kCabNoMemory;

  int fd = ::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return kCabOpenFile;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return kCabOpenFile;
  }
  Entry e;
  e.name = cabinetName;
  bool ok = ReadAll(fd, &e.data, static_cast<size_t>(st.st_size));
  ::close(fd);
  if (!ok) return kCabReadFile;
  if (uncompressed_ + e.data.size() > kMaxFolderBytes) return kCabNoMemory;

  e.mtime = st.st_mtime;
  // Read-only, hidden, system and archive are all the report keeps (0x27).
  uint32_t attr = GCAB_FILE_ATTRIBUTE_ARCH;
  if (!(st.st_mode & S_IWUSR)) attr |= GCAB_FILE_ATTRIBUTE_RDONLY;
  if (BaseName(source).starts_with('.')) attr |= GCAB_FILE_ATTRIBUTE_HIDDEN;
  e.attributes = attr & 0x27;
  uncompressed_ += e.data.size();
  files_.push_back(std::move(e));
  return kCabOk;
}

int CCabinetWriter::Finish() {
  const std::string path = CabinetPath();
  ::unlink(path.c_str());

  GCabCabinet* cab = gcab_cabinet_new();
  GCabFolder* folder = gcab_folder_new(GCAB_COMPRESSION_MSZIP);
  int result = kCabOk;
  for (const auto& e : files_) {
    GBytes* bytes = g_bytes_new(e.data.data(), e.data.size());
    GCabFile* file = gcab_file_new_with_bytes(e.name.c_str(), bytes);
    g_bytes_unref(bytes);
    GDateTime* when = g_date_time_new_from_unix_local(e.mtime);
    if (when) {
      gcab_file_set_date_time(file, when);
      g_date_time_unref(when);
    }
    gcab_file_set_attributes(file, e.attributes);
    GError* error = nullptr;
    gboolean added = gcab_folder_add_file(folder, file, FALSE, nullptr, &error);
    g_object_unref(file);
    if (!added) {
      if (trace_) std::fprintf(trace_, "%s\n", error ? error->message : "cannot add file");
      g_clear_error(&error);
      result = kCabNoMemory;
      break;
    }
  }
  if (result == kCabOk) {
    GError* error = nullptr;
    if (!gcab_cabinet_add_folder(cab, folder, &error)) result = kCabNoMemory;
    g_clear_error(&error);
  }
  g_object_unref(folder);

  GOutputStream* sink = nullptr;
  if (result == kCabOk) {
    sink = g_memory_output_stream_new_resizable();
    WriteState state;
    state.trace = trace_;
    state.sink = G_MEMORY_OUTPUT_STREAM(sink);
    state.cabinetName = CabinetFileName(params_, params_.firstCabinetNumber);
    GError* error = nullptr;
    if (!gcab_cabinet_write(cab, sink, OnFile, OnProgress, &state, nullptr, &error) ||
        !g_output_stream_close(sink, nullptr, &error)) {
      if (trace_ && error) std::fprintf(trace_, "%s\n", error->message);
      result = kCabCompress;
    }
    g_clear_error(&error);
  }
  g_object_unref(cab);

  if (result == kCabOk) {
    auto* mem = G_MEMORY_OUTPUT_STREAM(sink);
    auto* data = static_cast<uint8_t*>(g_memory_output_stream_get_data(mem));
    size_t size = g_memory_output_stream_get_data_size(mem);
    if (size < kHeaderSize || std::memcmp(data, "MSCF", 4) != 0) {
      result = kCabCompress;
    } else {
      // The set identifier and the cabinet's index in its set (0 for the
      // first); libgcab leaves both to the caller.
      data[kSetIdOffset] = static_cast<uint8_t>(params_.setId & 0xff);
      data[kSetIdOffset + 1] = static_cast<uint8_t>(params_.setId >> 8);
      data[kCabinetIndexOffset] = 0;
      data[kCabinetIndexOffset + 1] = 0;
      if (trace_ && size > params_.maxCabinetSize)
        std::fprintf(trace_, "   cabinet '%s' holds %zu bytes, over the %u-byte limit\n",
                     CabinetFileName(params_, params_.firstCabinetNumber).c_str(), size,
                     params_.maxCabinetSize);
      std::string tmp = path + ".XXXXXX";
      int fd = ::mkstemp(tmp.data());
      if (fd < 0) {
        result = kCabCreateCabinet;
      } else {
        bool ok = WriteAll(fd, data, size) && ::fsync(fd) == 0;
        ok = ::close(fd) == 0 && ok;
        if (!ok || ::chmod(tmp.c_str(), 0644) != 0 || ::rename(tmp.c_str(), path.c_str()) != 0) {
          ::unlink(tmp.c_str());
          result = kCabCreateCabinet;
        }
      }
    }
  }
  if (sink) g_object_unref(sink);
  if (trace_) {
    std::fprintf(trace_, "%79s\r", "");
    std::fflush(trace_);
  }
  return result;
}

}  // namespace brightfen
