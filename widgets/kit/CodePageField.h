// Fields whose text is stored in the code page: OK refuses a character the
// handheld cannot store.
//
// TakeCodePageText is what OK and Apply call: the text as code-page text,
// or, when the field holds such a character, string 251 naming the field
// and the character, the focus on the field with the character selected,
// and false. Nothing may be saved then.
#pragma once

#include <QString>
#include <QWidget>

#include "platform/codepage/CpText.h"

namespace quillet {

// `text` (what `field` holds, perhaps with its line breaks written as
// carriage return + line feed) as code-page text in *out. False, with the
// person told and the field focused, when it holds a character the code
// page cannot hold; `fieldName` names the field in the message.
bool TakeCodePageText(QWidget* field, const QString& text, const CpText& fieldName, CpText* out);

// A field's name for that message: `english` under `context` in the
// person's language where the code page holds the translation, else the
// English (as LoadString does for the string table).
CpText FieldName(const char* context, const char* english);

}  // namespace quillet
