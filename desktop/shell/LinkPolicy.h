// What a click on a link in the browser pane may do, by rule.
//
// The pane shows the program's own pages (under the install folder) and
// topic reports, whose links come from records a handheld brought over and
// so may be crafted. A link goes where it says without a question only
// when that is harmless:
//   - http and https go to the desktop's handler for them, and so does a
//     mailto: address that says no more than a plain address, subject and
//     body (see PlainMailto: no attachments, copies or other headers);
//   - a place on the page shown (a '#' link) is scrolled to;
//   - a local file or folder opens when it lies in the install folder and
//     is linked from a page there (the program's own pages);
//   - anything else (any other file or folder, the output folder and what
//     is in it too, another scheme, any other mailto:) is first put to the
//     person, naming the target exactly.
#pragma once

#include <string>

namespace quillet {

struct LinkTarget {
  std::string scheme;  // lower case, "" when the link has none
  bool local = false;  // names a local file or folder
  // For a local target: its real path (links resolved) when it exists,
  // else its absolute path with "." and ".." taken out. UTF-8.
  std::string path;
  // Its absolute path with "." and ".." taken out, links left as they are
  // (the install folder is the program's own and may be laid out with
  // links; the output folder is judged by real paths only).
  std::string lexical;
  // For a target that is not local: the whole address as the link gives it.
  std::string address;
};

enum class LinkRule {
  kWebHandler,  // hand the address to the desktop's web or mail handler
  kOpen,        // show or open the local file or folder
  kAskFirst,    // ask the person, naming the target; open only on Yes
};

// `outputFolder` is a real path, `installFolder` and `currentPage` are
// absolute paths without "." or ".." (the folders with or without a
// trailing '/'); an empty folder matches nothing. The output folder lets
// nothing through unasked (records put files there, the store lies there);
// it is taken so that every caller says which folder it shows.
LinkRule DecideLink(const LinkTarget& target, const std::string& outputFolder,
                    const std::string& installFolder, const std::string& currentPage);

// True for a mailto: address (scheme in any case) that is only a plain
// address (letters, digits and "@._+-"; may be empty) and, after '?', only
// "subject=" and "body=" fields whose decoded texts hold no control
// character, quote, comma, '=', '&', '?', '%', '<', '>' or backslash: nothing
// a mail program's hand-over could take as another field or recipient.
bool PlainMailto(const std::string& address);

// True when `path` lies inside `folder` (both real paths).
bool PathInside(const std::string& path, const std::string& folder);

// The question put before following a link the rules do not allow by
// themselves. `target` (UTF-8) is named as it is when the code page can
// show it, else with every byte outside printable ASCII percent-encoded,
// so the person always sees exactly where the link leads.
std::string LinkQuestion(const std::string& target);

}  // namespace quillet
