// ReportExpander: the report hook. Fills a theme's tags from one topic and
// its notes, pictures, sketches and references.
//
// Tags work inside blocks: the document (1), a notes loop (2), a references
// loop (3) and a pictures loop (4); the block stack says which one is open.
// Outside handheld order each loop lists every eligible child of its kind;
// in handheld order (HANDHELD_ORDER_BEGIN .. END) the children are walked in
// their stored order, each pass writing a run of one kind in its block.
//
// Every text that comes from a record or from the settings is written with
// its '&', '<', '>' and '"' as character references (and an '=' that the
// theme's next character could complete into an attribute as "&#61;"), so
// a note or a field can never add markup or attributes to the report, and
// the expander remembers where in the output each such text lies, so that
// post-processing and the reference scan act on the theme's own values
// only (record text never makes the builder copy or attach a file). Texts
// from the theme itself, the colour arguments, go through unchanged.
//
// One object lives as long as the program; the colour slots keep their
// contents from one report to the next. Not re-entrant.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "reports/ReportSource.h"
#include "reports/TemplateExpander.h"

namespace quillet {

enum BlockKind : int {
  kBlockNone = 0,
  kBlockDocument = 1,
  kBlockNotes = 2,
  kBlockReferences = 3,
  kBlockImages = 4,
};

// The label a reference row shows for field `field` (1-8) of a reference of
// `customType` (-1 .. -6); "" when that cell of the table is empty.
const char* ReferenceFieldLabel(int32_t customType, int field);

// `text` with '&', '<', '>' and '"' written as character references, and
// an '=' at its end or before a line feed as "&#61;" (what follows it in
// the report is the theme's, which could make it open an attribute).
std::string EscapeRecordText(std::string_view text);
void AppendEscaped(std::string* out, std::string_view text);

class ReportExpander : public TemplateExpander {
 public:
  static constexpr int kBlockDepth = 10;
  static constexpr size_t kColourMax = 8191;

  ReportExpander() = default;
  ~ReportExpander() override;

  int on_tag() override;
  void on_expand_begin() override { record_spans_.clear(); }

  // Where the last expansion wrote texts from records and settings, in
  // order, not overlapping. Picture names made by the expander are not
  // among them.
  const std::vector<TextSpan>& recordSpans() const { return record_spans_; }

  // Where records come from and where picture files go (not owned).
  void SetSource(IReportSource* source, IImageWriter* images);
  void SetConfig(const ReportConfig& config);
  const ReportConfig& config() const { return config_; }

  // Makes the topic with this id the current one and takes a snapshot of
  // its eligible children. False (and no current topic) when there is no
  // such topic.
  bool SetCurrentTopic(uint32_t topicId);
  void ClearCurrentTopic();
  bool HasCurrentTopic() const { return has_topic_; }

  // Block stack: pushes beyond kBlockDepth are ignored; pop and top give
  // kBlockNone when it is empty.
  void PushBlock(int kind);
  int PopBlock();
  int TopBlock() const;
  void ClearBlocks() { block_count_ = 0; }

  const std::string& colour(int slot) const { return colours_[slot == 1 ? 0 : 1]; }

 private:
  enum Slot { kNotes = 0, kImages = 1, kReferences = 2 };
  struct Child {
    uint32_t id;
    int slot;
  };
  struct KindState {
    int index = -1;  // position of the current item in children_, -1 = none
    int position = 0;
  };

  int DocumentTag(int code);
  int NotesTag(int code);
  int ReferencesTag(int code);
  int ImagesTag(int code);

  void StartKind(int slot);
  void NextItem(int slot);
  void AdvanceChild();
  bool HasCurrent(int slot) const { return kinds_[slot].index >= 0; }
  uint32_t CurrentId(int slot) const { return children_[kinds_[slot].index].id; }
  void WritePosition(int slot);
  void WriteReferenceRow(int field);
  void WriteImageSource();
  // Write texts from records and settings, remembering where they went.
  void WriteRecordText(std::string_view text);
  void WriteRecordLines(std::string_view text, int first, int last);
  void MarkRecordText(size_t from);
  bool OutputFileExists(const std::string& name);
  void CloseOutputFolder();
  // `text` escaped; the text itself when it needs nothing, else a view of
  // scratch_ (valid until the next use).
  std::string_view Escaped(std::string_view text);

  IReportSource* source_ = nullptr;
  IImageWriter* images_ = nullptr;
  ReportConfig config_;

  bool has_topic_ = false;
  uint32_t topic_id_ = 0;
  ReportTopic topic_;
  std::vector<Child> children_;  // eligible children in stored order

  KindState kinds_[3];
  bool handheld_ = false;
  int child_ = -1;       // handheld order: the current child
  int pass_start_ = -1;  // handheld order: the child the current pass began at

  int blocks_[kBlockDepth] = {};
  int block_count_ = 0;

  std::string colours_[2];
  int output_fd_ = -1;  // the output folder, opened at the first picture of a report
  bool output_fd_tried_ = false;
  std::string scratch_;  // escaped texts, reused
  std::string row_;      // a reference row, reused
  ReportReference reference_;  // the reference a row is made from
  std::vector<TextSpan> record_spans_;
};

}  // namespace quillet
