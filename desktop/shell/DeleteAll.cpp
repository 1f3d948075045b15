#include "desktop/shell/DeleteAll.h"

#include <unistd.h>

#include "reports/ReportPaths.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"
#include "store/backup/AutoBackup.h"

namespace quillet {
namespace {

bool RemoveFileIn(const std::string& folder, const std::string& name) {
  if (folder.empty() || !IsPlainFileName(name)) return false;
  return ::unlink((folder + OutputFileName(name)).c_str()) == 0;
}

}  // namespace

DeleteAllCounts DeleteAllRecords(CRecordStore& store, const std::string& outputFolder) {
  DeleteAllCounts counts;
  // The file still holds every record: keep a copy before they go.
  counts.backedUp = BackupStoreNow(store.path(), BackupReason::kBeforeDeleteAll);
  for (uint32_t kind : {kKindTopicLinks, kKindNote, kKindImage, kKindCustom, kKindTopic}) {
    CRecord* record = nullptr;
    for (DbResult r = store.FirstOfKind(kind, &record, true); r == DB_OK && record;
         r = store.NextOfKind(kind, &record, true)) {
      if (auto* image = RecordAs<CImageRecord>(record))
        counts.files += RemoveFileIn(outputFolder, image->fileName);
      if (auto* topic = RecordAs<CTopicRecord>(record))
        counts.files += RemoveFileIn(outputFolder, topic->fileName);
      record->flags |= kFlagDeleted;
      ++counts.records;
    }
  }
  return counts;
}

}  // namespace quillet
