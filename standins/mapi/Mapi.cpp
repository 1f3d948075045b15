// The stand-in mail library: see Mapi.h for what it does with a message.
#include "platform/mapi/Mapi.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage/CodePage.h"
#include "platform/launch/Launch.h"

#define MAPI_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

namespace fs = std::filesystem;

std::atomic<uintptr_t> g_sessions{0};
std::atomic<unsigned> g_messages{0};
// The message file the last send on this thread left in the outbox; empty
// when the mail program took the message.
thread_local std::string t_outbox_file;

// A numeric environment value, or `fallback` when unset or not a number.
uint32_t EnvCode(const char* name, uint32_t fallback) {
  const char* v = std::getenv(name);
  if (v == nullptr || *v == 0) return fallback;
  char* end = nullptr;
  unsigned long n = std::strtoul(v, &end, 0);
  return (end != nullptr && *end == 0) ? static_cast<uint32_t>(n) : fallback;
}

std::string Outbox() {
  const char* v = std::getenv(kMailOutboxVariable);
  std::string folder;
  if (v != nullptr && *v != 0) {
    folder = v;
  } else if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data == '/') {
    folder = std::string(data) + "/quillet/outbox";
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != 0) {
    folder = std::string(home) + "/.local/share/quillet/outbox";
  } else {
    return "";
  }
  if (folder.back() != '/') folder += '/';
  return folder;
}

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64(std::string_view in) {
  std::string out;
  out.reserve((in.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < in.size(); i += 3) {
    uint32_t v = (uint8_t(in[i]) << 16) | (uint8_t(in[i + 1]) << 8) | uint8_t(in[i + 2]);
    out += kBase64[v >> 18];
    out += kBase64[(v >> 12) & 63];
    out += kBase64[(v >> 6) & 63];
    out += kBase64[v & 63];
  }
  if (i < in.size()) {
    uint32_t v = uint8_t(in[i]) << 16;
    if (i + 1 < in.size()) v |= uint8_t(in[i + 1]) << 8;
    out += kBase64[v >> 18];
    out += kBase64[(v >> 12) & 63];
    out += i + 1 < in.size() ? kBase64[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

// Base64 in lines of 76 characters, each ended by CR LF.
void AppendBase64Body(std::string* out, std::string_view bytes) {
  std::string b = Base64(bytes);
  for (size_t i = 0; i < b.size(); i += 76) {
    out->append(b, i, 76);
    out->append("\r\n");
  }
}

bool PlainHeaderText(std::string_view text) {
  for (unsigned char c : text)
    if (c < 0x20 || c > 0x7E) return false;
  return true;
}

// A header value the way any text is safe in one: printable ASCII as it
// stands (when short), anything else as encoded words of at most 45 bytes
// each, so no line break or control character of the text ever reaches the
// header block.
std::string HeaderText(std::string_view text) {
  if (PlainHeaderText(text) && text.size() <= 900) return std::string(text);
  std::string out;
  for (size_t i = 0; i < text.size(); i += 45) {
    if (i != 0) out += "\r\n ";
    out += "=?windows-1252?B?" + Base64(text.substr(i, 45)) + "?=";
  }
  return out;
}

// A display name or address for To:/Cc:. Quotes, brackets and controls
// are dropped from an address; a name is quoted or encoded.
std::string Mailbox(const MapiRecipDesc& r) {
  std::string address = r.lpszAddress != nullptr ? r.lpszAddress : "";
  if (address.size() >= 5 && strncasecmp(address.c_str(), "SMTP:", 5) == 0) address.erase(0, 5);
  std::string clean;
  for (unsigned char c : address)
    if (c > 0x20 && c < 0x7F && c != '"' && c != '<' && c != '>' && c != ',' && c != '\\')
      clean += static_cast<char>(c);
  std::string name = r.lpszName != nullptr ? r.lpszName : "";
  if (clean.empty()) clean = "undisclosed-recipient:;";  // a name without address
  if (name.empty() || name == address) return clean;
  std::string shown;
  if (PlainHeaderText(name) && name.find_first_of("\"\\") == std::string::npos)
    shown = "\"" + name + "\"";
  else
    shown = HeaderText(name);
  return clean.back() == ';' ? shown + " " + clean : shown + " <" + clean + ">";
}

std::string ContentType(std::string_view name) {
  size_t dot = name.rfind('.');
  std::string ext;
  if (dot != std::string_view::npos)
    for (char c : name.substr(dot + 1)) ext += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == "htm" || ext == "html") return "text/html; charset=windows-1252";
  if (ext == "txt") return "text/plain; charset=windows-1252";
  if (ext == "jpg" || ext == "jpeg") return "image/jpeg";
  if (ext == "png") return "image/png";
  if (ext == "gif") return "image/gif";
  if (ext == "bmp") return "image/bmp";
  return "application/octet-stream";
}

// The filename parameter of an attachment: quoted when it is plain ASCII,
// percent-encoded (RFC 2231) otherwise.
std::string FileNameParameter(std::string_view name) {
  bool plain = PlainHeaderText(name) && name.find_first_of("\"\\") == std::string_view::npos;
  if (plain) return "filename=\"" + std::string(name) + "\"";
  std::string out = "filename*=windows-1252''";
  static const char kHex[] = "0123456789ABCDEF";
  for (unsigned char c : name) {
    if (std::isalnum(c) || c == '.' || c == '-' || c == '_') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// The name a recipient sees: the given one or the path's last part, without
// anything that could name a folder.
std::string AttachmentName(const MapiFileDesc& f) {
  std::string name = (f.lpszFileName != nullptr && *f.lpszFileName != 0) ? f.lpszFileName : "";
  if (name.empty()) {
    std::string path = f.lpszPathName;
    size_t slash = path.find_last_of("/\\");
    name = slash == std::string::npos ? path : path.substr(slash + 1);
  }
  for (char& c : name)
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) c = '_';
  if (name.empty() || name == "." || name == "..") name = "attachment";
  return name;
}

// The whole of a regular file; false when it is none or cannot be read.
uint32_t ReadAttachment(const char* path, std::string* bytes) {
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? MAPI_E_ATTACHMENT_NOT_FOUND : MAPI_E_ATTACHMENT_OPEN_FAILURE;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return MAPI_E_ATTACHMENT_OPEN_FAILURE;
  }
  bytes->clear();
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return MAPI_E_ATTACHMENT_OPEN_FAILURE;
    }
    if (n == 0) break;
    bytes->append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return SUCCESS_SUCCESS;
}

// Whether a file can be attached: a regular file we may read.
uint32_t CheckAttachment(const char* path) {
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? MAPI_E_ATTACHMENT_NOT_FOUND : MAPI_E_ATTACHMENT_OPEN_FAILURE;
  struct stat st;
  const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  ::close(fd);
  return regular ? SUCCESS_SUCCESS : MAPI_E_ATTACHMENT_OPEN_FAILURE;
}

std::string DateHeader(std::time_t now) {
  std::tm tm{};
  ::localtime_r(&now, &tm);
  static const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  long offset = tm.tm_gmtoff / 60;
  char sign = offset < 0 ? '-' : '+';
  if (offset < 0) offset = -offset;
  char line[64];
  std::snprintf(line, sizeof line, "%s, %d %s %d %02d:%02d:%02d %c%02ld%02ld", kDays[tm.tm_wday],
                tm.tm_mday, kMonths[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min,
                tm.tm_sec, sign, offset / 60, offset % 60);
  return line;
}

// The body text with every line ended by CR LF; base64 when it holds more
// than short printable ASCII lines.
void AppendTextPart(std::string* out, std::string_view text) {
  bool plain = true;
  size_t line = 0;
  for (unsigned char c : text) {
    if (c == '\n') {
      line = 0;
      continue;
    }
    if (++line > 900 || (c < 0x20 && c != '\t' && c != '\r') || c > 0x7E) plain = false;
  }
  *out += "Content-Type: text/plain; charset=windows-1252\r\n";
  if (!plain) {
    *out += "Content-Transfer-Encoding: base64\r\n\r\n";
    AppendBase64Body(out, text);
    return;
  }
  *out += "Content-Transfer-Encoding: 7bit\r\n\r\n";
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') *out += '\r';
    *out += c;
  }
  *out += "\r\n";
}

// Writes `bytes` as a new file in `folder`, whole or not at all; its path
// into *path.
bool WriteNewMessage(const std::string& folder, const std::string& bytes, std::string* path) {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  ::localtime_r(&now, &tm);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = std::string(stamp) + "-" + std::to_string(::getpid()) + "-" +
                       std::to_string(g_messages.fetch_add(1) + 1) + ".eml";
    std::string final_path = folder + name;
    std::string part = folder + "." + name + ".part";
    if (::access(final_path.c_str(), F_OK) == 0) continue;
    int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    bool ok = done == bytes.size() && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    // link() refuses to replace a message that appeared meanwhile.
    if (ok && ::link(part.c_str(), final_path.c_str()) != 0) {
      ::unlink(part.c_str());
      if (errno == EEXIST) continue;
      return false;
    }
    ::unlink(part.c_str());
    if (!ok) return false;
    *path = final_path;
    return true;
  }
  return false;
}

// --- Handing the message to the desktop's mail program ---------------------

// The program that hands a message to the person's mail program:
// QUILLET_MAIL_PROGRAM when set (empty: none, every message goes to the
// outbox), else xdg-email; "" when it cannot be found.
std::string MailProgram() {
  std::string program = "xdg-email";
  if (const char* v = std::getenv(kMailProgramVariable); v != nullptr) program = v;
  return quillet::FindProgram(program);
}

// A record text as one argument of the mail program: UTF-8, every line
// break and control character a blank (a subject is one line).
std::string OneLine(const char* text) {
  std::string utf8 = quillet::ToUtf8(quillet::CpText(text));
  for (char& c : utf8)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  return utf8;
}

// A body text as one argument: UTF-8 with line feeds only.
std::string BodyText(const char* text) {
  std::string utf8 = quillet::ToUtf8(quillet::CpText(text));
  std::string out;
  for (char c : utf8)
    if (c != '\r') out += c;
  return out;
}

// An address as the mail program takes it: without "SMTP:", and nothing
// that could be read as an option or break the mailto: address.
std::string PlainAddress(const char* address) {
  std::string a = address != nullptr ? address : "";
  if (a.size() >= 5 && strncasecmp(a.c_str(), "SMTP:", 5) == 0) a.erase(0, 5);
  std::string clean;
  for (unsigned char c : a)
    if (c > 0x20 && c < 0x7F && c != '"' && c != '<' && c != '>' && c != ',' && c != '\\' && c != '?')
      clean += static_cast<char>(c);
  if (!clean.empty() && clean[0] == '-') return "";
  return clean;
}

// True for a path the mail program's hand-over cannot read as more than one
// file: absolute, made only of letters (UTF-8 ones too), digits, spaces and
// "._-+/", and no part of it starting with '-'. xdg-email joins the
// attachments into the mail program's compose line, where a quote, comma
// or '=' in a path would start another field (another recipient).
bool PlainAttachmentPath(std::string_view path) {
  if (path.empty() || path[0] != '/') return false;
  for (size_t i = 0; i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    const bool plain = std::isalnum(c) || c >= 0x80 || c == ' ' || c == '.' || c == '_' || c == '-' ||
                       c == '+' || c == '/';
    if (!plain) return false;
    if (c == '-' && path[i - 1] == '/') return false;
  }
  return true;
}

// A plain name for the copy of an attachment: each byte outside letters,
// digits, UTF-8, spaces and "._-+" a '_', no leading '.', '-' or space.
std::string PlainCopyName(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
  for (char& ch : name) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (!(std::isalnum(c) || c >= 0x80 || c == ' ' || c == '.' || c == '_' || c == '-' || c == '+')) ch = '_';
  }
  if (name.empty()) name = "attachment";
  if (name[0] == '.' || name[0] == '-' || name[0] == ' ') name[0] = '_';
  return name;
}

