// The report cabinet: a Microsoft Cabinet file written through libgcab,
// MSZIP-compressed, from (source file, name inside the cabinet) pairs.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace brightfen {

// Error numbers of the cabinet writer; CabinetErrorText gives their texts.
enum CabinetError : int {
  kCabOk = 0,
  kCabOpenFile = 1,
  kCabReadFile = 2,
  kCabNoMemory = 3,
  kCabTempFile = 4,
  kCabBadCompression = 5,
  kCabCreateCabinet = 6,
  kCabAborted = 7,
  kCabCompress = 8,
};

const char* CabinetErrorText(int error);

struct CabinetParameters {
  uint32_t maxCabinetSize = 3000000;
  uint32_t folderThreshold = 9000000;
  int firstCabinetNumber = 1;
  uint16_t setId = 34432;
  std::string destinationFolder;  // ends in '/'
  std::string namePattern = "BrightfenCheckReport%d.zip";
};

// "BrightfenCheckReport1.zip" for number 1.
std::string CabinetFileName(const CabinetParameters& p, int number);

// True when `name` can stand inside the cabinet without leading an
// extracting program anywhere but below its own folder: components split
// at '\' are plain names (not empty, "." or "..", no '/', ':' or control
// characters) and the whole fits the format's 255 bytes.
bool IsSafeCabinetName(const std::string& name);

// One cabinet set being made. Files are read when added (so a file that
// cannot be opened or read is reported by Add, not later) and the cabinet is
// written by Finish. libgcab writes one cabinet; a set over the size limit
// is still written whole into the first cabinet, and Finish says so on the
// trace.
class CCabinetWriter {
 public:
  // `trace` receives the progress lines (standard output in the program);
  // null writes none.
  CCabinetWriter(CabinetParameters params, std::FILE* trace);
  ~CCabinetWriter();
  CCabinetWriter(const CCabinetWriter&) = delete;
  CCabinetWriter& operator=(const CCabinetWriter&) = delete;

  // kCabOk, or the error number. A file that is not a regular file (a
  // folder, a symbolic link) is kCabOpenFile; an unsafe name is kCabOpenFile
  // too, before anything is read.
  int Add(const std::string& source, const std::string& cabinetName);
  // Writes the cabinet as destination + name of the first number, through a
  // temporary file renamed into place, so a failure leaves no cabinet.
  int Finish();

  // The cabinet's full path (also before Finish).
  std::string CabinetPath() const;
  size_t FileCount() const { return files_.size(); }
  uint64_t UncompressedBytes() const { return uncompressed_; }

 private:
  struct Entry {
    std::string name;
    std::vector<uint8_t> data;
    int64_t mtime = 0;
    uint32_t attributes = 0;
  };
  CabinetParameters params_;
  std::FILE* trace_;
  std::vector<Entry> files_;
  uint64_t uncompressed_ = 0;
};

}  // namespace brightfen
