#include "widgets/kit/Accessibility.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QScrollBar>

namespace quillet {
namespace {

// A drop-down list as Qt describes one, but named by its accessible name:
// the chosen entry is its value. Its children are the list of entries and,
// when it can be typed into, its line.
class ComboAccessible : public QAccessibleWidget {
 public:
  explicit ComboAccessible(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

  QComboBox* box() const { return static_cast<QComboBox*>(object()); }

  QString text(QAccessible::Text t) const override {
    switch (t) {
      case QAccessible::Name: {
        const QString name = box()->accessibleName();
        return name.isEmpty() ? QAccessibleWidget::text(t) : name;
      }
      case QAccessible::Value:
        return box()->isEditable() && box()->lineEdit() ? box()->lineEdit()->text() : box()->currentText();
      default:
        return QAccessibleWidget::text(t);
    }
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.expandable = true;
    s.expanded = box()->view() && box()->view()->isVisible();
    s.editable = box()->isEditable();
    return s;
  }

  int childCount() const override { return box()->isEditable() && box()->lineEdit() ? 2 : 1; }

  QAccessibleInterface* child(int index) const override {
    if (index == 0) return box()->view() ? QAccessible::queryAccessibleInterface(box()->view()) : nullptr;
    if (index == 1 && box()->isEditable()) return QAccessible::queryAccessibleInterface(box()->lineEdit());
    return nullptr;
  }

  int indexOfChild(const QAccessibleInterface* child) const override {
    if (!child) return -1;
    if (box()->view() && child->object() == box()->view()) return 0;
    if (box()->isEditable() && child->object() == box()->lineEdit()) return 1;
    return -1;
  }

  QAccessibleInterface* childAt(int, int) const override { return nullptr; }

  QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
  QString localizedActionDescription(const QString& action) const override {
    if (action == showMenuAction() || action == pressAction())
      return QCoreApplication::translate("Accessibility", "Opens the list of entries");
    return QString();
  }
  void doAction(const QString& action) override {
    if (action != showMenuAction() && action != pressAction()) return;
    if (box()->view() && box()->view()->isVisible()) box()->hidePopup();
    else box()->showPopup();
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }
};

QAccessibleInterface* ComboFactory(const QString& key, QObject* object) {
  if (key != QLatin1String("QComboBox")) return nullptr;
  auto* box = qobject_cast<QComboBox*>(object);
  if (!box || box->accessibleName().isEmpty()) return nullptr;  // Qt's own, then
  return new ComboAccessible(box);
}

}  // namespace

void NameComboBox(QComboBox* box, const QString& name, const QString& description) {
  if (!box) return;
  static const bool installed = [] {
    QAccessible::installFactory(ComboFactory);
    return true;
  }();
  (void)installed;
  box->setAccessibleName(name);
  if (!description.isEmpty()) box->setAccessibleDescription(description);
  if (box->view()) {
    box->view()->setAccessibleName(name);
    NameScrollBars(box->view());
  }
}

void NameScrollBars(QWidget* root) {
  if (!root) return;
  for (QScrollBar* bar : root->findChildren<QScrollBar*>()) {
    if (!bar->accessibleName().isEmpty()) continue;
    bar->setAccessibleName(bar->orientation() == Qt::Vertical
                               ? QCoreApplication::translate("Accessibility", "Vertical scroll bar")
                               : QCoreApplication::translate("Accessibility", "Horizontal scroll bar"));
    // The view it scrolls (its scroll bars sit in a container of the view).
    QWidget* view = bar->parentWidget();
    while (view && !qobject_cast<QAbstractScrollArea*>(view)) view = view->parentWidget();
    if (view && !view->accessibleName().isEmpty())
      bar->setAccessibleDescription(QCoreApplication::translate("Accessibility", "Scrolls %1").arg(view->accessibleName()));
  }
}

}  // namespace quillet
