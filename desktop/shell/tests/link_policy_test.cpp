// Which links of the browser pane are followed at once, and which are put
// to the person first.
#include <gtest/gtest.h>

#include <algorithm>

#include "desktop/shell/LinkPolicy.h"

namespace quillet {
namespace {

LinkTarget Web(const char* scheme) { return LinkTarget{scheme, false, "", "", std::string(scheme) + ":x"}; }
LinkTarget Local(const std::string& path) { return LinkTarget{"file", true, path, path, ""}; }
LinkTarget Mail(const std::string& address) { return LinkTarget{"mailto", false, "", "", address}; }

const std::string kOutput = "/home/u/.local/share/quillet/Demo/";
const std::string kInstall = "/usr/share/quillet/";
const std::string kReport = kOutput + "812202612345.htm";
const std::string kHelp = kInstall + "help/index.html";

TEST(LinkPolicy, WebAndMailGoToTheDesktopHandler) {
  for (const char* scheme : {"http", "https"})
    EXPECT_EQ(DecideLink(Web(scheme), kOutput, kInstall, kReport), LinkRule::kWebHandler) << scheme;
  EXPECT_EQ(DecideLink(Mail("mailto:ann@example.org"), kOutput, kInstall, kReport), LinkRule::kWebHandler);
  // Other schemes are not known to be harmless.
  for (const char* scheme : {"ftp", "javascript", "data", "smb", "sftp", "x-scheme", ""})
    EXPECT_EQ(DecideLink(Web(scheme), kOutput, kInstall, kReport), LinkRule::kAskFirst) << scheme;
}

// A mail link that says more than an address, a subject and a body (an
// attachment above all) is put to the person first.
TEST(LinkPolicy, OnlyPlainMailLinksGoWithoutAQuestion) {
  for (const char* plain :
       {"mailto:ann@example.org", "MAILTO:Ann.Smith+notes@example.org", "mailto:",
        "mailto:ann@example.org?subject=Owls%20at%20dusk", "mailto:?subject=Hi&body=See%20you%20soon.",
        "mailto:ann@example.org?SUBJECT=x&Body=y"}) {
    EXPECT_TRUE(PlainMailto(plain)) << plain;
    EXPECT_EQ(DecideLink(Mail(plain), kOutput, kInstall, kReport), LinkRule::kWebHandler) << plain;
  }
  for (const char* crafted :
       {"mailto:ann@example.org?attach=/home/u/.ssh/id_rsa", "mailto:a@b?subject=x&attachment=/etc/passwd",
        "mailto:a@b?cc=eve@example.org", "mailto:a@b?bcc=eve@example.org", "mailto:a@b?to=eve@example.org",
        "mailto:a@b,eve@example.org", "mailto:a@b?subject", "mailto:%61@b", "mailto:a@b?body=x%27,to=%27eve",
        "mailto:a@b?subject=one%0Atwo", "mailto:a@b?body=a%26attach=/etc/passwd", "mailto:a@b?subject=%2",
        "mailto:-a@b?x", "mailto:a b@c", "mail:a@b", "mailto"}) {
    EXPECT_FALSE(PlainMailto(crafted)) << crafted;
    EXPECT_EQ(DecideLink(Mail(crafted), kOutput, kInstall, kReport), LinkRule::kAskFirst) << crafted;
  }
}

// Files a record links to are never opened unasked, not even in the output
// folder (where the record store itself lies); a '#' link within the shown
// page only scrolls it.
TEST(LinkPolicy, FileLinksAskFirstEvenInsideTheOutputFolder) {
  for (const std::string& inside : {kOutput + "quillet.dat", kOutput + "pic.jpg", kOutput + "sub/x.pdf",
                                    kOutput + "812202699999.htm"})
    EXPECT_EQ(DecideLink(Local(inside), kOutput, kInstall, kReport), LinkRule::kAskFirst) << inside;
  EXPECT_EQ(DecideLink(Local(kReport), kOutput, kInstall, kReport), LinkRule::kOpen);
  // A reference's file:/// address anywhere else, even next door.
  for (const std::string& elsewhere :
       {std::string("/home/u/Downloads/run.desktop"), std::string("/etc/passwd"),
        std::string("/home/u/.local/share/quillet/Demo2/x.htm"),
        std::string("/home/u/.local/share/quillet")})
    EXPECT_EQ(DecideLink(Local(elsewhere), kOutput, kInstall, kReport), LinkRule::kAskFirst) << elsewhere;
  // The output folder itself is asked about too (it opens in the file manager).
  EXPECT_EQ(DecideLink(Local("/home/u/.local/share/quillet/Demo"), kOutput, kInstall, kReport),
            LinkRule::kAskFirst);
  // A report may not use the program's pages as a stepping stone.
  EXPECT_EQ(DecideLink(Local(kInstall + "help/a.html"), kOutput, kInstall, kReport), LinkRule::kAskFirst);
  // Without an output folder nothing counts as inside it.
  EXPECT_EQ(DecideLink(Local(kOutput + "pic.jpg"), "", kInstall, kReport), LinkRule::kAskFirst);
}

TEST(LinkPolicy, ProgramPagesLinkAmongThemselves) {
  EXPECT_EQ(DecideLink(Local(kInstall + "help/topics.html"), kOutput, kInstall, kHelp), LinkRule::kOpen);
  EXPECT_EQ(DecideLink(Local(kInstall + "components"), kOutput, kInstall, kHelp), LinkRule::kOpen);
  EXPECT_EQ(DecideLink(Local("/home/u/x.htm"), kOutput, kInstall, kHelp), LinkRule::kAskFirst);
  // A language's pages lie a folder deeper and link as the English ones do.
  const std::string german_start = kInstall + "components/de/main.htm";
  EXPECT_EQ(DecideLink(Local(kInstall + "help/de/index.html"), kOutput, kInstall, german_start), LinkRule::kOpen);
  EXPECT_EQ(DecideLink(Local(kInstall + "components/de/topiccenter.htm"), kOutput, kInstall, german_start),
            LinkRule::kOpen);
  EXPECT_EQ(DecideLink(Local(german_start), kOutput, kInstall, kInstall + "help/de/index.html"), LinkRule::kOpen);
  EXPECT_EQ(DecideLink(Local("/home/u/x.htm"), kOutput, kInstall, german_start), LinkRule::kAskFirst);
  EXPECT_EQ(DecideLink(Local(german_start), kOutput, kInstall, kReport), LinkRule::kAskFirst);
  // The install folder may hold links of its own: it is judged by the path
  // as written there; the output folder lets nothing through unasked.
  LinkTarget linked{"file", true, "/opt/build/bin/help/a.html", kInstall + "help/a.html", ""};
  EXPECT_EQ(DecideLink(linked, kOutput, kInstall, kHelp), LinkRule::kOpen);
  LinkTarget out_link{"file", true, "/etc/passwd", kOutput + "passwd.htm", ""};
  EXPECT_EQ(DecideLink(out_link, kOutput, kInstall, kReport), LinkRule::kAskFirst);
}

TEST(LinkPolicy, InsideComparesWholeComponents) {
  EXPECT_TRUE(PathInside("/a/b/c", "/a/b"));
  EXPECT_TRUE(PathInside("/a/b/c", "/a/b/"));
  EXPECT_TRUE(PathInside("/a/b", "/a/b/"));
  EXPECT_FALSE(PathInside("/a/bc/d", "/a/b"));
  EXPECT_FALSE(PathInside("/a", "/a/b"));
  EXPECT_FALSE(PathInside("", "/a"));
  EXPECT_FALSE(PathInside("/a", ""));
  EXPECT_TRUE(PathInside("/x", "/"));
}

TEST(LinkPolicy, QuestionNamesTheTargetExactly) {
  const std::string q = LinkQuestion("file:///home/u/Downloads/run.desktop");
  EXPECT_NE(q.find("\n\nfile:///home/u/Downloads/run.desktop\n\n"), std::string::npos) << q;
  EXPECT_NE(q.find("Do you want to open it?"), std::string::npos);
  // An accent the code page holds is shown as itself (messages are UTF-8).
  EXPECT_NE(LinkQuestion("/home/u/Caf\xC3\xA9.pdf").find("\n\n/home/u/Caf\xC3\xA9.pdf\n\n"), std::string::npos);
  // A character it cannot hold is not replaced by a look-alike or '?': the
  // whole target is shown percent-encoded.
  const std::string cyrillic = LinkQuestion("http://\xD0\xB0pple.example/");
  EXPECT_NE(cyrillic.find("http://%D0%B0pple.example/"), std::string::npos) << cyrillic;
  EXPECT_EQ(std::count(cyrillic.begin(), cyrillic.end(), '?'), 1);
  // Control characters cannot hide part of the target.
  EXPECT_NE(LinkQuestion("a\nb").find("a%0Ab"), std::string::npos);
}

}  // namespace
}  // namespace quillet
