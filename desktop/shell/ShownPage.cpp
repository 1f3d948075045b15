#include "desktop/shell/ShownPage.h"

#include <string_view>

#include "reports/ReportPaths.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"

namespace quillet {

uint32_t TopicOfReportPage(CRecordStore& store, const std::string& outputFolder,
                           const std::string& path) {
  if (outputFolder.empty() || path.size() <= outputFolder.size() ||
      path.compare(0, outputFolder.size(), outputFolder) != 0)
    return 0;
  const std::string name = path.substr(outputFolder.size());
  CRecord* record = nullptr;
  for (DbResult r = store.FirstOfKind(kKindTopic, &record, true); r == DB_OK && record;
       r = store.NextOfKind(kKindTopic, &record, true)) {
    const auto* topic = RecordAs<CTopicRecord>(record);
    if (topic && IsPlainFileName(topic->fileName) && OutputFileName(topic->fileName) == name)
      return topic->recordId;
  }
  return 0;
}

std::string MainWindowTitle(const std::string& userName) {
  return userName.empty() ? std::string("Quillet!") : "Quillet! - " + userName;
}

std::string SuggestedFileName(const std::string& title, const std::string& extension) {
  std::string name = title.substr(0, title.find('\n'));
  for (char& c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos)
      c = '_';
  }
  // Blanks and dots at either end make names the desktop trims or hides.
  const size_t first = name.find_first_not_of(" .");
  name = first == std::string::npos ? std::string() : name.substr(first);
  if (name.size() > 100) name.resize(100);
  while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.pop_back();
  return (name.empty() ? std::string("Report") : name) + extension;
}

}  // namespace quillet
