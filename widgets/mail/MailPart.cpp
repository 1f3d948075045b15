// The e-mail object as a piece of the main window: made with the window
// manager (which logs it as pEmail), sending the current database's topics
// with the current user's folders.
#include "widgets/mail/MailPart.h"

#include <memory>

#include "base/AppPaths.h"
#include "desktop/db/CurrentDatabaseSource.h"
#include "platform/mapi/Mapi.h"
#include "reports/Mail.h"
#include "reports/RegistryReportSettings.h"
#include "reports/StoreReportSource.h"
#include "widgets/kit/ShellParts.h"

namespace quillet {
namespace {

// The mail library is ours: it lies in our library folder.
std::string MailLibraryPath() {
  const std::string folder = LibraryFolder();
  return folder.empty() ? std::string() : folder + kMapiLibrary;
}

class CEmailPart : public CEmail {
 public:
  CEmailPart() : mail_(MailServices{&CurrentDatabaseSource(), &settings_}, MailLibraryPath()) {}
  bool Available() const override { return mail_.logged_on(); }
  bool Send(uint32_t recordId, int format) override {
    const int result = mail_.Send(recordId, format);
    mail_.TellOutcome(recordId, result);
    return result == 0;
  }

 private:
  RegistryReportSettings settings_;  // before mail_, which is handed it
  CEmailObject mail_;
};

}  // namespace

void RegisterMailPart() {
  RegisteredShellParts().email = [] { return std::make_unique<CEmailPart>(); };
}
}  // namespace quillet
