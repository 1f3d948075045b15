// quillet-cli find: the find window's search, from the command line.
#include <cstdio>
#include <sstream>

#include "base/Strings.h"
#include "programs/quillet-cli/CliCommand.h"
#include "programs/quillet-cli/StoreText.h"
#include "store/PrivateRecords.h"
#include "store/RecordStore.h"
#include "store/find/FindEngine.h"

namespace {

using namespace quillet;

const char* KindWord(FindKind kind) {
  switch (kind) {
    case FindKind::kTopic: return "topic";
    case FindKind::kNote: return "note";
    case FindKind::kImage: return "image";
    case FindKind::kCustom: return "reference";
  }
  return "?";
}

int RunFind(const std::vector<std::string>& args) {
  cli::Args a(args);
  std::string file, rule_name, kinds = "topic,note,image,reference";
  bool missing = false;
  const bool have_store = a.TakeOption("--store", &file, &missing);
  const bool have_rule = a.TakeOption("--rule", &rule_name, &missing);
  a.TakeOption("--kinds", &kinds, &missing);
  const bool show_private = a.TakeFlag("--show-private");
  if (missing) return cli::UsageError("find: an option lacks its value");
  if (!have_store || !have_rule) return cli::UsageError("find needs --store FILE and --rule any|all|exact");
  if (!a.UnknownOption().empty()) return cli::UsageError("find: unknown option " + a.UnknownOption());
  if (a.Rest().size() != 1) return cli::UsageError("find takes one TEXT (quote it)");

  int rule;
  if (rule_name == "any") rule = FIND_RULE_ANY;
  else if (rule_name == "all") rule = FIND_RULE_ALL;
  else if (rule_name == "exact") rule = FIND_RULE_EXACT;
  else return cli::UsageError("find: --rule is any, all or exact");

  CpText text;
  if (!FromUtf8(a.Rest()[0], &text))
    return cli::UsageError("find: TEXT has characters Windows-1252 cannot hold");

  CRecordStore store(file, "");
  const DbResult rc = store.Load();
  if (rc == DB_ERR_OPEN) return cli::UsageError("find: cannot open " + file);
  if (rc != DB_OK)
    std::fprintf(stderr, "quillet-cli: find: %s loaded with result %u %s; searching the %u records read\n",
                 file.c_str(), rc, ResultCodeName(rc), store.liveCount());

  // Kinds are enabled in the find form's order whatever order they are given in.
  CFindEngine engine;
  bool want[4] = {};
  std::stringstream list(kinds);
  for (std::string k; std::getline(list, k, ',');) {
    if (k == "topic") want[0] = true;
    else if (k == "note") want[1] = true;
    else if (k == "image") want[2] = true;
    else if (k == "reference") want[3] = true;
    else return cli::UsageError("find: unknown kind '" + k + "' (topic, note, image, reference)");
  }
  const FindKind order[4] = {FindKind::kTopic, FindKind::kNote, FindKind::kImage, FindKind::kCustom};
  for (int i = 0; i < 4; ++i)
    if (want[i]) engine.EnableKind(order[i]);

  bShowPrivate = show_private ? 1 : 0;
  engine.Find(store, text, rule);
  const auto results = engine.FillOrder();
  if (results.empty()) std::printf("%s\n", ToUtf8(LoadString(IDS_NO_RECORDS_FOUND)).c_str());
  for (const auto& r : results)
    std::printf("%s %u %s\n", KindWord(r.kind), r.recordId, ToUtf8(r.text).c_str());
  return rc == DB_OK ? cli::kExitOk : cli::kExitFailed;
}

}  // namespace

QUILLET_CLI_COMMAND(
    "find", "search a store as the find window does",
    "quillet-cli find --store FILE --rule any|all|exact [--kinds topic,note,image,reference]\n"
    "                 [--show-private] TEXT\n\n"
    "Searches the live records of FILE. With any/all, TEXT is split into words at commas,\n"
    "'+' and spaces (spaces inside double quotes are kept); a record is found when any or\n"
    "every word occurs in one of its searched fields, ignoring the case of a-z only. With\n"
    "exact, a searched field must equal TEXT (same case rule). Searched: topic titles and\n"
    "their category's name, note texts, image titles, the first 8 reference fields.\n"
    "Private notes, images and references are left out unless --show-private is given.\n\n"
    "Prints one line per record, `KIND RECORDID TEXT` (KIND topic, reference, note or image;\n"
    "TEXT the first line of its title or text), topics first, then references, notes and\n"
    "images, each in store order; or `0 Records Found`.\n"
    "Exit 0 after a search, 1 when FILE is damaged (the records read are searched),\n"
    "2 for bad arguments or a file that cannot be opened.",
    RunFind);
