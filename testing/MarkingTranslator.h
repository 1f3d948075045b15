// A catalogue for tests: it answers every lookup with the text marked by
// the context it was asked under, "[Context] English". A text shown in
// English never went through the catalogue; one under the wrong context
// would never find its translation. Qt's own texts (contexts starting with
// 'Q') stay as they are.
#pragma once

#include <QString>
#include <QTranslator>

namespace quillet::test {

class MarkingTranslator : public QTranslator {
 public:
  QString translate(const char* context, const char* source, const char*, int) const override {
    if (context[0] == 'Q') return QString();  // Qt's own texts (QShortcut's key names...)
    return QString("[%1] %2").arg(QString::fromUtf8(context), QString::fromUtf8(source));
  }
  bool isEmpty() const override { return false; }
};

}  // namespace quillet::test
