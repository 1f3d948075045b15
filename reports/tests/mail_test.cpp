// Sending a topic's report by mail through the mail library stand-in: what
// reaches the outbox, what the person is told, and what is logged.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/DiagnosticLog.h"
#include "base/RegistryKey.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "platform/mapi/Mapi.h"
#include "reports/Mail.h"
#include "reports/tests/TestSupport.h"
#include "testing/MimeReader.h"
#include "testing/RecordingUI.h"
#include "testing/TempRegistry.h"

namespace quillet {
namespace {

using testing::AttachmentFileName;
using testing::EntriesIn;
using testing::MimeMessage;
using testing::ParseMime;
using testing::ReadFile;
using testing::ReportRig;
using testing::WriteFile;

const std::string kLibrary = std::string(QUILLET_LIB_DIR) + "/" + kMapiLibrary;

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class Mail : public ::testing::Test {
 protected:
  void SetUp() override {
    CRegistryKey reg;
    reg.OpenProgramKey();
    reg.WriteValueString("LogPath", registry_.dir());
    reg.WriteValueDword("Log", 1);
    StartLog();
    outbox_ = rig_.dir.path() + "outbox/";
    ::setenv(kMailOutboxVariable, outbox_.c_str(), 1);
    // No mail program unless a test installs one: the outbox shows what went.
    ::setenv(kMailProgramVariable, "", 1);
  }
  void TearDown() override {
    SetLogEnabled(false);
    ::unsetenv(kMailOutboxVariable);
    ::unsetenv(kMailProgramVariable);
    ::unsetenv("QUILLET_MAIL_LOGON_RESULT");
    ::unsetenv("QUILLET_MAIL_SEND_RESULT");
  }

  MailServices Services() { return MailServices{&rig_.source, &rig_.settings}; }
  std::string Log() { return testing::ReadFileBytes(registry_.dir() + "log.txt"); }

  // A topic with two pictures whose report also shows a theme picture
  // twice, built as showing the topic builds it.
  uint32_t ShownTopic() {
    uint32_t topic = rig_.records.AddTopic("Birds of the Marsh");
    rig_.records.AddImage(topic, "heron", "p1.jpg");
    rig_.records.AddImage(topic, "bittern", "p2.jpg");
    WriteFile(rig_.themes + "band.png", "BAND");
    rig_.Build(topic,
               "<body background=\"band.png\"><h1>{TITLE}</h1>"
               "{IMAGES_BEGIN}<img src=\"{IMAGE_SRC}\">{IMAGES_END}<img src=\"band.png\"></body>");
    return topic;
  }
  std::string ReportName(uint32_t topic) { return rig_.records.Topic(topic)->fileName; }

  // The one message in the outbox.
  MimeMessage Sent() {
    std::vector<std::string> entries = EntriesIn(outbox_);
    EXPECT_EQ(entries.size(), 1u);
    if (entries.size() != 1) return {};
    return ParseMime(ReadFile(outbox_ + entries[0]));
  }
  static std::vector<std::string> Attached(const MimeMessage& m) {
    std::vector<std::string> names;
    for (const auto& p : m.parts) names.push_back(AttachmentFileName(p));
    return names;
  }

  testing::TempRegistry registry_;
  ReportRig rig_;
  std::string outbox_;
  RecordingUI ui_;
  ScopedUI scope_{&ui_};
};

TEST_F(Mail, TheReportGoesFirstThenEachPictureOnceInReportOrder) {
  uint32_t topic = ShownTopic();
  const std::string report = ReportName(topic);
  CEmailObject mail(Services(), kLibrary);
  ASSERT_TRUE(mail.logged_on());
  EXPECT_EQ(mail.Send(topic, kMailFormatHtmlReport), 0);

  MimeMessage m = Sent();
  EXPECT_EQ(m.Header("Subject"), "Birds of the Marsh");
  EXPECT_EQ(m.Header("To"), "");  // the compose window collects recipients
  // The report under the topic's title, the pictures under their own names.
  EXPECT_EQ(Attached(m), (std::vector<std::string>{"Birds of the Marsh.htm", "band.png", "p1.jpg", "p2.jpg"}));
  ASSERT_EQ(m.parts.size(), 4u);
  EXPECT_EQ(m.parts[0].body, ReadFile(rig_.output + report));
  EXPECT_NE(m.parts[0].body.find("<h1>Birds of the Marsh</h1>"), std::string::npos);
  EXPECT_EQ(m.parts[1].body, "BAND");
  EXPECT_EQ(m.parts[2].body, "JPEG 3");
  EXPECT_TRUE(ui_.messages.empty());
  // Nothing is taken away from the output folder.
  EXPECT_EQ(testing::FilesIn(rig_.output),
            (std::vector<std::string>{report, "band.png", "p1.jpg", "p2.jpg"}));

  std::string log = Log();
  EXPECT_EQ(Count(log, "E-mail object: SUCCESS_SUCCESS\r\n"), 1);
  log = log.substr(log.find("E-mail object:"));  // what the build logged is not ours
  EXPECT_EQ(Count(log, "NEW szTmp["), 3);
  EXPECT_EQ(Count(log, "DELETE szImage["), 3);
  EXPECT_EQ(Count(log, "DELETE szTmp["), 3);
  EXPECT_NE(log.find("NEW szTmp[2] = 0x"), std::string::npos);
}

TEST(MailAttachment, TheReportIsNamedAfterTheTitlesFirstLineAsAFileCanBe) {
  const struct {
    const char* title;
    const char* name;
  } cases[] = {
      {"Birds of the Marsh", "Birds of the Marsh.htm"},
      {"Caf\xE9 au lait", "Caf\xE9 au lait.htm"},  // code-page bytes stay
      {"Plans: 2004/2005?\nsecond line", "Plans_ 2004_2005_.htm"},
      {"a<b>c|d*e\\f\"g\th", "a_b_c_d_e_f_g_h.htm"},
      {"  ..hidden title. ", "hidden title.htm"},
      {" . .. ", ""},
      {"", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReportAttachmentName(CpText(c.title)), std::string(c.name)) << c.title;
  EXPECT_EQ(ReportAttachmentName(CpText(std::string(200, 'x'))), std::string(80, 'x') + ".htm");
}

TEST_F(Mail, AMissingPictureIsToldByNameAndLeftOut) {
  uint32_t topic = ShownTopic();
  std::filesystem::remove(rig_.output + "p1.jpg");
  CEmailObject mail(Services(), kLibrary);
  EXPECT_EQ(mail.Send(topic, kMailFormatHtmlReport), 0);
  ASSERT_EQ(ui_.MessageIds(), std::vector<int>{IDS_FILE_OPEN_OR_INVALID});
  EXPECT_EQ(ui_.messages[0].text, std::string("p1.jpg") + LoadString(IDS_FILE_OPEN_OR_INVALID).bytes());
  EXPECT_EQ(ui_.messages[0].caption, "Quillet");
  EXPECT_EQ(ui_.messages[0].flags, kMbOk | kMbIconInformation);
  EXPECT_EQ(Attached(Sent()), (std::vector<std::string>{"Birds of the Marsh.htm", "band.png", "p2.jpg"}));
}

TEST_F(Mail, WithoutTheLibrarySendDoesNothingAndSaysNothing) {
  uint32_t topic = ShownTopic();
  // No library at all, and a library that is not a mail library.
  for (const std::string& path : {rig_.dir.path() + "nowhere/" + kMapiLibrary,
                                  std::string(QUILLET_LIB_DIR) + "/libUserData.so"}) {
    CEmailObject mail(Services(), path);
    EXPECT_FALSE(mail.logged_on()) << path;
    EXPECT_EQ(mail.logon_result(), kMailNotSent);
    EXPECT_EQ(mail.Send(topic, kMailFormatHtmlReport), kMailNotSent);
  }
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_TRUE(EntriesIn(outbox_).empty());
  std::string log = Log();
  EXPECT_EQ(log.find("E-mail object:"), std::string::npos);
  EXPECT_EQ(log.find("szTmp"), std::string::npos);
}

TEST_F(Mail, EachLogonOutcomeIsLoggedAndOnlySuccessEnablesSending) {
  uint32_t topic = ShownTopic();
  const std::pair<const char*, const char*> outcomes[] = {
      {"1", "MAPI_E_USER_ABORT"},      {"2", "MAPI_E_FAILURE"},
      {"3", "MAPI_E_LOGIN_FAILURE"},   {"5", "MAPI_E_INSUFFICIENT_MEMORY"},
      {"8", "MAPI_E_TOO_MANY_SESSIONS"}, {"4", "Default Error"},
      {"26", "Default Error"}};
  for (const auto& [code, text] : outcomes) {
    ::setenv("QUILLET_MAIL_LOGON_RESULT", code, 1);
    CEmailObject mail(Services(), kLibrary);
    EXPECT_FALSE(mail.logged_on()) << code;
    EXPECT_EQ(mail.logon_result(), std::stoi(code));
    EXPECT_EQ(mail.Send(topic, kMailFormatHtmlReport), kMailNotSent);
    EXPECT_NE(Log().find(std::string("\r\nE-mail object: ") + text + "\r\n"), std::string::npos)
        << code;
  }
  EXPECT_EQ(Count(Log(), "Default Error"), 2);
  EXPECT_TRUE(EntriesIn(outbox_).empty());
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(Mail, ACancelledComposeWindowOrAFailingMailProgramChangesNothing) {
  uint32_t topic = ShownTopic();
  CEmailObject mail(Services(), kLibrary);
  ::setenv("QUILLET_MAIL_SEND_RESULT", "1", 1);
  EXPECT_EQ(mail.Send(topic, kMailFormatHtmlReport), MAPI_E_USER_ABORT);
  ::setenv("QUILLET_MAIL_SEND_RESULT", "2", 1);
  EXPECT_EQ(mail.Send(topic, kMailFormatHtmlReport), MAPI_E_FAILURE);
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_TRUE(EntriesIn(outbox_).empty());
  EXPECT_EQ(testing::FilesIn(rig_.output).size(), 4u);
  // The names are still released after every call.
  EXPECT_EQ(Count(Log(), "DELETE szTmp["), 6);
  EXPECT_EQ(Count(Log(), "NEW szTmp["), 6);
  // The session stays usable.
  ::unsetenv("QUILLET_MAIL_SEND_RESULT");
  EXPECT_EQ(mail.Send(topic, kMailFormatHtmlReport), 0);
  EXPECT_EQ(Attached(Sent()).size(), 4u);
}

TEST_F(Mail, AMissingReportIsLeftToTheMailProgram) {
  uint32_t topic = ShownTopic();
  std::filesystem::remove(rig_.output + ReportName(topic));
  CEmailObject mail(Services(), kLibrary);
  EXPECT_EQ(mail.Send(topic, kMailFormatHtmlReport), MAPI_E_ATTACHMENT_NOT_FOUND);
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_TRUE(EntriesIn(outbox_).empty());
}

TEST_F(Mail, OnlyATopicsOwnReportInTheOutputFolderIsEverSent) {
  uint32_t topic = ShownTopic();
  uint32_t note = rig_.records.AddNote(topic, "a note");
  uint32_t fresh = rig_.records.AddTopic("Never shown");
  CEmailObject mail(Services(), kLibrary);
  EXPECT_EQ(mail.Send(note, kMailFormatHtmlReport), kMailNotSent);
  EXPECT_EQ(mail.Send(fresh, kMailFormatHtmlReport), kMailNotSent);  // no report name yet
  EXPECT_EQ(mail.Send(topic, 1), kMailNotSent);
  // A report name from a crafted store must not reach beside or above the
  // output folder, nor the store itself.
  WriteFile(rig_.dir.path() + "secret.htm", "<img src=\"p1.jpg\">");
  for (const char* crafted : {"../secret.htm", "/etc/passwd", "..", "quillet.dat"}) {
    rig_.records.Topic(topic)->fileName = crafted;
    EXPECT_EQ(mail.Send(topic, kMailFormatHtmlReport), kMailNotSent) << crafted;
  }
  EXPECT_TRUE(EntriesIn(outbox_).empty());
  EXPECT_TRUE(ui_.messages.empty());
}

// A stand-in xdg-email on PATH that writes its arguments, one a line.
class MailToProgram : public Mail {
 protected:
  void SetUp() override {
    Mail::SetUp();
    ::unsetenv(kMailProgramVariable);
    const std::string bin = rig_.dir.path() + "bin/";
    std::filesystem::create_directories(bin);
    args_ = rig_.dir.path() + "args";
    std::ofstream(bin + "xdg-email") << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '"
                                     << args_ << "'\nexit 0\n";
    ::chmod((bin + "xdg-email").c_str(), 0755);
    path_ = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (bin + ":/usr/bin:/bin").c_str(), 1);
  }
  void TearDown() override {
    ::setenv("PATH", path_.c_str(), 1);
    Mail::TearDown();
  }
  std::string args_, path_;
};

TEST_F(MailToProgram, TheMailProgramGetsTheSubjectAndEachFileUnderItsOwnName) {
  uint32_t topic = ShownTopic();
  const std::string report = ReportName(topic);
  CEmailObject mail(Services(), kLibrary);
  ASSERT_EQ(mail.Send(topic, kMailFormatHtmlReport), 0);
  const std::string& out = rig_.output;
  // The report is handed over as a copy under the topic's title, in a
  // private folder of its own; the pictures by their own paths.
  const std::string args = ReadFile(args_);
  const std::string head = "--utf8\n--subject\nBirds of the Marsh\n--attach\n";
  ASSERT_EQ(args.substr(0, head.size()), head);
  const size_t end = args.find('\n', head.size());
  const std::string copy = args.substr(head.size(), end - head.size());
  EXPECT_TRUE(copy.ends_with("/Birds of the Marsh.htm")) << copy;
  EXPECT_NE(copy.find("/quillet-mail-"), std::string::npos) << copy;
  EXPECT_EQ(ReadFile(copy), ReadFile(out + report));
  EXPECT_EQ(args.substr(end + 1), "--attach\n" + out + "band.png\n--attach\n" + out + "p1.jpg\n--attach\n" +
                                      out + "p2.jpg\n");
  EXPECT_TRUE(EntriesIn(outbox_).empty());
  EXPECT_EQ(mail.outbox_file(), "");
  EXPECT_TRUE(ui_.messages.empty());  // Send itself says nothing on success

  mail.TellOutcome(topic, 0);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text,
            "The report of \"Birds of the Marsh\" is in a new message in your mail program.\n\n"
            "Add the recipients there and send it.");
  EXPECT_EQ(ui_.messages[0].caption, "Quillet");
  EXPECT_EQ(ui_.messages[0].flags, kMbOk | kMbIconInformation);
}

TEST_F(Mail, WithoutAMailProgramThePersonIsToldWhereTheMessageFileIs) {
  uint32_t topic = ShownTopic();
  CEmailObject mail(Services(), kLibrary);
  ASSERT_EQ(mail.Send(topic, kMailFormatHtmlReport), 0);
  const std::vector<std::string> entries = EntriesIn(outbox_);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(mail.outbox_file(), outbox_ + entries[0]);
  mail.TellOutcome(topic, 0);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_NE(ui_.messages[0].text.find("No mail program is set up"), std::string::npos);
  EXPECT_NE(ui_.messages[0].text.find("\n\n" + outbox_ + entries[0] + "\n\n"), std::string::npos)
      << ui_.messages[0].text;
  EXPECT_EQ(ui_.messages[0].flags, kMbOk | kMbIconInformation);
}

TEST_F(Mail, FailuresAreToldWithWhatToDoAndACancelIsNot) {
  uint32_t topic = ShownTopic();
  CEmailObject mail(Services(), kLibrary);
  ::setenv("QUILLET_MAIL_SEND_RESULT", "1", 1);
  mail.TellOutcome(topic, mail.Send(topic, kMailFormatHtmlReport));
  EXPECT_TRUE(ui_.messages.empty());

  ::setenv("QUILLET_MAIL_SEND_RESULT", "2", 1);
  mail.TellOutcome(topic, mail.Send(topic, kMailFormatHtmlReport));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text.rfind("The report of \"Birds of the Marsh\" was not sent.\n\n", 0), 0u);
  EXPECT_EQ(ui_.messages[0].flags, kMbOk | kMbIconExclamation);
  EXPECT_EQ(mail.outbox_file(), "");

  ::unsetenv("QUILLET_MAIL_SEND_RESULT");
  std::filesystem::remove(rig_.output + ReportName(topic));
  mail.TellOutcome(topic, mail.Send(topic, kMailFormatHtmlReport));
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_NE(ui_.messages[1].text.find("Show the topic again"), std::string::npos);
  EXPECT_TRUE(EntriesIn(outbox_).empty());

  // A topic never shown has no report to send.
  const uint32_t fresh = rig_.records.AddTopic("Unseen");
  mail.TellOutcome(fresh, mail.Send(fresh, kMailFormatHtmlReport));
  ASSERT_EQ(ui_.messages.size(), 3u);
  EXPECT_EQ(ui_.messages[2].text.rfind("There is no report of \"Unseen\" to send yet.", 0), 0u);
}

}  // namespace
}  // namespace quillet
