#pragma once

#include <windows.h>

#include "MsiexecSwitches.h"

// Removes the product this setup carries through the installer library, with
// no user interface and no restart, and returns the installer's status.
DWORD uninstallProduct(const MsiexecArguments& arguments);
