// The person's language. Every text a person reads is written in English in
// the code, under the context it belongs to, and looked up in the person's
// language when it is shown; the Qt programs install the lookup at start
// (widgets/kit/Translations.h). Without one, and for a text the catalogue
// lacks, the English stands. Both the English and the result are UTF-8:
// only where a text becomes record data does it pass through the code page
// (and a translation the code page cannot hold then gives way to the
// English, see LoadString in base/Strings.h).
//
// `translate` is spelled like Qt's own so that the catalogue tool (lupdate)
// collects the texts of every call; a table of texts marks each of its
// entries with QT_TRANSLATE_NOOP(context, text) instead. No Qt here.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif

namespace quillet {

// Looks `source` up under `context`; returns the translation, or an empty
// string when the catalogue has none. Must not throw.
using TranslateFn = std::string (*)(const char* context, const char* source);

// Installs the lookup (null: English everywhere) and returns the previous one.
TranslateFn SetTranslator(TranslateFn fn);

// `source` in the person's language, else `source` itself.
std::string translate(const char* context, const char* source);

// The language of the catalogue installed with the lookup, as its file names
// it ("de"); empty for English. What the cores pick by language (the
// program's own pages, desktop/shell/Pages.h) follows it, so that the pages
// and the menus that they name always speak the same language.
void SetLanguage(std::string_view language);
std::string Language();

// `text` with %1 ... %9 replaced by `args` in one pass (what an argument
// holds is never replaced again), the way the translated texts place their
// names and numbers; "%%" is one '%'.
std::string FillIn(std::string_view text, std::initializer_list<std::string_view> args);

}  // namespace quillet
