#pragma once

#include <functional>

#include "Guid.h"
#include "tstrings.h"

// The roots of the package caches this process may change: the machine's when
// elevated, the user's always; each only where it exists. A failure with one
// is reported and the next is visited.
void forEachCacheRootInReach(bool elevated, const std::function<void(const WString& root)>& visit);

// Clears the package caches in reach of what no installed product needs,
// leaving the folders of the setup's own product to its own steps.
void sweepPackageCaches(bool elevated, const Guid& ownProduct);
