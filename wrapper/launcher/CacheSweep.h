#pragma once

#include <functional>

#include "CacheRoot.h"
#include "Guid.h"
#include "TreeRemoval.h"

// The package caches this process may change, each opened for tidying (see
// CacheRoot): the machine's when elevated, the user's always; each only where
// it exists and passes the checks. A failure with one is reported and the next
// is visited; when the visit leaves a cache empty, its folders go.
void forEachCacheInReach(bool elevated, const std::function<void(const CacheRoot& root)>& visit);

// Clears the package caches in reach of what no installed product needs,
// leaving the folders of the setup's own product to its own steps.
void sweepPackageCaches(bool elevated, const Guid& ownProduct, CleanupBudget& budget);
