#include "platform/registry/Registry.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <mutex>

#include "platform/paths/ProgramPaths.h"

namespace qplat {

struct RegKeyHandle {
  int64_t id;           // row of the key
  uint64_t generation;  // store file the handle belongs to; 0 for the hives
  bool hive;
};

namespace {

RegKeyHandle g_current_user{1, 0, true};
RegKeyHandle g_local_machine{2, 0, true};

constexpr int kBusyTimeoutMs = 10000;

// The schema. Key and value names use NOCASE so that lookups and the
// uniqueness rules ignore case, while the spelling first written is kept
// for display. Deleting a key takes its subkeys and values with it.
constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS keys("
    "  id INTEGER PRIMARY KEY,"
    "  parent INTEGER REFERENCES keys(id) ON DELETE CASCADE,"
    "  name TEXT NOT NULL COLLATE NOCASE,"
    "  UNIQUE(parent, name));"
    "CREATE TABLE IF NOT EXISTS vals("
    "  seq INTEGER PRIMARY KEY AUTOINCREMENT,"
    "  key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,"
    "  name TEXT NOT NULL COLLATE NOCASE,"
    "  type INTEGER NOT NULL,"
    "  data BLOB NOT NULL,"
    "  UNIQUE(key, name));"
    "INSERT OR IGNORE INTO keys(id, parent, name) VALUES (1, NULL, 'HKEY_CURRENT_USER');"
    "INSERT OR IGNORE INTO keys(id, parent, name) VALUES (2, NULL, 'HKEY_LOCAL_MACHINE');";

struct State {
  std::mutex mu;
  sqlite3* db = nullptr;
  std::string path;
  uint64_t generation = 0;
  pid_t pid = 0;  // process that opened `db`

  // Closes the connection when the program ends or the library holding
  // this copy of the store is unloaded; never in a forked child.
  ~State() {
    if (db && pid == ::getpid()) sqlite3_close_v2(db);
  }
};

State& S() {
  static State s;
  return s;
}

LONG MapSqlite(int rc, bool writing) {
  switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW:
      return ERROR_SUCCESS;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_CANTOPEN:
      return ERROR_ACCESS_DENIED;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return ERROR_BUSY;
    case SQLITE_NOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_FULL:
      return ERROR_DISK_FULL;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return ERROR_BADDB;
    default:
      return writing ? ERROR_CANTWRITE : ERROR_CANTREAD;
  }
}

std::string DefaultStoreFile() {
  if (const char* env = std::getenv("QUILLET_REGISTRY"); env && *env) return env;
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::string(home) + "/.config";
  } else {
    base = ".";
  }
  return base + "/quillet/registry.db";
}

// Opens the store file if it is not open or QUILLET_REGISTRY names another
// file now. Caller holds the mutex.
LONG EnsureOpenLocked(State& s) {
  std::string wanted = DefaultStoreFile();
  if (s.db && s.pid != ::getpid()) {
    // A connection must not cross fork(): closing it here could disturb the
    // parent's locks and journal, so the child just leaves it behind.
    s.db = nullptr;
  }
  if (s.db && wanted == s.path) return ERROR_SUCCESS;
  if (s.db) {
    sqlite3_close_v2(s.db);
    s.db = nullptr;
  }
  if (const size_t slash = wanted.rfind('/'); slash != std::string::npos && slash > 0)
    qplat::MakeFolders(wanted.substr(0, slash), 0700);
  // The settings hold the Palm users' password digests: a new store file
  // is the user's alone (its journal files take its mode).
  if (const int fd = ::open(wanted.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600); fd >= 0)
    ::close(fd);
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(wanted.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE |
                                                    SQLITE_OPEN_FULLMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    if (db) sqlite3_close_v2(db);
    return MapSqlite(rc, false);
  }
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  // WAL lets readers go on while another process writes; NORMAL sync is
  // still crash-safe in WAL mode (a crash may lose the last commit, never
  // leave a half-written one). A read-only file cannot switch modes:
  // that is no reason to refuse reading it.
  sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr);
  sqlite3_exec(db, "PRAGMA foreign_keys=ON;", nullptr, nullptr, nullptr);
  rc = sqlite3_exec(db, "BEGIN IMMEDIATE;", nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) {
    rc = sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) sqlite3_exec(db, "ROLLBACK;", nullptr, nullptr, nullptr);
  }
  if (rc != SQLITE_OK) {
    // A read-only store that already has its tables is still usable.
    sqlite3_stmt* st = nullptr;
    int check = sqlite3_prepare_v2(db, "SELECT 1 FROM keys WHERE id = 1", -1, &st, nullptr);
    if (check == SQLITE_OK) check = sqlite3_step(st);
    sqlite3_finalize(st);
    if (check != SQLITE_ROW) {
      sqlite3_close_v2(db);
      return MapSqlite(rc, true);
    }
  }
  s.db = db;
  s.pid = ::getpid();
  s.path = wanted;
  ++s.generation;
  return ERROR_SUCCESS;
}

