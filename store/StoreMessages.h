// What the person is told when the store fails them. The store engine
// itself only returns codes and reasons (RecordStore.h); these turn them
// into the program's messages (base/UserInterface.h).
#pragma once

#include "store/RecordStore.h"
#include "store/ResultCodes.h"

namespace quillet {

// Tells the person that a save of `store` failed with `rc`, naming the cause:
// string 231 when the user's folder is gone (the user was deleted), else
// string 253 with the store's reason (in use by another program and for
// how long it was waited for, being written by another program, damaged on
// the disk, the disk full).
void TellSaveFailed(const CRecordStore* store, DbResult rc);

}  // namespace quillet
