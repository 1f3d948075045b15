#include "widgets/kit/AppIcon.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

namespace quillet {
namespace {

bool Installed(const QString& theme) {
  if (theme.isEmpty() || theme.contains('/')) return false;
  for (const QString& folder : QIcon::themeSearchPaths())
    if (QFile::exists(folder + "/" + theme + "/index.theme")) return true;
  return false;
}

QString SettingsTheme() {
  const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  for (const char* gtk : {"gtk-4.0", "gtk-3.0"}) {
    const QString file = config + "/" + gtk + "/settings.ini";
    if (!QFile::exists(file)) continue;
    QSettings settings(file, QSettings::IniFormat);
    const QString name = settings.value("Settings/gtk-icon-theme-name").toString().trimmed();
    if (!name.isEmpty()) return name;
  }
  return QString();
}

}  // namespace

QString FollowDesktopIconTheme() {
  const QString current = QIcon::themeName();
  if (!current.isEmpty() && current != "hicolor") return current;
  QString chosen = SettingsTheme();
  if (!Installed(chosen)) chosen.clear();
  for (const char* common : {"Adwaita", "breeze", "gnome", "Tango"})
    if (chosen.isEmpty() && Installed(QString::fromLatin1(common))) chosen = QString::fromLatin1(common);
  if (!chosen.isEmpty()) QIcon::setThemeName(chosen);
  return QIcon::themeName();
}

QIcon ApplicationIcon() {
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
    icon.addFile(QString(":/icons/%1x%1/quillet.png").arg(size), QSize(size, size));
  return icon;
}

}  // namespace quillet
