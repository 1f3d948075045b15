#include "desktop/records/Categories.h"

#include <strings.h>

#include <algorithm>
#include <memory>

#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/WindowHost.h"
#include "store/PrivateRecords.h"
#include "store/RecordKinds.h"

namespace quillet {
namespace {

void RefuseName() { ShowStringMessage(IDS_BAD_CATEGORY, kCaption, kMbOk | kMbIconInformation); }

CCategoryRecord* LiveCategory(uint32_t id) {
  auto* category = RecordAs<CCategoryRecord>(FindRecord(id));
  return category != nullptr && category->IsLive() ? category : nullptr;
}

// The rules without the clash with existing names.
bool AcceptableName(const CpText& name) {
  // A name of blanks only would show as an empty row nobody can pick out.
  if (name.view().find_first_not_of(' ') == std::string_view::npos) return false;
  return strcasecmp(name.c_str(), "unfiled") != 0;
}

// A live category other than `exceptId` has this name in some case.
bool OtherCategoryNamed(const CpText& name, uint32_t exceptId) {
  if (pDB == nullptr) return false;
  bool named = false;
  pDB->ForEachOfKind(kKindCategory, [&](CRecord& r) {
    auto* c = RecordAs<CCategoryRecord>(&r);
    if (c != nullptr && c->IsLive() && c->recordId != exceptId && strcasecmp(c->name.c_str(), name.c_str()) == 0)
      named = true;
  });
  return named;
}

}  // namespace

std::vector<CategoryEntry> SortedCategories() {
  struct Found {
    CpText name;
    uint32_t id;
  };
  std::vector<Found> found;
  if (pDB != nullptr) {
    pDB->ForEachOfKind(kKindCategory, [&](CRecord& r) {
      if (!r.IsLive() || HiddenPrivate(r)) return;
      if (auto* c = RecordAs<CCategoryRecord>(&r)) found.push_back({c->name, c->recordId});
    });
  }
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
    int c = strcasecmp(a.name.c_str(), b.name.c_str());
    if (c != 0) return c < 0;
    if (a.name != b.name) return a.name < b.name;
    return a.id < b.id;
  });
  std::vector<CategoryEntry> out;
  out.reserve(found.size());
  for (const Found& f : found)
    out.push_back({f.name.substr(0, kCategoryNameShownLimit), static_cast<int64_t>(f.id)});
  return out;
}

std::vector<CategoryEntry> TreeCategoryEntries() {
  std::vector<CategoryEntry> out;
  out.push_back({LoadString(IDS_ALL_CATEGORIES), -1});
  for (CategoryEntry& e : SortedCategories()) out.push_back(std::move(e));
  out.push_back({LoadString(IDS_UNFILED), 0});
  return out;
}

std::vector<CategoryEntry> TopicWindowCategoryEntries() {
  std::vector<CategoryEntry> out;
  out.push_back({LoadString(IDS_UNFILED_ITEM), 0});
  for (CategoryEntry& e : SortedCategories()) out.push_back(std::move(e));
  return out;
}

int EntryPosition(const std::vector<CategoryEntry>& entries, int64_t data) {
  for (size_t i = 0; i < entries.size(); ++i)
    if (entries[i].data == data) return static_cast<int>(i);
  return 0;
}

bool IsValidCategoryName(const CpText& name) {
  return AcceptableName(name) && !CategoryNameExists(name);
}

uint32_t AddCategory(const CpText& name) {
  if (pDB == nullptr) return 0;
  if (!IsValidCategoryName(name)) {
    RefuseName();
    return 0;
  }
  auto category = std::make_unique<CCategoryRecord>();
  category->recordId = NextRecordId();
  category->name = name;
  uint32_t id = category->recordId;
  if (pDB->AddNew(std::move(category)) != DB_OK) {
    ShowStringMessage(IDS_NO_MEMORY, kCaption, kMbOk | kMbIconInformation);
    return 0;
  }
  SaveStoreOrTell();
  WindowHost().RefillCategoryLists();
  return id;
}

bool RenameCategory(uint32_t categoryId, const CpText& name) {
  CCategoryRecord* category = LiveCategory(categoryId);
  if (category == nullptr) return false;
  if (name == category->name) return true;  // an edit that changed nothing
  // Its own name in another case is a rename, not a clash.
  if (!AcceptableName(name) || OtherCategoryNamed(name, categoryId)) {
    RefuseName();
    return false;
  }
  category->name = name;
  category->flags |= kFlagModified;
  SaveStoreOrTell();
  WindowHost().RefillCategoryLists();
  return true;
}

bool DeleteCategory(uint32_t categoryId) {
  CCategoryRecord* category = LiveCategory(categoryId);
  if (category == nullptr) return false;
  category->flags |= kFlagDeleted | kFlagModified;
  SaveStoreOrTell();
  WindowHost().RefillCategoryLists();
  return true;
}

}  // namespace quillet
