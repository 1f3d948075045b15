// The mail stand-in as the program sees it: loaded with dlopen, called by
// name, leaving message files in the outbox.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <string>

#include "platform/mapi/Mapi.h"
#include "testing/MimeReader.h"

namespace quillet {
namespace {

using testing::AttachmentFileName;
using testing::DecodeHeaderWords;
using testing::EntriesIn;
using testing::ParseMime;
using testing::ReadWhole;

class MailStandIn : public ::testing::Test {
 protected:
  void SetUp() override {
    lib_ = dlopen((std::string(QUILLET_LIB_DIR) + "/" + kMapiLibrary).c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib_, nullptr) << dlerror();
    logon_ = reinterpret_cast<MapiLogonFn>(dlsym(lib_, "MAPILogon"));
    send_ = reinterpret_cast<MapiSendMailFn>(dlsym(lib_, "MAPISendMail"));
    ASSERT_NE(logon_, nullptr);
    ASSERT_NE(send_, nullptr);
    char tmpl[] = "/tmp/quillet-mapi-XXXXXX";
    dir_ = std::string(::mkdtemp(tmpl)) + "/";
    outbox_ = dir_ + "outbox/";
    ::setenv(kMailOutboxVariable, outbox_.c_str(), 1);
    // The message file is what most of these look at: no mail program.
    ::setenv(kMailProgramVariable, "", 1);
  }
  void TearDown() override {
    ::unsetenv(kMailOutboxVariable);
    ::unsetenv(kMailProgramVariable);
    ::unsetenv("QUILLET_MAIL_SEND_RESULT");
    ::unsetenv("QUILLET_MAIL_LOGON_RESULT");
    if (lib_) dlclose(lib_);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ + name, std::ios::binary) << bytes;
    return dir_ + name;
  }

  // What the last send left in the outbox, as the library tells it.
  std::string OutboxFile() {
    auto ask = reinterpret_cast<MapiOutboxFileFn>(dlsym(lib_, "QuilletMailOutboxFile"));
    if (ask == nullptr) return "(not exported)";
    char buffer[4096];
    const uint32_t length = ask(buffer, sizeof buffer);
    EXPECT_EQ(length, std::strlen(buffer));
    return buffer;
  }

