#include "store/findgui/FindWnd.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/gui/Ansi.h"
#include "app/gui/CodePageField.h"
#include "app/gui/WndMgr.h"
#include "store/db/CurrentDatabase.h"

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

  auto* heading = new QLabel("Search For...", panel);
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
      {FIND_RULE_ANY, "ANY of the above words", "RuleAny", 1171},
      {FIND_RULE_ALL, "ALL of the above words", "RuleAll", 1173},
      {FIND_RULE_EXACT, "EXACT phrase entered", "RuleExact", 1172},
  };
  for (const RuleButton& b : ruleButtons) {
    auto* radio = new QRadioButton(b.text, ruleGroup);
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
      {FindKind::kTopic, "Topic", "KindTopic", 3044},
      {FindKind::kNote, "Note", "KindNote", 3046},
      {FindKind::kImage, "Image or Sketch", "KindImage", 3050},
      {FindKind::kCustom, "Reference", "KindReference", 3042},
  };
  for (const KindBox& k : kindBoxes) {
    auto* box = new QCheckBox(k.text, kindGroup);
    box->setObjectName(k.name);
    box->setProperty("controlId", k.id);
    kindColumn->addWidget(box);
    kinds_[static_cast<int>(k.kind)] = box;
  }
  kindColumn->addStretch(1);
  choices->addWidget(kindGroup, 1);
  outer->addLayout(choices);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  find_ = new QPushButton("Find", panel);
  find_->setObjectName("Find");
  find_->setDefault(true);
  cancel_ = new QPushButton("Cancel", panel);
  cancel_->setObjectName("Cancel");
  for (QPushButton* b : {find_.data(), cancel_.data()}) b->setMinimumWidth(88);
  buttons->addWidget(find_);
  buttons->addWidget(cancel_);
  outer->addLayout(buttons);
  outer->addStretch(1);

  QObject::connect(find_, &QPushButton::clicked, dialog, [this] { Find(); });
  QObject::connect(cancel_, &QPushButton::clicked, dialog, [this] { Cancel(); });
  // Return in the field is the default button, as in any dialog.
  QObject::connect(text_, &QLineEdit::returnPressed, dialog, [this] { Find(); });

  SyncControls();
  return dialog;
}

bool CFindWnd::ReadControls() {
  if (!text_) return false;
  // No record can hold a character the code page cannot: the search would
  // find nothing, so the person is told instead.
  CpText text;
  if (!TakeCodePageText(text_, text_->text(), CpText("search text"), &text)) return false;
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
  WaitCursor wait;
  form_->PressFind(pDB);
}

void CFindWnd::Cancel() {
  form_->Cancel();
  SyncControls();
  if (CWndMgr* mgr = manager()) mgr->OnCommand(kFindCancelCommand);
}

void CFindWnd::ResetForm() {
  form_->ResetForm();
  SyncControls();
}

}  // namespace quillet
