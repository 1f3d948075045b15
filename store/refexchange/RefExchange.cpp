#include "store/refexchange/RefExchange.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <set>

#include "platform/codepage/CodePage.h"
#include "platform/files/SafeFiles.h"
#include "store/RecordKinds.h"
#include "store/PrivateRecords.h"
#include "store/RecordStore.h"
#include "store/refexchange/BibTex.h"
#include "store/refexchange/RefCommon.h"
#include "store/refexchange/Ris.h"
#include "store/refexchange/Unicode.h"

namespace quillet::refx {
namespace {

// Larger files are refused rather than read into memory.
constexpr size_t kMaxFileSize = 64u << 20;

template <class T>
T* FirstLive(CRecordStore& store, uint32_t id) {
  for (uint32_t i = 0; i < store.highWater(); ++i) {
    T* r = RecordAs<T>(store.RecordAt(i));
    if (r != nullptr && r->IsLive() && r->recordId == id) return r;
  }
  return nullptr;
}

bool EndsWithNoCase(const std::string& s, const char* suffix) {
  const size_t n = std::strlen(suffix);
  return s.size() >= n && Lower(s.substr(s.size() - n)) == suffix;
}

// "% Encoding: ISO8859_1" (or windows-1252 and the like) in the first lines.
bool DeclaresCodePage(std::string_view text) {
  const std::string head = Lower(text.substr(0, std::min<size_t>(text.size(), 512)));
  const size_t at = head.find("encoding:");
  if (at == std::string::npos || head.rfind('%', at) == std::string::npos) return false;
  const size_t eol = head.find('\n', at);
  std::string name = TrimAscii(head.substr(at + 9, eol == std::string::npos ? std::string::npos : eol - at - 9));
  std::string letters;
  for (char c : name)
    if (std::isalnum(static_cast<unsigned char>(c))) letters.push_back(c);
  return letters == "iso88591" || letters == "latin1" || letters == "windows1252" || letters == "cp1252";
}

}  // namespace

bool FormatOfPath(const std::string& path, Format* format) {
  if (EndsWithNoCase(path, ".bib")) *format = Format::kBibTex;
  else if (EndsWithNoCase(path, ".ris")) *format = Format::kRis;
  else return false;
  return true;
}

bool FormatOfText(std::string_view text, Format* format) {
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    while (line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
    if (line.size() >= 5 && line.substr(0, 2) == "TY") {
      size_t p = 2;
      while (p < line.size() && line[p] == ' ') ++p;
      if (p > 2 && p <= 4 && p < line.size() && line[p] == '-') {
        *format = Format::kRis;
        return true;
      }
    }
    size_t p = 0;
    while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
    if (p < line.size() && line[p] == '@') {
      size_t q = p + 1;
      while (q < line.size() && std::isalpha(static_cast<unsigned char>(line[q]))) ++q;
      const size_t nameEnd = q;
      while (q < line.size() && (line[q] == ' ' || line[q] == '\t')) ++q;
      if (nameEnd > p + 1 && q < line.size() && (line[q] == '{' || line[q] == '(')) {
        *format = Format::kBibTex;
        return true;
      }
    }
    start = end + 1;
  }
  return false;
}

namespace {

// The text without the byte-order marks that start a line: a file made of
// two files joined has the second one's at the start of a line.
std::string WithoutLineMarks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const bool lineStart = i == 0 || text[i - 1] == '\n' || text[i - 1] == '\r';
    if (lineStart && text.substr(i, 3) == "\xEF\xBB\xBF") {
      i += 3;
      continue;
    }
    out.push_back(text[i++]);
  }
  return out;
}

// True when the text holds a well-formed UTF-8 sequence of two or more
// bytes: a file in the code page practically never does.
bool HasUtf8Sequence(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const size_t n = c >= 0xC2 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2 : c >= 0xF0 && c <= 0xF4 ? 3 : 0;
    if (n == 0) continue;
    bool ok = true;
    for (size_t k = 1; ok && k <= n; ++k)
      ok = i + k < text.size() && (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    if (ok) return true;
  }
  return false;
}

ReadResult ReadReferencesUnguarded(std::string_view original, Format format) {
  ReadResult result;
  if (original.find('\0') != std::string_view::npos) {
    result.error = "it is not a text file";
    return result;
  }
  std::string text = WithoutLineMarks(original);
  // A file that says it is written in the Latin-1 or Windows-1252 code
  // page (as some managers head their BibTeX files), or that is not valid
  // UTF-8, is read in the Windows-1252 code page.
  const bool declared = DeclaresCodePage(text);
  std::u32string ignored;
  size_t bad = 0;
  const bool notUtf8 = !declared && !DecodeUtf8(text, &ignored, &bad);
  if (notUtf8 && HasUtf8Sequence(text)) {
    // UTF-8 with a damaged place: read as the code page, its letters would
    // all come in wrong.
    size_t line = 1;
    for (size_t i = 0; i < bad; ++i) line += text[i] == '\n';
    result.error = "it is not UTF-8 text (line " + std::to_string(line) + ")";
    return result;
  }
  if (declared || notUtf8) text = ToUtf8(CpText(text));
  ReadResult read = format == Format::kBibTex ? ReadBibTex(text) : ReadRis(text);
  read.readAsCodePage = read.ok && notUtf8;
  return read;
}

}  // namespace

