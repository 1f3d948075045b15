// Test helper: a temporary folder with its own registry file, selected
// through QUILLET_REGISTRY for the lifetime of the object, and the user's
// XDG data, state and cache folders inside it (data/, state/, cache/), so
// nothing a test runs writes into the real home folder.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quillet::testing {

class TempRegistry {
 public:
  TempRegistry() {
    char tmpl[] = "/tmp/quillet-test-XXXXXX";
    dir_ = ::mkdtemp(tmpl);
    dir_ += '/';
    ::setenv("QUILLET_REGISTRY", (dir_ + "registry.db").c_str(), 1);
    for (const auto& [name, sub] : kXdg) {
      const char* old = ::getenv(name);
      saved_.push_back(old ? std::optional<std::string>(old) : std::nullopt);
      ::setenv(name, (dir_ + sub).c_str(), 1);
    }
  }
  ~TempRegistry() {
    ::unsetenv("QUILLET_REGISTRY");
    for (size_t i = 0; i < saved_.size(); ++i) {
      if (saved_[i]) ::setenv(kXdg[i].first, saved_[i]->c_str(), 1);
      else ::unsetenv(kXdg[i].first);
    }
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  TempRegistry(const TempRegistry&) = delete;
  TempRegistry& operator=(const TempRegistry&) = delete;

  // The temporary folder, ending in '/'.
  const std::string& dir() const { return dir_; }
  // A new subfolder of it, ending in '/'.
  std::string MakeDir(const std::string& name) const {
    std::filesystem::create_directories(dir_ + name);
    return dir_ + name + '/';
  }

 private:
  static constexpr std::pair<const char*, const char*> kXdg[] = {
      {"XDG_DATA_HOME", "data"}, {"XDG_STATE_HOME", "state"}, {"XDG_CACHE_HOME", "cache"}};
  std::string dir_;
  std::vector<std::optional<std::string>> saved_;
};

inline std::string ReadFileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

}  // namespace quillet::testing
