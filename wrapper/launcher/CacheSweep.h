#pragma once

#include <functional>

#include "tstrings.h"

// The roots of the package caches this process may change: the machine's when
// elevated, the user's always; each only where it exists. A failure with one
// is reported and the next is visited.
void forEachCacheRootInReach(bool elevated, const std::function<void(const WString& root)>& visit);

// Clears the package caches in reach of what no installed product needs.
void sweepPackageCaches(bool elevated);
