#include "reports/TemplateExpander.h"

#include <cstring>

namespace quillet {

TemplateExpander::~TemplateExpander() = default;

int TemplateExpander::on_tag() { return kActionContinue; }

int TemplateExpander::lookup_tag() {
  args_[0].clear();
  args_[1].clear();
  // Same result as matching every table entry in order, without doing so
  // for every tag of a large theme (see LookupTagCode).
  return LookupTagCode(tag_text_.c_str(), args_);
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
  tag_text_.assign(in_ + open + 1, text_end - (open + 1));
  *end = close + 1;
  return true;
}

void TemplateExpander::Put(const char* bytes, size_t count) {
  size_t left = room_ - written_;
  if (count > left) {
    count = left;
    full_ = true;
  }
  std::memcpy(out_ + written_, bytes, count);
  written_ += count;
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
  tag_text_.clear();
  args_[0].clear();
  args_[1].clear();
  if (capacity == 0 || output == nullptr) {
    out_ = nullptr;
    return 0;
  }
  room_ = capacity - 1;

  size_t pos = 0;
  while (pos < size && written_ < room_) {
    char c = input[pos];
    size_t end = 0;
    if ((c == '{' || c == '\\') && ScanTag(pos, &end)) {
      int action = on_tag();
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
          if (loop_count_ > 0) pos = loops_[loop_count_ - 1];
          break;
        case kActionOutputOff:
          output_on_ = false;
          break;
        case kActionOutputOn:
          output_on_ = true;
          break;
        default:
          output_on_ = true;
          Put("{", 1);
          Put(tag_text_.data(), tag_text_.size());
          Put("}", 1);
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
    size_t run = pos + 1;
    while (run < size && input[run] != '{' && input[run] != '\\') ++run;
    if (output_on_) Put(input + pos, run - pos);
    pos = run;
  }
  output[written_] = '\0';
  return written_;
}

}  // namespace quillet
