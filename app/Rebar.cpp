#include "app/Rebar.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QStyledItemDelegate>

#include "app/MenuBar.h"
#include "base/AppPaths.h"
#include "base/DiagnosticLog.h"
#include "base/RegistryKey.h"
#include "base/Strings.h"
#include "desktop/shell/Commands.h"
#include "desktop/shell/Layout.h"
#include "desktop/shell/Menus.h"
#include "desktop/shell/ThemeList.h"
#include "reports/ThemeFolder.h"
#include "widgets/kit/Accessibility.h"
#include "widgets/kit/Ansi.h"
#include "widgets/kit/Translations.h"

namespace quillet {
namespace {

// The box's items are drawn by us: Arial 9 point, the text a little in from
// the left, highlight colours for the selected entry.
class ThemeItemDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& pal = option.palette;
    painter->save();
    painter->setClipRect(option.rect);
    painter->fillRect(option.rect, selected ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base));
    QFont font("Arial", 9);
    painter->setFont(font);
    painter->setPen(selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text));
    const int left = QFontMetrics(font).averageCharWidth() / 4 + 2;
    painter->drawText(option.rect.adjusted(left, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                      index.data(Qt::DisplayRole).toString());
    if (option.state & QStyle::State_HasFocus) {
      painter->setPen(QPen(pal.color(QPalette::Text), 1, Qt::DotLine));
      painter->setBrush(Qt::NoBrush);
      painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(QFontMetrics(QFont("Arial", 9)).height() + 6);
    return size;
  }
};

const char* ArtName(uint32_t command) {
  switch (command) {
    case CMD_NEW_TOPIC: return "newtopic";
    case CMD_START: return "start";
    case CMD_BACK: return "back";
    case CMD_FORWARD: return "forward";
    case CMD_TOPIC_CENTER: return "topics";
    case CMD_IMAGE_CENTER: return "pictures";
    case CMD_FIND: return "find";
    default: return nullptr;
  }
}

// Normal, hot (under the pointer) and disabled pictures, each at 20 and 40
// pixels for ordinary and high-density screens.
QIcon ButtonIcon(const char* name) {
  QIcon icon;
  const QString base = QString(":/art/%1").arg(name);
  for (const auto& [suffix, mode] : {std::pair{"", QIcon::Normal}, std::pair{"-hot", QIcon::Active},
                                     std::pair{"-disabled", QIcon::Disabled}}) {
    icon.addFile(base + suffix + ".png", QSize(20, 20), mode);
    icon.addFile(base + suffix + "@2x.png", QSize(40, 40), mode);
  }
  return icon;
}

std::string UserValue(const char* name) {
  CRegistryKey key;
  key.OpenProgramKey(AppPaths.userFolder);
  std::string value;
  key.ReadValueString(name, &value, kPathBufferSize);
  return value;
}

}  // namespace

CRebar::CRebar(QWidget* mainWindow, CMenus* menus, CommandFn send)
    : QWidget(mainWindow), menus_(menus), send_(std::move(send)) {
  setObjectName("ReBarWindow32");
  setVisible(false);
  LogLine("Extended Common Controls Initialized");
}