// A prepared statement that finalizes itself.
class Stmt {
 public:
  Stmt(sqlite3* db, const char* sql) { rc_ = sqlite3_prepare_v2(db, sql, -1, &st_, nullptr); }
  ~Stmt() { sqlite3_finalize(st_); }
  Stmt(const Stmt&) = delete;
  Stmt& operator=(const Stmt&) = delete;

  bool ok() const { return rc_ == SQLITE_OK; }
  int prepare_rc() const { return rc_; }
  Stmt& Bind(int i, int64_t v) {
    sqlite3_bind_int64(st_, i, v);
    return *this;
  }
  Stmt& Bind(int i, const std::string& v) {
    sqlite3_bind_text(st_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Stmt& BindBlob(int i, const uint8_t* data, DWORD size) {
    // A zero-length blob must not become NULL.
    if (size == 0)
      sqlite3_bind_zeroblob(st_, i, 0);
    else
      sqlite3_bind_blob(st_, i, data, static_cast<int>(size), SQLITE_TRANSIENT);
    return *this;
  }
  int Step() { return sqlite3_step(st_); }
  int64_t Int(int col) { return sqlite3_column_int64(st_, col); }
  std::string Text(int col) {
    const unsigned char* t = sqlite3_column_text(st_, col);
    return t ? std::string(reinterpret_cast<const char*>(t), sqlite3_column_bytes(st_, col)) : "";
  }
  std::vector<uint8_t> Blob(int col) {
    const uint8_t* b = static_cast<const uint8_t*>(sqlite3_column_blob(st_, col));
    int n = sqlite3_column_bytes(st_, col);
    return b ? std::vector<uint8_t>(b, b + n) : std::vector<uint8_t>();
  }

 private:
  sqlite3_stmt* st_ = nullptr;
  int rc_;
};

// One write transaction; rolled back unless committed.
class Transaction {
 public:
  explicit Transaction(sqlite3* db) : db_(db) {
    rc_ = sqlite3_exec(db_, "BEGIN IMMEDIATE;", nullptr, nullptr, nullptr);
  }
  ~Transaction() {
    if (rc_ == SQLITE_OK && !done_) sqlite3_exec(db_, "ROLLBACK;", nullptr, nullptr, nullptr);
  }
  int begin_rc() const { return rc_; }
  int Commit() {
    done_ = true;
    int rc = sqlite3_exec(db_, "COMMIT;", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) sqlite3_exec(db_, "ROLLBACK;", nullptr, nullptr, nullptr);
    return rc;
  }

 private:
  sqlite3* db_;
  int rc_;
  bool done_ = false;
};

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : path) {
    if (c == '\\' || c == '/') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  return parts;
}

// Resolves a handle to its key row. Caller holds the mutex.
LONG Resolve(State& s, HKEY key, int64_t* id) {
  if (!key) return ERROR_INVALID_HANDLE;
  if (key->hive) {
    if (LONG st = EnsureOpenLocked(s)) return st;
  } else if (!s.db || key->generation != s.generation || s.pid != ::getpid()) {
    return ERROR_INVALID_HANDLE;
  }
  if (!key->hive) {
    Stmt q(s.db, "SELECT 1 FROM keys WHERE id = ?");
    if (!q.ok()) return MapSqlite(q.prepare_rc(), false);
    q.Bind(1, key->id);
    int rc = q.Step();
    if (rc == SQLITE_DONE) return ERROR_KEY_DELETED;
    if (rc != SQLITE_ROW) return MapSqlite(rc, false);
  }
  *id = key->id;
  return ERROR_SUCCESS;
}

// Finds `name` below `parent`: ERROR_SUCCESS with *child, or ERROR_FILE_NOT_FOUND.
LONG FindChild(sqlite3* db, int64_t parent, const std::string& name, int64_t* child) {
  Stmt q(db, "SELECT id FROM keys WHERE parent = ? AND name = ?");
  if (!q.ok()) return MapSqlite(q.prepare_rc(), false);
  q.Bind(1, parent).Bind(2, name);
  int rc = q.Step();
  if (rc == SQLITE_ROW) {
    *child = q.Int(0);
    return ERROR_SUCCESS;
  }
  return rc == SQLITE_DONE ? ERROR_FILE_NOT_FOUND : MapSqlite(rc, false);
}

// Walks `parts` from `start`. On ERROR_FILE_NOT_FOUND *found is the number
// of parts that exist and *id the deepest existing key.
LONG Walk(sqlite3* db, int64_t start, const std::vector<std::string>& parts, int64_t* id, size_t* found) {
  *id = start;
  *found = 0;
  for (const auto& part : parts) {
    int64_t child = 0;
    if (LONG st = FindChild(db, *id, part, &child)) return st;
    *id = child;
    ++*found;
  }
  return ERROR_SUCCESS;
}

LONG CheckParts(const std::vector<std::string>& parts) {
  for (const auto& p : parts)
    if (p.size() > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
  return ERROR_SUCCESS;
}

HKEY NewHandle(const State& s, int64_t id) {
  return new RegKeyHandle{id, s.generation, false};
}

}  // namespace

const HKEY HKEY_CURRENT_USER = &g_current_user;
const HKEY HKEY_LOCAL_MACHINE = &g_local_machine;

LONG RegCreateKey(HKEY parent, const std::string& subkey, HKEY* result, bool* created) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  if (created) *created = false;
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mu);
  int64_t start = 0;
  if (LONG st = Resolve(s, parent, &start)) return st;
  auto parts = SplitPath(subkey);
  if (LONG st = CheckParts(parts)) return st;

  // Most opens find every key already there: walk without a write lock first.
  int64_t id = 0;
  size_t found = 0;
  LONG st = Walk(s.db, start, parts, &id, &found);
  if (st == ERROR_SUCCESS) {
    *result = NewHandle(s, id);
    return ERROR_SUCCESS;
  }
  if (st != ERROR_FILE_NOT_FOUND) return st;

  Transaction tx(s.db);
  if (tx.begin_rc() != SQLITE_OK) return MapSqlite(tx.begin_rc(), true);
  // Another process may have created some of it meanwhile: walk again
  // inside the transaction.
  st = Walk(s.db, start, parts, &id, &found);
  if (st != ERROR_SUCCESS && st != ERROR_FILE_NOT_FOUND) return st;
  for (size_t i = found; i < parts.size(); ++i) {
    Stmt ins(s.db, "INSERT INTO keys(parent, name) VALUES (?, ?)");
    if (!ins.ok()) return MapSqlite(ins.prepare_rc(), true);
    ins.Bind(1, id).Bind(2, parts[i]);
    int rc = ins.Step();
    if (rc != SQLITE_DONE) return MapSqlite(rc, true);
    id = sqlite3_last_insert_rowid(s.db);
  }
  int rc = tx.Commit();
  if (rc != SQLITE_OK) return MapSqlite(rc, true);
  if (created) *created = found < parts.size();
  *result = NewHandle(s, id);
  return ERROR_SUCCESS;
}

