#include "desktop/backup/RestoreBackupForm.h"

#include <cstdio>

#include "base/Strings.h"
#include "base/UserInterface.h"
#include "platform/codepage/CodePage.h"

namespace quillet {
namespace {

int Ask(const std::string& text, unsigned flags) {
  MessageRequest r;
  r.text = text;
  r.caption = kCaption;
  r.flags = flags;
  return UI().ShowMessage(r);
}

}  // namespace

CRestoreBackupForm::CRestoreBackupForm(CStoreBackups backups, std::string storeLabel)
    : backups_(std::move(backups)), label_(std::move(storeLabel)) {
  view_.caption = translate("RestoreBackup", "Restore From Backup");
  view_.intro = FillIn(translate("RestoreBackup",
                                 "Backups of the records of %1, newest first. The one you restore replaces the "
                                 "current records, which are backed up first."),
                       {PathForMessage(label_)});
}

std::string CRestoreBackupForm::SizeText(uint64_t bytes) {
  char text[32];
  if (bytes < 1024) {
    return FillIn(translate("RestoreBackup", "%1 bytes"), {std::to_string(bytes)});
  } else if (bytes < 1024 * 1024) {
    std::snprintf(text, sizeof text, "%llu KB", static_cast<unsigned long long>((bytes + 1023) / 1024));
  } else {
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  }
  return text;
}

std::string CRestoreBackupForm::LocalTimeText(std::time_t t) {
  std::tm local{};
  localtime_r(&t, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

void CRestoreBackupForm::Load() {
  const std::string chosen =
      view_.selected >= 0 && view_.selected < static_cast<int>(view_.rows.size())
          ? view_.rows[static_cast<size_t>(view_.selected)].path
          : std::string();
  view_.rows.clear();
  view_.selected = -1;
  list_error_.clear();
  std::vector<BackupEntry> entries;
  const BackupResult rc = backups_.List(&entries, true);
  if (rc != BackupResult::kOk)
    list_error_ = FillIn(translate("RestoreBackup", "The backups cannot be read: %1."), {ShownBackupResultText(rc)});
  for (const BackupEntry& e : entries) {
    Row row;
    row.path = e.path;
    row.taken = e.taken;
    row.takenText = LocalTimeText(e.taken);
    row.sizeText = SizeText(e.size);
    row.damaged = e.damaged;
    if (e.damaged) {
      row.stateText = translate("RestoreBackup", "Damaged");
    } else {
      const uint32_t numbers[5] = {e.counts.topics, e.counts.notes, e.counts.pictures, e.counts.sketches,
                                   e.counts.references};
      for (int i = 0; i < 5; ++i) row.counts[i] = std::to_string(numbers[i]);
    }
    if (row.path == chosen) view_.selected = static_cast<int>(view_.rows.size());
    view_.rows.push_back(std::move(row));
  }
  UpdateState();
}

void CRestoreBackupForm::Select(int row) {
  view_.selected = row >= 0 && row < static_cast<int>(view_.rows.size()) ? row : -1;
  UpdateState();
}

void CRestoreBackupForm::UpdateState() {
  view_.restoreEnabled = false;
  if (!list_error_.empty()) {
    view_.status = list_error_;
  } else if (view_.rows.empty()) {
    view_.status = translate("RestoreBackup", "No backups have been taken of these records yet.");
  } else if (view_.selected < 0) {
    view_.status = translate("RestoreBackup", "Choose the backup to restore.");
  } else if (view_.rows[static_cast<size_t>(view_.selected)].damaged) {
    view_.status = translate("RestoreBackup", "This backup is damaged and cannot be restored.");
  } else {
    view_.status = translate("RestoreBackup", "Restore puts these records back in place of the current ones.");
    view_.restoreEnabled = true;
  }
}

bool CRestoreBackupForm::Restore() {
  if (!view_.restoreEnabled) return false;
  const Row row = view_.rows[static_cast<size_t>(view_.selected)];
  if (Ask(FillIn(translate("RestoreBackup",
                          "Replace the current records with the backup taken %1?\n\n"
                          "The current records are backed up first."),
                {row.takenText}),
          kMbYesNo | kMbIconQuestion) != kIdYes)
    return false;
  const BackupResult rc = backups_.Restore(row.path, &previous_copy_);
  if (rc != BackupResult::kOk) {
    Ask(FillIn(translate("RestoreBackup",
                         "The backup could not be restored: %1.\n\nThe current records are unchanged."),
               {ShownBackupResultText(rc)}),
        kMbOk | kMbIconExclamation);
    Load();
    return false;
  }
  Load();
  return true;
}

}  // namespace quillet
