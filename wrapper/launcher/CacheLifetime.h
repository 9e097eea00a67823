#pragma once

#include "Guid.h"
#include "tstrings.h"

// What stays in a package cache root (see CacheFolder.h) after a run. Links
// are removed as links, never followed, and a folder a setup holds right now
// is left alone.

// After an install that succeeded: the product's other versions, but never the
// folder the installer records as the product's source.
void removeOtherVersions(const WString& root, const Guid& productCode, const WString& keptFolder);

// After a removal that succeeded: every version of the product.
void removeProductFolders(const WString& root, const Guid& productCode);

// Folders of products the installer no longer knows, which a removal by
// msiexec /x or Apps & Features leaves behind. A folder that another setup is
// installing from at this moment (its product is not registered yet) is held
// by it and skipped, and nothing is left for the next restart. The folders of
// the product the running setup carries are its own steps' to settle: asking
// the installer about it would load msi.dll for nothing.
void sweepOrphanedFolders(const WString& root, const Guid& ownProduct);

// The folder a product's LastUsedSource ("n;1;C:\Source\") names; empty for
// anything else.
WString lastUsedSourceFolder(const WString& lastUsedSource);
