// The e-mail object: hands a topic's report and the picture files it shows
// to the mail program as a new message, through the system mail library
// (libMAPI32.so) loaded at run time.
//
// The library is loaded and logged on to once, when the object is made;
// without the library, or after a failed logon, sending stays off until the
// program is restarted and Send does nothing. The mail program's compose
// window collects recipients and text: the message carries only the
// topic's title as subject and the files, the report first.
#pragma once

#include <cstdint>
#include <string>

#include "reports/ReportSource.h"

namespace quillet {

// The one format the program sends: the HTML report with its image files.
inline constexpr int kMailFormatHtmlReport = 2;

// Send's answers besides the mail library's own codes (0 sent, 1 the
// person cancelled, ...): nothing was handed to the mail program.
inline constexpr int kMailNotSent = -1;

// The name a topic's report is attached under: the title's first line,
// code-page bytes, each character a file name here or at the recipient's
// cannot hold made '_', cut to 80 bytes, without leading or trailing
// spaces and dots, then ".htm"; "" when nothing is left (the report then
// goes under its own file name).
std::string ReportAttachmentName(const CpText& title);

struct MailServices {
  IReportSource* source = nullptr;     // the topic's title and report file name
  IReportSettings* settings = nullptr;  // OutputPath and TemplatePath
};

class CEmailObject {
 public:
  // Loads the library at `libraryPath` and logs on (the outcome is logged).
  CEmailObject(const MailServices& services, const std::string& libraryPath);
  // Releases the library; there is no log-off.
  ~CEmailObject();
  CEmailObject(const CEmailObject&) = delete;
  CEmailObject& operator=(const CEmailObject&) = delete;

  // True only after a successful logon.
  bool logged_on() const { return logged_on_; }
  // What the logon answered; kMailNotSent when there was no library to ask.
  int logon_result() const { return logon_result_; }

  // Hands the report of topic `recordId` and its picture files to the mail
  // program. A referenced picture missing from the output folder is told
  // by name and left out. Returns what the mail library answered, or
  // kMailNotSent when nothing was handed over (not logged on, another
  // format, not a topic, no usable report name).
  int Send(uint32_t recordId, int format);

  // The message file the last Send left in the outbox because no mail
  // program took it; empty when the mail program has it (or nothing went).
  const std::string& outbox_file() const { return outbox_file_; }

  // Tells the person how the last Send of topic `recordId` ended, as Send
  // answered `result`: in the mail program, in the outbox (with the file's
  // path and what to do), or not sent (why, and what to do). A cancelled
  // compose window, and a Send that handed nothing over because sending is
  // off, are told nothing.
  void TellOutcome(uint32_t recordId, int result) const;

 private:
  MailServices services_;
  void* library_ = nullptr;
  uintptr_t session_ = 0;  // kept, never used for sending
  bool logged_on_ = false;
  int logon_result_ = kMailNotSent;
  std::string outbox_file_;
};

}  // namespace quillet
