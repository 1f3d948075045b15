// The e-mail piece the main window is given: registered by linking it,
// sending the current database's topic with the current user's folders.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "base/AppPaths.h"
#include "base/RegistryKey.h"
#include "base/UserInterface.h"
#include "desktop/db/CurrentDatabase.h"
#include "platform/mapi/Mapi.h"
#include "reports/tests/TestSupport.h"
#include "testing/MimeReader.h"
#include "testing/RecordingUI.h"
#include "testing/TempRegistry.h"
#include "widgets/kit/ShellParts.h"
#include "widgets/mail/MailPart.h"

namespace quillet {
namespace {

TEST(MailPart, TheRegisteredPieceSendsTheCurrentUsersReport) {
  testing::TempRegistry registry;
  testing::ReportRig rig;
  uint32_t topic = rig.records.AddTopic("Herons");
  rig.records.AddImage(topic, "grey", "grey.jpg");
  rig.Build(topic, "<p>{TITLE}</p>{IMAGES_BEGIN}<img src=\"{IMAGE_SRC}\">{IMAGES_END}");
  const std::string report = rig.records.Topic(topic)->fileName;

  // The library comes from lib/quillet/ beside the program's bin/.
  SetProgramFileForTesting(std::string(QUILLET_BIN_DIR) + "/quillet");
  AppPaths.userFolder = "Ann/";
  CRegistryKey key;
  key.OpenProgramKey("Ann/");
  key.WriteValueString("OutputPath", rig.output);
  key.WriteValueString("TemplatePath", rig.themes);
  key.CloseKey();
  const std::string outbox = rig.dir.path() + "outbox/";
  ::setenv(kMailOutboxVariable, outbox.c_str(), 1);
  ::setenv(kMailProgramVariable, "", 1);
  RecordingUI ui;
  ScopedUI scope(&ui);
  CRecordStore* saved = pDB;
  pDB = &rig.records.store();

  RegisterMailPart();
  ASSERT_TRUE(RegisteredShellParts().email);
  std::unique_ptr<CEmail> email = RegisteredShellParts().email();
  EXPECT_TRUE(email->Available());
  EXPECT_TRUE(email->Send(topic, 2));
  EXPECT_FALSE(email->Send(topic + 1000, 2));
  auto entries = testing::EntriesIn(outbox);
  ASSERT_EQ(entries.size(), 1u);
  auto mail = testing::ParseMime(testing::ReadWhole(outbox + entries[0]));
  EXPECT_EQ(mail.Header("Subject"), "Herons");
  ASSERT_EQ(mail.parts.size(), 2u);
  EXPECT_EQ(testing::AttachmentFileName(mail.parts[0]), "Herons.htm");  // the report, by its topic's title
  EXPECT_EQ(mail.parts[0].body, testing::ReadWhole(rig.output + report));
  EXPECT_EQ(testing::AttachmentFileName(mail.parts[1]), "grey.jpg");
  // The person is told where the message went.
  ASSERT_EQ(ui.messages.size(), 2u);  // and, for the unknown topic, that nothing went
  EXPECT_NE(ui.messages[0].text.find(outbox + entries[0]), std::string::npos);
  EXPECT_NE(ui.messages[1].text.find("There is no report of this topic"), std::string::npos);

  // Without the library in our library folder the piece is there but off.
  SetProgramFileForTesting(rig.dir.path() + "bin/quillet");
  std::unique_ptr<CEmail> none = RegisteredShellParts().email();
  EXPECT_FALSE(none->Available());
  EXPECT_FALSE(none->Send(topic, 2));
  EXPECT_EQ(testing::EntriesIn(outbox).size(), 1u);

  pDB = saved;
  SetProgramFileForTesting("");
  AppPaths.Clear();
  ::unsetenv(kMailOutboxVariable);
  ::unsetenv(kMailProgramVariable);
}

}  // namespace
}  // namespace quillet
