// How the topic tree, the topic window, the category lists and the
// Properties sheet join the main window: they are registered as its parts,
// and the main window serves as their host.
#pragma once

#include <QWidget>

#include "desktop/records/WindowHost.h"
#include "widgets/kit/ShellParts.h"

namespace quillet {

class CPictureFiles;

// The host the record windows talk to, served by the window manager that
// attached itself; while none is attached, what is asked does nothing.
class CShellHost : public IWindowHost, public IManagerLink {
 public:
  void SendCommand(uint32_t command) override;
  void RebuildReport(uint32_t topicId) override;
  void RefreshImageLists() override;
  void RefillCategoryLists() override;
  int64_t MainCategory() const override;
  ITopicTreeOps* Tree() override;

  void Attach(IShell* manager) override { manager_ = manager; }
  void Detach(IShell* manager) override {
    if (manager_ == manager) manager_ = nullptr;
  }
  // The manager of the registered parts (null before it made them and
  // once they are gone).
  IShell* Manager() const { return manager_; }

 private:
  IShell* manager_ = nullptr;
};

// The host RegisterWindowsParts() installs and hands the window manager.
CShellHost& ProgramShellHost();

// The Properties sheet at a page (0 Author, 1 Default User, 2 Categories,
// 3 Logging), switching users through the window manager.
void OpenPreferences(QWidget* owner, int page);

// The picture files of the program's topic tree and reports: one index per
// output folder in the cache folder, missing pictures written in the
// background. Made on first use, once the application object exists.
CPictureFiles& ProgramPictureFiles();

// Puts the parts into RegisteredShellParts() and installs the host and the
// dialogs; called by RegisterParts() (app/parts) before the main window
// exists, and by tests that build a main window with these parts only.
void RegisterWindowsParts();

}  // namespace quillet
