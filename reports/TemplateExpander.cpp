#include "reports/TemplateExpander.h"

#include <cstring>

#include "reports/ByteScan.h"

namespace quillet {

TemplateExpander::~TemplateExpander() = default;

int TemplateExpander::on_tag() { return kActionContinue; }

int TemplateExpander::lookup_tag() {
  if (!args_[0].empty()) args_[0].clear();
  if (!args_[1].empty()) args_[1].clear();
  // A loop looks the same tags up once per item, and a theme is expanded
  // again and again: a tag without arguments keeps the code found for its
  // site.
  if (site_ != nullptr && site_->code != kCodeUnknown) return site_->code;
  // Same result as matching every table entry in order, without doing so
  // for every tag of a large theme (see LookupTagCode).
  int code = LookupTagCode(tag_text_, args_);
  if (site_ != nullptr && args_[0].empty() && args_[1].empty() &&
      tag_text_.find('(') == std::string_view::npos)
    site_->code = code;
  return code;
}

// A tag starts with "{" or with a backslash directly before "{" (editors
// that escape braces write \{TITLE\}). It runs to the first "}", holds no
// other "{", and is at most kMaxTagText characters from its first character
// through its "}". A backslash right before the "}" is not part of the text.
bool TemplateExpander::ScanTag(size_t pos, TagSite* site) const {
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
  site->pos = pos;
  site->end = close + 1;
  site->text_begin = open + 1;
  site->text_size = text_end - (open + 1);
  site->raw = open == pos && text_end == close;
  site->code = kCodeUnknown;
  return true;
}

// Finds every site of the input, unless the input is the one indexed last.
// Sites may overlap only as "\{...}" and the "{...}" inside it; the walk
// never reaches the inner one, as it jumps to the end of the outer.
void TemplateExpander::IndexTags() {
  if (indexed_.size() == in_size_ && std::memcmp(indexed_.data(), in_, in_size_) == 0) return;
  indexed_.assign(in_, in_size_);
  sites_.clear();
  auto next = [this](char ch, size_t from) {
    if (from >= in_size_) return in_size_;
    const void* hit = std::memchr(in_ + from, ch, in_size_ - from);
    return hit ? static_cast<size_t>(static_cast<const char*>(hit) - in_) : in_size_;
  };
  size_t brace = next('{', 0);
  size_t backslash = next('\\', 0);
  while (brace < in_size_ || backslash < in_size_) {
    size_t pos = brace < backslash ? brace : backslash;
    TagSite site;
    if (ScanTag(pos, &site)) sites_.push_back(site);
    if (pos == brace) brace = next('{', pos + 1);
    if (pos == backslash) backslash = next('\\', pos + 1);
  }
}

size_t TemplateExpander::SiteAtOrAfter(size_t pos, size_t from) const {
  // Usually the very next site; after a jump back to a loop, a search.
  if (from < sites_.size() && sites_[from].pos >= pos &&
      (from == 0 || sites_[from - 1].pos < pos))
    return from;
  size_t lo = 0, hi = sites_.size();
  while (lo < hi) {
    size_t mid = lo + (hi - lo) / 2;
    if (sites_[mid].pos < pos)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
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
    size_t run = FindFirstOf<'\n', '\t'>(text.data(), i, n);
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
  site_ = nullptr;
  on_expand_begin();
  if (capacity == 0 || output == nullptr) {
    out_ = nullptr;
    return 0;
  }
  room_ = capacity - 1;
  IndexTags();

  // The sites stay where they are during the run (only their codes are
  // filled in); held in locals, they need not be reloaded after every
  // write into the output.
  TagSite* const sites = sites_.data();
  const size_t site_count = sites_.size();
  size_t pos = 0;
  size_t next = 0;  // index of the first site at or after pos
  while (pos < size && written_ < room_) {
    // Usually the site the last step left `next` at.
    if (next >= site_count || sites[next].pos < pos || (next > 0 && sites[next - 1].pos >= pos))
      next = SiteAtOrAfter(pos, next);
    size_t tag_at = next < site_count ? sites[next].pos : size;
    if (tag_at > pos) {
      // Text up to the next tag, with any brace or backslash that starts
      // no tag, goes through as it is.
      if (output_on_) Put(input + pos, tag_at - pos);
      pos = tag_at;
      continue;
    }
    site_ = &sites[next];
    tag_text_ = std::string_view(input + site_->text_begin, site_->text_size);
    tag_is_raw_ = site_->raw;
    pos = site_->end;
    ++next;
    int action = on_tag();
    site_ = nullptr;
    switch (action) {
      case kActionContinue:
        break;
      case kActionOpenLoop:
        if (loop_count_ < kLoopDepth) {
          loops_[loop_count_] = pos;
          loop_sites_[loop_count_] = next;
          ++loop_count_;
        }
        break;
      case kActionCloseLoop:
        if (loop_count_ > 0) --loop_count_;
        break;
      case kActionRepeat:
        if (loop_count_ > 0) {
          pos = loops_[loop_count_ - 1];
          next = loop_sites_[loop_count_ - 1];
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
  }
  output[written_] = '\0';
  return written_;
}

}  // namespace quillet