  void* lib_ = nullptr;
  MapiLogonFn logon_ = nullptr;
  MapiSendMailFn send_ = nullptr;
  std::string dir_, outbox_;
};

TEST_F(MailStandIn, MessageFileHoldsRecipientsSubjectBodyAndAttachments) {
  std::string report = Write("r.htm", "<html>\r\n</html>\r\n");
  std::string odd = Write("we\"ird\xe9.jpg", std::string("\xff\xd8\x00\x01tail", 8));
  MapiRecipDesc to{0, MAPI_TO, const_cast<char*>("Ann Reader"), const_cast<char*>("SMTP:ann@example.org"), 0, nullptr};
  MapiFileDesc files[2] = {{0, 0, 0xFFFFFFFF, report.data(), nullptr, nullptr},
                           {0, 0, 0xFFFFFFFF, odd.data(), nullptr, nullptr}};
  // A title can hold anything the handheld let through: it must stay one
  // header, never start new ones.
  std::string subject = "Birds\r\nBcc: someone@example.org\r\n\r\nCaf\xe9";
  std::string body = "first line\nsecond";
  MapiMessage m{};
  m.lpszSubject = subject.data();
  m.lpszNoteText = body.data();
  m.nRecipCount = 1;
  m.lpRecips = &to;
  m.nFileCount = 2;
  m.lpFiles = files;
  ASSERT_EQ(send_(0, 0, &m, MAPI_LOGON_UI | MAPI_DIALOG, 0), SUCCESS_SUCCESS);

  auto entries = EntriesIn(outbox_);
  ASSERT_EQ(entries.size(), 1u);  // no half-written file left beside it
  ASSERT_EQ(entries[0].substr(entries[0].size() - 4), ".eml");
  auto mail = ParseMime(ReadWhole(outbox_ + entries[0]));
  EXPECT_EQ(mail.HeaderCount("Subject"), 1);
  EXPECT_EQ(mail.HeaderCount("Bcc"), 0);
  EXPECT_EQ(DecodeHeaderWords(mail.Header("Subject")), subject);
  EXPECT_EQ(mail.Header("To"), "\"Ann Reader\" <ann@example.org>");
  ASSERT_EQ(mail.parts.size(), 3u);
  EXPECT_EQ(mail.parts[0].body, "first line\r\nsecond");
  EXPECT_EQ(AttachmentFileName(mail.parts[1]), "r.htm");
  EXPECT_EQ(mail.parts[1].body, "<html>\r\n</html>\r\n");
  EXPECT_NE(mail.parts[1].headers.find("text/html"), std::string::npos);
  EXPECT_EQ(AttachmentFileName(mail.parts[2]), "we\"ird\xe9.jpg");
  EXPECT_EQ(mail.parts[2].body, std::string("\xff\xd8\x00\x01tail", 8));
  EXPECT_NE(mail.parts[2].headers.find("image/jpeg"), std::string::npos);
}

TEST_F(MailStandIn, AGivenAttachmentNameNeverNamesAFolder) {
  std::string report = Write("r.htm", "x");
  MapiFileDesc f{0, 0, 0xFFFFFFFF, report.data(), const_cast<char*>("../../up.htm"), nullptr};
  MapiMessage m{};
  m.nFileCount = 1;
  m.lpFiles = &f;
  ASSERT_EQ(send_(0, 0, &m, 0, 0), SUCCESS_SUCCESS);
  auto entries = EntriesIn(outbox_);
  ASSERT_EQ(entries.size(), 1u);
  auto mail = ParseMime(ReadWhole(outbox_ + entries[0]));
  ASSERT_EQ(mail.parts.size(), 1u);
  EXPECT_EQ(AttachmentFileName(mail.parts[0]), ".._.._up.htm");
}

TEST_F(MailStandIn, FailuresWriteNothing) {
  std::string missing = dir_ + "gone.htm";
  MapiFileDesc f{0, 0, 0xFFFFFFFF, missing.data(), nullptr, nullptr};
  MapiMessage m{};
  m.nFileCount = 1;
  m.lpFiles = &f;
  EXPECT_EQ(send_(0, 0, &m, 0, 0), MAPI_E_ATTACHMENT_NOT_FOUND);
  std::string folder = dir_;
  f.lpszPathName = folder.data();  // a folder is no attachment
  EXPECT_EQ(send_(0, 0, &m, 0, 0), MAPI_E_ATTACHMENT_OPEN_FAILURE);
  m.lpFiles = nullptr;
  EXPECT_EQ(send_(0, 0, &m, 0, 0), MAPI_E_INVALID_MESSAGE);
  EXPECT_EQ(send_(0, 0, nullptr, 0, 0), MAPI_E_INVALID_MESSAGE);

  std::string report = Write("r.htm", "x");
  f.lpszPathName = report.data();
  m.lpFiles = &f;
  ::setenv("QUILLET_MAIL_SEND_RESULT", "1", 1);  // the person cancels
  EXPECT_EQ(send_(0, 0, &m, MAPI_DIALOG, 0), MAPI_E_USER_ABORT);
  EXPECT_TRUE(EntriesIn(outbox_).empty());

  // An outbox that cannot be made.
  ::unsetenv("QUILLET_MAIL_SEND_RESULT");
  Write("blocker", "not a folder");
  ::setenv(kMailOutboxVariable, (dir_ + "blocker/out").c_str(), 1);
  EXPECT_EQ(send_(0, 0, &m, 0, 0), MAPI_E_FAILURE);
}

TEST_F(MailStandIn, LogonAnswersTheCodeAskedFor) {
  uintptr_t session = 99;
  EXPECT_EQ(logon_(0, nullptr, nullptr, MAPI_LOGON_UI, 0, &session), SUCCESS_SUCCESS);
  EXPECT_NE(session, 0u);
  ::setenv("QUILLET_MAIL_LOGON_RESULT", "3", 1);
  EXPECT_EQ(logon_(0, nullptr, nullptr, MAPI_LOGON_UI, 0, &session), MAPI_E_LOGIN_FAILURE);
  EXPECT_EQ(session, 0u);
  EXPECT_EQ(logon_(0, nullptr, nullptr, MAPI_LOGON_UI, 0, nullptr), MAPI_E_FAILURE);
}

}  // namespace
}  // namespace quillet

