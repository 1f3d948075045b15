#include "base/Strings.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "base/Translate.h"
#include "platform/codepage/CodePage.h"

namespace quillet {
namespace {

struct Entry {
  int id;
  const char* text;
};

// Kept sorted by number.
constexpr Entry kTable[] = {
    {103, "Quillet!"},
    {107, QT_TRANSLATE_NOOP("Strings", "Unable to open the database.  File > Restore From Backup... brings back an earlier copy; "
          "or copy quillet.dat again from the computer where you HotSync, and try again.")},
    {108, QT_TRANSLATE_NOOP("Strings", "Back")},
    {109, QT_TRANSLATE_NOOP("Strings", "My Topics")},
    {110, QT_TRANSLATE_NOOP("Strings", "Forward")},
    {111, QT_TRANSLATE_NOOP("Strings", "Incorrect password.")},
    {114, QT_TRANSLATE_NOOP("Strings", " Unfiled...")},
    {115, QT_TRANSLATE_NOOP("Strings", "Add")},
    {116, QT_TRANSLATE_NOOP("Strings", "Find")},
    {117, QT_TRANSLATE_NOOP("Strings", "Start")},
    {119, QT_TRANSLATE_NOOP("Strings", "Delete the selected Item(s)?\n\nThis operation cannot be undone.")},
    {120, QT_TRANSLATE_NOOP("Strings", "Archive deleted item(s) at next HotSync operation")},
    {121, QT_TRANSLATE_NOOP("Strings", "Do you want to restore the original themes and lose any changes to your current themes?")},
    {122, QT_TRANSLATE_NOOP("Strings", "Update")},
    {126, QT_TRANSLATE_NOOP("Strings", "Author")},
    {128, QT_TRANSLATE_NOOP("Strings", "Default User")},
    {129, "1.1.0"},
    {131, QT_TRANSLATE_NOOP("Strings", "Search Results...")},
    {151, QT_TRANSLATE_NOOP("Strings", "Categories")},
    {153, QT_TRANSLATE_NOOP("Strings", "Error saving file.")},
    {154, "https://www.brightfen.example/support/"},
    {158, QT_TRANSLATE_NOOP("Strings", ": \\ / * ? \" < > | are not allowed in a report's file name, so that it can also be\n"
          "opened on the handheld user's other computers.")},
    {179, QT_TRANSLATE_NOOP("Strings", "Note")},
    {185, QT_TRANSLATE_NOOP("Strings", "0 Records Found")},
    {189, QT_TRANSLATE_NOOP("Strings", "Do you want to delete all of your topics and their contents?\n\nThis action cannot be undone.")},
    {191, QT_TRANSLATE_NOOP("Strings", "A file with the same name already exists, overwrite?")},
    {193, QT_TRANSLATE_NOOP("Strings", "No Memory.")},
    {194, QT_TRANSLATE_NOOP("Strings", "Can't draw scans.")},
    {195, QT_TRANSLATE_NOOP("Strings", "Can't draw map.")},
    {196, QT_TRANSLATE_NOOP("Strings", "Can't open file.")},
    {197, QT_TRANSLATE_NOOP("Strings", "Bad Device Independent Bitmap (DIB) file.")},
    {198, QT_TRANSLATE_NOOP("Strings", "Failed to create palette.  Supported colors are 1, 4, 8, and 24 bits.\n\n"
          "Please save the current image into one of these formats and try again.")},
    {199, QT_TRANSLATE_NOOP("Strings", "Can't load RLE.")},
    {200, QT_TRANSLATE_NOOP("Strings", "Can't create BMP.")},
    {201, QT_TRANSLATE_NOOP("Strings", "My Pictures")},
    {202, QT_TRANSLATE_NOOP("Strings", "No file was saved.")},
    {203, QT_TRANSLATE_NOOP("Strings", "Logging")},
    {204, "Show Everything.htm"},
    {207, QT_TRANSLATE_NOOP("Strings", "This project already exists or is an invalid name e.g. Unfiled.")},
    {208, QT_TRANSLATE_NOOP("Strings", "Unfiled")},
    {209, QT_TRANSLATE_NOOP("Strings", "The %s contains more than %d characters.\nIt will be truncated before saving.")},
    {210, QT_TRANSLATE_NOOP("Strings", "All Categories")},
    {212, QT_TRANSLATE_NOOP("Strings", "The file may already be open in another application or\n\nthe path is invalid.")},
    {218, QT_TRANSLATE_NOOP("Strings", "The current image + thumbnail is larger than the 60000 byte limit and can not be saved.\n\n"
          "Please try again, this time decreasing the \"Quality\" setting.\n\nCurrent image + thumbnail size: ")},
    {219, QT_TRANSLATE_NOOP("Strings", "Unable to load image file.")},
    {223, QT_TRANSLATE_NOOP("Strings", "Unable to open or create the log file.\n\nCheck the log folder on the Logging page of "
          "Edit > Properties... (by default ~/.local/state/quillet/): it must exist and be writable.")},
    {226, "https://www.brightfen.example/contact/"},
    {230, QT_TRANSLATE_NOOP("Strings", "Writing report failed.\nThe file may be locked by another application.\n"
          "Close all applications and try again.")},
    {231, QT_TRANSLATE_NOOP("Strings", "There was an error saving the current data to the database.\n\n"
          "Check to make sure the user hasn't been deleted.")},
    {234, QT_TRANSLATE_NOOP("Strings", "New Topic")},
    {236, QT_TRANSLATE_NOOP("Strings", "Title")},
    {240, QT_TRANSLATE_NOOP("Strings", "Click Update to save or Cancel to discard your changes.")},
    {241, QT_TRANSLATE_NOOP("Strings", "The result is not in the current set of topics. \n\nPlease change your filter settings and try again.")},
    {242, QT_TRANSLATE_NOOP("Strings", "Unable to open any themes.  Please restore the original themes by clicking on "
          "Themes | Reset All in the main menu.")},
    {244, QT_TRANSLATE_NOOP("Strings", "Copy of ")},
    {246, QT_TRANSLATE_NOOP("Strings", "Show Private Records")},
    {247, QT_TRANSLATE_NOOP("Strings", "Hide Private Records")},
    {248, "http://"},
    {250, QT_TRANSLATE_NOOP("Strings", "The database file could not be read.  It has been kept as\n\n%s\n\n"
          "and a new, empty database has been started.  File > Restore From Backup... brings back an earlier "
          "copy of your records.")},
    {251, QT_TRANSLATE_NOOP("Strings", "The %s contains the character %s, which the handheld cannot store.\n"
          "Please remove or replace it and try again.")},
    {252, QT_TRANSLATE_NOOP("Strings", "Other people who use this computer can open these folders and read the records in them:\n\n%s\n"
          "Only you should be able to open them (for example with the command chmod 700 and the folder's name).")},
    {253, QT_TRANSLATE_NOOP("Strings", "There was an error saving the current data to the database.\n\n%s")},
    {254, QT_TRANSLATE_NOOP("Strings", "The records of %s could not be opened.\n\n%s")},
    {255, QT_TRANSLATE_NOOP("Strings", "Quillet! could not read its settings, nor Palm Desktop's list of users kept with them.\n\n%s\n\n"
          "Your records have not been touched. Make room on the disk (or make the settings file readable), "
          "then start Quillet! again.")},
    {256, QT_TRANSLATE_NOOP("Strings", "A HotSync was made for a Palm Desktop user (number %u) whom Palm Desktop does not list.\n\n"
          "The records shown stay those of the user already open.")},
    {257, QT_TRANSLATE_NOOP("Strings", "Preview: %lu bytes, within the %lu-byte limit.")},
    {258, QT_TRANSLATE_NOOP("Strings", "Preview: %lu bytes, over the %lu-byte limit: lower the Quality to store it.")},
};

}  // namespace

const char* EnglishString(int id) {
  auto it = std::lower_bound(std::begin(kTable), std::end(kTable), id,
                             [](const Entry& e, int n) { return e.id < n; });
  return it == std::end(kTable) || it->id != id ? "" : it->text;
}

std::string UiString(int id) {
  const char* english = EnglishString(id);
  return *english ? translate("Strings", english) : std::string();
}

CpText LoadString(int id) {
  CpText text;
  if (FromUtf8(UiString(id), &text)) return text;
  return CpText(EnglishString(id));  // the table itself is ASCII
}

}  // namespace quillet
