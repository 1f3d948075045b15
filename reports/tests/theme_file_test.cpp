// Loading themes, the theme folder's list, choosing a theme and Reset All.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "base/Strings.h"
#include "base/UserInterface.h"
#include "reports/ThemeFile.h"
#include "reports/ThemeFolder.h"
#include "reports/tests/TestSupport.h"
#include "testing/RecordingUI.h"

namespace quillet {
namespace {

using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

TEST(LoadTheme, SizeLimits) {
  ScratchDir dir;
  RecordingUI ui;
  ScopedUI scope(&ui);
  ThemeFile theme;

  WriteFile(dir.File("max.htm"), std::string(kMaxThemeSize, 'a'));
  ASSERT_TRUE(load_theme(dir.File("max.htm"), &theme));
  EXPECT_EQ(theme.size(), kMaxThemeSize);
  EXPECT_EQ(theme.folder, dir.path());
  EXPECT_EQ(theme.name, "max.htm");
  EXPECT_TRUE(ui.messages.empty());

  WriteFile(dir.File("big.htm"), std::string(kMaxThemeSize + 1, 'a'));
  EXPECT_FALSE(load_theme(dir.File("big.htm"), &theme));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text,
            "Maximum theme size exceeded.  Please reduce the size of your theme and try again.");
  EXPECT_EQ(ui.messages[0].caption, "Quillet");
  EXPECT_EQ(theme.size(), 0u);

  WriteFile(dir.File("empty.htm"), "");
  EXPECT_FALSE(load_theme(dir.File("empty.htm"), &theme));
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[1].text, "This theme is currently empty and cannot be used.");
  EXPECT_EQ(ui.messages[1].caption, "Quillet!");
  EXPECT_EQ(ui.messages[1].flags & 0xF0, unsigned(kMbIconInformation));
}

TEST(LoadTheme, MissingThemeFallsBackToTheFirstOne) {
  ScratchDir dir;
  RecordingUI ui;
  ScopedUI scope(&ui);
  std::string folder = dir.Sub("themes");
  WriteFile(folder + "B.htm", "bee");
  WriteFile(folder + "a.htm", "ay");
  // A shipped copy of the same name elsewhere is not the user's theme.
  WriteFile(dir.Sub("template") + "a.htm", "shipped");
  ThemeFile theme;
  ThemeFallback fallback;
  fallback.themeFolder = folder;
  int refills = 0;
  fallback.refillThemeBox = [&] { ++refills; return FirstThemeFile(folder); };
  ASSERT_TRUE(load_theme(folder + "gone.htm", &theme, fallback));
  EXPECT_EQ(refills, 1);
  EXPECT_EQ(std::string(theme.data(), theme.size()), "ay");
  EXPECT_EQ(theme.name, "a.htm");
  EXPECT_TRUE(ui.messages.empty());

  // No theme at all: message 242 with the error icon.
  fallback.refillThemeBox = [] { return std::string(); };
  EXPECT_FALSE(load_theme(folder + "gone.htm", &theme, fallback));
  EXPECT_EQ(ui.MessageIds(), std::vector<int>{IDS_NO_THEMES});
  EXPECT_EQ(ui.messages[0].flags & 0xF0, unsigned(kMbIconError));
  // A folder is not a theme, nor is a pipe planted under a theme's name
  // (it is not waited on).
  EXPECT_FALSE(load_theme(folder, &theme));
  ASSERT_EQ(::mkfifo((folder + "pipe.htm").c_str(), 0600), 0);
  EXPECT_FALSE(load_theme(folder + "pipe.htm", &theme));
}

TEST(ThemeFolder, ListsHtmFilesInNameOrder) {
  ScratchDir dir;
  WriteFile(dir.File("Zebra.htm"), "z");
  WriteFile(dir.File("apple.HTM"), "a");
  WriteFile(dir.File("Mango.htm"), "m");
  WriteFile(dir.File("notes.txt"), "x");
  WriteFile(dir.File("picture.png"), "x");
  dir.Sub("folder.htm");
  EXPECT_EQ(ListThemeFiles(dir.path()), (std::vector<std::string>{"apple.HTM", "Mango.htm", "Zebra.htm"}));
  EXPECT_EQ(ThemeFileAt(dir.path(), 1), "Mango.htm");
  EXPECT_EQ(ThemeFileAt(dir.path(), 3), "");
  EXPECT_EQ(ThemeFileAt(dir.path(), -1), "");
  EXPECT_EQ(FirstThemeFile(dir.File("nothing-here")), "");
}

TEST(ThemeFolder, ChooseThemeStoresItAndRebuilds) {
  testing::ReportRig rig;
  RecordingUI ui;
  ScopedUI scope(&ui);
  uint32_t topic = rig.records.AddTopic("Birds");
  WriteFile(rig.themes + "First.htm", "one {TITLE}");
  WriteFile(rig.themes + "Second.htm", "two {TITLE}");
  EXPECT_EQ(rig.builder.ChooseTheme(1, topic), "Second.htm");
  EXPECT_EQ(rig.settings.stored, std::vector<std::string>{"Second.htm"});
  EXPECT_EQ(rig.ReportOf(topic), "two Birds");
  EXPECT_EQ(rig.builder.ChooseTheme(7, topic), "");
  EXPECT_EQ(rig.settings.stored.size(), 1u);
}

TEST(ThemeFolder, ResetAllRestoresShippedThemesAndKeepsOthers) {
  testing::ReportRig rig;
  std::string restore = rig.dir.Sub("install/components/restore");
  WriteFile(restore + "Show Everything.htm", "shipped");
  WriteFile(restore + "pic.png", "PNG");
  rig.dir.Sub("install/components/restore/sub");
  WriteFile(rig.themes + "Show Everything.htm", "edited by the user");
  WriteFile(rig.themes + "Mine.htm", "my own");
  rig.builder.RestoreThemes();
  EXPECT_EQ(ReadFile(rig.themes + "Show Everything.htm"), "shipped");
  EXPECT_EQ(ReadFile(rig.themes + "pic.png"), "PNG");
  EXPECT_EQ(ReadFile(rig.themes + "Mine.htm"), "my own");
  EXPECT_FALSE(testing::Exists(rig.themes + "sub"));

  // A theme folder that was removed is made again.
  std::filesystem::remove_all(rig.themes);
  rig.builder.RestoreThemes();
  EXPECT_EQ(ReadFile(rig.themes + "Show Everything.htm"), "shipped");

  // Without pristine copies nothing happens.
  std::filesystem::remove_all(restore);
  WriteFile(rig.themes + "Show Everything.htm", "changed");
  rig.builder.RestoreThemes();
  EXPECT_EQ(ReadFile(rig.themes + "Show Everything.htm"), "changed");
}

}  // namespace
}  // namespace quillet
