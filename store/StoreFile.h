// CStoreFile: the file wrapper under the record store.
//
// A store file is only ever read whole (OpenForRead, then Read until done) or
// written whole (Rewrite, then Write, then Commit). Reads and writes go
// through a 64 KB buffer, so the store can ask for one field at a time without
// one system call per field; the bytes on disk are the same.
//
// Sharing: while a CStoreFile has a file open it holds an exclusive advisory
// lock (flock) on it. Any other OpenForRead or Rewrite of the same file, from
// this or another process, fails with DB_ERR_OPEN instead of waiting: the
// other writer of the file (the HotSync conduit) expects an opened store file
// to be unavailable, and nobody retries.
//
// Replacing: Rewrite never touches the existing file. It writes into a fresh
// temporary file in the same folder; Commit flushes and syncs it and renames
// it over the old file, so the old file is replaced in one step or not at
// all. Close without Commit throws the temporary file away and leaves the old
// file exactly as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "store/ResultCodes.h"

namespace quillet {

class CStoreFile {
 public:
  CStoreFile();
  ~CStoreFile();  // Close(): an uncommitted rewrite is discarded
  CStoreFile(const CStoreFile&) = delete;
  CStoreFile& operator=(const CStoreFile&) = delete;

  // Opens an existing regular file for reading. DB_OK, DB_ERR_NO_NAME for an
  // empty path, DB_ERR_OPEN when it cannot be opened (missing, not a regular
  // file, or held open by someone else).
  DbResult OpenForRead(const std::string& path);
  // Starts replacing `path` (which need not exist). DB_OK, DB_ERR_NO_NAME or
  // DB_ERR_OPEN (the temporary file cannot be created, or the existing file
  // cannot be opened for writing or is held open by someone else).
  DbResult Rewrite(const std::string& path);
  // Finishes a Rewrite: writes out the buffer, syncs the data to disk and
  // renames the temporary file over the target. DB_OK, or DB_ERR_WRITE when
  // any write so far failed or this step fails; the old file is then
  // untouched. The file is closed afterwards either way.
  DbResult Commit();
  // Closes whatever is open, discarding an uncommitted rewrite. Always DB_OK.
  DbResult Close();
  bool IsOpen() const { return fd_ >= 0; }

  // Reads exactly n bytes. DB_OK, DB_ERR_READ (system failure or not open
  // for reading), DB_ERR_EOF (no bytes came) or DB_ERR_SHORT_READ (some came).
  DbResult Read(void* buffer, size_t n);
  // Writes n bytes. DB_OK, or DB_ERR_WRITE when this or an earlier write of
  // the same rewrite failed (errors are sticky: Commit will refuse).
  DbResult Write(const void* buffer, size_t n);

  // Little-endian helpers. A failed read leaves *value unchanged.
  DbResult ReadU8(uint8_t* value);
  DbResult ReadU16(uint16_t* value);
  DbResult ReadU32(uint32_t* value);
  DbResult ReadI32(int32_t* value);
  DbResult WriteU8(uint8_t value);
  DbResult WriteU16(uint16_t value);
  DbResult WriteU32(uint32_t value);
  DbResult WriteI32(int32_t value);

  // Length-prefixed text: one length byte below 255, else 0xFF and a u16.
  // ReadString empties *text first; a length that runs past the end of the
  // file reads what is left (never allocating more than the file holds) and
  // fails like a read cut off by the end of the file.
  DbResult ReadString(std::string* text);
  // A text longer than kMaxStringBytes cannot be encoded: DB_ERR_WRITE and
  // nothing is written (the rewrite as a whole then fails).
  DbResult WriteString(const std::string& text);

  static constexpr size_t kMaxStringBytes = 65535;

  // Bytes not yet read of a file open for reading (0 otherwise). Readers of
  // counted lists use it to refuse counts the file cannot possibly hold.
  uint64_t Remaining() const;
  // The code of the first read that failed since OpenForRead, or DB_OK.
  // Record bodies do not report their read errors; the store asks here
  // whether a body was cut off.
  DbResult FirstReadError() const { return first_read_error_; }
  // Counts a failure seen by a caller (e.g. a count the file cannot hold) as
  // a read error, as if the read had run into the end of the file.
  void NoteReadError(DbResult code);

 private:
  enum class Mode { kClosed, kRead, kWrite };

  DbResult Fill();
  DbResult FlushBuffer();
  void ReleaseLock();

  int fd_ = -1;
  Mode mode_ = Mode::kClosed;
  std::vector<uint8_t> buffer_;
  size_t buffer_pos_ = 0;   // read: next byte to hand out; write: bytes held
  size_t buffer_len_ = 0;   // read: bytes valid in buffer_
  uint64_t file_size_ = 0;  // read: size at open
  uint64_t consumed_ = 0;   // read: bytes handed out so far
  DbResult first_read_error_ = DB_OK;
  bool write_failed_ = false;
  int lock_fd_ = -1;        // write: the locked existing file, if any
  std::string target_path_;
  std::string temp_path_;
};

}  // namespace quillet
