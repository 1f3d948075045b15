#include "reports/ReportExpander.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "platform/files/SafeFiles.h"
#include "reports/ByteScan.h"
#include "reports/ReportPaths.h"
#include "store/RecordFacts.h"
#include "store/ShownTitle.h"

namespace quillet {
namespace {

constexpr size_t kAuthorMax = 256;
constexpr size_t kImageTitleMax = 8192;
constexpr int kLastLine = 10000;

std::string_view Cut(std::string_view text, size_t limit) {
  return text.size() > limit ? text.substr(0, limit) : text;
}

int SlotOfKind(int kind) {
  switch (kind) {
    case kReportKindNote: return 0;
    case kReportKindImage: return 1;
    case kReportKindReference: return 2;
    default: return -1;
  }
}

}  // namespace

const char* ReferenceFieldLabel(int32_t customType, int field) {
  if (field < 1) return "";
  return ReferenceFieldLabelOf(customType, static_cast<size_t>(field - 1));
}

namespace {


size_t FindEscape(std::string_view text, size_t from) {
  return FindFirstOf<'&', '<', '>', '"', '='>(text.data(), from, text.size());
}

// An '=' is written as it is unless it ends the text or a line: there the
// next byte of the report is the theme's, and a theme's '"' after it would
// make "src=" at the end of a URL or a line the start of an attribute value.
bool EqualsNeedsEscape(std::string_view text, size_t at) {
  return at + 1 == text.size() || text[at + 1] == '\n';
}

}  // namespace

void AppendEscaped(std::string* out, std::string_view text) {
  size_t start = 0;
  while (start < text.size()) {
    size_t hit = FindEscape(text, start);
    out->append(text, start, hit - start);
    if (hit == text.size()) break;
    switch (text[hit]) {
      case '&': *out += "&amp;"; break;
      case '<': *out += "&lt;"; break;
      case '>': *out += "&gt;"; break;
      case '=': *out += EqualsNeedsEscape(text, hit) ? "&#61;" : "="; break;
      default: *out += "&quot;"; break;
    }
    start = hit + 1;
  }
}

std::string EscapeRecordText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendEscaped(&out, text);
  return out;
}

std::string_view ReportExpander::Escaped(std::string_view text) {
  // Most texts need nothing; an '=' inside a line is common (URLs) and is
  // left as it is.
  size_t hit = FindEscape(text, 0);
  while (hit < text.size() && text[hit] == '=' && !EqualsNeedsEscape(text, hit))
    hit = FindEscape(text, hit + 1);
  if (hit == text.size()) return text;
  scratch_.clear();
  AppendEscaped(&scratch_, text);
  return scratch_;
}

ReportExpander::~ReportExpander() { CloseOutputFolder(); }

void ReportExpander::SetConfig(const ReportConfig& config) {
  config_ = config;
  CloseOutputFolder();
}

void ReportExpander::SetSource(IReportSource* source, IImageWriter* images) {
  source_ = source;
  images_ = images;
}

bool ReportExpander::SetCurrentTopic(uint32_t topicId) {
  ClearCurrentTopic();
  if (source_ == nullptr || !source_->Topic(topicId, &topic_)) return false;
  has_topic_ = true;
  topic_id_ = topicId;
  // Which children a report may show cannot change while it is made, so
  // they are looked up once instead of at every step of every loop.
  bool show_private = source_->ShowPrivate();
  children_.reserve(topic_.memberIds.size());
  for (uint32_t id : topic_.memberIds) {
    int kind = 0;
    bool is_private = false;
    if (!source_->Member(id, &kind, &is_private)) continue;
    if (is_private && !show_private) continue;
    int slot = SlotOfKind(kind);
    if (slot >= 0) children_.push_back({id, slot});
  }
  return true;
}

void ReportExpander::ClearCurrentTopic() {
  CloseOutputFolder();
  has_topic_ = false;
  topic_id_ = 0;
  topic_ = ReportTopic();
  children_.clear();
  for (KindState& k : kinds_) k = KindState();
  handheld_ = false;
  child_ = -1;
  pass_start_ = -1;
}

void ReportExpander::PushBlock(int kind) {
  if (block_count_ < kBlockDepth) blocks_[block_count_++] = kind;
}