// A new folder, 0700, for copies of the attachments whose paths are not
// plain; "" when none can be made. The mail program reads the copies after
// we return, so they stay (in the runtime folder, or /tmp without one).
std::string NewCopyFolder() {
  std::string base = "/tmp";
  if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run != nullptr && PlainAttachmentPath(run))
    base = run;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  std::string tmpl = base + "/quillet-mail-XXXXXX";
  if (::mkdtemp(tmpl.data()) == nullptr) return "";
  return tmpl + "/";
}

// Copies `from` into `folder` as `name` (a new file, 0600).
bool CopyAttachment(const char* from, const std::string& to) {
  std::string bytes;
  if (ReadAttachment(from, &bytes) != SUCCESS_SUCCESS) return false;
  const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  const bool ok = ::close(fd) == 0 && done == bytes.size();
  if (!ok) ::unlink(to.c_str());
  return ok;
}

// The path each attachment is handed over by: its own when plain and the
// caller gave no other name for it, else a copy in a private folder under
// the given name (code-page text) or the file's own, made plain. False
// when a copy fails.
bool HandOverPaths(const MapiMessage& m, std::vector<std::string>* paths) {
  std::string folder;
  std::vector<std::string> used;
  for (uint32_t i = 0; i < m.nFileCount; ++i) {
    const char* path = m.lpFiles[i].lpszPathName;
    const char* given = m.lpFiles[i].lpszFileName;
    const std::string wanted =
        given != nullptr && *given != 0 ? quillet::ToUtf8(quillet::CpText(given)) : std::string();
    const std::string_view own = std::string_view(path).substr(std::string_view(path).find_last_of('/') + 1);
    if (PlainAttachmentPath(path) && (wanted.empty() || wanted == own)) {
      paths->push_back(path);
      continue;
    }
    if (folder.empty() && (folder = NewCopyFolder()).empty()) return false;
    const std::string base = PlainCopyName(wanted.empty() ? std::string(path) : wanted);
    std::string name = base;
    // Two attachments of one name get two copies.
    for (int n = 2; std::find(used.begin(), used.end(), name) != used.end(); ++n)
      name = std::to_string(n) + "_" + base;
    used.push_back(name);
    if (!CopyAttachment(path, folder + name)) return false;
    paths->push_back(folder + name);
  }
  return true;
}

