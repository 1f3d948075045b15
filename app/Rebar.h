// CRebar: the band across the top of the main window: the toolbar with the
// navigation and mode buttons, and the theme box, the drop-down list of the
// themes that topic pages are built from. It also carries the enable
// operations through which the modes grey and enable menu items and
// toolbar buttons.
#pragma once

#include <QComboBox>
#include <QFileSystemWatcher>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace quillet {

class CMenus;

inline constexpr int kThemeBoxId = 3001;
inline constexpr int kToolbarId = 3008;
// The theme band's width.
inline constexpr int kThemeBandWidth = 200;

class CRebar : public QWidget {
  Q_OBJECT
 public:
  using CommandFn = std::function<void(uint32_t command)>;

  // `send` receives the toolbar's and the drop-down's commands; `menus`
  // holds the main menu the enable operations act on.
  CRebar(QWidget* mainWindow, CMenus* menus, CommandFn send);

  // Creates the toolbar and the theme box. False when the bar could not be
  // made.
  bool CreateBands();
  void Move(const QRect& clientRect);

  // Refills the theme box from the current user's theme folder and selects
  // "LastTemplate" (the first theme when it names none). *firstOut gets the
  // first theme's file name, or stays empty.
  void FillThemeBox(std::string* firstOut = nullptr);
  // The file name (with extension) of the theme at a box position, as the
  // box was filled; "".
  std::string ThemeFileAt(int index) const;
  // Shows the box filled afresh, or hides it.
  void ShowThemeBox(bool show);

  // Enable operations.
  void EnableBack(bool on);
  void EnableForward(bool on);
  // Send is enabled only when asked and mail can be sent.
  void EnableSend(bool on, bool mailAvailable);
  void EnablePrintGroup(bool on);
  void EnableDeleteAll(bool on);
  void EnableExpandAll(bool on);
  void EnableCollapseAll(bool on);
  void SetNewDropDown(bool on) { new_drop_down_ = on; }
  bool newDropDown() const { return new_drop_down_; }
  void EnableAll();
  void ResetToolbarChecks();
  // Presses one of the check-group buttons (releasing the others); 0
  // releases all.
  void PressButton(uint32_t command);
  uint32_t pressedButton() const { return pressed_; }

  // Decides whether a command's window exists; buttons and New items of
  // commands it refuses stay greyed.
  void SetAvailability(std::function<bool(uint32_t)> available) { available_ = std::move(available); }

  // Whether the pane can go back and forward; Back and Forward are
  // enabled when their mode allows it and there is somewhere to go.
  void SetHistory(bool back, bool forward);

  QToolBar* toolbar() const { return toolbar_; }
  QComboBox* themeBox() const { return theme_box_; }
  QToolButton* button(uint32_t command) const;
  bool ButtonEnabled(uint32_t command) const;
  // The New Topic drop-down menu (321) as it would show now.
  QMenu* newDropDownMenu() const { return new_menu_; }

 signals:
  // The person picked a theme in the box.
  void themeChosen(int index);
  // The theme in use was removed from the theme folder (by another
  // program); the box now shows another one, or none.
  void themeInUseGone(const QString& name);

 private:
  void EnableButton(uint32_t command, bool on);
  void WatchThemeFolder(const std::string& folder);
  void ApplyNavigation();
  void SyncChecks();

  CMenus* menus_;
  CommandFn send_;
  std::function<bool(uint32_t)> available_;
  QToolBar* toolbar_ = nullptr;
  QComboBox* theme_box_ = nullptr;
  // The theme folder: a theme added, removed or renamed there refills the box.
  QFileSystemWatcher theme_folder_watch_;
  QMenu* new_menu_ = nullptr;
  std::map<uint32_t, QToolButton*> buttons_;
  bool new_drop_down_ = false;
  uint32_t pressed_ = 0;
  bool back_allowed_ = true, forward_allowed_ = true;
  bool back_history_ = false, forward_history_ = false;
};

}  // namespace quillet
