// "Delete All": every topic and everything in it, flagged as deleted.
#pragma once

#include <cstddef>
#include <string>

namespace quillet {

class CRecordStore;

struct DeleteAllCounts {
  size_t records = 0;  // records flagged
  size_t files = 0;    // files removed from the output folder
  bool backedUp = false;  // a copy of the store file was kept first
};

// Flags every live links record, note, image, reference and topic of
// `store` as deleted, in that order, removing each image's picture file and
// each topic's page from `outputFolder` (which ends in '/') first. A file
// name that is not a plain name inside the folder is left alone: a damaged
// or crafted record never makes us remove anything elsewhere. The store
// file is copied first while automatic backups are on (a failed copy is
// logged and does not stop the command). The caller saves the store.
DeleteAllCounts DeleteAllRecords(CRecordStore& store, const std::string& outputFolder);

}  // namespace quillet
