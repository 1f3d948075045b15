#include "app/core/AppPaths.h"

namespace quillet {

AppPathStrings AppPaths;

std::string FitAppPath(const std::string& text) {
  return text.size() > kAppPathMax ? text.substr(0, kAppPathMax) : text;
}

}  // namespace quillet
