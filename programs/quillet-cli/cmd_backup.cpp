// quillet-cli backup create|list|restore --store FILE [BACKUP]: the copies
// the program keeps of a store, from the command line.
#include <cstdio>

#include "programs/quillet-cli/CliCommand.h"
#include "store/backup/AutoBackup.h"

namespace {

using namespace quillet;

int Fail(const std::string& message) {
  std::fprintf(stderr, "quillet-cli: backup: %s\n", message.c_str());
  return cli::kExitFailed;
}

int Create(CStoreBackups& backups) {
  BackupOptions options;
  std::string path;
  const BackupResult rc = backups.Create(options, &path);
  if (rc != BackupResult::kOk) return Fail(BackupResultText(rc));
  std::printf("%s\n", path.c_str());
  return cli::kExitOk;
}

int List(const CStoreBackups& backups) {
  std::vector<BackupEntry> entries;
  const BackupResult rc = backups.List(&entries, true);
  if (rc != BackupResult::kOk) return Fail(BackupResultText(rc));
  for (const BackupEntry& e : entries) {
    const std::string taken = FormatUtcTime(e.taken);
    if (e.damaged) {
      std::printf("%s %s damaged\n", e.path.c_str(), taken.c_str());
    } else {
      std::printf("%s %s %u %u %u %u %u\n", e.path.c_str(), taken.c_str(), e.counts.records, e.counts.topics,
                  e.counts.notes, e.counts.pictures, e.counts.references);
    }
  }
  return cli::kExitOk;
}

int Restore(CStoreBackups& backups, const std::string& backup) {
  std::string previous;
  const BackupResult rc = backups.Restore(backup, &previous);
  if (rc != BackupResult::kOk) return Fail(std::string(BackupResultText(rc)) + "; the store was not changed");
  if (!previous.empty()) std::printf("%s\n", previous.c_str());
  return cli::kExitOk;
}

int RunBackup(const std::vector<std::string>& args) {
  cli::Args a(args);
  std::string store;
  bool missing = false;
  const bool has_store = a.TakeOption("--store", &store, &missing);
  if (missing || (has_store && store.empty())) return cli::UsageError("backup: --store needs a FILE");
  if (!a.UnknownOption().empty()) return cli::UsageError("backup: unknown option " + a.UnknownOption());
  const std::vector<std::string>& rest = a.Rest();
  if (rest.empty()) return cli::UsageError("backup: say create, list or restore");
  const std::string& action = rest[0];
  if (action != "create" && action != "list" && action != "restore")
    return cli::UsageError("backup: unknown action '" + action + "' (create, list or restore)");
  if (!has_store) return cli::UsageError("backup " + action + ": --store FILE is required");
  const size_t wanted = action == "restore" ? 2 : 1;
  if (rest.size() != wanted)
    return cli::UsageError(action == "restore" ? "backup restore takes one BACKUP (a path from list)"
                                               : "backup " + action + " takes no BACKUP");

  const std::string root = DefaultBackupsRoot();
  if (root.empty()) return Fail("no data folder: set XDG_DATA_HOME or HOME");
  CStoreBackups backups = BackupsOfStore(store, root);
  if (action == "create") return Create(backups);
  if (action == "list") return List(backups);
  return Restore(backups, rest[1]);
}

}  // namespace

QUILLET_CLI_COMMAND(
    "backup", "keep a copy of a store file, list the copies, put one back",
    "quillet-cli backup create|list|restore --store FILE [BACKUP]\n\n"
    "The copies of FILE live in $XDG_DATA_HOME/quillet/backups/ (~/.local/share when\n"
    "XDG_DATA_HOME is not set), in a folder named after the Palm user whose store\n"
    "FILE is, or after FILE's folder and a digest of its path for any other store.\n"
    "The program takes them by itself too: a day after the last one when it opens\n"
    "a user's store, before a HotSync, before Delete All.\n\n"
    "  create    copies FILE now and prints the copy's path (the existing copy's\n"
    "            path when one with the same contents is kept already); only a\n"
    "            FILE that loads as a store is copied, and only while the disk\n"
    "            keeps twice its size and 64 MB free (the oldest copies go first)\n"
    "  list      one line per copy, newest first:\n"
    "              PATH YYYY-MM-DDTHH:MM:SSZ RECORDS TOPICS NOTES PICTURES REFERENCES\n"
    "            RECORDS counts every record in the copy, the others the live topics,\n"
    "            notes, pictures (sketches not included) and references; a copy that\n"
    "            does not load, or was taken of a damaged store, reads\n"
    "              PATH YYYY-MM-DDTHH:MM:SSZ damaged\n"
    "  restore   copies FILE first (printing that copy's path), then replaces FILE\n"
    "            with BACKUP, a path from list; a damaged BACKUP is refused\n\n"
    "Exit 0 on success, 1 when the operation failed (FILE missing, in use or no\n"
    "store, the backup folder a symbolic link, another user's or writable by others,\n"
    "no room on its disk, BACKUP damaged), 2 for bad arguments.",
    RunBackup);
