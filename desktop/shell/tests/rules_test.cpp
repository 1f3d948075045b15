#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "base/Translate.h"
#include "desktop/shell/Commands.h"
#include "desktop/shell/DeleteAll.h"
#include "desktop/shell/NotifierMessage.h"
#include "desktop/shell/Pages.h"
#include "desktop/shell/ThemeList.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"

namespace quillet {
namespace {

class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/shell-rules-XXXXXX";
    path_ = std::string(::mkdtemp(pattern)) + "/";
  }
  ~TempFolder() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  const std::string& path() const { return path_; }
  void Touch(const std::string& name) const { std::ofstream(path_ + name) << "x"; }
  bool Has(const std::string& name) const { return PageFileExists(path_ + name); }

 private:
  std::string path_;
};

TEST(Pages, StartPageDependsOnTheVelaThemeInTheThemeFolder) {
  TempFolder install;
  const std::string themes = install.path() + "themes/";
  ::mkdir(themes.c_str(), 0755);
  EXPECT_EQ(StartPagePath(install.path(), themes), install.path() + "components/main.htm");
  // The shipped folder does not count: the user's themes do.
  ::mkdir((install.path() + "template").c_str(), 0755);
  install.Touch("template/VELA Contacts.htm");
  EXPECT_EQ(StartPagePath(install.path(), themes), install.path() + "components/main.htm");
  EXPECT_EQ(StartPagePath(install.path(), ""), install.path() + "components/main.htm");
  install.Touch("themes/VELA Contacts.htm");
  EXPECT_EQ(StartPagePath(install.path(), themes), install.path() + "components/velamain.htm");
}

TEST(Pages, CheckedPageFallsBackToTheMissingPage) {
  TempFolder install;
  install.Touch("report.htm");
  bool missing = true;
  EXPECT_EQ(CheckedPagePath(install.path() + "report.htm", install.path(), &missing),
            install.path() + "report.htm");
  EXPECT_FALSE(missing);
  EXPECT_EQ(CheckedPagePath(install.path() + "gone.htm", install.path(), &missing),
            install.path() + "components/notfound.htm");
  EXPECT_TRUE(missing);
  // A folder is not a page.
  EXPECT_EQ(CheckedPagePath(install.path(), install.path(), &missing),
            install.path() + "components/notfound.htm");
  // Web addresses go to the user's browser unchecked.
  EXPECT_EQ(CheckedPagePath("https://example.org/x", install.path(), &missing),
            "https://example.org/x");
  EXPECT_FALSE(missing);
}