namespace quillet {
namespace {

// A stand-in xdg-email on PATH that writes its arguments, one a line, into
// "args" and ends with the status given; `extra` runs before that.
class MailProgram : public MailStandIn {
 protected:
  void SetUp() override {
    MailStandIn::SetUp();
    ::unsetenv(kMailProgramVariable);
    bin_ = dir_ + "bin/";
    std::filesystem::create_directories(bin_);
    old_path_ = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (bin_ + ":/usr/bin:/bin").c_str(), 1);
  }
  void TearDown() override {
    ::setenv("PATH", old_path_.c_str(), 1);
    MailStandIn::TearDown();
  }
  void InstallMailProgram(int status, const std::string& extra = "") {
    const std::string script = bin_ + "xdg-email";
    std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << dir_
                          << "args'\n" << extra << "\nexit " << status << "\n";
    ::chmod(script.c_str(), 0755);
  }
  std::string Arguments() { return ReadWhole(dir_ + "args"); }
  MapiMessage Message(std::vector<MapiFileDesc>* files) {
    MapiMessage m{};
    m.lpszSubject = subject_.data();
    m.nFileCount = static_cast<uint32_t>(files->size());
    m.lpFiles = files->data();
    return m;
  }

  std::string bin_, old_path_;
  // A Windows-1252 title with a line break in it.
  std::string subject_ = "Caf\xe9 birds\r\nspring";
};

TEST_F(MailProgram, TakesSubjectAndEachFileByItsOwnPath) {
  InstallMailProgram(0);
  std::string report = Write("12072026.htm", "<html></html>");
  std::string picture = Write("heron at dusk.jpg", "\xff\xd8");
  std::vector<MapiFileDesc> files = {{0, 0, 0xFFFFFFFF, report.data(), nullptr, nullptr},
                                     {0, 0, 0xFFFFFFFF, picture.data(), nullptr, nullptr}};
  MapiMessage m = Message(&files);
  ASSERT_EQ(send_(0, 0, &m, MAPI_LOGON_UI | MAPI_DIALOG, 0), SUCCESS_SUCCESS);
  EXPECT_EQ(Arguments(), "--utf8\n--subject\nCaf\xc3\xa9 birds  spring\n--attach\n" + report +
                             "\n--attach\n" + picture + "\n");
  EXPECT_TRUE(EntriesIn(outbox_).empty());  // the mail program has it
  EXPECT_EQ(OutboxFile(), "");

  // A body text and recipients, when a caller gives them; an address that
  // would read as an option is left out.
  std::string body = "one\r\ntwo";
  MapiRecipDesc to[3] = {{0, MAPI_TO, nullptr, const_cast<char*>("SMTP:ann@example.org"), 0, nullptr},
                         {0, MAPI_CC, nullptr, const_cast<char*>("bob@example.org"), 0, nullptr},
                         {0, MAPI_TO, nullptr, const_cast<char*>("--attach=/etc/passwd"), 0, nullptr}};
  m.lpszNoteText = body.data();
  m.nRecipCount = 3;
  m.lpRecips = to;
  m.nFileCount = 1;
  ASSERT_EQ(send_(0, 0, &m, MAPI_DIALOG, 0), SUCCESS_SUCCESS);
  EXPECT_EQ(Arguments(), "--utf8\n--subject\nCaf\xc3\xa9 birds  spring\n--body\none\ntwo\n--cc\nbob@example.org\n"
                         "--attach\n" + report + "\nann@example.org\n");
}

// xdg-email joins the attachments into the mail program's compose line: a
// path with a quote, comma or '=' could add a recipient there. Such a file
// is handed over as a copy under a plain name in a folder of the user's own.
TEST_F(MailProgram, AttachmentPathsThatCouldAddFieldsAreHandedOverAsPlainCopies) {
  InstallMailProgram(0);
  const std::string run = dir_ + "run";
  std::filesystem::create_directories(run);
  const char* old_run = std::getenv("XDG_RUNTIME_DIR");
  const std::string saved_run = old_run != nullptr ? old_run : "";
  ::setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
  std::string report = Write("r.htm", "<html></html>");
  std::string crafted = Write("p',to='attacker@example.org',subject='x.jpg", "crafted bytes");
  std::string second = Write("p\",to=x.jpg", "second bytes");
  std::vector<MapiFileDesc> files = {{0, 0, 0xFFFFFFFF, report.data(), nullptr, nullptr},
                                     {0, 0, 0xFFFFFFFF, crafted.data(), nullptr, nullptr},
                                     {0, 0, 0xFFFFFFFF, second.data(), nullptr, nullptr}};
  MapiMessage m = Message(&files);
  const uint32_t result = send_(0, 0, &m, MAPI_DIALOG, 0);
  if (old_run != nullptr) ::setenv("XDG_RUNTIME_DIR", saved_run.c_str(), 1);
  else ::unsetenv("XDG_RUNTIME_DIR");
  ASSERT_EQ(result, SUCCESS_SUCCESS);

  std::vector<std::string> args;
  std::istringstream lines(Arguments());
  for (std::string line; std::getline(lines, line);) args.push_back(line);
  ASSERT_EQ(args.size(), 9u) << Arguments();
  EXPECT_EQ(args[3], "--attach");
  EXPECT_EQ(args[4], report);  // a plain path goes as it is
  const std::string copy = args[6], copy2 = args[8];
  const std::string folder = copy.substr(0, copy.rfind('/') + 1);
  EXPECT_EQ(folder.rfind(run + "/quillet-mail-", 0), 0u) << copy;
  EXPECT_EQ(copy, folder + "p__to__attacker_example.org__subject__x.jpg");
  EXPECT_EQ(copy2, folder + "p__to_x.jpg");
  for (const std::string& a : args)
    EXPECT_EQ(a.find_first_of("',=\""), std::string::npos) << a;
  EXPECT_EQ(ReadWhole(copy), "crafted bytes");
  EXPECT_EQ(ReadWhole(copy2), "second bytes");
  struct stat st;
  ASSERT_EQ(::stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ASSERT_EQ(::stat(copy.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(MailProgram, AFailingOrMissingMailProgramLeavesTheMessageInTheOutbox) {
  std::string report = Write("r.htm", "<html></html>");
  std::vector<MapiFileDesc> files = {{0, 0, 0xFFFFFFFF, report.data(), nullptr, nullptr}};
  MapiMessage m = Message(&files);

  InstallMailProgram(3);  // xdg-email: no mail program set up
  ASSERT_EQ(send_(0, 0, &m, MAPI_DIALOG, 0), SUCCESS_SUCCESS);
  EXPECT_FALSE(Arguments().empty());  // it was asked
  auto entries = EntriesIn(outbox_);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(OutboxFile(), outbox_ + entries[0]);
  auto mail = ParseMime(ReadWhole(outbox_ + entries[0]));
  ASSERT_EQ(mail.parts.size(), 1u);
  EXPECT_EQ(AttachmentFileName(mail.parts[0]), "r.htm");

  std::filesystem::remove(bin_ + "xdg-email");  // none at all
  ASSERT_EQ(send_(0, 0, &m, MAPI_DIALOG, 0), SUCCESS_SUCCESS);
  EXPECT_EQ(EntriesIn(outbox_).size(), 2u);
  EXPECT_NE(OutboxFile(), outbox_ + entries[0]);

  // A missing attachment is the caller's fault whoever composes: nothing
  // goes anywhere.
  InstallMailProgram(0);
  std::filesystem::remove(dir_ + "args");
  std::string gone = dir_ + "gone.jpg";
  files.push_back({0, 0, 0xFFFFFFFF, gone.data(), nullptr, nullptr});
  m = Message(&files);
  EXPECT_EQ(send_(0, 0, &m, MAPI_DIALOG, 0), MAPI_E_ATTACHMENT_NOT_FOUND);
  EXPECT_FALSE(std::filesystem::exists(dir_ + "args"));
  EXPECT_EQ(OutboxFile(), "");
}

// A mail program started in the foreground runs until the person closes
// it: still running after the settle time means it has the message.
TEST_F(MailProgram, AMailProgramStillRunningHasTheMessage) {
  InstallMailProgram(1, "sleep 4");
  std::string report = Write("r.htm", "<html></html>");
  std::vector<MapiFileDesc> files = {{0, 0, 0xFFFFFFFF, report.data(), nullptr, nullptr}};
  MapiMessage m = Message(&files);
  EXPECT_EQ(send_(0, 0, &m, MAPI_DIALOG, 0), SUCCESS_SUCCESS);
  EXPECT_TRUE(EntriesIn(outbox_).empty());
  EXPECT_EQ(OutboxFile(), "");
}

}  // namespace
}  // namespace quillet
