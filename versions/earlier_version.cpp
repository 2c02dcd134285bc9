#include "versions/earlier_version.h"

void RemoveEarlierVersion(ConfigureAction, bool) {
  // Placeholder until the removal of an earlier version lands: nothing is removed.
}
