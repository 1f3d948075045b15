// What is wrong with a folder that must be the person's own, said in their
// language: the sentences of qplat::PrivateFolderProblem, made from the
// same check through the translation lookup.
#pragma once

#include <string>

#include "platform/paths/ProgramPaths.h"

namespace quillet {

// The check as a sentence naming the folder and what it is for (`purpose`,
// already in the person's language: BackupFolderPurpose()...) and saying
// how to put it right; "" when the check found nothing wrong.
std::string PrivateFolderSentence(const qplat::PrivateFolderCheck& check, const std::string& purpose);

// The purposes the program names.
std::string BackupFolderPurpose();
std::string MessageFolderPurpose();

}  // namespace quillet
