#include "programs/brightfencheck/gui/CheckWindow.h"

#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QVBoxLayout>

#include "base/UserInterface.h"
#include "widgets/kit/AppIcon.h"
#include "widgets/kit/QtForms.h"

namespace brightfen {
namespace {
constexpr int kWidth = 465;
constexpr int kHeight = 425;
}  // namespace

CCheckWindow::CCheckWindow(std::string tempFolder) : check_(std::move(tempFolder)) {
  setWindowTitle("BrightfenCheck");
  setWindowIcon(quillet::ApplicationIcon());
  setObjectName("BRIGHTFENCHECK");
  setMinimumSize(kWidth, kHeight);
  resize(kWidth, kHeight);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect r = screen->geometry();
    // The top uses the width as well, as the window always has.
    move((r.width() - kWidth) / 2, (r.height() - kWidth) / 2);
  }

  QMenu* file = menuBar()->addMenu(tr("&File"));
  file->addAction(tr("E&xit"), this, &QWidget::close);
  QMenu* help = menuBar()->addMenu(tr("&Help"));
  help->addAction(tr("&Contact Brightfen Support"), this, [] {
    if (quillet::QtDesktop().OpenAddress(kSupportPage)) return;
    quillet::MessageRequest r;
    r.text = tr("The support page could not be opened:\n\n%1\n\nSet up a web browser as your desktop's default for "
                "web pages, or copy the address into your web browser.")
                 .arg(QString::fromUtf8(kSupportPage))
                 .toStdString();
    r.caption = QCoreApplication::translate("SupportCheck", brightfen::kReportCaption).toStdString();
    r.flags = quillet::kMbOk | quillet::kMbIconExclamation;
    quillet::UI().ShowMessage(r);
  });

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);

  auto* progress = new QGroupBox(tr("Progress"), central);
  auto* progress_layout = new QVBoxLayout(progress);
  const char* names[] = {QT_TR_NOOP("Enumerating Products"), QT_TR_NOOP("Checking Databases"),
                         QT_TR_NOOP("Checking Registry"), QT_TR_NOOP("Creating Report")};
  for (int i = 0; i < 4; ++i) {
    steps_[i] = new QCheckBox(tr(names[i]), progress);
    // Ticked by the steps, not by the user.
    steps_[i]->setAttribute(Qt::WA_TransparentForMouseEvents);
    steps_[i]->setFocusPolicy(Qt::NoFocus);
    progress_layout->addWidget(steps_[i]);
  }
  layout->addWidget(progress);

  products_ = new QTreeWidget(central);
  products_->setObjectName("products");
  products_->setColumnCount(1);
  products_->setHeaderLabels({tr("Product Name")});
  products_->setRootIsDecorated(false);
  layout->addWidget(products_, 1);

  auto* instructions = new QGroupBox(tr("Instructions"), central);
  auto* instr_layout = new QVBoxLayout(instructions);
  instr_layout->addWidget(new QLabel(tr("Click on 'Start Diagnostic' below to begin checking your system."), instructions));
  layout->addWidget(instructions);

  start_ = new QPushButton(tr("Start Diagnostic"), central);
  start_->setObjectName("start");
  connect(start_, &QPushButton::clicked, this, &CCheckWindow::StartDiagnostic);
  layout->addWidget(start_);

  auto* note = new QLabel(tr("Please send BrightfenCheckReport1.zip to %1 and tell us which issue the report "
                                  "is about. Thank you from the Brightfen team.")
                              .arg(kSupportEmail),
                          central);
  note->setWordWrap(true);
  layout->addWidget(note);
  setCentralWidget(central);
}

void CCheckWindow::StartDiagnostic() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  // The steps run inside the click; the window answers again when they end.
  struct Restore {
    ~Restore() { QApplication::restoreOverrideCursor(); }
  } restore;
  if (saving_)
    SaveReport(&check_, this);
  else
    RunDiagnostic(&check_, this);
}

void CCheckWindow::ClearProducts() { products_->clear(); }

void CCheckWindow::AddProduct(const std::string& displayName) {
  new QTreeWidgetItem(products_, {QString::fromStdString(displayName)});
}

void CCheckWindow::TickStep(CheckStep step) {
  steps_[step]->setChecked(true);
  steps_[step]->repaint();
}

void CCheckWindow::DisableStart() { start_->setEnabled(false); }

void CCheckWindow::OfferSave() {
  saving_ = true;
  start_->setText(tr("Save Report..."));
  start_->setEnabled(true);
}

void CCheckWindow::CloseProgram() { close(); }

}  // namespace brightfen
