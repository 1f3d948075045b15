// What the main window does with the page it shows beyond showing it: Save
// As and Export as PDF, the tree following Back and Forward, and choosing a
// theme that may have gone from the theme folder.
#pragma once

#include <QString>

#include <cstdint>
#include <string>

namespace quillet {

class CWndMgr;

// The topic whose report the topic view shows: the selected topic, the
// topic of a selected member, else the topic made current last (the one a
// record was just added to); 0 for none. Ids of records the store no longer
// holds count as none.
uint32_t TopicToShow(uint32_t selectedId, uint32_t selectedKind, uint32_t currentTopic);

// The user's documents folder, ending in '/'; the home folder while there
// is none.
std::string DocumentsFolder();

// Save As for a topic: the dialog starts in the documents folder with the
// topic's title as the name.
void SaveTopicReportAs(CWndMgr& manager, uint32_t topicId);

// File > Export as PDF...: asks where (documents folder, the page's title
// as the name) and prints the shown page there, the topic's title (or the
// page's) as the PDF's title. False when cancelled or not written (the
// person was told).
bool ExportShownPageAsPdf(CWndMgr& manager);
// The title a printed or exported page gets: the topic's title for a
// topic's report, else the page's own, else the program's name.
QString ShownPageTitle(CWndMgr& manager);

// The topic whose report the pane shows now, 0 when it shows none.
uint32_t TopicOfShownPage(CWndMgr& manager);
// After Back or Forward: the tree selects the topic whose report is shown
// (quietly; a topic the filter hides stays unselected).
void SelectTopicOfShownPage(CWndMgr& manager);

// The theme box's entry `file` (a name in the theme folder) is still a
// theme file. When it is not, the person is told and the box refilled.
bool ThemeStillThere(CWndMgr& manager, const std::string& file);

}  // namespace quillet
