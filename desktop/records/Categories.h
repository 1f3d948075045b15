// Categories: the lists that show them and the rules for their names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/codepage/CpText.h"

namespace quillet {

// A list entry: the text shown and its data (-1 all categories, 0 Unfiled,
// else the category's record id).
struct CategoryEntry {
  CpText text;
  int64_t data = 0;
  bool operator==(const CategoryEntry&) const = default;
};

// Every live category, sorted by name without regard to case (then by
// bytes, then by id), names cut for the lists (kCategoryNameShownLimit).
std::vector<CategoryEntry> SortedCategories();
// The list above the tree: "All Categories" (-1), the categories,
// "Unfiled" (0).
std::vector<CategoryEntry> TreeCategoryEntries();
// The topic window's list: " Unfiled..." (0), then the categories.
std::vector<CategoryEntry> TopicWindowCategoryEntries();
// Position of the entry with `data` in `entries`; 0 when none has it.
int EntryPosition(const std::vector<CategoryEntry>& entries, int64_t data);

// A name may be given to a category: not empty (nor blanks only), not
// "unfiled" in any case, and not the name of a live category in any case.
bool IsValidCategoryName(const CpText& name);

// The Categories page's changes. Each checks the name first (an invalid
// one shows string 207 and changes nothing), saves the store (string 231
// when that fails) and has the category lists refilled.
// The new category's id, or 0 when the name was refused.
uint32_t AddCategory(const CpText& name);
bool RenameCategory(uint32_t categoryId, const CpText& name);
// Marks the category deleted and modified; its topics keep their
// categoryId.
bool DeleteCategory(uint32_t categoryId);

}  // namespace quillet