int ReportExpander::PopBlock() { return block_count_ > 0 ? blocks_[--block_count_] : kBlockNone; }

int ReportExpander::TopBlock() const { return block_count_ > 0 ? blocks_[block_count_ - 1] : kBlockNone; }

// Normal order: search on from the kind's index. Handheld order: only a
// kind that holds the current child moves, and it moves the whole walk.
void ReportExpander::NextItem(int slot) {
  KindState& k = kinds_[slot];
  if (!handheld_) {
    for (size_t i = static_cast<size_t>(k.index + 1); i < children_.size(); ++i) {
      if (children_[i].slot == slot) {
        k.index = static_cast<int>(i);
        ++k.position;
        return;
      }
    }
    k.index = -1;
    return;
  }
  if (k.index < 0) return;
  AdvanceChild();
  if (kinds_[slot].index >= 0) ++kinds_[slot].position;
}

void ReportExpander::StartKind(int slot) {
  KindState& k = kinds_[slot];
  if (handheld_ && k.index >= 0) {
    k.position = 1;
    return;
  }
  k.index = -1;
  k.position = 0;
  NextItem(slot);
  if (!handheld_ && k.index >= 0) k.position = 1;
}

void ReportExpander::AdvanceChild() {
  for (KindState& k : kinds_) k.index = -1;
  size_t next = static_cast<size_t>(child_ + 1);
  if (next < children_.size()) {
    child_ = static_cast<int>(next);
    kinds_[children_[next].slot].index = child_;
  } else {
    child_ = -1;
  }
}

void ReportExpander::WritePosition(int slot) {
  if (HasCurrent(slot)) write_text(std::to_string(kinds_[slot].position));
}

int ReportExpander::on_tag() {
  if (!has_topic_) return kActionNotHandled;
  int code = lookup_tag();
  switch (code) {
    case kTagNone:
      return kActionNotHandled;
    case kTagTitle:
      WriteRecordLines(Escaped(Cut(ShownTitle(topic_.title).bytes(), kTitleLimit)), 1, 1);
      return kActionContinue;
    case kTagCategory:
      if (topic_.categoryId != 0 && source_ != nullptr) {
        std::string name = source_->CategoryName(topic_.categoryId);
        if (!name.empty()) WriteRecordText(Escaped(Cut(name, kCategoryNameShownLimit)));
      }
      write_text(" ");
      return kActionContinue;
    case kTagAuthor:
    case kTagAuthorTitle:
    case kTagAuthorEmail:
    case kTagAuthorPhone: {
      const std::string& value = code == kTagAuthor        ? config_.author
                                 : code == kTagAuthorTitle ? config_.authorTitle
                                 : code == kTagAuthorEmail ? config_.authorEmail
                                                           : config_.authorPhone;
      WriteRecordText(Escaped(Cut(value, kAuthorMax)));
      write_text(" ");
      return kActionContinue;
    }
    case kTagSetColor1:
    case kTagSetColor2:
      colours_[code == kTagSetColor1 ? 0 : 1] = std::string(Cut(argument(0), kColourMax));
      return kActionContinue;
    case kTagColor1:
      write_text(colours_[0]);
      return kActionContinue;
    case kTagColor2:
      write_text(colours_[1]);
      return kActionContinue;
    case kTagSwapColors:
      colours_[0].swap(colours_[1]);
      return kActionContinue;
    default:
      break;
  }
  switch (TopBlock()) {
    case kBlockNone: return kActionContinue;
    case kBlockDocument: return DocumentTag(code);
    case kBlockNotes: return NotesTag(code);
    case kBlockReferences: return ReferencesTag(code);
    case kBlockImages: return ImagesTag(code);
    default: return kActionNotHandled;
  }
}

