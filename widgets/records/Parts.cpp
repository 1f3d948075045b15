#include "widgets/records/Parts.h"

#include <QCoreApplication>

#include <atomic>

#include "base/AppPaths.h"
#include "desktop/records/ReferenceTransfer.h"
#include "desktop/records/TopicCopy.h"
#include "desktop/records/TreeEdits.h"
#include "desktop/shell/Commands.h"
#include "desktop/startup/Startup.h"
#include "desktop/users/UserSwitch.h"
#include "reports/ReportBuilder.h"
#include "widgets/kit/ShellParts.h"
#include "widgets/records/CategoryCombo.h"
#include "widgets/records/CustomWnd.h"
#include "widgets/records/Dialogs.h"
#include "widgets/records/NoteWnd.h"
#include "widgets/records/PropertiesSheet.h"
#include "widgets/records/TopicTree.h"
#include "widgets/records/TopicWnd.h"

namespace quillet {

CShellHost& ProgramShellHost() {
  static CShellHost host;
  return host;
}

void CShellHost::SendCommand(uint32_t command) {
  if (IShell* mgr = Manager()) mgr->OnCommand(command);
}

void CShellHost::RebuildReport(uint32_t topicId) {
  IShell* mgr = Manager();
  if (mgr && mgr->reports()) mgr->reports()->make_report(AppPaths.currentTheme, topicId);
}

void CShellHost::RefreshImageLists() {
  if (IShell* mgr = Manager())
    if (CListViewObject* list = mgr->imageList()) list->Refill();
}

void CShellHost::RefillCategoryLists() {
  IShell* mgr = Manager();
  if (!mgr) return;
  // Each list keeps the category it had, wherever that now stands.
  for (int i = 1; i <= Combos().Count(); ++i) {
    CCombo* combo = Combos().At(i);
    if (!combo) continue;
    const int64_t chosen = combo->SelectedCategory();
    const bool shown = combo->widget() && combo->widget()->isVisible();
    combo->Fill();
    int position = 0;
    if (auto* ours = dynamic_cast<CCategoryCombo*>(combo))
      position = EntryPosition(ours->entries(), chosen);
    if (shown) combo->Show(true, position);
    if (combo == mgr->topicCombo())
      if (CTreeObject* tree = mgr->topicTree()) {
        CategoryFilter f = tree->Filter();
        f.position = position;
        tree->SetFilter(f);
      }
  }
  if (auto* topic = dynamic_cast<CTopicWnd*>(mgr->window(RecordWindow::kTopic))) topic->RefillCategories();
}

int64_t CShellHost::MainCategory() const {
  IShell* mgr = Manager();
  CCombo* combo = mgr ? mgr->topicCombo() : nullptr;
  return combo ? combo->SelectedCategory() : -1;
}

ITopicTreeOps* CShellHost::Tree() {
  IShell* mgr = Manager();
  return mgr ? dynamic_cast<CTopicTree*>(mgr->topicTree()) : nullptr;
}

void OpenPreferences(QWidget* owner, int page) {
  IShell* mgr = ProgramShellHost().Manager();
  if (mgr) {
    // Users added in Palm Desktop since the program started are offered.
    mgr->users().ReadUsersAgain();
    SetUserTable(&mgr->users());
  }
  CPropertiesSheet::Open(owner ? owner : DialogOwner(), page, [mgr](const std::string& name) {
    return mgr ? mgr->SwitchUser(name) : SwitchUser(name);
  });
}

namespace {

std::atomic<bool> g_pump_posted{false};
CPictureFiles* g_program_pictures = nullptr;

// Checks and hands over noted pictures in short slices between the
// window's own events, for as long as there are some.
void PostPicturePump() {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || g_pump_posted.exchange(true)) return;
  QMetaObject::invokeMethod(
      app,
      [] {
        g_pump_posted = false;
        if (g_program_pictures != nullptr && g_program_pictures->Pump()) PostPicturePump();
      },
      Qt::QueuedConnection);
}

// Before the application object goes: the background thread ends (its
// file finished) and the indexes are written.
void StopProgramPictures() {
  if (g_program_pictures == nullptr) return;
  g_program_pictures->SetBackground(false);
  g_program_pictures->SaveIndexes();
}

}  // namespace

CPictureFiles& ProgramPictureFiles() {
  if (g_program_pictures == nullptr) {
    // Lives to the end of the process: the application's clean-up stops
    // its thread.
    g_program_pictures = new CPictureFiles;
    g_program_pictures->SetCacheFolder(CacheFolder());
    g_program_pictures->SetBackground(true, [] { PostPicturePump(); });
    qAddPostRoutine(StopProgramPictures);
  }
  return *g_program_pictures;
}

void RegisterWindowsParts() {
  CShellHost& host = ProgramShellHost();
  ShellParts& parts = RegisteredShellParts();
  parts.host = &host;
  parts.topicTree = [] {
    auto tree = std::make_unique<CTopicTree>();
    tree->UsePictureFiles(&ProgramPictureFiles());
    return tree;
  };
  parts.reportImages = []() -> IImageWriter* { return &ProgramPictureFiles(); };
  parts.backgroundWork = []() -> size_t {
    return g_program_pictures != nullptr ? g_program_pictures->pending() : 0;
  };
  parts.topicWindow = [] { return std::make_unique<CTopicWnd>(); };
  parts.noteWindow = [] { return std::make_unique<CNoteWnd>(); };
  parts.customWindow = [] { return std::make_unique<CCustomWnd>(); };
  parts.topicCombo = [] { return std::make_unique<CCategoryCombo>(kKindCodeTopic); };
  parts.imageCombo = [] { return std::make_unique<CCategoryCombo>(kKindCodeImage); };
  parts.duplicateTopic = [](uint32_t topicId) {
    auto* tree = dynamic_cast<CTopicTree*>(ProgramShellHost().Tree());
    DuplicateTopic(topicId, tree ? &tree->pictures() : nullptr);
  };
  parts.preferences = [](QWidget* owner, int page) { OpenPreferences(owner, page); };
  // Into (or out of) the topic new members go to.
  parts.references = [](uint32_t command) {
    ITopicTreeOps* tree = ProgramShellHost().Tree();
    const uint32_t topic = tree ? tree->CurrentTopic() : 0;
    if (command == CMD_IMPORT_REFERENCES) ImportReferencesCommand(topic);
    else ExportReferencesCommand(topic);
  };
  SetWindowHost(&host);
  SetDeleteConfirm(&CDeleteItemDialog::Ask);
  SetPasswordPrompt(&CPasswordDialog::Ask);
}

}  // namespace quillet