LONG RegOpenKey(HKEY parent, const std::string& subkey, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mu);
  int64_t start = 0;
  if (LONG st = Resolve(s, parent, &start)) return st;
  auto parts = SplitPath(subkey);
  if (LONG st = CheckParts(parts)) return st;
  int64_t id = 0;
  size_t found = 0;
  if (LONG st = Walk(s.db, start, parts, &id, &found)) return st;
  *result = NewHandle(s, id);
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (!key) return ERROR_INVALID_HANDLE;
  if (!key->hive) delete key;
  return ERROR_SUCCESS;
}

LONG RegQueryValue(HKEY key, const std::string& name, DWORD* type, uint8_t* data, DWORD* size) {
  if (data && !size) return ERROR_INVALID_PARAMETER;
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mu);
  int64_t id = 0;
  if (LONG st = Resolve(s, key, &id)) return st;
  Stmt q(s.db, "SELECT type, data FROM vals WHERE key = ? AND name = ?");
  if (!q.ok()) return MapSqlite(q.prepare_rc(), false);
  q.Bind(1, id).Bind(2, name);
  int rc = q.Step();
  if (rc == SQLITE_DONE) return ERROR_FILE_NOT_FOUND;
  if (rc != SQLITE_ROW) return MapSqlite(rc, false);
  if (type) *type = static_cast<DWORD>(q.Int(0));
  std::vector<uint8_t> bytes = q.Blob(1);
  DWORD capacity = size ? *size : 0;
  if (size) *size = static_cast<DWORD>(bytes.size());
  if (!data) return ERROR_SUCCESS;
  if (bytes.size() > capacity) return ERROR_MORE_DATA;
  if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
  return ERROR_SUCCESS;
}

