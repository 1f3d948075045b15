// The report hook's view of a record store: the program hands it the
// current database, the command-line tool a store it loaded itself.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

#include "reports/ReportSource.h"

namespace quillet {

class CRecord;
class CRecordStore;

class StoreReportSource : public IReportSource {
 public:
  // `showPrivate` answers whether private records are shown; empty means
  // the process-wide bShowPrivate.
  explicit StoreReportSource(CRecordStore* store, std::function<bool()> showPrivate = {});
  // A source that asks `currentStore` for the store at every call, so it
  // follows the current database from user to user.
  explicit StoreReportSource(std::function<CRecordStore*()> currentStore,
                             std::function<bool()> showPrivate = {});

  void SetStore(CRecordStore* store);

  bool Topic(uint32_t id, ReportTopic* out) override;
  bool Member(uint32_t id, int* kind, bool* isPrivate) override;
  std::string_view NoteText(uint32_t id) override;
  bool Image(uint32_t id, ReportImage* out) override;
  bool Reference(uint32_t id, ReportReference* out) override;
  std::string CategoryName(uint32_t categoryId) override;
  bool ShowPrivate() override;
  // Saves the whole store after the change (once at the end of a save
  // batch); a failed save shows string 231.
  bool SetFileName(uint32_t id, const std::string& name, bool save) override;
  void BeginSaveBatch() override { ++batch_depth_; }
  bool EndSaveBatch() override;

 private:
  CRecord* Find(uint32_t id);
  CRecordStore* Store() { return current_ ? current_() : store_; }
  bool SaveNow();

  CRecordStore* store_ = nullptr;
  std::function<CRecordStore*()> current_;
  std::function<bool()> show_private_;
  // Where each id was last found. A report looks up each child several
  // times; the store's own lookup walks every record. A remembered position
  // is checked against the store before it is trusted.
  std::unordered_map<uint32_t, uint32_t> positions_;
  uint32_t last_id_ = 0;
  uint32_t last_position_ = 0;
  int batch_depth_ = 0;
  bool save_held_ = false;
};

}  // namespace quillet
