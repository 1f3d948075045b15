// The main program's string table: the texts of its message boxes and a few
// captions, by number, written in English and shown in the person's
// language (base/Translate.h). The few that name a file, an address or the
// version are not translated.
#pragma once

#include <string>

#include "platform/codepage/CpText.h"

namespace quillet {

// The text of string `id` in the person's language, UTF-8: what a message
// box, a caption or a button shows. Empty when the table has no such string.
std::string UiString(int id);
// The same as code-page text, for what becomes record data or stands among
// record texts (a copied topic's title, the category lists, the find
// results): the translation where the code page holds it, else the English.
CpText LoadString(int id);
// The English text, as the table holds it ("" when there is none).
const char* EnglishString(int id);

// Captions of the main program's message boxes.
inline constexpr const char* kCaption = "Quillet";
inline constexpr const char* kCaptionBang = "Quillet!";

// Numbers used across subsystems.
enum StringId : int {
  IDS_APP_TITLE = 103,
  IDS_DB_OPEN_FAILED = 107,
  IDS_BAD_PASSWORD = 111,
  IDS_UNFILED_ITEM = 114,
  IDS_ADD = 115,
  IDS_DELETE_ITEMS = 119,
  IDS_ARCHIVE_DELETED = 120,
  IDS_RESTORE_THEMES = 121,
  IDS_UPDATE = 122,
  IDS_AUTHOR = 126,
  IDS_DEFAULT_USER = 128,
  IDS_VERSION = 129,
  IDS_SEARCH_RESULTS = 131,
  IDS_CATEGORIES = 151,
  IDS_ERROR_SAVING_FILE = 153,
  IDS_SUPPORT_URL = 154,
  IDS_BAD_FILE_NAME = 158,
  IDS_NOTE = 179,
  IDS_NO_RECORDS_FOUND = 185,
  IDS_DELETE_ALL = 189,
  IDS_OVERWRITE_FILE = 191,
  IDS_NO_MEMORY = 193,
  IDS_CANT_DRAW_SCANS = 194,
  IDS_CANT_DRAW_MAP = 195,
  IDS_CANT_OPEN_FILE = 196,
  IDS_BAD_DIB = 197,
  IDS_NO_PALETTE = 198,
  IDS_CANT_LOAD_RLE = 199,
  IDS_CANT_CREATE_BMP = 200,
  IDS_MY_PICTURES = 201,
  IDS_NO_FILE_SAVED = 202,
  IDS_LOGGING = 203,
  IDS_DEFAULT_THEME = 204,
  IDS_BAD_CATEGORY = 207,
  IDS_UNFILED = 208,
  IDS_TEXT_TOO_LONG = 209,
  IDS_ALL_CATEGORIES = 210,
  IDS_FILE_OPEN_OR_INVALID = 212,
  IDS_IMAGE_TOO_LARGE = 218,
  IDS_CANT_LOAD_IMAGE = 219,
  IDS_LOG_CREATE_FAILED = 223,
  IDS_CONTACT_URL = 226,
  IDS_WRITE_REPORT_FAILED = 230,
  IDS_SAVE_FAILED = 231,
  IDS_TITLE = 236,
  IDS_EDIT_PENDING = 240,
  IDS_NOT_IN_TOPICS = 241,
  IDS_NO_THEMES = 242,
  IDS_COPY_OF = 244,
  IDS_SHOW_PRIVATE = 246,
  IDS_HIDE_PRIVATE = 247,
  IDS_HTTP_PREFIX = 248,
  IDS_STORE_KEPT_DAMAGED = 250,  // %s: the path the damaged store was kept under
  IDS_UNSTORABLE_CHARACTER = 251,  // %s: the field's name, %s: the character ("U+03A9")
  IDS_FOLDERS_OPEN_TO_OTHERS = 252,  // %s: the folders, one a line
  IDS_SAVE_FAILED_BECAUSE = 253,   // %s: why the save failed (the store's reason)
  IDS_STORE_NOT_OPENED = 254,      // %s: the user's name, %s: why the records could not be opened
  IDS_SETTINGS_UNREADABLE = 255,   // %s: why the settings could not be read
  IDS_HOTSYNC_USER_UNKNOWN = 256,  // %u: the Palm user id a HotSync named
  IDS_PREVIEW_FITS = 257,          // %lu: the previewed JPEG's size, %lu: the limit
  IDS_PREVIEW_TOO_LARGE = 258,     // %lu: the previewed JPEG's size, %lu: the limit
};

}  // namespace quillet
