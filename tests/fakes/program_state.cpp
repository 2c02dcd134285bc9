// The program's own process-wide values return to their start values with the rest of the world,
// so every test starts as a freshly started process would.
#include "base/outcome.h"
#include "base/setup_log.h"
#include "i18n/language_packs.h"
#include "installer/package_extraction.h"
#include "tag/affiliate_configuration.h"
#include "tests/fakes/world.h"
#include "ui/language_dialog.h"
#include "ui/requirements_notice.h"
#include "versions/installed_product.h"

namespace {
const bool registered = fakes::RegisterReset([] {
  ResetLanguagePacksForTesting();
  ResetHeldPackagesForTesting();
  ResetLanguageDialogForTesting();
  ResetInstalledProductForTesting();
  ResetAffiliatePropertiesForTesting();
  ResetRequirementsStatusForTesting();
  ResetSetupLogForTesting();
  unattendedRun = false;
});
}  // namespace
