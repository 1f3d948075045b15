#include "reports/StoreReportSource.h"

#include "base/Strings.h"
#include "base/UserInterface.h"
#include "store/PrivateRecords.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"
#include "store/StoreMessages.h"

namespace quillet {

StoreReportSource::StoreReportSource(CRecordStore* store, std::function<bool()> showPrivate)
    : store_(store), show_private_(std::move(showPrivate)) {}

StoreReportSource::StoreReportSource(std::function<CRecordStore*()> currentStore,
                                     std::function<bool()> showPrivate)
    : current_(std::move(currentStore)), show_private_(std::move(showPrivate)) {}

void StoreReportSource::SetStore(CRecordStore* store) {
  store_ = store;
  current_ = nullptr;
  positions_.clear();
}

CRecord* StoreReportSource::Find(uint32_t id) {
  CRecordStore* store = Store();
  if (store == nullptr || id == 0) return nullptr;
  if (id == last_id_) {  // a report asks for one record several times in a row
    CRecord* record = store->RecordAt(last_position_);
    if (record != nullptr && record->recordId == id) return record;
  }
  auto it = positions_.find(id);
  if (it != positions_.end()) {
    CRecord* record = store->RecordAt(it->second);
    if (record != nullptr && record->recordId == id) {
      last_id_ = id;
      last_position_ = it->second;
      return record;
    }
  }
  CRecord* record = nullptr;
  if (store->FindById(id, &record) != DB_OK || record == nullptr) return nullptr;
  if (record->slotIndex >= 0) {
    positions_[id] = static_cast<uint32_t>(record->slotIndex);
    last_id_ = id;
    last_position_ = static_cast<uint32_t>(record->slotIndex);
  }
  return record;
}

bool StoreReportSource::Topic(uint32_t id, ReportTopic* out) {
  const CTopicRecord* topic = RecordAs<CTopicRecord>(Find(id));
  // A private topic has no report, and nothing of it is mailed, while
  // private records are hidden.
  if (topic == nullptr || HiddenPrivate(topic->isPrivate, ShowPrivate())) return false;
  out->title = topic->title;
  out->categoryId = topic->categoryId;
  out->fileName = topic->fileName;
  out->memberIds.clear();
  // The topic's members are those of the first live links record with the
  // topic's linksId.
  CRecordStore* store = Store();
  if (topic->linksId != 0 && store != nullptr) {
    for (uint32_t pos = 0; pos < store->highWater(); ++pos) {
      const CTopicLinksRecord* links = RecordAs<CTopicLinksRecord>(store->RecordAt(pos));
      if (links != nullptr && links->IsLive() && links->recordId == topic->linksId) {
        out->memberIds = links->memberIds;
        break;
      }
    }
  }
  return true;
}

bool StoreReportSource::Member(uint32_t id, int* kind, bool* isPrivate) {
  const CRecord* record = Find(id);
  if (record == nullptr) return false;
  *kind = static_cast<int>(record->kind);
  *isPrivate = record->isPrivate != 0;
  return true;
}

std::string_view StoreReportSource::NoteText(uint32_t id) {
  const CNoteRecord* note = RecordAs<CNoteRecord>(Find(id));
  return note != nullptr ? note->text.view() : std::string_view();
}

bool StoreReportSource::Image(uint32_t id, ReportImage* out) {
  const CImageRecord* image = RecordAs<CImageRecord>(Find(id));
  if (image == nullptr) return false;
  out->title = image->title.view();
  out->fileName = image->fileName;
  out->format = image->format;
  out->width = image->width;
  out->height = image->height;
  out->data = image->data.empty() ? nullptr : image->data.data();
  out->dataSize = image->data.size();
  return true;
}

bool StoreReportSource::Reference(uint32_t id, ReportReference* out) {
  const CCustomRecord* ref = RecordAs<CCustomRecord>(Find(id));
  if (ref == nullptr) return false;
  out->customType = ref->customType;
  out->fields.clear();
  out->fields.reserve(ref->fields.size());
  for (const CpText& field : ref->fields) out->fields.push_back(field.view());
  return true;
}

std::string StoreReportSource::CategoryName(uint32_t categoryId) {
  const CCategoryRecord* category = RecordAs<CCategoryRecord>(Find(categoryId));
  // A private category is named nowhere while private records are hidden.
  if (category == nullptr || HiddenPrivate(category->isPrivate, ShowPrivate())) return std::string();
  return category->name.bytes();
}

bool StoreReportSource::ShowPrivate() {
  return show_private_ ? show_private_() : bShowPrivate != 0;
}

bool StoreReportSource::SetFileName(uint32_t id, const std::string& name, bool save) {
  CRecord* record = Find(id);
  if (CTopicRecord* topic = RecordAs<CTopicRecord>(record)) {
    topic->fileName = name;
  } else if (CImageRecord* image = RecordAs<CImageRecord>(record)) {
    image->fileName = name;
  } else {
    return false;
  }
  if (!save) return true;
  record->flags |= kFlagModified;
  if (batch_depth_ > 0) {
    save_held_ = true;
    return true;
  }
  return SaveNow();
}

bool StoreReportSource::SaveNow() {
  CRecordStore* store = Store();
  const DbResult rc = store != nullptr ? store->Save() : DB_ERR_NO_NAME;
  if (rc != DB_OK) {
    TellSaveFailed(store, rc);
    return false;
  }
  return true;
}

bool StoreReportSource::EndSaveBatch() {
  if (batch_depth_ > 0) --batch_depth_;
  if (batch_depth_ > 0 || !save_held_) return true;
  save_held_ = false;
  return SaveNow();
}

}  // namespace quillet