int ReportExpander::DocumentTag(int code) {
  switch (code) {
    case kTagHandheldOrderBegin:
      // A BEGIN reached again while its walk is still going (a theme that
      // jumps back over it) must not restart the walk, or the loop would
      // never end.
      if (!handheld_) {
        handheld_ = true;
        for (KindState& k : kinds_) k = KindState();
        child_ = -1;
        AdvanceChild();
      }
      pass_start_ = child_;
      return kActionOpenLoop;
    case kTagHandheldOrderEnd:
      // A child that no block took during this pass (the theme has no block
      // for its kind) is stepped over, so every pass makes progress.
      if (handheld_ && child_ >= 0 && child_ == pass_start_) AdvanceChild();
      if (handheld_ && child_ >= 0) {
        pass_start_ = child_;
        return kActionRepeat;
      }
      handheld_ = false;
      child_ = -1;
      return kActionCloseLoop;
    case kTagNotesProlog:
      StartKind(kNotes);
      return HasCurrent(kNotes) ? kActionContinue : kActionOutputOff;
    case kTagNotesBegin:
      StartKind(kNotes);
      PushBlock(kBlockNotes);
      return kActionOpenLoop;
    case kTagImagesProlog:
      StartKind(kImages);
      return HasCurrent(kImages) ? kActionContinue : kActionOutputOff;
    case kTagImagesBegin:
      StartKind(kImages);
      PushBlock(kBlockImages);
      return kActionOpenLoop;
    case kTagCustomProlog:
      StartKind(kReferences);
      return HasCurrent(kReferences) ? kActionContinue : kActionOutputOff;
    case kTagCustomBegin:
      StartKind(kReferences);
      PushBlock(kBlockReferences);
      return kActionOpenLoop;
    case kTagNotesEpilog:
    case kTagImagesEpilog:
    case kTagCustomEpilog:
      return kActionOutputOn;
    default:
      return kActionNotHandled;
  }
}

int ReportExpander::NotesTag(int code) {
  switch (code) {
    case kTagCount:
      WritePosition(kNotes);
      return kActionContinue;
    case kTagNote:
      if (HasCurrent(kNotes)) {
        WriteRecordLines(Escaped(Cut(source_->NoteText(CurrentId(kNotes)), kRecordTextLimit)), 1, kLastLine);
      } else {
        write_text(" ");
      }
      return kActionContinue;
    case kTagNoteBody:
    case kTagNoteFirstLine:
      if (HasCurrent(kNotes)) {
        // Both write the note with "<br><br>" appended, from line 1 to 1 or
        // from line 2 on; only the part a tag writes is escaped. The rest of
        // a note starts with the line feed that opens line 2, so counting
        // lines in it gives the same numbers.
        std::string_view text = Cut(source_->NoteText(CurrentId(kNotes)), kRecordTextLimit);
        size_t lf = text.find('\n');
        scratch_.clear();
        if (code == kTagNoteFirstLine) {
          AppendEscaped(&scratch_, lf == std::string_view::npos ? text : text.substr(0, lf));
          if (lf == std::string_view::npos) scratch_ += "<br><br>";
          WriteRecordLines(scratch_, 1, 1);
        } else if (lf != std::string_view::npos) {
          AppendEscaped(&scratch_, text.substr(lf));
          scratch_ += "<br><br>";
          WriteRecordLines(scratch_, 2, kLastLine);
        }
      }
      return kActionContinue;
    case kTagNotesEnd:
      NextItem(kNotes);
      if (HasCurrent(kNotes)) return kActionRepeat;
      PopBlock();
      return kActionCloseLoop;
    default:
      return kActionNotHandled;
  }
}

int ReportExpander::ReferencesTag(int code) {
  if (code >= kTagCustom1 && code <= kTagCustom8) {
    if (HasCurrent(kReferences))
      WriteReferenceRow(code - kTagCustom1 + 1);
    else
      write_text(" ");
    return kActionContinue;
  }
  switch (code) {
    case kTagCount:
      WritePosition(kReferences);
      return kActionContinue;
    case kTagCustomEnd:
      NextItem(kReferences);
      if (HasCurrent(kReferences)) return kActionRepeat;
      PopBlock();
      return kActionCloseLoop;
    default:
      return kActionNotHandled;
  }
}

int ReportExpander::ImagesTag(int code) {
  switch (code) {
    case kTagCount:
      WritePosition(kImages);
      return kActionContinue;
    case kTagImageTitle:
      if (HasCurrent(kImages)) {
        ReportImage image;
        if (source_->Image(CurrentId(kImages), &image))
          WriteRecordText(Escaped(Cut(image.title, kImageTitleMax)));
      }
      write_text(" ");
      return kActionContinue;
    case kTagImageSrc:
      if (HasCurrent(kImages)) WriteImageSource();
      return kActionContinue;
    case kTagImagesEnd:
      NextItem(kImages);
      if (HasCurrent(kImages)) return kActionRepeat;
      PopBlock();
      return kActionCloseLoop;
    default:
      return kActionNotHandled;
  }
}

