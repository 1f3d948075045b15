// The program's way in and out for references as BibTeX and RIS files:
// File > Import References... (into the selected topic), File > Export
// References... (the selected topic's or all), and a .bib or .ris file
// dropped on a topic of the tree.
//
// Works on the current store (pDB); asks and tells through the user
// interface form; after an import the tree is filled again with the topic
// selected and the topic's page shown. Results are true when something
// was added or written.
#pragma once

#include <cstdint>
#include <string>

namespace quillet {

// Asks for a .bib or .ris file and imports it into `topicId` (0: the
// person is asked to choose a topic first).
bool ImportReferencesCommand(uint32_t topicId);

// Imports the file at `path` (UTF-8) into the topic: every usable entry
// becomes a new reference at the end of the topic, the store is saved once,
// and the person is told how many were added and what was skipped, came in
// as another kind, was cut or had characters replaced. A file that cannot
// be read adds nothing and says why. Refused while a record window holds
// unsaved edits.
bool ImportReferenceFile(uint32_t topicId, const std::string& path);

// Asks whether to write only `topicId`'s references (when a topic is
// given) or every reference, then for the file (its name ending in .bib or
// .ris chooses the format), and writes it whole. Private references are
// written only while private records are shown.
bool ExportReferencesCommand(uint32_t topicId);

// Whether a file of that name can be imported (".bib" or ".ris").
bool IsReferenceFileName(const std::string& path);

}  // namespace quillet
