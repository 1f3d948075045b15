// Which topic the main window's page belongs to, and the names the window
// shows and suggests for it.
#pragma once

#include <cstdint>
#include <string>

namespace quillet {

class CRecordStore;

// The live topic whose report file, in `outputFolder` (ending in '/'), is
// `path`; 0 when the page is no topic's report.
uint32_t TopicOfReportPage(CRecordStore& store, const std::string& outputFolder,
                           const std::string& path);

// The main window's title: "Quillet! - " and the Palm user's name, or
// "Quillet!" alone while no user is open.
std::string MainWindowTitle(const std::string& userName);

// The file name suggested for a page saved elsewhere (Save As, Export as
// PDF): the title's first line with the characters a file name cannot hold
// (and those the handheld's desktop refuses) replaced by '_', blanks and
// dots trimmed from its ends, cut to 100 bytes, followed by `extension`
// (".htm"); "Report" and the extension for an empty title. Windows-1252 in
// and out.
std::string SuggestedFileName(const std::string& title, const std::string& extension);

}  // namespace quillet
