// CWndMgr: where the main window opens, where it was when it closed, and
// where its children stand in the client area.
#include "app/WndMgr.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>

#include "app/Rebar.h"
#include "app/Splitter.h"
#include "app/WebWnd.h"
#include "base/AppPaths.h"
#include "base/DiagnosticLog.h"
#include "base/RegistryKey.h"
#include "desktop/shell/Layout.h"
#include "desktop/startup/Startup.h"

namespace quillet {

void CWndMgr::PlaceWindow() {
  main_window_->hide();
  CRegistryKey key;
  key.OpenProgramKey(AppPaths.userFolder);
  uint32_t x = 0, y = 0, w = 0, h = 0, maximized = 0;
  key.ReadValueDword("x", &x);
  key.ReadValueDword("y", &y);
  key.ReadValueDword("w", &w);
  key.ReadValueDword("h", &h);
  key.ReadValueDword("Maximized", &maximized);
  LayoutRect area;
  // The screens' usable areas, the primary first: the window opens on one
  // of them and fits it.
  std::vector<LayoutRect> screens;
  if (QScreen* primary = QGuiApplication::primaryScreen()) {
    const QRect a = primary->availableVirtualGeometry();
    area = {a.x(), a.y(), a.width(), a.height()};
    QList<QScreen*> all = QGuiApplication::screens();
    all.removeAll(primary);
    all.prepend(primary);
    for (QScreen* screen : all) {
      const QRect r = screen->availableGeometry();
      screens.push_back({r.x(), r.y(), r.width(), r.height()});
    }
  }
  Placement p = PlacementFromStored(x, y, w, h, area);
  p.maximized = maximized == 1;
  p = FitToScreen(p, screens);
  main_window_->move(p.x, p.y);
  main_window_->resize(p.width, p.height);
  LogValue("Main Window X Pos:", p.x);
  LogValue("Main Window Y Pos:", p.y);
  LogValue("Main Window W:", p.width);
  LogValue("Main Window H:", p.height);
  LogValue("Main Window Maximized Value:", static_cast<int>(maximized));
  if (maximized == 1) main_window_->showMaximized();
  else main_window_->show();
  Layout();
}

void CWndMgr::SavePlacement() const {
  WindowGeometry g;
  g.x = main_window_->x();
  g.y = main_window_->y();
  g.width = main_window_->width();
  g.height = main_window_->height();
  g.minimized = main_window_->isMinimized();
  g.maximized = main_window_->isMaximized();
  // A maximized window keeps the size it had before, so that
  // un-maximising after the next start gives that size back.
  const QRect normal = main_window_->normalGeometry();
  if (g.maximized && normal.isValid()) {
    const QPoint frame = main_window_->geometry().topLeft() - main_window_->pos();
    g.x = normal.x() - frame.x();
    g.y = normal.y() - frame.y();
    g.width = normal.width();
    g.height = normal.height();
  }
  SaveWindowPlacement(g, AppPaths.userFolder);
}

void CWndMgr::Layout() {
  if (!ready_ || main_window_->isMinimized()) return;
  const int width = client_->width();
  const int height = client_->height();
  const int comboHeight = topicCombo() ? topicCombo()->Height() : 0;
  const ShellLayout l = ComputeLayout(width, height, splitter_->percent(), comboHeight);
  auto rect = [](const LayoutRect& r) { return QRect(r.x, r.y, r.width, r.height); };
  web_->Move(l.browser.x, l.browser.y, l.browser.width, l.browser.height);
  rebar_->Move(client_->rect());
  splitter_->Place(width, height);
  for (int i = 1; i <= ChildWindows().Count(); ++i)
    if (CChildWnd* w = ChildWindows().At(i))
      w->Move(l.recordWindow.x, l.recordWindow.y, l.recordWindow.width, l.recordWindow.height);
  if (CListViewObject* list = findList()) list->Move(rect(l.findList));
  if (CListViewObject* list = imageList()) list->Move(rect(l.treeAndImageList));
  if (CTreeObject* tree = topicTree()) tree->Move(rect(l.treeAndImageList));
  for (int i = 1; i <= Combos().Count(); ++i)
    if (CCombo* c = Combos().At(i)) c->Move(rect(l.combos));
}

}  // namespace quillet
