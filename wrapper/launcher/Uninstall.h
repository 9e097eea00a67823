#pragma once

#include <windows.h>

#include <optional>

#include "DefaultLog.h"
#include "Guid.h"
#include "SetupFacts.h"

// Removes the product this setup carries (productCode) through the installer
// library, with no user interface and no restart, logging to the run's log if
// it has one, and returns the installer's status. facts: what the setup
// records of its package, nothing for a setup that records none.
DWORD uninstallProduct(const Guid& productCode, const std::optional<pack::SetupFacts>& facts, const RunLog& log);
