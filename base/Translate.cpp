#include "base/Translate.h"

#include <atomic>
#include <mutex>

namespace quillet {
namespace {
std::atomic<TranslateFn> g_translator{nullptr};

std::mutex g_language_lock;
std::string& LanguageSlot() {
  static std::string language;
  return language;
}
}  // namespace

void SetLanguage(std::string_view language) {
  std::lock_guard<std::mutex> hold(g_language_lock);
  LanguageSlot().assign(language);
}

std::string Language() {
  std::lock_guard<std::mutex> hold(g_language_lock);
  return LanguageSlot();
}

TranslateFn SetTranslator(TranslateFn fn) { return g_translator.exchange(fn); }

std::string translate(const char* context, const char* source) {
  if (source == nullptr) return std::string();
  if (TranslateFn fn = g_translator.load(); fn != nullptr && context != nullptr) {
    std::string text = fn(context, source);
    if (!text.empty()) return text;
  }
  return source;
}

std::string FillIn(std::string_view text, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%' && i + 1 < text.size()) {
      const char next = text[i + 1];
      if (next == '%') {
        out += '%';
        ++i;
        continue;
      }
      if (next >= '1' && next <= '9') {
        const size_t n = static_cast<size_t>(next - '1');
        if (n < args.size()) {
          out += *(args.begin() + n);
          ++i;
          continue;
        }
      }
    }
    out += c;
  }
  return out;
}

}  // namespace quillet