// The arguments: --utf8, --subject, --body when there is a text, --cc and
// --bcc per copy recipient, --attach per file (its path as HandOverPaths
// gives it), and the To: addresses last.
std::vector<std::string> MailArguments(const MapiMessage& m, const std::string& program,
                                       const std::vector<std::string>& attachments) {
  std::vector<std::string> args{program, "--utf8", "--subject", OneLine(m.lpszSubject)};
  if (m.lpszNoteText != nullptr && *m.lpszNoteText != 0) {
    args.push_back("--body");
    args.push_back(BodyText(m.lpszNoteText));
  }
  std::vector<std::string> to;
  for (uint32_t i = 0; i < m.nRecipCount; ++i) {
    std::string address = PlainAddress(m.lpRecips[i].lpszAddress);
    if (address.empty()) continue;
    switch (m.lpRecips[i].ulRecipClass) {
      case MAPI_CC: args.push_back("--cc"); args.push_back(address); break;
      case MAPI_BCC: args.push_back("--bcc"); args.push_back(address); break;
      case MAPI_TO: to.push_back(address); break;
      default: break;
    }
  }
  for (const std::string& path : attachments) {
    args.push_back("--attach");
    args.push_back(path);
  }
  args.insert(args.end(), to.begin(), to.end());
  return args;
}

