// The "Topic Details" window's logic: what its dialog shows, the pending
// new topic, and OK and Cancel. The Qt dialog only mirrors View and hands
// back what the person typed and chose.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "desktop/records/Categories.h"
#include "desktop/records/RecordCommit.h"

namespace quillet {

class CTopicLinksRecord;
class CTopicRecord;

class CTopicEditor : public CRecordCommit {
 public:
  struct View {
    CpText title;                         // with carriage return + line feed
    std::vector<CategoryEntry> categories;
    int selected = 0;                     // position in `categories`
    int okStringId = 0;                   // 115 "Add" or 122 "Update"
    CpText author;                        // the user's "Author"
  };

  CTopicEditor();
  ~CTopicEditor() override;

  const View& view() const { return view_; }
  bool isNew() const { return is_new_; }
  // The topic shown (0 when none); for a new topic its pending id.
  uint32_t topicId() const;
  const CTopicRecord* pendingTopic() const { return pending_topic_.get(); }
  const CTopicLinksRecord* pendingLinks() const { return pending_links_.get(); }

  // Not new, no topic, empty title, the categories with the first chosen,
  // OK reading "Add". A pending topic is deleted first.
  void Clear();
  // The topic of `topicId`; false (and cleared) when there is no such topic.
  bool ShowTopic(uint32_t topicId);
  // A pending topic and links record pointing at each other, the topic
  // with a generated page name; the main list's category preselected.
  void NewTopic();
  // The person chose the category at `position` of the list.
  void ChooseCategory(int position) { view_.selected = position; }
  // The category lists changed: refilled, keeping the chosen category.
  void RefillCategories();
  // Reloads after the store was reopened (a user switch): the topic shown
  // may not exist any more.
  void Refresh();

  // OK with what the dialog holds.
  bool Ok(const CpText& typedTitle, int categoryPosition);
  // OK for the HotSync notifier: no message, no command (RunOkQuietly).
  bool OkQuietly(const CpText& typedTitle, int categoryPosition);
  void Cancel() { RunCancel(); }
  // The mode changed or the program ends: the pending topic and links
  // record are deleted ("Unused Topic Record Deleted"). True when there
  // were some.
  bool DiscardPending();
  void FollowRenumbered(const std::vector<RecordIdChange>& changes) override;

 protected:
  void ReadTexts() override;
  bool AddOrUpdate() override;
  void AfterSave() override;
  void ClearWindow() override { Clear(); }
  void DeletePending() override;
  uint32_t CancelCommand() const override;
  bool TypedTextsFit() const override;
  void ShowSaved() override;

 private:
  void FillCategories(int64_t selectData);
  static CpText ReadAuthor();

  View view_;
  bool is_new_ = false;
  uint32_t topic_id_ = 0;  // the topic shown; looked up again when needed
  std::unique_ptr<CTopicRecord> pending_topic_;
  std::unique_ptr<CTopicLinksRecord> pending_links_;
  // What OK was given, between ReadTexts and AddOrUpdate.
  CpText typed_title_;
  int typed_position_ = 0;
  CpText title_;
  uint32_t category_id_ = 0;
};

}  // namespace quillet
