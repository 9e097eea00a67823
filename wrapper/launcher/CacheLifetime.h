#pragma once

#include "CacheRoot.h"
#include "Guid.h"
#include "TreeRemoval.h"
#include "tstrings.h"

// What stays in a package cache (see CacheRoot.h) after a run. Each folder is
// opened by name in the cache's root held and checked, removed through
// handles (see TreeRemoval.h), and left alone while a setup holds it.

// After an install that succeeded: the product's other folders, but never
// keptName, the folder just installed from, nor the one the installer records
// as the product's source.
void removeOtherVersions(const CacheRoot& root, const Guid& productCode, const WString& keptName,
                         CleanupBudget& budget);

// After a removal that succeeded: every folder of the product.
void removeProductFolders(const CacheRoot& root, const Guid& productCode, CleanupBudget& budget);

// Folders of products the installer no longer knows, which a removal by
// msiexec /x or Apps & Features leaves behind. A folder that another setup is
// installing from at this moment (its product is not registered yet) is held
// by it and skipped. The folders of the product the running setup carries are
// its own steps' to settle: asking the installer about it would load msi.dll
// for nothing.
void sweepOrphanedFolders(const CacheRoot& root, const Guid& ownProduct, CleanupBudget& budget);

// The folder a product's LastUsedSource ("n;1;C:\Source\") names; empty for
// anything else.
WString lastUsedSourceFolder(const WString& lastUsedSource);
