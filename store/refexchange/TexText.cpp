#include "store/refexchange/TexText.h"

#include <algorithm>
#include <utility>

#include "platform/codepage/CodePage.h"
#include "store/refexchange/Unicode.h"

namespace quillet::refx {
namespace {

bool IsSpace(char32_t c) { return c == U' ' || c == U'\t' || c == U'\n' || c == U'\r'; }
bool IsLetter(char32_t c) { return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z'); }

// Accents written as a symbol after the backslash, and as a letter.
char32_t SymbolAccent(char32_t c) {
  switch (c) {
    case U'"': return 0x0308;
    case U'\'': return 0x0301;
    case U'`': return 0x0300;
    case U'^': return 0x0302;
    case U'~': return 0x0303;
    case U'=': return 0x0304;
    case U'.': return 0x0307;
    default: return 0;
  }
}

char32_t LetterAccent(std::u32string_view name) {
  static const std::pair<const char32_t*, char32_t> kLetters[] = {
      {U"u", 0x0306}, {U"v", 0x030C}, {U"H", 0x030B}, {U"c", 0x0327}, {U"k", 0x0328},
      {U"r", 0x030A}, {U"d", 0x0323}, {U"b", 0x0331}, {U"t", 0x0361}, {U"G", 0x030F},
  };
  for (const auto& [n, mark] : kLetters)
    if (name == n) return mark;
  return 0;
}

// The accent on its own, where the code page has a sign for it.
char32_t SpacingAccent(char32_t mark) {
  switch (mark) {
    case 0x0308: return 0x00A8;
    case 0x0301: return 0x00B4;
    case 0x0300: return U'`';
    case 0x0302: return U'^';
    case 0x0303: return U'~';
    case 0x0304: return 0x00AF;
    case 0x0327: return 0x00B8;
    default: return 0;
  }
}

// Control words that stand for a letter or a sign.
const char32_t* NamedSymbol(std::u32string_view name) {
  static const std::pair<const char32_t*, const char32_t*> kSymbols[] = {
      {U"ss", U"ß"}, {U"SS", U"SS"}, {U"o", U"ø"}, {U"O", U"Ø"}, {U"ae", U"æ"}, {U"AE", U"Æ"},
      {U"oe", U"œ"}, {U"OE", U"Œ"}, {U"aa", U"å"}, {U"AA", U"Å"}, {U"l", U"ł"}, {U"L", U"Ł"},
      {U"i", U"ı"}, {U"j", U"ȷ"}, {U"dh", U"ð"}, {U"DH", U"Ð"}, {U"th", U"þ"}, {U"TH", U"Þ"},
      {U"ng", U"ŋ"}, {U"NG", U"Ŋ"}, {U"dj", U"đ"}, {U"DJ", U"Đ"},
      {U"textendash", U"–"}, {U"textemdash", U"—"}, {U"textquoteleft", U"‘"},
      {U"textquoteright", U"’"}, {U"textquotedblleft", U"“"}, {U"textquotedblright", U"”"},
      {U"textquotedbl", U"\""}, {U"textbackslash", U"\\"}, {U"textasciitilde", U"~"},
      {U"textasciicircum", U"^"}, {U"textasciigrave", U"`"}, {U"textunderscore", U"_"},
      {U"textbar", U"|"}, {U"textless", U"<"}, {U"textgreater", U">"}, {U"textdegree", U"°"},
      {U"textregistered", U"®"}, {U"texttrademark", U"™"}, {U"textcopyright", U"©"},
      {U"copyright", U"©"}, {U"pounds", U"£"}, {U"textsterling", U"£"}, {U"euro", U"€"},
      {U"texteuro", U"€"}, {U"S", U"§"}, {U"P", U"¶"}, {U"textsection", U"§"},
      {U"textparagraph", U"¶"}, {U"dag", U"†"}, {U"ddag", U"‡"}, {U"textdagger", U"†"},
      {U"textdaggerdbl", U"‡"}, {U"ldots", U"…"}, {U"dots", U"…"}, {U"textellipsis", U"…"},
      {U"guillemotleft", U"«"}, {U"guillemotright", U"»"}, {U"guillemetleft", U"«"},
      {U"guillemetright", U"»"}, {U"textbullet", U"•"}, {U"textperiodcentered", U"·"},
      {U"textexclamdown", U"¡"}, {U"textquestiondown", U"¿"}, {U"textperthousand", U"‰"},
      {U"textyen", U"¥"}, {U"textcent", U"¢"}, {U"textonehalf", U"½"},
      {U"textonequarter", U"¼"}, {U"textthreequarters", U"¾"}, {U"textdollar", U"$"},
      {U"LaTeX", U"LaTeX"}, {U"LaTeXe", U"LaTeX2e"}, {U"TeX", U"TeX"}, {U"BibTeX", U"BibTeX"},
      {U"METAFONT", U"METAFONT"}, {U"MF", U"METAFONT"}, {U"MetaPost", U"MetaPost"},
      {U"AmS", U"AMS"}, {U"AMS", U"AMS"}, {U"AmSTeX", U"AMS-TeX"}, {U"AmSLaTeX", U"AMS-LaTeX"},
      {U"XeTeX", U"XeTeX"}, {U"XeLaTeX", U"XeLaTeX"}, {U"LuaTeX", U"LuaTeX"}, {U"LuaLaTeX", U"LuaLaTeX"},
      {U"eTeX", U"e-TeX"}, {U"pdfTeX", U"pdfTeX"}, {U"pdfLaTeX", U"pdfLaTeX"}, {U"ConTeXt", U"ConTeXt"},
      {U"slash", U"/"}, {U"hyphen", U"-"}, {U"textslash", U"/"}, {U"textemdash", U"—"},
      {U"textasteriskcentered", U"*"}, {U"textbraceleft", U"{"}, {U"textbraceright", U"}"},
      {U"log", U"log"}, {U"ln", U"ln"}, {U"lg", U"lg"}, {U"exp", U"exp"}, {U"sin", U"sin"},
      {U"cos", U"cos"}, {U"tan", U"tan"}, {U"cot", U"cot"}, {U"sec", U"sec"}, {U"csc", U"csc"},
      {U"arcsin", U"arcsin"}, {U"arccos", U"arccos"}, {U"arctan", U"arctan"}, {U"sinh", U"sinh"},
      {U"cosh", U"cosh"}, {U"tanh", U"tanh"}, {U"max", U"max"}, {U"min", U"min"}, {U"sup", U"sup"},
      {U"inf", U"inf"}, {U"lim", U"lim"}, {U"liminf", U"lim inf"}, {U"limsup", U"lim sup"},
      {U"det", U"det"}, {U"dim", U"dim"}, {U"deg", U"deg"}, {U"gcd", U"gcd"}, {U"ker", U"ker"},
      {U"hom", U"hom"}, {U"arg", U"arg"}, {U"Pr", U"Pr"}, {U"bmod", U"mod"}, {U"mod", U"mod"},
      {U"sum", U"∑"}, {U"prod", U"∏"}, {U"int", U"∫"}, {U"sqrt", U"√"}, {U"partial", U"∂"},
      {U"in", U"∈"}, {U"subset", U"⊂"}, {U"subseteq", U"⊆"}, {U"cup", U"∪"}, {U"cap", U"∩"},
      {U"forall", U"∀"}, {U"exists", U"∃"}, {U"emptyset", U"∅"}, {U"mid", U"|"}, {U"vert", U"|"},
      {U"lbrace", U"{"}, {U"rbrace", U"}"}, {U"langle", U"⟨"}, {U"rangle", U"⟩"}, {U"ast", U"*"},
      {U"star", U"⋆"}, {U"circ", U"∘"}, {U"bullet", U"•"}, {U"sim", U"~"}, {U"simeq", U"≃"},
      {U"equiv", U"≡"}, {U"ll", U"≪"}, {U"gg", U"≫"}, {U"Rightarrow", U"⇒"}, {U"Leftarrow", U"⇐"},
      {U"leftrightarrow", U"↔"}, {U"Leftrightarrow", U"⇔"}, {U"mapsto", U"↦"}, {U"ell", U"ℓ"},
      {U"nabla", U"∇"}, {U"neg", U"¬"}, {U"wedge", U"∧"}, {U"vee", U"∨"}, {U"oplus", U"⊕"},
      {U"otimes", U"⊗"}, {U"prime", U"′"}, {U"aleph", U"ℵ"}, {U"hbar", U"ħ"},
      {U"times", U"×"}, {U"div", U"÷"}, {U"pm", U"±"}, {U"cdot", U"·"}, {U"leq", U"≤"},
      {U"le", U"≤"}, {U"geq", U"≥"}, {U"ge", U"≥"}, {U"neq", U"≠"}, {U"ne", U"≠"},
      {U"approx", U"≈"}, {U"infty", U"∞"}, {U"rightarrow", U"→"}, {U"to", U"→"},
      {U"leftarrow", U"←"}, {U"alpha", U"α"}, {U"beta", U"β"}, {U"gamma", U"γ"},
      {U"delta", U"δ"}, {U"epsilon", U"ε"}, {U"varepsilon", U"ε"}, {U"zeta", U"ζ"},
      {U"eta", U"η"}, {U"theta", U"θ"}, {U"iota", U"ι"}, {U"kappa", U"κ"}, {U"lambda", U"λ"},
      {U"mu", U"μ"}, {U"nu", U"ν"}, {U"xi", U"ξ"}, {U"pi", U"π"}, {U"rho", U"ρ"},
      {U"sigma", U"σ"}, {U"tau", U"τ"}, {U"upsilon", U"υ"}, {U"phi", U"φ"}, {U"varphi", U"φ"},
      {U"chi", U"χ"}, {U"psi", U"ψ"}, {U"omega", U"ω"}, {U"Gamma", U"Γ"}, {U"Delta", U"Δ"},
      {U"Theta", U"Θ"}, {U"Lambda", U"Λ"}, {U"Xi", U"Ξ"}, {U"Pi", U"Π"}, {U"Sigma", U"Σ"},
      {U"Upsilon", U"Υ"}, {U"Phi", U"Φ"}, {U"Psi", U"Ψ"}, {U"Omega", U"Ω"},
  };
  for (const auto& [n, text] : kSymbols)
    if (name == n) return text;
  return nullptr;
}

// Control words whose (first) argument is not text.
bool DropsArgument(std::u32string_view name) {
  return name == U"href" || name == U"noopsort" || name == U"hspace" || name == U"vspace" ||
         name == U"cite" || name == U"label";
}

// Commands that only change how their text looks (or do nothing to the
// text): they go, their arguments are read on as groups. Any other command
// keeps its name as text, so that no word of a title is lost.
bool IsFormatting(std::u32string_view name) {
  static const char32_t* const kFormatting[] = {
      U"emph", U"textit", U"textbf", U"textrm", U"textsf", U"texttt", U"textsc", U"textup",
      U"textsl", U"textmd", U"textnormal", U"textsuperscript", U"textsubscript", U"text",
      U"mbox", U"hbox", U"fbox", U"makebox", U"em", U"it", U"bf", U"rm", U"sf", U"tt", U"sc",
      U"sl", U"up", U"bfseries", U"itshape", U"scshape", U"upshape", U"slshape", U"mdseries",
      U"rmfamily", U"sffamily", U"ttfamily", U"normalfont", U"tiny", U"scriptsize",
      U"footnotesize", U"small", U"normalsize", U"large", U"Large", U"LARGE", U"huge", U"Huge",
      U"protect", U"relax", U"mathrm", U"mathit", U"mathbf", U"mathsf", U"mathtt", U"mathcal",
      U"mathbb", U"mathfrak", U"mathnormal", U"boldsymbol", U"bm", U"operatorname",
      U"ensuremath", U"uppercase", U"lowercase", U"MakeUppercase", U"MakeLowercase",
      U"NoCaseChange", U"nocase", U"ignorespaces", U"unskip", U"xspace", U"null", U"nolinkurl",
      U"path", U"left", U"right", U"big", U"Big", U"bigg", U"Bigg", U"displaystyle",
      U"textstyle", U"scriptstyle", U"noindent", U"leavevmode", U"footnote", U"url",
      U"underline", U"overline", U"textcolor", U"color", U"hyphenation", U"allowbreak",
      U"nobreak", U"penalty", U"kern", U"hfill", U"vfill", U"strut", U"phantom", U"emph",
      U"textls", U"lowercase", U"acro", U"acronym", U"sp", U"sb",
  };
  for (const char32_t* f : kFormatting)
    if (name == f) return true;
  return false;
}

bool IsSpacing(std::u32string_view name) {
  return name == U"quad" || name == U"qquad" || name == U"enspace" || name == U"thinspace" ||
         name == U"space" || name == U"newline" || name == U"linebreak";
}

// The end of the group that opens at `open` (the index of its '}', or the
// text's end when it never closes).
size_t GroupEnd(std::u32string_view in, size_t open) {
  int depth = 0;
  for (size_t i = open; i < in.size(); ++i) {
    if (in[i] == U'\\') {
      ++i;
      continue;
    }
    if (in[i] == U'{') ++depth;
    else if (in[i] == U'}' && --depth == 0) return i;
  }
  return in.size();
}

// Groups nested deeper than this are read as if their braces were not
// there (a file cannot make the reader run out of stack).
constexpr int kMaxDepth = 64;

class TexDecoder {
 public:
  TexDecoder(std::u32string_view in, TexMode mode, int depth = 0, std::vector<std::string>* unknown = nullptr)
      : in_(in), mode_(mode), depth_(depth), unknown_(unknown) {}

  std::u32string Run() {
    Sequence(0, in_.size());
    while (!out_.empty() && out_.back() == U' ') out_.pop_back();
    return ComposeAccents(out_);
  }

 private:
  // The text between `from` and `to`, groups included.
  void Sequence(size_t from, size_t to) {
    size_t i = from;
    while (i < to) {
      const char32_t c = in_[i];
      if (IsSpace(c)) {
        ++pending_spaces_;
        if (c == U'\n') ++pending_newlines_;
        ++i;
      } else if (c == U'{' && depth_ >= kMaxDepth) {
        ++i;
      } else if (c == U'{') {
        FlushOpen();
        const size_t end = std::min(GroupEnd(in_, i), to);
        ++depth_;
        Sequence(i + 1, end);
        --depth_;
        FlushClose();
        i = end + 1;
      } else if (c == U'}') {
        ++i;  // a stray closing brace
      } else if (c == U'\\') {
        i = Command(i, to);
      } else if (c == U'$') {
        math_ = !math_;
        ++i;
      } else if (math_ && (c == U'^' || c == U'_')) {
        ++i;  // sub- and superscripts read as plain text
      } else if (c == U'~') {
        Emit(U' ');
        ++i;
      } else if (c == U'-' || c == 0x2013 || c == 0x2014) {
        i = Dashes(i, to);
      } else if (c == U'`' || c == U'\'') {
        const bool pair = i + 1 < to && in_[i + 1] == c;
        if (c == U'`') Emit(pair ? 0x201C : 0x2018);
        else Emit(pair ? 0x201D : U'\'');
        i += pair ? 2 : 1;
      } else {
        Emit(c);
        ++i;
      }
    }
  }

  size_t Dashes(size_t i, size_t to) {
    if (in_[i] != U'-') {  // an en or em dash written as itself
      Emit(mode_ == TexMode::kPages ? U'-' : in_[i]);
      return i + 1;
    }
    size_t n = 0;
    while (i + n < to && in_[i + n] == U'-') ++n;
    if (mode_ == TexMode::kPages) {
      Emit(U'-');
    } else {
      size_t left = n;
      while (left >= 3) {
        Emit(0x2014);
        left -= 3;
      }
      if (left == 2) Emit(0x2013);
      else if (left == 1) Emit(U'-');
    }
    return i + n;
  }

  // A command at `i` (the backslash); returns where reading goes on.
  size_t Command(size_t i, size_t to) {
    if (i + 1 >= to) {
      Emit(U'\\');
      return i + 1;
    }
    const char32_t next = in_[i + 1];
    if (!IsLetter(next)) {
      if (char32_t mark = SymbolAccent(next)) return Accent(mark, i + 2, to);
      switch (next) {
        case U'\\': HardSpace(); break;
        case U' ': case U',': case U';': case U':': case U'>': case U'\n': case U'\t':
          HardSpace();
          break;
        case U'-': case U'/': case U'@': case U'!': break;  // hyphenation and spacing hints
        default: Emit(next);  // \& \% \$ \# \_ \{ \} and the like
      }
      return i + 2;
    }
    size_t end = i + 1;
    while (end < to && IsLetter(in_[end])) ++end;
    const std::u32string_view name = in_.substr(i + 1, end - i - 1);
    size_t after = end;
    while (after < to && (in_[after] == U' ' || in_[after] == U'\t')) ++after;

    if (char32_t mark = LetterAccent(name)) return Accent(mark, after, to);
    if (const char32_t* symbol = NamedSymbol(name)) {
      const char32_t* p = symbol;
      for (; *p; ++p) Emit(*p);
      // A word ("\log n", "\TeX book") keeps the space before the next one.
      const char32_t last = p[-1];
      const bool word = (last >= U'a' && last <= U'z') || (last >= U'A' && last <= U'Z');
      if (word && after > end && after < to && IsLetter(in_[after])) pending_spaces_ = 1;
      return after;
    }
    if (name == U"url" && after < to && in_[after] == U'{') {
      const size_t close = std::min(GroupEnd(in_, after), to);
      for (char32_t c : DecodeTex(EncodeUtf8(in_.substr(after + 1, close - after - 1)),
                                  TexMode::kVerbatim))
        Emit(c);
      return close + 1;
    }
    if (DropsArgument(name) && after < to && in_[after] == U'{')
      return std::min(GroupEnd(in_, after), to) + 1;
    if (IsSpacing(name)) {
      HardSpace();
      return after;
    }
    if (name == U"par") {
      pending_spaces_ += 2;
      pending_newlines_ += 2;
      return after;
    }
    // Commands that set the look of a text (\emph, \textit, \mbox ...)
    // go, their arguments read on as groups; any other keeps its name.
    if (!IsFormatting(name)) {
      const std::string word = EncodeUtf8(name);
      if (unknown_ != nullptr && std::find(unknown_->begin(), unknown_->end(), word) == unknown_->end())
        unknown_->push_back(word);
      for (char32_t c : name) Emit(c);
      // "\MP\ book", "{\MP} book": the space after the name was eaten by
      // TeX only when nothing marked it; keep one before a following word.
      if (after > end && after < to && in_[after] != U'{' && in_[after] != U'}') pending_spaces_ = 1;
    }
    return after;
  }

  // An accent on the letter, group or command that follows `i`.
  size_t Accent(char32_t mark, size_t i, size_t to) {
    while (i < to && (in_[i] == U' ' || in_[i] == U'\t')) ++i;
    std::u32string target;
    size_t next = i;
    if (i >= to) {
      next = to;
    } else if (in_[i] == U'{') {
      const size_t close = std::min(GroupEnd(in_, i), to);
      if (depth_ < kMaxDepth) target = TexDecoder(in_.substr(i + 1, close - i - 1), mode_, depth_ + 1, unknown_).Run();
      next = close + 1;
    } else if (in_[i] == U'\\') {
      size_t end = i + 1;
      while (end < to && IsLetter(in_[end])) ++end;
      if (end == i + 1 && end < to) ++end;
      if (depth_ < kMaxDepth) target = TexDecoder(in_.substr(i, end - i), mode_, depth_ + 1, unknown_).Run();
      next = end;
    } else {
      target.push_back(in_[i]);
      next = i + 1;
    }
    if (target.empty()) {
      if (char32_t spacing = SpacingAccent(mark)) Emit(spacing);
      return next;
    }
    const char32_t composed = ComposeLetter(target[0], mark);
    if (composed != 0) {
      Emit(composed);
    } else {
      Emit(target[0]);
      Emit(mark);
    }
    for (size_t k = 1; k < target.size(); ++k) Emit(target[k]);
    return next;
  }

  void Emit(char32_t c) {
    if (pending_spaces_ > 0) {
      if (!out_.empty()) PutPending();
      pending_spaces_ = pending_newlines_ = 0;
    }
    out_.push_back(c);
  }

  void HardSpace() { Emit(U' '); }

  void PutPending() {
    if (pending_newlines_ >= 2) out_.append(pending_newlines_ - 1, U'\n');
    else out_.push_back(U' ');
  }

  // Whitespace before a group counts only after some text; whitespace at
  // the end of a group is kept (that is how a written-out space is kept).
  void FlushOpen() {
    if (pending_spaces_ > 0 && !out_.empty()) PutPending();
    pending_spaces_ = pending_newlines_ = 0;
  }
  void FlushClose() {
    if (pending_spaces_ > 0) PutPending();
    pending_spaces_ = pending_newlines_ = 0;
  }

  std::u32string_view in_;
  TexMode mode_;
  std::u32string out_;
  int pending_spaces_ = 0;
  int pending_newlines_ = 0;
  bool math_ = false;
  int depth_;
  std::vector<std::string>* unknown_;
};

std::u32string DecodeVerbatim(std::u32string_view in) {
  std::u32string out;
  for (size_t i = 0; i < in.size(); ++i) {
    const char32_t c = in[i];
    if (IsSpace(c) || c == U'{' || c == U'}') continue;
    if (c == U'\\' && i + 1 < in.size()) {
      const char32_t n = in[i + 1];
      if (n == U'%' || n == U'_' || n == U'&' || n == U'#' || n == U'$' || n == U'~' ||
          n == U'{' || n == U'}') {
        out.push_back(n);
        ++i;
        continue;
      }
    }
    out.push_back(c);
  }
  return out;
}

bool IsUpper(char32_t c) {
  return (c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
         (c >= 0x0100 && c <= 0x017F && c % 2 == 0 && c != 0x0138) || (c >= 0x0391 && c <= 0x03A9) ||
         (c >= 0x0410 && c <= 0x042F);
}

}  // namespace

std::u32string DecodeTex(std::string_view value, TexMode mode, std::vector<std::string>* unknown) {
  std::u32string in;
  if (!DecodeUtf8(value, &in)) {
    // The reader only hands over UTF-8; should anything else arrive, each
    // byte counts as one character of the code page.
    in.clear();
    for (unsigned char c : value) in.push_back(c);
  }
  if (mode == TexMode::kVerbatim) return DecodeVerbatim(in);
  return TexDecoder(in, mode, 0, unknown).Run();
}

std::vector<std::u32string> SplitBibNames(std::string_view value) {
  std::vector<std::string> parts;
  std::string current;
  int depth = 0;
  auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  for (size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '\\' && i + 1 < value.size()) {
      current += value.substr(i, 2);
      ++i;
      continue;
    }
    if (c == '{') ++depth;
    if (c == '}' && depth > 0) --depth;
    if (depth == 0 && isSpace(c) && i + 4 < value.size() &&
        (value[i + 1] == 'a' || value[i + 1] == 'A') && (value[i + 2] == 'n' || value[i + 2] == 'N') &&
        (value[i + 3] == 'd' || value[i + 3] == 'D') && isSpace(value[i + 4])) {
      parts.push_back(current);
      current.clear();
      i += 4;
      continue;
    }
    current.push_back(c);
  }
  parts.push_back(current);
  std::vector<std::u32string> names;
  for (const std::string& p : parts) {
    // A name is one line: the store keeps one name per line (or between
    // semicolons), so a line break inside one (a TeX \\ or a break in the
    // file) would make two names of it.
    std::u32string name;
    for (char32_t c : DecodeTex(p, TexMode::kText)) {
      const bool space = IsSpace(c);
      if (space && (name.empty() || name.back() == U' ')) continue;
      name.push_back(space ? U' ' : c);
    }
    while (!name.empty() && name.back() == U' ') name.pop_back();
    if (name.empty()) continue;
    // "others" means more authors, also with a mark that takes no room
    // in it (the code page would drop the mark and leave the word).
    std::u32string bare;
    for (char32_t c : name)
      if (!(c == 0xFEFF || c == 0xAD || (c >= 0x200B && c <= 0x200F) || (c >= 0x2060 && c <= 0x2064))) bare += c;
    if (bare == U"others" || bare == U"Others") name = U"et al.";
    names.push_back(name);
  }
  return names;
}

std::string EncodeTex(std::string_view utf8, bool protectCapitals) {
  std::u32string in;
  if (!DecodeUtf8(utf8, &in)) {
    in.clear();
    for (unsigned char c : utf8) in.push_back(c);
  }
  // Words (runs without spaces and line feeds) that keep their capitals.
  std::vector<bool> braced(in.size(), false);
  if (protectCapitals) {
    bool firstWord = true;
    for (size_t i = 0; i < in.size();) {
      if (IsSpace(in[i])) {
        ++i;
        continue;
      }
      size_t end = i;
      bool capital = false;
      while (end < in.size() && !IsSpace(in[end])) {
        if (IsUpper(in[end]) && (!firstWord || end > i)) capital = true;
        ++end;
      }
      if (capital) braced[i] = true;
      firstWord = false;
      i = end;
    }
  }

  std::string out;
  bool lineStart = true;
  for (size_t i = 0; i < in.size(); ++i) {
    char32_t c = in[i];
    if (c == U'\r') continue;
    if (c == U'\t') c = U' ';
    if (braced[i]) out += '{';
    const char32_t prev = i > 0 ? in[i - 1] : 0;
    switch (c) {
      case U'\n': {
        size_t n = 0;
        while (i + n < in.size() && in[i + n] == U'\n') ++n;
        out.append(n + 1, '\n');
        i += n - 1;
        lineStart = true;
        continue;
      }
      case U' ': {
        const bool plain = i > 0 && prev != U' ' && prev != U'\n' && prev != U'\t' &&
                           i + 1 < in.size() && in[i + 1] != U'\n';
        out += plain ? " " : "{ }";
        break;
      }
      case U'\\': out += "\\textbackslash{}"; break;
      case U'{': out += "\\{"; break;
      case U'}': out += "\\}"; break;
      case U'%': case U'&': case U'$': case U'#': case U'_':
        out += '\\';
        out += static_cast<char>(c);
        break;
      case U'~': out += "\\textasciitilde{}"; break;
      case U'^': out += "\\textasciicircum{}"; break;
      case U'`': out += "\\textasciigrave{}"; break;
      case U'-': out += prev == U'-' ? "{}-" : "-"; break;
      case U'\'': out += prev == U'\'' ? "{}'" : "'"; break;
      case U'@': out += lineStart ? "{@}" : "@"; break;
      default: AppendUtf8(&out, c);
    }
    lineStart = false;
    if (protectCapitals && !IsSpace(in[i]) && (i + 1 == in.size() || IsSpace(in[i + 1]))) {
      // Close the braces of a protected word at its end.
      size_t start = i;
      while (start > 0 && !IsSpace(in[start - 1])) --start;
      if (braced[start]) out += '}';
    }
  }
  return out;
}

std::string EncodeTexVerbatim(std::string_view utf8) {
  std::string out;
  for (char c : utf8) {
    switch (c) {
      case '{': out += "%7B"; break;
      case '}': out += "%7D"; break;
      case '\\': out += "%5C"; break;
      case ' ': out += "%20"; break;
      case '\n': out += "%0A"; break;
      case '\r': out += "%0D"; break;
      case '\t': out += "%09"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

}  // namespace quillet::refx