uint32_t Send(const MapiMessage& m) {
  if (m.nFileCount != 0 && m.lpFiles == nullptr) return MAPI_E_INVALID_MESSAGE;
  if (m.nRecipCount != 0 && m.lpRecips == nullptr) return MAPI_E_INVALID_MESSAGE;
  for (uint32_t i = 0; i < m.nFileCount; ++i)
    if (m.lpFiles[i].lpszPathName == nullptr || *m.lpFiles[i].lpszPathName == 0)
      return MAPI_E_ATTACHMENT_NOT_FOUND;

  // The compose window the person closes with Cancel, or a mail program
  // that fails, as a test asks for it.
  if (uint32_t told = EnvCode("QUILLET_MAIL_SEND_RESULT", 0); told != 0) return told;

  // The person's own mail program composes the message when the desktop
  // has one set up; otherwise it goes into the outbox as a file.
  if (const std::string program = MailProgram(); !program.empty()) {
    for (uint32_t i = 0; i < m.nFileCount; ++i)
      if (uint32_t r = CheckAttachment(m.lpFiles[i].lpszPathName); r != SUCCESS_SUCCESS) return r;
    std::vector<std::string> attachments;
    if (!HandOverPaths(m, &attachments)) return MAPI_E_ATTACHMENT_WRITE_FAILURE;
    // A mail program still running after the settle time is composing.
    if (quillet::RunSettled(MailArguments(m, program, attachments)) == quillet::LaunchResult::kTaken)
      return SUCCESS_SUCCESS;
    std::fprintf(stderr, "The mail program %s could not take the message; it goes to the outbox.\n",
                 program.c_str());
  }

  const std::string boundary =
      "=_quillet_" + std::to_string(::getpid()) + "_" + std::to_string(std::time(nullptr)) + "_" +
      std::to_string(g_messages.load());
  std::string out;
  out += "Date: " + DateHeader(std::time(nullptr)) + "\r\n";
  out += "X-Unsent: 1\r\n";
  for (uint32_t cls : {MAPI_TO, MAPI_CC, MAPI_BCC}) {
    std::string list;
    for (uint32_t i = 0; i < m.nRecipCount; ++i) {
      if (m.lpRecips[i].ulRecipClass != cls) continue;
      if (!list.empty()) list += ",\r\n ";
      list += Mailbox(m.lpRecips[i]);
    }
    if (list.empty()) continue;
    out += cls == MAPI_TO ? "To: " : cls == MAPI_CC ? "Cc: " : "Bcc: ";
    out += list + "\r\n";
  }
  out += "Subject: " + HeaderText(m.lpszSubject != nullptr ? m.lpszSubject : "") + "\r\n";
  out += "MIME-Version: 1.0\r\n";
  out += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n";
  if (m.lpszNoteText != nullptr && *m.lpszNoteText != 0) {
    out += "--" + boundary + "\r\n";
    AppendTextPart(&out, m.lpszNoteText);
  }
  std::string bytes;
  for (uint32_t i = 0; i < m.nFileCount; ++i) {
    const MapiFileDesc& f = m.lpFiles[i];
    if (uint32_t r = ReadAttachment(f.lpszPathName, &bytes); r != SUCCESS_SUCCESS) return r;
    std::string name = AttachmentName(f);
    out += "--" + boundary + "\r\n";
    out += "Content-Type: " + ContentType(name) + "\r\n";
    out += "Content-Disposition: attachment; " + FileNameParameter(name) + "\r\n";
    out += "Content-Transfer-Encoding: base64\r\n\r\n";
    AppendBase64Body(&out, bytes);
  }
  out += "--" + boundary + "--\r\n";

  std::string folder = Outbox();
  if (folder.empty()) return MAPI_E_FAILURE;
  // The outbox holds whole reports: the user's alone.
  for (size_t pos = folder.find('/', 1);; pos = folder.find('/', pos + 1)) {
    const std::string part = folder.substr(0, pos);
    if (!part.empty()) ::mkdir(part.c_str(), 0700);
    if (pos == std::string::npos || pos + 1 >= folder.size()) break;
  }
  std::string path;
  if (!WriteNewMessage(folder, out, &path)) return errno == ENOSPC ? MAPI_E_DISK_FULL : MAPI_E_FAILURE;
  std::fprintf(stderr, "Mail placed in the outbox: %s\n", path.c_str());
  t_outbox_file = path;
  return SUCCESS_SUCCESS;
}

}  // namespace

