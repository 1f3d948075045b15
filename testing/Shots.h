// Where window tests put the pictures they take of windows, for people to
// look at: $QUILLET_SHOTS, else build/<name> (e.g. "windows-shots").
#pragma once

#include <QDir>
#include <QString>

namespace quillet::test {

inline QString ShotFolder(const char* name) {
  QString folder = qEnvironmentVariable("QUILLET_SHOTS");
  if (folder.isEmpty()) folder = QString(QUILLET_BIN_DIR) + "/../" + name;
  QDir().mkpath(folder);
  return folder;
}

}  // namespace quillet::test
