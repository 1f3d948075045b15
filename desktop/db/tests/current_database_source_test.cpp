// The program's report source: the current database and the process-wide
// private-records switch, as they are at each build.
#include <gtest/gtest.h>

#include "desktop/db/CurrentDatabase.h"
#include "desktop/db/CurrentDatabaseSource.h"
#include "reports/ReportBuilder.h"
#include "reports/tests/TestSupport.h"
#include "store/PrivateRecords.h"

namespace quillet {
namespace {

using testing::ReportRig;
using testing::WriteFile;

TEST(CurrentDatabaseSource, ProgramSourceFollowsTheCurrentDatabase) {
  ReportRig rig;
  uint32_t topic = rig.records.AddTopic("Current");
  rig.records.AddNote(topic, "private", true);
  rig.records.AddNote(topic, "open");
  ReportServices services;
  services.source = &CurrentDatabaseSource();
  services.images = &rig.images;
  services.settings = &rig.settings;
  ReportBuilder builder(services);
  WriteFile(rig.themes + "t.htm", "{TITLE}:{NOTES_BEGIN}{NOTE};{NOTES_END}");
  CRecordStore* saved = pDB;
  pDB = &rig.records.store();
  uint8_t shown = bShowPrivate;
  bShowPrivate = 0;
  builder.make_report("t.htm", topic);
  std::string hidden = rig.ReportOf(topic);
  bShowPrivate = 1;
  builder.make_report("t.htm", topic);
  std::string all = rig.ReportOf(topic);
  pDB = nullptr;
  builder.make_report("t.htm", topic);  // no store: nothing, no crash
  pDB = saved;
  bShowPrivate = shown;
  EXPECT_EQ(hidden, "Current:open;");
  EXPECT_EQ(all, "Current:private;open;");
}

}  // namespace
}  // namespace quillet