LONG RegGetValue(HKEY key, const std::string& name, DWORD* type, std::vector<uint8_t>* data) {
  DWORD size = 0;
  if (LONG st = RegQueryValue(key, name, type, nullptr, &size)) return st;
  // The value may change between the two reads (another process): retry on growth.
  for (int attempt = 0; attempt < 4; ++attempt) {
    data->assign(size, 0);
    DWORD got = size;
    LONG st = RegQueryValue(key, name, type, data->data(), &got);
    if (st == ERROR_SUCCESS) {
      data->resize(got);
      return ERROR_SUCCESS;
    }
    if (st != ERROR_MORE_DATA) return st;
    size = got;
  }
  return ERROR_MORE_DATA;
}

LONG RegSetValue(HKEY key, const std::string& name, DWORD type, const uint8_t* data, DWORD size) {
  if (size > 0 && !data) return ERROR_INVALID_PARAMETER;
  if (size > kMaxValueDataSize || name.size() > kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
  if (type == REG_DWORD && size != 4) return ERROR_INVALID_PARAMETER;
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mu);
  int64_t id = 0;
  if (LONG st = Resolve(s, key, &id)) return st;
  Transaction tx(s.db);
  if (tx.begin_rc() != SQLITE_OK) return MapSqlite(tx.begin_rc(), true);
  // The key may have been deleted by another process since Resolve.
  {
    Stmt q(s.db, "SELECT 1 FROM keys WHERE id = ?");
    q.Bind(1, id);
    int rc = q.Step();
    if (rc == SQLITE_DONE) return ERROR_KEY_DELETED;
    if (rc != SQLITE_ROW) return MapSqlite(rc, true);
  }
  // An update keeps the value's place in the enumeration order.
  Stmt up(s.db,
          "INSERT INTO vals(key, name, type, data) VALUES (?, ?, ?, ?) "
          "ON CONFLICT(key, name) DO UPDATE SET type = excluded.type, data = excluded.data");
  if (!up.ok()) return MapSqlite(up.prepare_rc(), true);
  up.Bind(1, id).Bind(2, name).Bind(3, static_cast<int64_t>(type)).BindBlob(4, data, size);
  int rc = up.Step();
  if (rc != SQLITE_DONE) return MapSqlite(rc, true);
  rc = tx.Commit();
  return MapSqlite(rc, true);
}

LONG RegSetString(HKEY key, const std::string& name, const std::string& text) {
  return RegSetValue(key, name, REG_SZ, reinterpret_cast<const uint8_t*>(text.data()),
                     static_cast<DWORD>(text.size()));
}

LONG RegSetDword(HKEY key, const std::string& name, DWORD value) {
  uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                      static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
  return RegSetValue(key, name, REG_DWORD, bytes, 4);
}

