// The system mail interface as the program calls it: one shared library
// (libMAPI32.so in the program's folder), loaded at run time and asked for
// its functions by name, so that a machine without it simply has no Send.
//
// Our own library of that name stands in for the system's mail interface.
// A message handed to MAPISendMail goes to the person's mail program
// through xdg-email (QUILLET_MAIL_PROGRAM names another program, or none
// when set empty): the subject, the body text, each file with --attach by
// its own path, so the recipient sees the file's own name. The mail
// program's compose window collects the rest. A program that is missing,
// or ends with a failure within two seconds, leaves the message to the
// outbox: it is then written at once, as one MIME message file
// ("<date>-<time>-<pid>-<n>.eml", recipients, subject, body text and every
// attachment's bytes), into the outbox folder:
//   QUILLET_MAIL_OUTBOX                   when set and not empty, else
//   $XDG_DATA_HOME/quillet/outbox/        when XDG_DATA_HOME is set, else
//   $HOME/.local/share/quillet/outbox/.
// The file appears whole (it is written under a hidden name and renamed),
// its path is printed on standard error, and QuilletMailOutboxFile tells
// it to the caller.
// Two variables let a test or a person play the mail program's part:
//   QUILLET_MAIL_LOGON_RESULT  the code MAPILogon answers (default 0);
//   QUILLET_MAIL_SEND_RESULT   a non-zero code MAPISendMail answers without
//                              writing anything (1: the person cancelled).
#pragma once

#include <cstdint>

extern "C" {

// Result codes.
enum : uint32_t {
  SUCCESS_SUCCESS = 0,
  MAPI_E_USER_ABORT = 1,
  MAPI_E_FAILURE = 2,
  MAPI_E_LOGIN_FAILURE = 3,
  MAPI_E_DISK_FULL = 4,
  MAPI_E_INSUFFICIENT_MEMORY = 5,
  MAPI_E_TOO_MANY_SESSIONS = 8,
  MAPI_E_ATTACHMENT_NOT_FOUND = 11,
  MAPI_E_ATTACHMENT_OPEN_FAILURE = 12,
  MAPI_E_ATTACHMENT_WRITE_FAILURE = 13,
  MAPI_E_INVALID_MESSAGE = 17,
};

// Flags.
enum : uint32_t {
  MAPI_LOGON_UI = 0x1,
  MAPI_DIALOG = 0x8,
};

// Recipient classes.
enum : uint32_t {
  MAPI_ORIG = 0,
  MAPI_TO = 1,
  MAPI_CC = 2,
  MAPI_BCC = 3,
};

struct MapiRecipDesc {
  uint32_t ulReserved;
  uint32_t ulRecipClass;
  char* lpszName;
  char* lpszAddress;  // may start with "SMTP:"
  uint32_t ulEIDSize;
  void* lpEntryID;
};

struct MapiFileDesc {
  uint32_t ulReserved;
  uint32_t flFlags;
  uint32_t nPosition;  // 0xFFFFFFFF: not placed in the body
  char* lpszPathName;  // the file to attach
  char* lpszFileName;  // the name the recipient sees; null: the path's last part
  void* lpFileType;
};

struct MapiMessage {
  uint32_t ulReserved;
  char* lpszSubject;
  char* lpszNoteText;
  char* lpszMessageType;
  char* lpszDateReceived;
  char* lpszConversationID;
  uint32_t flFlags;
  MapiRecipDesc* lpOriginator;
  uint32_t nRecipCount;
  MapiRecipDesc* lpRecips;
  uint32_t nFileCount;
  MapiFileDesc* lpFiles;
};

// Texts are Windows-1252 bytes, zero-terminated.
uint32_t MAPILogon(uintptr_t ulUIParam, char* lpszProfileName, char* lpszPassword,
                   uint32_t flFlags, uint32_t ulReserved, uintptr_t* lplhSession);
uint32_t MAPISendMail(uintptr_t lhSession, uintptr_t ulUIParam, MapiMessage* lpMessage,
                      uint32_t flFlags, uint32_t ulReserved);

// Ours alone (a caller looks it up and does without it when missing): the
// path of the message file that the last MAPISendMail on this thread left
// in the outbox, copied zero-terminated into `buffer` (cut to `size` - 1
// bytes). Returns the path's length; 0 when that send went to the mail
// program or failed.
uint32_t QuilletMailOutboxFile(char* buffer, uint32_t size);

}  // extern "C"

// Function types, for looking the functions up with dlsym.
using MapiLogonFn = uint32_t (*)(uintptr_t, char*, char*, uint32_t, uint32_t, uintptr_t*);
using MapiSendMailFn = uint32_t (*)(uintptr_t, uintptr_t, MapiMessage*, uint32_t, uint32_t);
using MapiOutboxFileFn = uint32_t (*)(char*, uint32_t);

// The library's file name in the program's folder.
inline constexpr const char kMapiLibrary[] = "libMAPI32.so";
// Where the stand-in writes its messages.
inline constexpr const char kMailOutboxVariable[] = "QUILLET_MAIL_OUTBOX";
// The program that hands a message to the mail program.
inline constexpr const char kMailProgramVariable[] = "QUILLET_MAIL_PROGRAM";
