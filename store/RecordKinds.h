// The nine record kinds of a store file.
//
// Fields are public and named as the file layout names them; they are listed
// in the order their bodies hold them. Texts are bytes in the Windows ANSI
// code page, line breaks as a single line feed. Counted lists are vectors:
// the count written to the file is the vector's size (itemCount(),
// fieldCount(), memberCount(), dataSize()), so count and list cannot
// disagree. A save fails with DB_ERR_WRITE rather than write a count that
// does not fit its field.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/codepage/CpText.h"
#include "store/PictureBytes.h"
#include "store/Record.h"
#include "store/RecordFacts.h"

namespace quillet {

// Kind 0: one per store, the counter record ids are issued from.
class CSettingsRecord : public CRecord {
 public:
  static constexpr uint32_t kKind = kKindSettings;
  CSettingsRecord() : CRecord(kKind) {}
  DbResult ReadBody(CStoreFile& file) override;
  DbResult WriteBody(CStoreFile& file) const override;
  void Assign(const CRecord& other) override;
  uint32_t Compare(const CRecord& other) const override;

  uint32_t extraWord = 0;
  uint32_t lastRecordId = 0;  // the last id issued; 1 in a fresh store
  uint32_t reservedWord = 0;
  uint32_t extraWord2 = 0;
  std::array<uint8_t, 6> reservedBytes{};
};

// Kind 1: loaded and saved unchanged, never created here.
class CReservedRecord : public CRecord {
 public:
  static constexpr uint32_t kKind = kKindReserved;
  CReservedRecord() : CRecord(kKind) {}
  DbResult ReadBody(CStoreFile& file) override;
  DbResult WriteBody(CStoreFile& file) const override;
  void Assign(const CRecord& other) override;
  uint32_t Compare(const CRecord& other) const override;

  uint32_t extraWord = 0;
  std::array<uint8_t, 6> reservedBytes{};
};

// Kind 2: a number, a name and a list of texts; carried unchanged.
class CStringListRecord : public CRecord {
 public:
  static constexpr uint32_t kKind = kKindStringList;
  CStringListRecord() : CRecord(kKind) {}
  DbResult ReadBody(CStoreFile& file) override;
  DbResult WriteBody(CStoreFile& file) const override;
  void Assign(const CRecord& other) override;
  uint32_t Compare(const CRecord& other) const override;  // extraWord, itemCount, listName

  size_t itemCount() const { return items.size(); }  // stored as u16

  uint32_t extraWord = 0;
  CpText listName;
  std::vector<CpText> items;
};

// Kind 3: a category topics are filed under (id 0 = Unfiled, no record).
class CCategoryRecord : public CRecord {
 public:
  static constexpr uint32_t kKind = kKindCategory;
  CCategoryRecord() : CRecord(kKind) {}
  DbResult ReadBody(CStoreFile& file) override;
  DbResult WriteBody(CStoreFile& file) const override;
  void Assign(const CRecord& other) override;
  uint32_t Compare(const CRecord& other) const override;

  uint32_t extraWord = 0;
  CpText name;
};

// Kind 4: a topic.
class CTopicRecord : public CRecord {
 public:
  static constexpr uint32_t kKind = kKindTopic;
  CTopicRecord() : CRecord(kKind) {}
  DbResult ReadBody(CStoreFile& file) override;
  DbResult WriteBody(CStoreFile& file) const override;
  void Assign(const CRecord& other) override;
  uint32_t Compare(const CRecord& other) const override;

  uint32_t extraWord = 0;
  uint32_t linksId = 0;     // recordId of its CTopicLinksRecord
  uint32_t categoryId = 0;  // recordId of its CCategoryRecord; 0 = Unfiled
  CpText title;
  std::string fileName;     // its HTML page in the output folder, no folder part
};

// Kind 5: a note (same body layout as a category).
class CNoteRecord : public CRecord {
 public:
  static constexpr uint32_t kKind = kKindNote;
  CNoteRecord() : CRecord(kKind) {}
  DbResult ReadBody(CStoreFile& file) override;
  DbResult WriteBody(CStoreFile& file) const override;
  void Assign(const CRecord& other) override;
  uint32_t Compare(const CRecord& other) const override;

  uint32_t extraWord = 0;
  CpText text;
};

// Kind 6: a picture (JPEG data) or a handheld sketch (formats in RecordFacts.h).
class CImageRecord : public CRecord {
 public:
  static constexpr uint32_t kKind = kKindImage;
  CImageRecord() : CRecord(kKind) {}
  DbResult ReadBody(CStoreFile& file) override;
  DbResult WriteBody(CStoreFile& file) const override;
  void Assign(const CRecord& other) override;
  uint32_t Compare(const CRecord& other) const override;  // all but the data bytes

  uint32_t dataSize() const { return static_cast<uint32_t>(data.size()); }

  uint32_t extraWord = 0;
  CpText title;
  std::string fileName;  // its picture file in the output folder, no folder part
  uint32_t format = 0;   // kImageFormatJpeg / kImageFormatOther / kImageFormatSketch
  uint32_t width = 0;
  uint32_t height = 0;
  // The picture's bytes (JPEG, or the handheld's sketch format); empty = no
  // data (dataSize 0). After a load they are a slice of the load's shared
  // buffer; assigning bytes gives the record its own (see PictureBytes.h).
  PictureBytes data;
};

// Kind 7: a reference. Field 0 is always the title; the kinds and their
// fields are in RecordFacts.h.
class CCustomRecord : public CRecord {
 public:
  static constexpr uint32_t kKind = kKindCustom;
  CCustomRecord() : CRecord(kKind) {}
  CCustomRecord(const CCustomRecord& other) : CRecord(kKind) { Assign(other); }
  DbResult ReadBody(CStoreFile& file) override;
  DbResult WriteBody(CStoreFile& file) const override;
  void Assign(const CRecord& other) override;
  uint32_t Compare(const CRecord& other) const override;  // extraWord, customType, fieldCount

  // The count the record was read with, whatever its type says; stored as u16.
  size_t fieldCount() const { return fields.size(); }

  uint32_t extraWord = 0;
  int32_t customType = 0;
  std::vector<CpText> fields;
};

// Kind 8: a topic's ordered member list.
class CTopicLinksRecord : public CRecord {
 public:
  static constexpr uint32_t kKind = kKindTopicLinks;
  CTopicLinksRecord() : CRecord(kKind) {}
  DbResult ReadBody(CStoreFile& file) override;
  DbResult WriteBody(CStoreFile& file) const override;
  void Assign(const CRecord& other) override;
  // Takes over other's base fields and topicId; members become the union:
  // own members first, then other's missing ones in other's order.
  uint32_t Merge(const CRecord& other) override;
  // kCompareDiffers when topicId differs, kCompareMembersDiffer when the
  // member sets differ (order does not matter).
  uint32_t Compare(const CRecord& other) const override;

  uint32_t memberCount() const { return static_cast<uint32_t>(memberIds.size()); }
  bool HasMember(uint32_t id) const;
  // Removes every occurrence of `id`; true when there was one.
  bool RemoveMember(uint32_t id);

  uint32_t topicId = 0;  // recordId of the owning CTopicRecord
  std::vector<uint32_t> memberIds;
};

}  // namespace quillet