LONG RegDeleteValue(HKEY key, const std::string& name) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mu);
  int64_t id = 0;
  if (LONG st = Resolve(s, key, &id)) return st;
  Stmt del(s.db, "DELETE FROM vals WHERE key = ? AND name = ?");
  if (!del.ok()) return MapSqlite(del.prepare_rc(), true);
  del.Bind(1, id).Bind(2, name);
  int rc = del.Step();
  if (rc != SQLITE_DONE) return MapSqlite(rc, true);
  return sqlite3_changes(s.db) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LONG RegDeleteTree(HKEY key, const std::string& subkey) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mu);
  int64_t start = 0;
  if (LONG st = Resolve(s, key, &start)) return st;
  auto parts = SplitPath(subkey);
  Transaction tx(s.db);
  if (tx.begin_rc() != SQLITE_OK) return MapSqlite(tx.begin_rc(), true);
  int64_t id = 0;
  size_t found = 0;
  if (LONG st = Walk(s.db, start, parts, &id, &found)) return st;
  if (parts.empty()) {
    // Empty the key itself, keep it (the hives can only be emptied).
    Stmt dv(s.db, "DELETE FROM vals WHERE key = ?");
    dv.Bind(1, id);
    if (int rc = dv.Step(); rc != SQLITE_DONE) return MapSqlite(rc, true);
    Stmt dk(s.db, "DELETE FROM keys WHERE parent = ?");
    dk.Bind(1, id);
    if (int rc = dk.Step(); rc != SQLITE_DONE) return MapSqlite(rc, true);
  } else {
    Stmt dk(s.db, "DELETE FROM keys WHERE id = ?");
    dk.Bind(1, id);
    if (int rc = dk.Step(); rc != SQLITE_DONE) return MapSqlite(rc, true);
  }
  return MapSqlite(tx.Commit(), true);
}

LONG RegEnumKey(HKEY key, DWORD index, std::string* name) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mu);
  int64_t id = 0;
  if (LONG st = Resolve(s, key, &id)) return st;
  Stmt q(s.db, "SELECT name FROM keys WHERE parent = ? ORDER BY name COLLATE NOCASE, id LIMIT 1 OFFSET ?");
  if (!q.ok()) return MapSqlite(q.prepare_rc(), false);
  q.Bind(1, id).Bind(2, static_cast<int64_t>(index));
  int rc = q.Step();
  if (rc == SQLITE_DONE) return ERROR_NO_MORE_ITEMS;
  if (rc != SQLITE_ROW) return MapSqlite(rc, false);
  *name = q.Text(0);
  return ERROR_SUCCESS;
}

LONG RegEnumValue(HKEY key, DWORD index, std::string* name, DWORD* type, std::vector<uint8_t>* data) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mu);
  int64_t id = 0;
  if (LONG st = Resolve(s, key, &id)) return st;
  Stmt q(s.db, "SELECT name, type, data FROM vals WHERE key = ? ORDER BY seq LIMIT 1 OFFSET ?");
  if (!q.ok()) return MapSqlite(q.prepare_rc(), false);
  q.Bind(1, id).Bind(2, static_cast<int64_t>(index));
  int rc = q.Step();
  if (rc == SQLITE_DONE) return ERROR_NO_MORE_ITEMS;
  if (rc != SQLITE_ROW) return MapSqlite(rc, false);
  if (name) *name = q.Text(0);
  if (type) *type = static_cast<DWORD>(q.Int(1));
  if (data) *data = q.Blob(2);
  return ERROR_SUCCESS;
}

std::string RegStoreFile() { return DefaultStoreFile(); }

HKEY RegHiveByName(const std::string& name) {
  auto eq = [&](const char* a) { return strcasecmp(name.c_str(), a) == 0; };
  if (eq("HKEY_CURRENT_USER") || eq("HKCU")) return HKEY_CURRENT_USER;
  if (eq("HKEY_LOCAL_MACHINE") || eq("HKLM")) return HKEY_LOCAL_MACHINE;
  return nullptr;
}

bool RegSplitPath(const std::string& path, HKEY* hive, std::string* subkey) {
  size_t cut = path.find_first_of("\\/");
  HKEY h = RegHiveByName(path.substr(0, cut));
  if (!h) return false;
  *hive = h;
  *subkey = cut == std::string::npos ? "" : path.substr(cut + 1);
  return true;
}

const char* RegHiveName(HKEY hive) {
  if (hive == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
  if (hive == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
  return "";
}

}  // namespace qplat
