// A desktop for tests: notes what was asked and answers `answer`.
#pragma once

#include <string>
#include <vector>

#include "desktop/shell/Desktop.h"

namespace quillet {

class RecordingDesktop : public IDesktop {
 public:
  struct Request {
    std::string what;  // "address", "open", "edit", "plain"
    std::string target;
    bool operator==(const Request&) const = default;
  };
  std::vector<Request> requests;
  bool answer = true;

  bool OpenAddress(const std::string& a) override { return Note("address", a); }
  bool OpenPath(const std::string& p) override { return Note("open", p); }
  bool EditPath(const std::string& p) override { return Note("edit", p); }
  bool EditPlainText(const std::string& p) override { return Note("plain", p); }

 private:
  bool Note(const char* what, const std::string& target) {
    requests.push_back({what, target});
    return answer;
  }
};

}  // namespace quillet