// A page of the program's own is taken from the language's folder where the
// install has it there, else in English; a language that could name another
// folder is no language.
TEST(Pages, OwnPagesComeInTheLanguageInstalledWhereTheInstallHasThem) {
  TempFolder install;
  for (const char* folder : {"components", "components/de", "components/fr", "help", "help/de"})
    ::mkdir((install.path() + folder).c_str(), 0755);
  for (const char* page : {"components/main.htm", "components/topiccenter.htm", "components/notfound.htm",
                           "components/velamain.htm", "help/index.html", "components/de/main.htm",
                           "components/de/notfound.htm", "components/de/velamain.htm", "help/de/index.html"})
    install.Touch(page);
  const std::string& in = install.path();
  struct Case {
    const char* page;
    const char* language;
    const char* shown;
  } cases[] = {
      {kMainPage, "de", "components/de/main.htm"},
      {kHelpPage, "de", "help/de/index.html"},
      {kTopicCenterPage, "de", "components/topiccenter.htm"},  // not translated (yet)
      {kMainPage, "fr", "components/main.htm"},                // a folder without the page
      {kMainPage, "", "components/main.htm"},
      {kMainPage, "es", "components/main.htm"},
      {kMainPage, "de_AT", "components/main.htm"},
      {kMainPage, "..", "components/main.htm"},
      {kMainPage, "../de", "components/main.htm"},
      {kMainPage, "de/", "components/main.htm"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(OwnPagePath(in, c.page, c.language), in + c.shown) << c.page << " in '" << c.language << "'";

  // Without a language given: the one the catalogue was installed for, and
  // the start page and the missing page follow it.
  SetLanguage("de");
  EXPECT_EQ(OwnPagePath(in, kHelpPage), in + "help/de/index.html");
  EXPECT_EQ(StartPagePath(in, ""), in + "components/de/main.htm");
  bool missing = false;
  EXPECT_EQ(CheckedPagePath(in + "gone.htm", in, &missing), in + "components/de/notfound.htm");
  EXPECT_TRUE(missing);
  install.Touch("VELA Contacts.htm");
  EXPECT_EQ(StartPagePath(in, in), in + "components/de/velamain.htm");
  SetLanguage("");
  EXPECT_EQ(StartPagePath(in, in), in + "components/velamain.htm");
  EXPECT_EQ(OwnPagePath(in, kHelpPage), in + "help/index.html");
}

TEST(Pages, WebAddressesAreRecognisedByTheirScheme) {
  EXPECT_TRUE(IsWebAddress("http://a.example/"));
  EXPECT_TRUE(IsWebAddress("HTTPS://a.example/"));
  EXPECT_TRUE(IsWebAddress("mailto:someone@example.org"));
  EXPECT_FALSE(IsWebAddress("/usr/share/quillet/help/index.html"));
  EXPECT_FALSE(IsWebAddress("components/main.htm"));
  EXPECT_FALSE(IsWebAddress("file:///tmp/x.htm"));
  EXPECT_FALSE(IsWebAddress("weird:stuff"));
}

TEST(ThemeBox, SelectionMatchesTheNamePartWithoutCase) {
  const std::vector<std::string> files = {"Handheld Order.htm", "notebook.HTM",
                                          "Show Everything.htm"};
  EXPECT_EQ(ThemeSelection(files, "show everything.htm"), 2);
  EXPECT_EQ(ThemeSelection(files, "Notebook.htm"), 1);
  EXPECT_EQ(ThemeSelection(files, "/old/folder/NOTEBOOK.htm"), 1);
  EXPECT_EQ(ThemeSelection(files, "Gone.htm"), 0);
  EXPECT_EQ(ThemeSelection(files, ""), 0);
  EXPECT_EQ(ThemeSelection({}, "Show Everything.htm"), -1);
  EXPECT_EQ(ThemeDisplayName("Picture Album.htm"), "Picture Album");
  EXPECT_EQ(ThemeDisplayName("v1.2 theme.htm"), "v1.2 theme");
}

TEST(Notifier, AnswersFollowTheFirstParameter) {
  EXPECT_EQ(NotifierActionFor(0), NotifierAction::kPing);
  EXPECT_EQ(NotifierAnswer(NotifierAction::kPing), kNotifierMessage);
  EXPECT_EQ(NotifierActionFor(2), NotifierAction::kSwitchUser);
  EXPECT_EQ(NotifierActionFor(5), NotifierAction::kFilterAllAndStart);
  for (uint32_t w : {1u, 3u, 6u}) EXPECT_EQ(NotifierActionFor(w), NotifierAction::kNothing) << w;
  for (uint32_t w : {4u, 7u, 0xFFFFFFFFu})
    EXPECT_EQ(NotifierActionFor(w), NotifierAction::kDefault) << w;
  for (auto a : {NotifierAction::kNothing, NotifierAction::kSwitchUser,
                 NotifierAction::kFilterAllAndStart, NotifierAction::kDefault})
    EXPECT_EQ(NotifierAnswer(a), 0u);
}

template <class T>
T* Add(CRecordStore& store, uint32_t id) {
  auto r = std::make_unique<T>();
  r->recordId = id;
  T* raw = r.get();
  EXPECT_EQ(store.AddNew(std::move(r)), DB_OK);
  return raw;
}

TEST(DeleteAll, FlagsEveryTopicAndMemberAndRemovesOnlyTheirOwnFiles) {
  TempFolder out;
  TempFolder elsewhere;
  elsewhere.Touch("precious.txt");
  CRecordStore store("quillet.dat", out.path());
  Add<CSettingsRecord>(store, 0);
  auto* category = Add<CCategoryRecord>(store, 2);
  auto* topic = Add<CTopicRecord>(store, 3);
  topic->fileName = "page.htm";
  Add<CTopicLinksRecord>(store, 4);
  Add<CNoteRecord>(store, 5);
  auto* image = Add<CImageRecord>(store, 6);
  image->fileName = "pic.jpg";
  auto* crafted = Add<CImageRecord>(store, 7);
  crafted->fileName = "../" + elsewhere.path().substr(5) + "precious.txt";
  auto* gone = Add<CCustomRecord>(store, 8);
  gone->flags |= kFlagDeleted;
  Add<CCustomRecord>(store, 9);
  // A stored name in the code page names the file under its UTF-8 form, as
  // the report builder writes it.
  auto* accented = Add<CImageRecord>(store, 10);
  accented->fileName = "Caf\xE9.jpg";
  out.Touch("page.htm");
  out.Touch("pic.jpg");
  out.Touch("other.jpg");
  out.Touch("Caf\xC3\xA9.jpg");

  DeleteAllCounts counts = DeleteAllRecords(store, out.path());
  EXPECT_EQ(counts.records, 7u);  // links, note, three images, one live reference, topic
  EXPECT_EQ(counts.files, 3u);
  EXPECT_FALSE(out.Has("page.htm"));
  EXPECT_FALSE(out.Has("pic.jpg"));
  EXPECT_FALSE(out.Has("Caf\xC3\xA9.jpg"));
  EXPECT_TRUE(out.Has("other.jpg"));
  EXPECT_TRUE(elsewhere.Has("precious.txt"));
  EXPECT_EQ(store.CountLive(kKindTopic) + store.CountLive(kKindNote) +
                store.CountLive(kKindImage) + store.CountLive(kKindCustom) +
                store.CountLive(kKindTopicLinks),
            0u);
  // Categories and the settings record stay.
  EXPECT_EQ(store.CountLive(kKindCategory), 1u);
  EXPECT_EQ(store.CountLive(kKindSettings), 1u);
  EXPECT_EQ(category->flags & kFlagDeleted, 0u);
}

}  // namespace
}  // namespace quillet