MAPI_EXPORT uint32_t MAPILogon(uintptr_t, char*, char*, uint32_t, uint32_t,
                               uintptr_t* lplhSession) {
  if (lplhSession == nullptr) return MAPI_E_FAILURE;
  uint32_t result = EnvCode("QUILLET_MAIL_LOGON_RESULT", SUCCESS_SUCCESS);
  *lplhSession = result == SUCCESS_SUCCESS ? g_sessions.fetch_add(1) + 1 : 0;
  return result;
}

MAPI_EXPORT uint32_t MAPISendMail(uintptr_t, uintptr_t, MapiMessage* lpMessage, uint32_t,
                                  uint32_t) {
  t_outbox_file.clear();
  if (lpMessage == nullptr) return MAPI_E_INVALID_MESSAGE;
  try {
    return Send(*lpMessage);
  } catch (const std::bad_alloc&) {
    return MAPI_E_INSUFFICIENT_MEMORY;
  } catch (...) {
    return MAPI_E_FAILURE;
  }
}

MAPI_EXPORT uint32_t QuilletMailOutboxFile(char* buffer, uint32_t size) {
  const std::string& path = t_outbox_file;
  if (buffer != nullptr && size > 0) {
    const size_t n = path.size() < size ? path.size() : size - 1;
    std::memcpy(buffer, path.data(), n);
    buffer[n] = 0;
  }
  return static_cast<uint32_t>(path.size());
}
