#include "installer/pending_renames.h"

bool IsRestartPending(const std::u16string&) {
  // Placeholder until the pending-rename check lands: no restart is pending.
  return false;
}
