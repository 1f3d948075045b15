// TemplateExpander: copies a theme into an output buffer and hands every
// brace tag it finds to a hook.
//
// The engine knows nothing of topics or notes. It recognises tags, keeps the
// output switch and a small stack of loop positions, and applies the action
// the hook answers for each tag. Subclasses (the report hook) look the tag up
// with lookup_tag() and write through write_text() and write_lines(), which
// never write past the output's capacity, whatever the tag.
//
// One object is long-lived and reused from run to run; each expand() starts
// with output on and an empty loop stack. Not re-entrant.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "reports/TagTable.h"

namespace quillet {

// What on_tag() answers.
enum TagAction : int {
  kActionContinue = 0,
  kActionOpenLoop = 1,   // push the position after this tag
  kActionCloseLoop = 2,  // pop the loop stack
  kActionRepeat = 3,     // continue at the position on top of the loop stack
  kActionOutputOff = 4,
  kActionOutputOn = 5,
  kActionNotHandled = -1,  // output on, the tag copied through as written
};

class TemplateExpander {
 public:
  static constexpr int kLoopDepth = 10;

  TemplateExpander() = default;
  // The hook. The base engine answers kActionContinue for every tag, so on
  // its own it deletes every brace run it recognises as a tag.
  virtual int on_tag();
  // Called as every expand() starts, before anything is written.
  virtual void on_expand_begin() {}
  virtual ~TemplateExpander();

  TemplateExpander(const TemplateExpander&) = delete;
  TemplateExpander& operator=(const TemplateExpander&) = delete;

  // Expands `size` bytes of `input` into `output`, which holds `capacity`
  // bytes. Writes at most capacity - 1 bytes of text and then one zero byte
  // (nothing at all when capacity is 0). Returns the text's length.
  size_t expand(const char* input, size_t size, char* output, size_t capacity);

  // The code of the current tag text, or kTagNone; fills the arguments.
  int lookup_tag();

  // Appends `text` unchanged while output is on.
  void write_text(std::string_view text);
  // Appends lines first..last (counted from 1) of `text` as HTML while output
  // is on: a tab becomes eight "&nbsp;", a line feed "<br>", every other byte
  // is written unchanged. A range starting above line 1 begins with the
  // "<br>" of the line feed that opens it.
  void write_lines(std::string_view text, int first, int last);

  // The text between the braces of the tag being handled (valid during
  // on_tag).
  std::string_view tag_text() const { return tag_text_; }
  // Argument 0 or 1 of the last lookup_tag().
  const std::string& argument(int index) const { return args_[index == 0 ? 0 : 1]; }
  bool output_on() const { return output_on_; }
  // Bytes written so far in this run.
  size_t written() const { return written_; }
  // True once a write was cut short because the output was full.
  bool output_full() const { return full_; }

 private:
  static constexpr int kCodeUnknown = -2;
  // Where a tag starts in the input, where it ends (just after its "}"),
  // where its text lies, and its code once looked up.
  struct TagSite {
    size_t pos = 0;
    size_t end = 0;
    size_t text_begin = 0;
    size_t text_size = 0;
    bool raw = false;  // the input from "{" to "}" is "{" + tag text + "}"
    int code = kCodeUnknown;
  };

  void IndexTags();
  bool ScanTag(size_t pos, TagSite* site) const;
  // The first site at or after `pos`, from `from` on.
  size_t SiteAtOrAfter(size_t pos, size_t from) const;
  void Put(const char* bytes, size_t count) {
    size_t left = room_ - written_;
    if (count > left) {
      count = left;
      full_ = true;
    }
    CopyBytes(out_ + written_, bytes, count);
    written_ += count;
  }
  // Most pieces of a report are a few bytes (a tag's value, the text
  // between two tags); these are copied with fixed-size moves that touch
  // only the bytes in range, the rest by memcpy.
  static void CopyBytes(char* to, const char* from, size_t n) {
    if (n > 16) {
      std::memcpy(to, from, n);
    } else if (n >= 8) {
      uint64_t a, b;
      std::memcpy(&a, from, 8);
      std::memcpy(&b, from + n - 8, 8);
      std::memcpy(to, &a, 8);
      std::memcpy(to + n - 8, &b, 8);
    } else if (n >= 4) {
      uint32_t a, b;
      std::memcpy(&a, from, 4);
      std::memcpy(&b, from + n - 4, 4);
      std::memcpy(to, &a, 4);
      std::memcpy(to + n - 4, &b, 4);
    } else if (n > 0) {
      to[0] = from[0];
      to[n / 2] = from[n / 2];
      to[n - 1] = from[n - 1];
    }
  }

  const char* in_ = nullptr;
  size_t in_size_ = 0;
  char* out_ = nullptr;
  size_t room_ = 0;  // capacity - 1: the last byte is kept for the terminator
  size_t written_ = 0;
  bool full_ = false;
  bool output_on_ = true;
  std::string_view tag_text_;
  bool tag_is_raw_ = false;
  std::string args_[2];

  // Every position of the input where a tag starts, in order. Recognising a
  // tag depends on the input alone, so the sites are found once per theme
  // text and kept while the same text is expanded again (a report is made
  // from the same theme over and over; comparing the bytes costs far less
  // than finding and looking up tens of thousands of tags).
  std::vector<TagSite> sites_;
  std::string indexed_;  // the input the sites belong to
  TagSite* site_ = nullptr;  // the tag being handled

  size_t loops_[kLoopDepth] = {};
  size_t loop_sites_[kLoopDepth] = {};  // the first site after each loop's start
  int loop_count_ = 0;
};

}  // namespace quillet