// One row of a reference: a one-row table with the field's label and its
// value. The row is assembled in a string sized to fit, so an Internet URL,
// which stands in its row twice, is never cut.
void ReportExpander::WriteReferenceRow(int field) {
  ReportReference& ref = reference_;  // its storage is reused row to row
  ref.customType = 0;
  ref.fields.clear();
  if (!source_->Reference(CurrentId(kReferences), &ref)) return;
  if (ref.fields.size() < static_cast<size_t>(field)) return;
  std::string_view raw = ref.fields[field - 1];
  if (raw.empty()) return;
  // Escaping also keeps a '"' in a URL from ending its href attribute.
  std::string_view value = Escaped(Cut(raw, kRecordTextLimit));

  std::string& row = row_;
  row.clear();
  const char* label = ReferenceFieldLabel(ref.customType, field);
  if (label[0] != '\0') {
    row += "<table border=0><tr><td valign=top width=100>";
    row += label;
    row += ":&nbsp;</td>";
  }
  if (ref.customType == kCustomInternet && static_cast<size_t>(field) == reffields::web::kUrl + 1) {
    row += "<td><b><a href=\"";
    row += value;
    row += "\">";
    row += value;
    row += "</a></td></tr></table><br>";
  } else {
    row += "<td><b>";
    row += value;
    row += field == 8 ? "</b></td></tr></table>" : "</b></td></tr></table><br>";
  }
  // The whole row counts as record text: nothing in it is the theme's.
  WriteRecordLines(row, 1, kLastLine);
}

void ReportExpander::MarkRecordText(size_t from) {
  const size_t to = written();
  if (to <= from) return;
  if (!record_spans_.empty() && record_spans_.back().end == from)
    record_spans_.back().end = to;
  else
    record_spans_.push_back({from, to});
}

void ReportExpander::WriteRecordText(std::string_view text) {
  const size_t from = written();
  write_text(text);
  MarkRecordText(from);
}

void ReportExpander::WriteRecordLines(std::string_view text, int first, int last) {
  const size_t from = written();
  write_lines(text, first, last);
  MarkRecordText(from);
}

// Asked for every picture of a report: relative to the output folder opened
// once per report, which spares the walk along the whole path. Only a
// regular file of that name counts: a link planted there is no picture of
// ours, and is replaced when the picture is written.
bool ReportExpander::OutputFileExists(const std::string& name) {
  if (output_fd_ < 0 && !output_fd_tried_) {
    output_fd_tried_ = true;
    output_fd_ = ::open(config_.outputPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  }
  struct stat st;
  if (output_fd_ >= 0)
    return ::fstatat(output_fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode);
  return IsOwnRegularFile(WithSlash(config_.outputPath) + name);
}

void ReportExpander::CloseOutputFolder() {
  if (output_fd_ >= 0) ::close(output_fd_);
  output_fd_ = -1;
  output_fd_tried_ = false;
}

// The picture's file must exist in the output folder before the report
// refers to it. The name stored with the record is used only when it can
// mean nothing but a file in that folder, however the page is read; any
// other gets a fresh name. The file takes the name's file-system form and
// the page refers to it percent-encoded, so accented names show.
void ReportExpander::WriteImageSource() {
  uint32_t id = CurrentId(kImages);
  ReportImage image;
  if (!source_->Image(id, &image)) return;
  std::string name(image.fileName);
  if (!IsPlainFileName(name)) {
    name = FreshFileName(config_.outputPath, ".jpg");
    source_->SetFileName(id, name, true);
    if (!source_->Image(id, &image)) return;
  }
  if (!config_.outputPath.empty() && images_ != nullptr) {
    const std::string disk = OutputFileName(name);
    std::string path = WithSlash(config_.outputPath) + disk;
    if (image.format == kImageFormatJpeg) {
      if (images_->ChecksFreshness() || !OutputFileExists(disk))
        images_->WriteJpeg(path, image.width, image.height, image.data, image.dataSize);
    } else if (image.format == kImageFormatSketch) {
      images_->WriteSketch(image.data, image.dataSize, path);
    }
  }
  write_text(PageReference(name));
}

}  // namespace quillet
