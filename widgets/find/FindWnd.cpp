#include "widgets/find/FindWnd.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include <functional>

#include "desktop/db/CurrentDatabase.h"
#include "widgets/kit/Ansi.h"
#include "widgets/kit/CodePageField.h"

namespace quillet {
namespace {

constexpr FindKind kKinds[4] = {FindKind::kTopic, FindKind::kNote, FindKind::kImage,
                                FindKind::kCustom};

// Keeps the wait cursor up while a search runs, however it ends.
struct WaitCursor {
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

QFrame* Group(QWidget* parent) {
  auto* frame = new QFrame(parent);
  frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  return frame;
}

// The form lives in a pane, not in a dialog, so no button is pressed by
// Return on its own: Return or Enter anywhere in the form (on a rule
// button or a kind box too) is Find, Escape is Cancel, as in a dialog.
class FormKeys : public QObject {
 public:
  FormKeys(QObject* parent, std::function<void()> find, std::function<void()> cancel)
      : QObject(parent), find_(std::move(find)), cancel_(std::move(cancel)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~(Qt::KeypadModifier)) return false;
    switch (key->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
        // A focused push button presses itself (Cancel stays Cancel).
        if (qobject_cast<QPushButton*>(watched) != nullptr) return false;
        find_();
        return true;
      case Qt::Key_Escape:
        cancel_();
        return true;
      default:
        return false;
    }
  }

 private:
  std::function<void()> find_;
  std::function<void()> cancel_;
};

}  // namespace

CFindWnd::CFindWnd(std::shared_ptr<CFindForm> form)
    : CChildWnd(kKindCodeFind, "Find Window"), form_(std::move(form)) {}

CFindWnd::~CFindWnd() = default;

QRadioButton* CFindWnd::ruleButton(int rule) const {
  return rule >= FIND_RULE_ALL && rule <= FIND_RULE_EXACT ? rules_[rule].data() : nullptr;
}

QCheckBox* CFindWnd::kindBox(FindKind kind) const { return kinds_[static_cast<int>(kind)]; }

QWidget* CFindWnd::CreateDialog(QWidget* host) {
  auto* dialog = new QWidget(host);
  dialog->setObjectName("FindForm");
  dialog->setProperty("dialogId", 234);
  // On a wide pane the form keeps a readable width at the left.
  auto* frame = new QHBoxLayout(dialog);
  frame->setContentsMargins(0, 0, 0, 0);
  auto* panel = new QWidget(dialog);
  panel->setMaximumWidth(560);
  frame->addWidget(panel, 10);
  frame->addStretch(1);
  auto* outer = new QVBoxLayout(panel);
  outer->setContentsMargins(16, 12, 16, 12);
  outer->setSpacing(10);

  auto* heading = new QLabel(QCoreApplication::translate("FindWnd", "Search For..."), panel);
  QFont bold = heading->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.25);
  heading->setFont(bold);
  outer->addWidget(heading);

  text_ = new QLineEdit(panel);
  text_->setObjectName("SearchText");
  text_->setProperty("controlId", 1067);
  heading->setBuddy(text_);
  outer->addWidget(text_);

  // Which words must match, and which kinds of record to look at, side by
  // side.
  auto* choices = new QHBoxLayout;
  choices->setSpacing(10);
  auto* ruleGroup = Group(panel);
  auto* ruleColumn = new QVBoxLayout(ruleGroup);
  struct RuleButton {
    int rule;
    const char* text;
    const char* name;
    int id;
  };
  // In the form's own order: ANY first.
  const RuleButton ruleButtons[] = {
      {FIND_RULE_ANY, QT_TRANSLATE_NOOP("FindWnd", "ANY of the above words"), "RuleAny", 1171},
      {FIND_RULE_ALL, QT_TRANSLATE_NOOP("FindWnd", "ALL of the above words"), "RuleAll", 1173},
      {FIND_RULE_EXACT, QT_TRANSLATE_NOOP("FindWnd", "EXACT phrase entered"), "RuleExact", 1172},
  };
  for (const RuleButton& b : ruleButtons) {
    auto* radio = new QRadioButton(QCoreApplication::translate("FindWnd", b.text), ruleGroup);
    radio->setObjectName(b.name);
    radio->setProperty("controlId", b.id);
    ruleColumn->addWidget(radio);
    rules_[b.rule] = radio;  // radio buttons of one parent exclude each other
  }
  ruleColumn->addStretch(1);
  choices->addWidget(ruleGroup, 1);

