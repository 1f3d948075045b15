#include "app/StoreWatcher.h"

#include <QFileInfo>

#include <cerrno>
#include <deque>

#include "base/DiagnosticLog.h"
#include "base/UserInterface.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/shell/EditPending.h"

namespace quillet {

namespace {

constexpr int kLookEveryMs = 1000;
// A change in the folder is usually a save in progress: look a moment later.
constexpr int kAfterFolderChangeMs = 200;

QString FromLocal(const std::string& path) { return QString::fromLocal8Bit(path.c_str()); }

}  // namespace

// --- DeferredMessages ----------------------------------------------------------

class DeferredMessages::Form : public IUserInterface {
 public:
  Form(IUserInterface* next, bool drop) : next_(next), drop_(drop) {}
  int ShowMessage(const MessageRequest& request) override {
    // Only a box that asks nothing can wait; a question needs its answer now.
    if ((request.flags & 0xF) != kMbOk) return next_->ShowMessage(request);
    held_.push_back(request);
    return kIdOk;
  }
  int ShowInfoDialog(int id) override { return next_->ShowInfoDialog(id); }
  bool AskPassword(int id, std::string* password) override { return next_->AskPassword(id, password); }
  bool ChooseOpenFile(const FileDialogRequest& r, std::string* path) override {
    return next_->ChooseOpenFile(r, path);
  }
  bool ChooseSaveFile(const FileDialogRequest& r, std::string* path) override {
    return next_->ChooseSaveFile(r, path);
  }
  bool ChooseFolder(const std::string& title, std::string* folder) override {
    return next_->ChooseFolder(title, folder);
  }
  bool SetClipboardText(const std::string& text) override { return next_->SetClipboardText(text); }
  bool GetClipboardText(std::string* text) override { return next_->GetClipboardText(text); }

  IUserInterface* next_;
  bool drop_;
  std::deque<MessageRequest> held_;
};

DeferredMessages::DeferredMessages(bool drop) : form_(new Form(&UI(), drop)) { SetUI(form_); }

DeferredMessages::~DeferredMessages() {
  SetUI(form_->next_);
  if (!form_->drop_ && !form_->held_.empty()) {
    // Shown from the event loop, through whatever form is installed then.
    std::deque<MessageRequest> held = std::move(form_->held_);
    QTimer::singleShot(0, [held] {
      for (const MessageRequest& r : held) UI().ShowMessage(r);
    });
  }
  delete form_;
}

size_t DeferredMessages::held() const { return form_->held_.size(); }

// --- CStoreWatcher -----------------------------------------------------------------

CStoreWatcher::CStoreWatcher(Hooks hooks, QObject* parent) : QObject(parent), hooks_(std::move(hooks)) {
  timer_.setInterval(kLookEveryMs);
  connect(&timer_, &QTimer::timeout, this, [this] { Check(); });
  timer_.start();
  soon_.setSingleShot(true);
  connect(&soon_, &QTimer::timeout, this, [this] { Check(); });
  connect(&folder_watch_, &QFileSystemWatcher::directoryChanged, this,
          [this] { Schedule(kAfterFolderChangeMs); });
  connect(&folder_watch_, &QFileSystemWatcher::fileChanged, this,
          [this] { Schedule(kAfterFolderChangeMs); });
  if (pDB != nullptr) {
    store_seen_ = pDB;
    generation_seen_ = pDB->generation();
    Watch(pDB->path());
  }
}

CStoreWatcher::~CStoreWatcher() = default;

void CStoreWatcher::Schedule(int ms) {
  if (!soon_.isActive()) soon_.start(ms);
}

void CStoreWatcher::Watch(const std::string& path) {
  const QString file = FromLocal(path);
  const QString folder = QFileInfo(file).absolutePath();
  if (!folder_watch_.directories().contains(folder)) {
    if (!folder_watch_.directories().isEmpty()) folder_watch_.removePaths(folder_watch_.directories());
    folder_watch_.addPath(folder);
  }
  // A file replaced by renaming drops out of the watch; watch the new one.
  if (!folder_watch_.files().contains(file)) {
    if (!folder_watch_.files().isEmpty()) folder_watch_.removePaths(folder_watch_.files());
    if (QFileInfo::exists(file)) folder_watch_.addPath(file);
  }
}

void CStoreWatcher::Tell(const std::string& reason) { TellStoreOpenFailed(reason); }

CStoreWatcher::Outcome CStoreWatcher::Check() {
  if (checking_ || pDB == nullptr) return Outcome::kNothing;
  checking_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{checking_};

  if (pDB != store_seen_) {
    // Another store was opened (user switch, archive); whoever opened it
    // refreshed the windows.
    store_seen_ = pDB;
    generation_seen_ = pDB->generation();
    told_ = false;
  }
  Watch(pDB->path());
  // Unsaved edits are never refreshed away; their save merges anyway.
  if (bEditPending) return Outcome::kWaiting;

  Outcome outcome = Outcome::kNothing;
  // A file that failed to read is read again once it changes.
  if (told_ && failed_stamp_ == StampOfPath(pDB->path())) return Outcome::kFailed;
  if (pDB->ChangedOnDisk()) {
    bool changed = false;
    // Never wait for the lock here: the holder is writing, and the next
    // look comes soon enough.
    const DbResult rc = pDB->Reload(&changed, std::chrono::milliseconds(0));
    if (rc == DB_ERR_OPEN && pDB->lastErrno() == EWOULDBLOCK) {
      Schedule(kAfterFolderChangeMs);
      return Outcome::kWaiting;
    }
    if (rc != DB_OK) {
      if (!told_) {
        told_ = true;
        LogValue("Unable to reload database:", static_cast<int>(rc));
        Tell(pDB->ShownFailureReason(rc));
      }
      failed_stamp_ = StampOfPath(pDB->path());
      return Outcome::kFailed;
    }
    told_ = false;
    if (changed) {
      LogLine("Database changed by another program: reloaded");
      outcome = Outcome::kReloaded;
    }
  } else {
    told_ = false;  // the file is as the store knows it (a save put it back)
  }
  if (pDB->generation() != generation_seen_) {
    generation_seen_ = pDB->generation();
    if (hooks_.refreshWindows) hooks_.refreshWindows();
    if (outcome == Outcome::kNothing) outcome = Outcome::kRefreshed;
  }
  return outcome;
}

bool CStoreWatcher::SwitchUserForHotSync(const std::string& name) {
  if (!hooks_.switchUser) return false;
  bool switched;
  {
    DeferredMessages after_the_answer;
    switched = hooks_.switchUser(name);
  }
  if (switched) {
    pending_switch_.clear();
  } else {
    pending_switch_ = name;
    LogPair("User switch failed, tried again at the next HotSync stage:", name.c_str());
  }
  return switched;
}

void CStoreWatcher::OnHotSyncStage() {
  if (!pending_switch_.empty() && hooks_.switchUser) {
    bool switched;
    {
      DeferredMessages told_already(true);
      switched = hooks_.switchUser(pending_switch_);
    }
    if (switched) pending_switch_.clear();
    return;
  }
  failed_stamp_ = FileStamp{};  // a file that failed to read is tried again
  Schedule(0);
}

}  // namespace quillet
