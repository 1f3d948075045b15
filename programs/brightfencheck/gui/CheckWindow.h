// The BrightfenCheck window: the progress ticks, the product list and the
// "Start Diagnostic" button over CSupportCheck.
#pragma once

#include <QCheckBox>
#include <QMainWindow>
#include <QPushButton>
#include <QTreeWidget>
#include <array>
#include <memory>

#include "programs/brightfencheck/core/SupportCheck.h"

namespace brightfen {

class CCheckWindow : public QMainWindow, public IDiagnosticView {
  Q_OBJECT
 public:
  explicit CCheckWindow(std::string tempFolder);

  void ClearProducts() override;
  void AddProduct(const std::string& displayName) override;
  void TickStep(CheckStep step) override;
  void DisableStart() override;
  void OfferSave() override;
  void CloseProgram() override;
  QPushButton* startButton() const { return start_; }

 private:
  void StartDiagnostic();

  CSupportCheck check_;
  std::array<QCheckBox*, 4> steps_{};
  QTreeWidget* products_ = nullptr;
  QPushButton* start_ = nullptr;
  bool saving_ = false;  // the cabinet is made; the button saves it
};

}  // namespace brightfen
