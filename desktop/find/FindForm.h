// The find window's form without any window: what its controls hold, what
// Find, Cancel and the reset do to the engine, and the lines the result
// list shows.
//
// One form serves the find window and the find result list together: the
// window edits it and presses its buttons, the list reads its lines. The
// enabled kinds and the results live from one Find to the next.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "store/find/FindEngine.h"

namespace quillet {

class CRecordStore;

// Texts typed into the search field are read into an 8192-byte buffer.
inline constexpr size_t kSearchTextMax = 8191;

// Picture numbers of the result list's items.
inline constexpr int kFindIconTopic = 500;
inline constexpr int kFindIconReference = 199;
inline constexpr int kFindIconNote = 513;
inline constexpr int kFindIconSketch = 516;
inline constexpr int kFindIconImage = 362;
inline constexpr int kFindIconNothing = 308;

// The command the form's Cancel sends to the main window (the start page).
inline constexpr uint32_t kFindCancelCommand = 3037;

// One line of the result list.
struct FindListLine {
  CpText text;
  uint32_t recordId;    // 0 for the "nothing found" line
  int iconId;
};

class CFindForm {
 public:
  // The engine's log and debug lines go to `log` and `debug`; by default
  // to the diagnostic log and its debug channel (made only while that
  // channel takes them).
  CFindForm();
  CFindForm(CFindEngine::LineSink log, CFindEngine::LineSink debug,
            CFindEngine::Wanted debug_wanted = nullptr);
  ~CFindForm();
  CFindForm(const CFindForm&) = delete;
  CFindForm& operator=(const CFindForm&) = delete;

  // --- The controls ---
  // What the search field hands over: at most kSearchTextMax bytes.
  void SetSearchText(const CpText& typed);
  const CpText& searchText() const { return text_; }
  // The rule buttons are radio buttons: checking one unchecks the others.
  void CheckRule(int rule);
  bool RuleChecked(int rule) const;
  // The rule the buttons say: ALL when its button is checked, then ANY,
  // then EXACT, the last checked one winning.
  int Rule() const;
  void SetKindChecked(FindKind kind, bool checked);
  bool KindChecked(FindKind kind) const;

  // --- The buttons ---
  // Find: empties the results, enables the checked kinds (Topic, Note,
  // Image or Sketch, Reference, logged in that order) and searches `store`
  // when the text is not empty. A null store finds nothing.
  void PressFind(CRecordStore* store);
  // Cancel: empties the results and resets the form. The caller then
  // leaves the mode with kFindCancelCommand.
  void Cancel();
  // Empties the text, checks all four kinds and ANY, clears the results.
  void ResetForm();
  // Deletes every result and disables all four kinds.
  void ClearResults();
  // Whether Find was pressed since the form was last reset or cleared:
  // until then there are no results to speak of, not even none.
  bool Searched() const { return searched_; }
  // How many records the last search found.
  size_t ResultCount() const;

  // The result list's lines in the order shown: the results' fill order
  // (topics, references, notes, images, each as found) kept sorted by text,
  // ascending; "0 Records Found" alone when a search found nothing, and
  // no line at all before the first search.
  //
  // With a store, results whose record can no longer be opened (see
  // Openable) are left out: the results outlive leaving the mode, and the
  // records may be deleted or private records hidden in between.
  std::vector<FindListLine> ListLines(const CRecordStore* store = nullptr) const;
  // Whether the result list may open record `id` of `store`: the windows
  // can still show it (FoundPlaces.h): it is there and live, and neither it
  // nor every topic holding it is private while private records are hidden.
  static bool Openable(const CRecordStore* store, uint32_t id);

  // Called whenever the results change (Find, Cancel, reset), so the list
  // can be filled again. One listener; null removes it.
  void SetResultsListener(std::function<void()> listener) { listener_ = std::move(listener); }

  const CFindEngine& engine() const { return engine_; }
  // A merge renumbered records added here: the results follow their
  // records (the listener is not called; the list refills itself).
  void FollowRenumbered(const std::vector<RecordIdChange>& changes) { engine_.FollowRenumbered(changes); }

 private:
  void ResultsChanged();

  CFindEngine engine_;
  CpText text_;
  bool rule_checked_[3] = {false, true, false};  // indexed by rule number
  bool kind_checked_[4] = {true, true, true, true};
  std::function<void()> listener_;
  bool just_searched_ = false;  // while the listener runs right after a search
  bool searched_ = false;
};

// Orders lines as the result list keeps them: by text ascending, the
// letters a-z taken as A-Z, other bytes by value; equal texts stay in the
// order given.
void SortListLines(std::vector<FindListLine>* lines);

}  // namespace quillet
