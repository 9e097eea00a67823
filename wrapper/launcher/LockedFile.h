#pragma once

#include <cstddef>

#include "UniqueResource.h"
#include "tstrings.h"

// Creates path as a new file (never one that exists) holding the bytes, and
// returns it open for reading and shared for reading only: while the handle is
// open nobody can change, replace or delete the file, and others can still read
// it. Nobody but a reader can open the file between its creation and the return
// either, except in the moment between closing it for writing and opening it
// for reading, which the system does not let one handle bridge.
OwnedHandle writeLockedFile(const WString& path, const void* data, size_t size);
