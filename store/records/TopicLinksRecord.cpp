#include <algorithm>
#include <unordered_set>

#include "store/RecordKinds.h"
#include "store/StoreFile.h"
#include "store/records/CountedList.h"

namespace quillet {

DbResult CTopicLinksRecord::ReadBody(CStoreFile& file) {
  ReadBase(file);
  file.ReadU32(&topicId);
  uint32_t count = 0;
  DbResult rc = file.ReadU32(&count);
  if (rc != DB_OK || count == 0) {
    memberIds.clear();
    return rc;
  }
  return records::ReadCountedList(file, count, 4, &memberIds,
                                  [&](uint32_t* id) { return file.ReadU32(id); });
}

DbResult CTopicLinksRecord::WriteBody(CStoreFile& file) const {
  DbResult rc = WriteBase(file);
  if (rc == DB_OK) rc = file.WriteU32(topicId);
  if (rc == DB_OK) rc = file.WriteU32(memberCount());
  for (uint32_t id : memberIds) {
    if (rc != DB_OK) break;
    rc = file.WriteU32(id);
  }
  return rc;
}

void CTopicLinksRecord::Assign(const CRecord& other) {
  if (&other == this) return;
  CopyBase(other);
  if (const auto* o = RecordAs<CTopicLinksRecord>(&other)) {
    topicId = o->topicId;
    memberIds = o->memberIds;
  }
}

uint32_t CTopicLinksRecord::Merge(const CRecord& other) {
  const auto* o = RecordAs<CTopicLinksRecord>(&other);
  if (o == nullptr || o == this) return 0;
  CopyBase(*o);
  topicId = o->topicId;
  std::unordered_set<uint32_t> held(memberIds.begin(), memberIds.end());
  for (uint32_t id : o->memberIds)
    if (held.insert(id).second) memberIds.push_back(id);
  return 0;
}

uint32_t CTopicLinksRecord::Compare(const CRecord& other) const {
  const auto* o = RecordAs<CTopicLinksRecord>(&other);
  if (o == nullptr) return kCompareDiffers;
  if (topicId != o->topicId) return kCompareDiffers;
  if (memberIds.size() != o->memberIds.size()) return kCompareMembersDiffer;
  std::unordered_set<uint32_t> mine(memberIds.begin(), memberIds.end());
  std::unordered_set<uint32_t> theirs(o->memberIds.begin(), o->memberIds.end());
  return mine == theirs ? kCompareEqual : kCompareMembersDiffer;
}

bool CTopicLinksRecord::HasMember(uint32_t id) const {
  return std::find(memberIds.begin(), memberIds.end(), id) != memberIds.end();
}

bool CTopicLinksRecord::RemoveMember(uint32_t id) {
  auto end = std::remove(memberIds.begin(), memberIds.end(), id);
  bool found = end != memberIds.end();
  memberIds.erase(end, memberIds.end());
  return found;
}

}  // namespace quillet
