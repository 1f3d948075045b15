#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "base/FolderSentences.h"
#include "base/Strings.h"
#include "base/Translate.h"
#include "base/UserInterface.h"
#include "platform/codepage/CodePage.h"
#include "testing/RecordingUI.h"

namespace quillet {
namespace {

TEST(StringTable, KnownAndUnknownNumbers) {
  EXPECT_EQ(LoadString(IDS_SAVE_FAILED).bytes(),
               "There was an error saving the current data to the database.\n\n"
               "Check to make sure the user hasn't been deleted.");
  EXPECT_EQ(LoadString(IDS_DEFAULT_THEME).bytes(), "Show Everything.htm");
  EXPECT_EQ(LoadString(103).bytes(), "Quillet!");
  EXPECT_EQ(LoadString(0).bytes(), "");
  EXPECT_EQ(LoadString(232).bytes(), "");
  EXPECT_EQ(LoadString(99999).bytes(), "");
}

TEST(StringTable, TextsComeInThePersonsLanguageWhereTheyCan) {
  EXPECT_EQ(LoadString(IDS_ADD), CpText("Add"));
  EXPECT_EQ(UiString(IDS_ADD), "Add");
  EXPECT_TRUE(LoadString(99999).empty());
  EXPECT_TRUE(UiString(99999).empty());
  EXPECT_STREQ(EnglishString(99999), "");

  // A catalogue: German fits the code page, Greek does not.
  static std::string language;
  TranslateFn previous = SetTranslator([](const char* context, const char* source) -> std::string {
    if (std::string(context) != "Strings" || std::string(source) != "Add") return std::string();
    return language;
  });
  language = "Hinzuf\u00FCgen";
  EXPECT_EQ(UiString(IDS_ADD), language);
  EXPECT_EQ(LoadString(IDS_ADD), CpText("Hinzuf\xFCgen"));  // code-page bytes
  language = "\u03A0\u03C1\u03BF\u03C3\u03B8\u03AE\u03BA\u03B7";
  EXPECT_EQ(UiString(IDS_ADD), language);  // a message shows it
  EXPECT_EQ(LoadString(IDS_ADD), CpText("Add"));  // record data keeps the English
  EXPECT_STREQ(EnglishString(IDS_ADD), "Add");
  // Texts the catalogue lacks, and the ones that name files, stay as they are.
  EXPECT_EQ(UiString(IDS_DEFAULT_THEME), "Show Everything.htm");
  EXPECT_EQ(UiString(IDS_NOTE), "Note");
  SetTranslator(previous);
  EXPECT_EQ(UiString(IDS_ADD), "Add");
}

// What is wrong with a private folder: in English the person reads what the
// log says, for every kind of problem; with a catalogue, their language,
// with the folder, its purpose and the detail put in.
TEST(FolderSentences, EveryProblemIsSaidAsTheLogSaysItOrInThePersonsLanguage) {
  using Problem = qplat::PrivateFolderCheck::Problem;
  std::vector<qplat::PrivateFolderCheck> checks;
  for (Problem p : {Problem::kNotAbsolute, Problem::kUnusable, Problem::kLink, Problem::kNotFolder,
                    Problem::kOtherOwner, Problem::kOpen}) {
    qplat::PrivateFolderCheck c;
    c.problem = p;
    c.folder = "/run/user/1000";
    c.error = ENOENT;
    c.owner = 4321;
    c.mode = 0777;
    checks.push_back(c);
  }
  for (const auto& c : checks) {
    const std::string said = PrivateFolderSentence(c, MessageFolderPurpose());
    EXPECT_EQ(said, qplat::PrivateFolderProblem(c, "for Quillet!'s messages"));
    EXPECT_EQ(said.rfind("The folder /run/user/1000 for Quillet!'s messages ", 0), 0u) << said;
  }
  EXPECT_EQ(PrivateFolderSentence(qplat::PrivateFolderCheck{}, BackupFolderPurpose()), "");
  EXPECT_NE(PrivateFolderSentence(checks[4], BackupFolderPurpose()).find("(user id 4321)"), std::string::npos);
  EXPECT_NE(PrivateFolderSentence(checks[5], BackupFolderPurpose()).find("(mode 0777)"), std::string::npos);

  TranslateFn previous = SetTranslator([](const char* context, const char* source) -> std::string {
    if (std::string(context) != "PrivateFolder") return std::string();
    const std::string s = source;
    if (s == "for Quillet!'s backups") return "f\u00FCr die Sicherungen von Quillet!";
    if (s.find("is open to other users") != std::string::npos)
      return "Der Ordner %1 %2 ist f\u00FCr andere offen (Modus %3).";
    return std::string();
  });
  EXPECT_EQ(PrivateFolderSentence(checks[5], BackupFolderPurpose()),
            "Der Ordner /run/user/1000 f\u00FCr die Sicherungen von Quillet! ist f\u00FCr andere offen (Modus 0777).");
  SetTranslator(previous);
}

TEST(UserInterface, AnUnstorableCharacterIsNamedWithItsField) {
  RecordingUI ui;
  ScopedUI scope(&ui);
  ShowUnstorableCharacter(CpText("Note"), 0x03A9);
  ShowUnstorableCharacter(CpText("caf\xE9 name"), 0x1F600);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.MessageIds(), (std::vector<int>{IDS_UNSTORABLE_CHARACTER, IDS_UNSTORABLE_CHARACTER}));
  // Messages are UTF-8: the character itself is shown with its number.
  EXPECT_EQ(ui.messages[0].text,
            "The Note contains the character \u201C\u03A9\u201D (U+03A9), which the handheld cannot store.\n"
            "Please remove or replace it and try again.");
  // The field's name is code-page text and is converted on its way in.
  EXPECT_EQ(ui.messages[1].text.rfind("The caf\u00E9 name contains the character \u201C\U0001F600\u201D (U+1F600),", 0),
            0u);
  EXPECT_EQ(CharacterForMessage(0x07), "U+0007");
  EXPECT_EQ(CharacterForMessage(0xD800), "U+D800");
  EXPECT_EQ(ui.messages[0].flags & kMbIconMask, unsigned(kMbIconExclamation));
}

TEST(UserInterface, RecordingFormSeesMessagesAndAnswersFromItsQueue) {
  RecordingUI ui;
  ui.messageAnswers = {kIdYes};
  {
    ScopedUI scope(&ui);
    EXPECT_EQ(ShowStringMessage(IDS_DELETE_ALL, kCaption, kMbYesNo | kMbIconExclamation), kIdYes);
    EXPECT_EQ(ShowStringMessage(IDS_SAVE_FAILED, kCaption, kMbOk), kIdOk);
  }
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.MessageIds(), (std::vector<int>{189, 231}));
  EXPECT_EQ(ui.messages[0].caption, "Quillet");
  EXPECT_TRUE(ui.Showed(231));
  EXPECT_FALSE(ui.Showed(240));
  // Outside the scope the quiet form answers, and the recording form hears nothing.
  ShowStringMessage(IDS_SAVE_FAILED, kCaption, kMbOk);
  EXPECT_EQ(ui.messages.size(), 2u);
}

TEST(UserInterface, EmptyQueuesMeanCancel) {
  RecordingUI ui;
  std::string s;
  EXPECT_FALSE(ui.ChooseOpenFile({}, &s));
  EXPECT_FALSE(ui.AskPassword(543, &s));
  EXPECT_EQ(ui.dialogs, std::vector<int>{543});
  ui.passwords = {"secret"};
  EXPECT_TRUE(ui.AskPassword(543, &s));
  EXPECT_EQ(s, "secret");
}

}  // namespace
}  // namespace quillet