bool CRebar::CreateBands() {
  setAutoFillBackground(true);
  QPalette pal = palette();
  QLinearGradient band(0, 0, 0, kTopBand);
  band.setColorAt(0, pal.color(QPalette::Window).lighter(106));
  band.setColorAt(1, pal.color(QPalette::Window).darker(104));
  pal.setBrush(QPalette::Window, band);
  setPalette(pal);
  LogLine("Rebar Window Created");
  setFont(QFont("Arial", 9));
  LogLine("Rebar Font Created");

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(2, 1, 6, 1);
  layout->setSpacing(8);

  toolbar_ = new QToolBar(this);
  toolbar_->setObjectName(QString("ToolbarWindow32_%1").arg(kToolbarId));
  toolbar_->setIconSize(QSize(20, 20));
  toolbar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  toolbar_->setMovable(false);
  toolbar_->setFloatable(false);
  toolbar_->setMinimumWidth(160);
  toolbar_->setStyleSheet("QToolBar { border: none; background: transparent; }");
  toolbar_->setAccessibleName(tr("Toolbar"));
  toolbar_->setWindowTitle(tr("Toolbar"));
  // The button that shows the buttons a narrow window has no room for.
  if (auto* more = toolbar_->findChild<QToolButton*>("qt_toolbar_ext_button")) {
    more->setAccessibleName(tr("More buttons"));
    more->setToolTip(tr("More buttons"));
  }
  for (const ToolButton& b : ToolbarButtons()) {
    if (b.kind == ToolButtonKind::kSeparator) {
      toolbar_->addSeparator();
      continue;
    }
    auto* button = new QToolButton(toolbar_);
    const uint32_t command = b.command;
    const QString text = UiText(b.stringId);
    button->setObjectName(QString("button%1").arg(command));
    button->setText(text);
    button->setToolTip(text);
    button->setIcon(ButtonIcon(ArtName(command)));
    button->setAutoRaise(true);
    button->setToolButtonStyle(b.textShown ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly);
    if (b.kind == ToolButtonKind::kCheckGroup) button->setCheckable(true);
    if (b.kind == ToolButtonKind::kDropDown) {
      new_menu_ = menus_->BuildMenu(321, nullptr, button);
      connect(new_menu_, &QMenu::aboutToShow, this, [this] {
        // The drop-down's items follow the New switch of the current mode.
        std::function<void(QMenu*)> apply = [&](QMenu* m) {
          for (QAction* a : m->actions()) {
            if (a->menu()) apply(a->menu());
            else if (!a->isSeparator())
              a->setEnabled(new_drop_down_ && (!available_ || available_(a->data().toUInt())));
          }
        };
        apply(new_menu_);
      });
      button->setMenu(new_menu_);
      button->setPopupMode(QToolButton::MenuButtonPopup);
    }
    connect(button, &QToolButton::clicked, this, [this, command] {
      send_(command);
      // A check button shows the current mode's state, whatever the click
      // did to it (a refused mode change leaves the old one pressed).
      SyncChecks();
    });
    toolbar_->addWidget(button);
    buttons_[command] = button;
  }
  layout->addWidget(toolbar_, 1);
  LogLine("Rebar Toolbar Created");

  theme_box_ = new QComboBox(this);
  theme_box_->setObjectName(QString("ThemeBox_%1").arg(kThemeBoxId));
  theme_box_->setItemDelegate(new ThemeItemDelegate(theme_box_));
  theme_box_->setMinimumWidth(150);
  theme_box_->setFixedWidth(kThemeBandWidth - 10);
  theme_box_->setToolTip(tr("Theme of the topic page"));
  NameComboBox(theme_box_, tr("Theme"), tr("Theme of the topic page"));
  const int itemHeight = QFontMetrics(QFont("Arial", 9)).height() + 6;
  theme_box_->setMaxVisibleItems(std::max(1, 250 / itemHeight));
  connect(theme_box_, &QComboBox::activated, this, &CRebar::themeChosen);
  connect(&theme_folder_watch_, &QFileSystemWatcher::directoryChanged, this, [this] {
    // Not while the list is open under the pointer: it is refilled when it
    // closes or is shown next.
    if (theme_box_->view() && theme_box_->view()->isVisible()) return;
    const std::string inUse = UserValue("LastTemplate");
    FillThemeBox();
    if (!inUse.empty() && ThemeListedAt(ListThemeFiles(UserValue("TemplatePath")), inUse) < 0)
      emit themeInUseGone(FromPath(ThemeDisplayName(inUse)));
  });
  layout->addWidget(theme_box_, 0, Qt::AlignVCenter);
  FillThemeBox();
  LogLine("Rebar Template Combobox Created");
  show();
  return true;
}

void CRebar::Move(const QRect& clientRect) {
  setGeometry(clientRect.left(), clientRect.top(), clientRect.width(), kTopBand);
}