// Nothing a file holds may throw past this point: a failure of any kind,
// running out of memory included, is a file that could not be read.
ReadResult ReadReferences(std::string_view text, Format format) {
  try {
    return ReadReferencesUnguarded(text, format);
  } catch (const std::bad_alloc&) {
    ReadResult result;
    result.error = "there is not enough memory to read it";
    return result;
  } catch (...) {
    ReadResult result;
    result.error = "it could not be read";
    return result;
  }
}

ReadResult ReadReferenceFile(const std::string& path) {
  ReadResult result;
  Format format;
  const bool named = FormatOfPath(path, &format);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    result.error = std::string("it cannot be read: ") + std::strerror(errno);
    return result;
  }
  std::unique_ptr<int, void (*)(int*)> closer(new int(fd), [](int* f) {
    ::close(*f);
    delete f;
  });
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    result.error = "it is not a file";
    return result;
  }
  if (static_cast<uint64_t>(st.st_size) > kMaxFileSize) {
    result.error = "it is larger than 64 MB";
    return result;
  }
  std::string text;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      result.error = std::string("it cannot be read: ") + std::strerror(errno);
      return result;
    }
    if (n == 0) break;
    text.append(buf, static_cast<size_t>(n));
    if (text.size() > kMaxFileSize) {
      result.error = "it is larger than 64 MB";
      return result;
    }
  }
  if (!named && !FormatOfText(text, &format)) {
    result.error = "it holds neither BibTeX entries nor RIS entries";
    return result;
  }
  return ReadReferences(text, format);
}

AddResult AddToTopic(CRecordStore& store, uint32_t topicId, const std::vector<ImportedReference>& references,
                     const std::function<uint32_t()>& nextId, std::vector<uint32_t>* added) {
  if (added) added->clear();
  CTopicRecord* topic = topicId != 0 ? FirstLive<CTopicRecord>(store, topicId) : nullptr;
  if (topic == nullptr) return AddResult::kNoTopic;
  CTopicLinksRecord* links = topic->linksId != 0 ? FirstLive<CTopicLinksRecord>(store, topic->linksId) : nullptr;
  if (links == nullptr) return AddResult::kNoLinks;

  std::vector<CRecord*> made;
  std::vector<uint32_t> ids;
  for (const ImportedReference& ref : references) {
    auto record = std::make_unique<CCustomRecord>();
    record->recordId = nextId();
    record->customType = ref.customType;
    record->fields = ref.fields;
    CRecord* raw = record.get();
    const uint32_t id = record->recordId;
    if (store.AddNew(std::move(record)) != DB_OK) {
      // Records are never taken out of a store: the ones already in go
      // as deleted, and none joins the topic.
      for (CRecord* r : made) r->flags |= kFlagDeleted;
      return AddResult::kStoreFull;
    }
    made.push_back(raw);
    ids.push_back(id);
  }
  links->memberIds.insert(links->memberIds.end(), ids.begin(), ids.end());
  if (!ids.empty()) links->flags |= kFlagModified;
  if (added) *added = std::move(ids);
  return AddResult::kOk;
}

std::vector<const CCustomRecord*> CollectReferences(CRecordStore& store, uint32_t topicId, bool includePrivate,
                                                    bool* found) {
  std::vector<const CCustomRecord*> out;
  // Without the private ones, the references of private topics stay out too.
  const CPrivateRule rule(store, includePrivate);
  auto wanted = [&rule](const CCustomRecord* r) { return r != nullptr && r->IsLive() && !rule.Hidden(*r); };
  if (found) *found = true;
  if (topicId == 0) {
    for (uint32_t i = 0; i < store.highWater(); ++i) {
      const CCustomRecord* r = RecordAs<CCustomRecord>(store.RecordAt(i));
      if (wanted(r)) out.push_back(r);
    }
    return out;
  }
  const CTopicRecord* topic = FirstLive<CTopicRecord>(store, topicId);
  if (topic == nullptr || rule.Hidden(*topic)) {
    if (found) *found = false;
    return out;
  }
  const CTopicLinksRecord* links = topic->linksId != 0 ? FirstLive<CTopicLinksRecord>(store, topic->linksId) : nullptr;
  if (links == nullptr) return out;
  std::set<uint32_t> seen;
  for (uint32_t id : links->memberIds) {
    if (!seen.insert(id).second) continue;
    CRecord* r = nullptr;
    if (store.FindById(id, &r) != DB_OK) continue;
    const CCustomRecord* ref = RecordAs<CCustomRecord>(r);
    if (wanted(ref)) out.push_back(ref);
  }
  return out;
}

WriteResult WriteReferences(const std::vector<const CCustomRecord*>& references, Format format) {
  return format == Format::kBibTex ? WriteBibTex(references) : WriteRis(references);
}

bool WriteFileReplacing(const std::string& path, const std::string& bytes, std::string* error) {
  const int err = ReplaceFileContents(path, bytes, /*durable=*/true);
  if (err != 0) *error = std::string("cannot write ") + path + ": " + std::strerror(err);
  return err == 0;
}

}  // namespace quillet::refx
