#pragma once

// Clears the package caches this process may clear of what no installed
// product needs: the machine's when elevated, the user's always.
void sweepPackageCaches(bool elevated);
