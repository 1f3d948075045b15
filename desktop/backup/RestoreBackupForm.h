// The "Restore From Backup" dialog's logic: the copies of one store as the
// dialog lists them, the choice, and the restore with its question and its
// failure message. The Qt dialog mirrors View and passes the clicks on.
//
// The texts in View are UTF-8 (times, sizes and numbers are ASCII; the
// store's label and the paths are file-name text). The messages go through
// the user-interface form and are plain ASCII.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "store/backup/StoreBackups.h"

namespace quillet {

class CRestoreBackupForm {
 public:
  struct Row {
    std::string path;
    std::time_t taken = 0;
    std::string takenText;  // local time, "YYYY-MM-DD HH:MM:SS"
    std::string sizeText;   // "840 bytes", "12 KB", "3.4 MB"
    // Topics, notes, pictures, sketches, references; empty when damaged.
    std::string counts[5];
    std::string stateText;  // "" or "Damaged"
    bool damaged = false;
  };
  struct View {
    std::string caption;    // in the person's language, like every text here
    std::string intro;
    std::vector<Row> rows;  // newest first
    int selected = -1;
    bool restoreEnabled = false;
    std::string status;     // one line under the list
  };

  // `storeLabel` names the store in the intro (the Palm user's folder name,
  // or the store's path).
  CRestoreBackupForm(CStoreBackups backups, std::string storeLabel);

  const View& view() const { return view_; }
  // Reads the copies again (counts through the store loader).
  void Load();
  // Chooses a row (-1: none). A damaged copy cannot be restored.
  void Select(int row);
  // Asks whether to replace the current records with the chosen copy, then
  // restores it. True when the store file was replaced (the caller reloads
  // it); false when refused, declined or failed (the failure is told).
  bool Restore();
  // The copy taken of the file the restore replaced.
  const std::string& previousCopy() const { return previous_copy_; }

  static std::string SizeText(uint64_t bytes);
  static std::string LocalTimeText(std::time_t t);

 private:
  void UpdateState();

  CStoreBackups backups_;
  std::string label_;
  View view_;
  std::string list_error_;
  std::string previous_copy_;
};

}  // namespace quillet
