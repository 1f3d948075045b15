// Test helper: a temporary folder with its own registry file, selected
// through QUILLET_REGISTRY for the lifetime of the object.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace quillet::testing {

class TempRegistry {
 public:
  TempRegistry() {
    char tmpl[] = "/tmp/quillet-test-XXXXXX";
    dir_ = ::mkdtemp(tmpl);
    dir_ += '/';
    ::setenv("QUILLET_REGISTRY", (dir_ + "registry.db").c_str(), 1);
  }
  ~TempRegistry() {
    ::unsetenv("QUILLET_REGISTRY");
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
  std::string dir_;
};

inline std::string ReadFileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

}  // namespace quillet::testing