void CRebar::FillThemeBox(std::string* firstOut) {
  if (!theme_box_) return;
  const std::string lastTemplate = UserValue("LastTemplate");
  const std::string folder = UserValue("TemplatePath");
  const std::vector<std::string> files = ListThemeFiles(folder);
  QSignalBlocker block(theme_box_);
  theme_box_->clear();
  // Each entry keeps its file's name: what the person picks is that file,
  // even when the folder changed since.
  for (const std::string& f : files)
    theme_box_->addItem(FromPath(ThemeDisplayName(f)), QByteArray(f.data(), static_cast<qsizetype>(f.size())));
  theme_box_->setCurrentIndex(ThemeSelection(files, lastTemplate));
  if (firstOut && !files.empty()) *firstOut = files.front();
  WatchThemeFolder(folder);
}

void CRebar::WatchThemeFolder(const std::string& folder) {
  const QString path = FromPath(folder);
  const QStringList watched = theme_folder_watch_.directories();
  if (watched.size() == 1 && watched.front() == QDir::cleanPath(path)) return;
  if (!watched.isEmpty()) theme_folder_watch_.removePaths(watched);
  if (!folder.empty() && QFileInfo(path).isDir()) theme_folder_watch_.addPath(QDir::cleanPath(path));
}

std::string CRebar::ThemeFileAt(int index) const {
  if (!theme_box_ || index < 0 || index >= theme_box_->count()) return "";
  return theme_box_->itemData(index).toByteArray().toStdString();
}

void CRebar::ShowThemeBox(bool show) {
  if (!theme_box_) return;
  if (show) FillThemeBox();
  theme_box_->setVisible(show);
}

QToolButton* CRebar::button(uint32_t command) const {
  auto it = buttons_.find(command);
  return it == buttons_.end() ? nullptr : it->second;
}

bool CRebar::ButtonEnabled(uint32_t command) const {
  QToolButton* b = button(command);
  return b && b->isEnabled();
}

void CRebar::EnableButton(uint32_t command, bool on) {
  if (QToolButton* b = button(command)) b->setEnabled(on && (!available_ || available_(command)));
}

void CRebar::ApplyNavigation() {
  const bool back = back_allowed_ && back_history_;
  const bool forward = forward_allowed_ && forward_history_;
  menus_->SetEnabled(CMD_BACK, back);
  EnableButton(CMD_BACK, back);
  menus_->SetEnabled(CMD_FORWARD, forward);
  EnableButton(CMD_FORWARD, forward);
}

void CRebar::EnableBack(bool on) {
  back_allowed_ = on;
  ApplyNavigation();
}

void CRebar::EnableForward(bool on) {
  forward_allowed_ = on;
  ApplyNavigation();
}

void CRebar::SetHistory(bool back, bool forward) {
  back_history_ = back;
  forward_history_ = forward;
  ApplyNavigation();
}

void CRebar::EnableSend(bool on, bool mailAvailable) {
  menus_->SetEnabled(CMD_SEND, on && mailAvailable);
}

void CRebar::EnablePrintGroup(bool on) {
  for (uint32_t c : PrintGroupCommands()) menus_->SetEnabled(c, on);
}

void CRebar::EnableDeleteAll(bool on) { menus_->SetEnabled(CMD_DELETE_ALL, on); }
void CRebar::EnableExpandAll(bool on) { menus_->SetEnabled(CMD_EXPAND_ALL, on); }
void CRebar::EnableCollapseAll(bool on) { menus_->SetEnabled(CMD_COLLAPSE_ALL, on); }

void CRebar::EnableAll() {
  for (uint32_t c : EnableAllToolbarButtons()) EnableButton(c, true);
  for (uint32_t c : EnableAllMenuItems()) menus_->SetEnabled(c, !available_ || available_(c));
  // Back and Forward still need somewhere to go.
  back_allowed_ = forward_allowed_ = true;
  ApplyNavigation();
}

void CRebar::ResetToolbarChecks() {
  pressed_ = 0;
  SyncChecks();
  LogLine("Toolbar buttons reset");
}

void CRebar::PressButton(uint32_t command) {
  pressed_ = command;
  SyncChecks();
}

void CRebar::SyncChecks() {
  for (uint32_t c : CheckGroupButtons())
    if (QToolButton* b = button(c)) b->setChecked(c == pressed_);
}

}  // namespace quillet
