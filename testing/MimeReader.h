// Test helper: reads back the message files the mail stand-in writes.
#pragma once

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace quillet::testing {

struct MimePart {
  std::string headers;  // as written, lines ended by CR LF
  std::string body;     // decoded
};

struct MimeMessage {
  std::string headers;
  std::vector<MimePart> parts;
  // A header's value with folded lines joined, or "" when absent.
  std::string Header(const std::string& name) const { return HeaderIn(headers, name); }
  // How many header lines start with `name` followed by ':'.
  int HeaderCount(const std::string& name) const {
    int n = 0;
    for (size_t at = 0; at < headers.size();) {
      if (headers.compare(at, name.size() + 1, name + ":") == 0) ++n;
      size_t end = headers.find("\r\n", at);
      if (end == std::string::npos) break;
      at = end + 2;
    }
    return n;
  }

  static std::string HeaderIn(const std::string& block, const std::string& name) {
    size_t at = 0;
    while (at < block.size()) {
      size_t end = block.find("\r\n", at);
      if (end == std::string::npos) end = block.size();
      if (block.compare(at, name.size() + 1, name + ":") == 0) {
        std::string value = block.substr(at + name.size() + 1, end - at - name.size() - 1);
        while (end + 2 < block.size() && (block[end + 2] == ' ' || block[end + 2] == '\t')) {
          size_t next = block.find("\r\n", end + 2);
          if (next == std::string::npos) next = block.size();
          value += block.substr(end + 2, next - end - 2);
          end = next;
        }
        size_t first = value.find_first_not_of(' ');
        return first == std::string::npos ? "" : value.substr(first);
      }
      at = end + 2;
    }
    return "";
  }
};

inline std::string DecodeBase64(const std::string& text) {
  std::string out;
  uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    int v;
    if (c >= 'A' && c <= 'Z') v = c - 'A';
    else if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
    else if (c >= '0' && c <= '9') v = c - '0' + 52;
    else if (c == '+') v = 62;
    else if (c == '/') v = 63;
    else continue;
    bits = (bits << 6) | static_cast<uint32_t>(v);
    if (++count == 4) {
      out += static_cast<char>(bits >> 16);
      out += static_cast<char>(bits >> 8);
      out += static_cast<char>(bits);
      bits = 0;
      count = 0;
    }
  }
  if (count == 2) out += static_cast<char>(bits >> 4);
  if (count == 3) {
    out += static_cast<char>(bits >> 10);
    out += static_cast<char>(bits >> 2);
  }
  return out;
}

// A header value with its encoded words ("=?windows-1252?B?...?=") decoded.
inline std::string DecodeHeaderWords(const std::string& value) {
  std::string out;
  size_t at = 0;
  const std::string open = "=?windows-1252?B?";
  while (at < value.size()) {
    size_t w = value.find(open, at);
    if (w == std::string::npos) {
      out += value.substr(at);
      break;
    }
    std::string between = value.substr(at, w - at);
    if (between.find_first_not_of(' ') != std::string::npos) out += between;
    size_t end = value.find("?=", w + open.size());
    if (end == std::string::npos) {
      out += value.substr(w);
      break;
    }
    out += DecodeBase64(value.substr(w + open.size(), end - w - open.size()));
    at = end + 2;
  }
  return out;
}

inline MimeMessage ParseMime(const std::string& text) {
  MimeMessage m;
  size_t split = text.find("\r\n\r\n");
  m.headers = text.substr(0, split == std::string::npos ? text.size() : split + 2);
  std::string type = m.Header("Content-Type");
  size_t b = type.find("boundary=\"");
  if (b == std::string::npos || split == std::string::npos) return m;
  std::string boundary = "--" + type.substr(b + 10, type.find('"', b + 10) - b - 10);
  size_t at = text.find(boundary + "\r\n", split);
  while (at != std::string::npos) {
    size_t start = at + boundary.size() + 2;
    size_t next = text.find("\r\n" + boundary, start);
    if (next == std::string::npos) break;
    std::string part = text.substr(start, next - start);
    size_t hs = part.find("\r\n\r\n");
    MimePart p;
    p.headers = part.substr(0, hs + 2);
    std::string body = part.substr(hs + 4);
    if (MimeMessage::HeaderIn(p.headers, "Content-Transfer-Encoding") == "base64")
      p.body = DecodeBase64(body);
    else
      p.body = body;
    m.parts.push_back(p);
    at = text.compare(next + 2, boundary.size() + 2, boundary + "--") == 0 ? std::string::npos
                                                                           : next + 2;
  }
  return m;
}

// The attachment's file name as its Content-Disposition gives it.
inline std::string AttachmentFileName(const MimePart& part) {
  std::string d = MimeMessage::HeaderIn(part.headers, "Content-Disposition");
  size_t q = d.find("filename=\"");
  if (q != std::string::npos) return d.substr(q + 10, d.find('"', q + 10) - q - 10);
  size_t e = d.find("filename*=windows-1252''");
  if (e == std::string::npos) return "";
  std::string out;
  for (size_t i = e + 24; i < d.size(); ++i) {
    if (d[i] == '%' && i + 2 < d.size()) {
      out += static_cast<char>(std::stoi(d.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += d[i];
    }
  }
  return out;
}

// Names of all entries of a folder (hidden ones too), sorted.
inline std::vector<std::string> EntriesIn(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(folder.c_str())) {
    while (dirent* e = ::readdir(d)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    ::closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

inline std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace quillet::testing
