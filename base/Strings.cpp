#include "base/Strings.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace quillet {
namespace {

struct Entry {
  int id;
  const char* text;
};

// Kept sorted by number.
constexpr Entry kTable[] = {
    {103, "Quillet!"},
    {107, "Unable to open the database.  File > Restore From Backup... brings back an earlier copy; "
          "or copy quillet.dat again from the computer where you HotSync, and try again."},
    {108, "Back"},
    {109, "My Topics"},
    {110, "Forward"},
    {111, "Incorrect password."},
    {114, " Unfiled..."},
    {115, "Add"},
    {116, "Find"},
    {117, "Start"},
    {119, "Delete the selected Item(s)?\n\nThis operation cannot be undone."},
    {120, "Archive deleted item(s) at next HotSync operation"},
    {121, "Do you want to restore the original themes and lose any changes to your current themes?"},
    {122, "Update"},
    {126, "Author"},
    {128, "Default User"},
    {129, "1.1.0"},
    {131, "Search Results..."},
    {151, "Categories"},
    {153, "Error saving file."},
    {154, "https://www.brightfen.example/support/"},
    {158, ": \\ / * ? \" < > | are not allowed in a report's file name, so that it can also be\n"
          "opened on the handheld user's other computers."},
    {179, "Note"},
    {185, "0 Records Found"},
    {189, "Do you want to delete all of your topics and their contents?\n\nThis action cannot be undone."},
    {191, "A file with the same name already exists, overwrite?"},
    {193, "No Memory."},
    {194, "Can't draw scans."},
    {195, "Can't draw map."},
    {196, "Can't open file."},
    {197, "Bad Device Independent Bitmap (DIB) file."},
    {198, "Failed to create palette.  Supported colors are 1, 4, 8, and 24 bits.\n\n"
          "Please save the current image into one of these formats and try again."},
    {199, "Can't load RLE."},
    {200, "Can't create BMP."},
    {201, "My Pictures"},
    {202, "No file was saved."},
    {203, "Logging"},
    {204, "Show Everything.htm"},
    {207, "This project already exists or is an invalid name e.g. Unfiled."},
    {208, "Unfiled"},
    {209, "The %s contains more than %d characters.\nIt will be truncated before saving."},
    {210, "All Categories"},
    {212, "The file may already be open in another application or\n\nthe path is invalid."},
    {218, "The current image + thumbnail is larger than the 60000 byte limit and can not be saved.\n\n"
          "Please try again, this time decreasing the \"Quality\" setting.\n\nCurrent image + thumbnail size: "},
    {219, "Unable to load image file."},
    {223, "Unable to open or create the log file.\n\nCheck the log folder on the Logging page of "
          "Edit > Properties... (by default ~/.local/state/quillet/): it must exist and be writable."},
    {226, "https://www.brightfen.example/contact/"},
    {230, "Writing report failed.\nThe file may be locked by another application.\n"
          "Close all applications and try again."},
    {231, "There was an error saving the current data to the database.\n\n"
          "Check to make sure the user hasn't been deleted."},
    {234, "New Topic"},
    {236, "Title"},
    {240, "Click Update to save or Cancel to discard your changes."},
    {241, "The result is not in the current set of topics. \n\nPlease change your filter settings and try again."},
    {242, "Unable to open any themes.  Please restore the original themes by clicking on "
          "Themes | Reset All in the main menu."},
    {244, "Copy of "},
    {246, "Show Private Records"},
    {247, "Hide Private Records"},
    {248, "http://"},
    {250, "The database file could not be read.  It has been kept as\n\n%s\n\n"
          "and a new, empty database has been started.  File > Restore From Backup... brings back an earlier "
          "copy of your records."},
    {251, "The %s contains the character %s, which the handheld cannot store.\n"
          "Please remove or replace it and try again."},
    {252, "Other people who use this computer can open these folders and read the records in them:\n\n%s\n"
          "Only you should be able to open them (for example with the command chmod 700 and the folder's name)."},
    {253, "There was an error saving the current data to the database.\n\n%s"},
    {254, "The records of %s could not be opened.\n\n%s"},
    {255, "Quillet! could not read its settings, nor Palm Desktop's list of users kept with them.\n\n%s\n\n"
          "Your records have not been touched. Make room on the disk (or make the settings file readable), "
          "then start Quillet! again."},
    {256, "A HotSync was made for a Palm Desktop user (number %u) whom Palm Desktop does not list.\n\n"
          "The records shown stay those of the user already open."},
    {257, "Preview: %lu bytes, within the %lu-byte limit."},
    {258, "Preview: %lu bytes, over the %lu-byte limit: lower the Quality to store it."},
};

}  // namespace

const CpText& LoadString(int id) {
  // Made once, on first use; never changed after.
  static const std::vector<CpText> texts = [] {
    std::vector<CpText> all;
    all.reserve(std::size(kTable));
    for (const Entry& e : kTable) all.emplace_back(e.text);
    return all;
  }();
  static const CpText kNone;
  auto it = std::lower_bound(std::begin(kTable), std::end(kTable), id,
                             [](const Entry& e, int n) { return e.id < n; });
  if (it == std::end(kTable) || it->id != id) return kNone;
  return texts[static_cast<size_t>(it - std::begin(kTable))];
}

}  // namespace quillet