  auto* kindGroup = Group(panel);
  auto* kindColumn = new QVBoxLayout(kindGroup);
  struct KindBox {
    FindKind kind;
    const char* text;
    const char* name;
    int id;
  };
  const KindBox kindBoxes[] = {
      {FindKind::kTopic, QT_TRANSLATE_NOOP("FindWnd", "Topic"), "KindTopic", 3044},
      {FindKind::kNote, QT_TRANSLATE_NOOP("FindWnd", "Note"), "KindNote", 3046},
      {FindKind::kImage, QT_TRANSLATE_NOOP("FindWnd", "Image or Sketch"), "KindImage", 3050},
      {FindKind::kCustom, QT_TRANSLATE_NOOP("FindWnd", "Reference"), "KindReference", 3042},
  };
  for (const KindBox& k : kindBoxes) {
    auto* box = new QCheckBox(QCoreApplication::translate("FindWnd", k.text), kindGroup);
    box->setObjectName(k.name);
    box->setProperty("controlId", k.id);
    kindColumn->addWidget(box);
    kinds_[static_cast<int>(k.kind)] = box;
  }
  kindColumn->addStretch(1);
  choices->addWidget(kindGroup, 1);
  outer->addLayout(choices);

  auto* buttons = new QHBoxLayout;
  find_ = new QPushButton(QCoreApplication::translate("FindWnd", "Find"), panel);
  find_->setObjectName("Find");
  find_->setDefault(true);
  cancel_ = new QPushButton(QCoreApplication::translate("FindWnd", "Cancel"), panel);
  cancel_->setObjectName("Cancel");
  for (QPushButton* b : {find_.data(), cancel_.data()}) b->setMinimumWidth(88);
  count_ = new QLabel(panel);
  count_->setObjectName("FoundCount");
  // The count takes the room left of the buttons.
  buttons->insertWidget(0, count_, 1);
  buttons->addWidget(find_);
  buttons->addWidget(cancel_);
  outer->addLayout(buttons);
  outer->addStretch(1);

  QObject::connect(find_, &QPushButton::clicked, dialog, [this] { Find(); });
  QObject::connect(cancel_, &QPushButton::clicked, dialog, [this] { Cancel(); });
  auto* keys = new FormKeys(dialog, [this] { Find(); }, [this] { Cancel(); });
  for (QWidget* w : panel->findChildren<QWidget*>()) w->installEventFilter(keys);

  SyncControls();
  return dialog;
}

bool CFindWnd::ReadControls() {
  if (!text_) return false;
  // No record can hold a character the code page cannot: the search would
  // find nothing, so the person is told instead.
  CpText text;
  if (!TakeCodePageText(text_, text_->text(), FieldName("FindWnd", "search text"), &text)) return false;
  form_->SetSearchText(text);
  for (int rule = FIND_RULE_ALL; rule <= FIND_RULE_EXACT; ++rule)
    if (rules_[rule] && rules_[rule]->isChecked()) form_->CheckRule(rule);
  for (FindKind kind : kKinds)
    if (QCheckBox* box = kindBox(kind)) form_->SetKindChecked(kind, box->isChecked());
  return true;
}

void CFindWnd::SyncControls() {
  if (!text_) return;
  text_->setText(FromAnsi(form_->searchText()));
  for (int rule = FIND_RULE_ALL; rule <= FIND_RULE_EXACT; ++rule)
    if (rules_[rule]) rules_[rule]->setChecked(form_->RuleChecked(rule));
  for (FindKind kind : kKinds)
    if (QCheckBox* box = kindBox(kind)) box->setChecked(form_->KindChecked(kind));
}

void CFindWnd::Find() {
  if (!ReadControls()) return;
  {
    WaitCursor wait;
    form_->PressFind(pDB);
  }
  ShowCount();
}

void CFindWnd::ShowCount() {
  if (!count_) return;
  if (!form_->Searched()) {
    count_->clear();
    return;
  }
  const size_t n = form_->ResultCount();
  count_->setText(n == 1 ? QCoreApplication::translate("FindWnd", "1 Record Found")
                         : QCoreApplication::translate("FindWnd", "%1 Records Found").arg(n));
}

void CFindWnd::Cancel() {
  form_->Cancel();
  SyncControls();
  ShowCount();
  if (IShell* mgr = manager()) mgr->OnCommand(kFindCancelCommand);
}

void CFindWnd::ResetForm() {
  form_->ResetForm();
  SyncControls();
  ShowCount();
}

}  // namespace quillet
