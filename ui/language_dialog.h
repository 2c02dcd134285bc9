#pragma once
#include "platform/process.h"

// Shows the modal language dialog (dialog 101, no owner window) with the resources of `instance`.
// Returns the chosen position of AvailableLanguages, or a negative value when the user cancelled
// or the dialog could not be shown.
int ShowLanguageDialog(platform::InstanceHandle instance);
