#include "reports/TemplateExpander.h"

#include <cstring>

namespace quillet {

TemplateExpander::~TemplateExpander() = default;

int TemplateExpander::on_tag() { return kActionContinue; }

int TemplateExpander::lookup_tag() {
  args_[0].clear();
  args_[1].clear();
  // A loop looks the same tags up once per item; a tag without arguments
  // gets the code remembered for its position in this run.
  if (memo_ != nullptr && memo_->code != kCodeUnknown) return memo_->code;
  // Same result as matching every table entry in order, without doing so
  // for every tag of a large theme (see LookupTagCode).
  int code = LookupTagCode(tag_text_, args_);
  if (memo_ != nullptr && args_[0].empty() && args_[1].empty() &&
      tag_text_.find('(') == std::string_view::npos)
    memo_->code = code;
  return code;
}

// Recognition at `pos`, remembered for the run: loops come back to the
// same positions once per item.
bool TemplateExpander::TagAt(size_t pos, size_t* end) {
  TagMemo& m = memos_[pos % kMemoSlots];
  if (m.pos != pos) {
    m.pos = pos;
    m.code = kCodeUnknown;
    m.is_tag = ScanTag(pos, &m.end);
    if (m.is_tag) {
      m.text_begin = static_cast<size_t>(tag_text_.data() - in_);
      m.text_size = tag_text_.size();
      m.raw = tag_is_raw_;
    }
  } else if (m.is_tag) {
    tag_text_ = std::string_view(in_ + m.text_begin, m.text_size);
    tag_is_raw_ = m.raw;
  }
  memo_ = m.is_tag ? &m : nullptr;
  *end = m.end;
  return m.is_tag;
}

// A tag starts with "{" or with a backslash directly before "{" (editors
// that escape braces write \{TITLE\}). It runs to the first "}", holds no
// other "{", and is at most kMaxTagText characters from its first character
// through its "}". A backslash right before the "}" is not part of the text.
bool TemplateExpander::ScanTag(size_t pos, size_t* end) {
  size_t open = pos;
  if (in_[open] == '\\') {
    if (open + 1 >= in_size_ || in_[open + 1] != '{') return false;
    ++open;
  } else if (in_[open] != '{') {
    return false;
  }
  size_t limit = pos + kMaxTagText;  // the "}" may be at most here - 1
  if (limit > in_size_) limit = in_size_;
  size_t close = open + 1;
  while (close < limit && in_[close] != '}') {
    if (in_[close] == '{') return false;
    ++close;
  }
  if (close >= limit) return false;
  size_t text_end = close;
  if (text_end > open + 1 && in_[text_end - 1] == '\\') --text_end;
  tag_text_ = std::string_view(in_ + open + 1, text_end - (open + 1));
  tag_is_raw_ = open == pos && text_end == close;
  *end = close + 1;
  return true;
}

// The next position at or after `pos` that may start a tag. For "{" and
// for "\\" the engine remembers where the next one is and from where on it
// knows there is none before it, so the input is searched once, however
// often loops jump back.
size_t TemplateExpander::SpecialAfter::Next(const char* in, size_t size, size_t pos) {
  if (at < pos) {
    const void* hit = std::memchr(in + pos, ch, size - pos);
    at = hit ? static_cast<size_t>(static_cast<const char*>(hit) - in) : size;
    clean_from = pos;
  }
  return at;
}

void TemplateExpander::SpecialAfter::Rewind(const char* in, size_t pos) {
  if (pos >= clean_from) return;
  const void* hit = std::memchr(in + pos, ch, clean_from - pos);
  if (hit) at = static_cast<size_t>(static_cast<const char*>(hit) - in);
  clean_from = pos;
}

size_t TemplateExpander::NextSpecial(size_t pos) {
  size_t brace = brace_.Next(in_, in_size_, pos);
  size_t backslash = backslash_.Next(in_, in_size_, pos);
  return brace < backslash ? brace : backslash;
}

void TemplateExpander::Rewind(size_t pos) {
  brace_.Rewind(in_, pos);
  backslash_.Rewind(in_, pos);
}

void TemplateExpander::write_text(std::string_view text) {
  if (!output_on_ || out_ == nullptr) return;
  Put(text.data(), text.size());
}

void TemplateExpander::write_lines(std::string_view text, int first, int last) {
  if (!output_on_ || out_ == nullptr || text.empty()) return;
  static constexpr char kTab[] = "&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;";
  int line = 1;
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && !full_) {
    // Copy a run of ordinary bytes at once.
    size_t run = i;
    while (run < n && text[run] != '\n' && text[run] != '\t') ++run;
    if (run > i) {
      if (line >= first) Put(text.data() + i, run - i);
      i = run;
      continue;
    }
    char c = text[i++];
    if (c == '\n') {
      ++line;
      if (line > last) return;
      if (line >= first) Put("<br>", 4);
    } else if (line >= first) {  // tab
      Put(kTab, sizeof(kTab) - 1);
    }
  }
}

size_t TemplateExpander::expand(const char* input, size_t size, char* output, size_t capacity) {
  in_ = input;
  in_size_ = size;
  out_ = output;
  written_ = 0;
  full_ = false;
  output_on_ = true;
  loop_count_ = 0;
  tag_text_ = std::string_view();
  tag_is_raw_ = false;
  args_[0].clear();
  args_[1].clear();
  if (capacity == 0 || output == nullptr) {
    out_ = nullptr;
    return 0;
  }
  room_ = capacity - 1;
  brace_ = SpecialAfter{'{'};
  backslash_ = SpecialAfter{'\\'};
  for (TagMemo& m : memos_) m.pos = kNoPosition;
  memo_ = nullptr;

  size_t pos = 0;
  while (pos < size && written_ < room_) {
    char c = input[pos];
    size_t end = 0;
    if ((c == '{' || c == '\\') && TagAt(pos, &end)) {
      int action = on_tag();
      memo_ = nullptr;
      pos = end;
      switch (action) {
        case kActionContinue:
          break;
        case kActionOpenLoop:
          if (loop_count_ < kLoopDepth) loops_[loop_count_++] = pos;
          break;
        case kActionCloseLoop:
          if (loop_count_ > 0) --loop_count_;
          break;
        case kActionRepeat:
          if (loop_count_ > 0) {
            pos = loops_[loop_count_ - 1];
            Rewind(pos);
          }
          break;
        case kActionOutputOff:
          output_on_ = false;
          break;
        case kActionOutputOn:
          output_on_ = true;
          break;
        default:
          output_on_ = true;
          if (tag_is_raw_) {
            Put(tag_text_.data() - 1, tag_text_.size() + 2);
          } else {
            Put("{", 1);
            Put(tag_text_.data(), tag_text_.size());
            Put("}", 1);
          }
          break;
      }
      continue;
    }
    if (c == '{' || c == '\\') {
      // Not a tag here: the one character goes through and the rest of the
      // run is scanned again.
      if (output_on_) Put(&c, 1);
      ++pos;
      continue;
    }
    // Plain text up to the next character that may start a tag.
    size_t run = NextSpecial(pos + 1);
    if (output_on_) Put(input + pos, run - pos);
    pos = run;
  }
  output[written_] = '\0';
  memo_ = nullptr;
  return written_;
}

}  // namespace quillet
