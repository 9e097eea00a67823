#pragma once

#include <windows.h>

#include <cstddef>

#include "RelativeFiles.h"
#include "UniqueResource.h"
#include "Xxh3.h"
#include "tstrings.h"

// Creates name in the folder as a new file (never one that exists) holding the
// bytes, and returns it open for reading and shared for reading only: while
// the handle is open nobody can change, replace or delete the file, and others
// can still read it. Nobody but a reader can open the file between its creation
// and the return either, except in the moment between closing it for writing
// and opening it for reading, which the system does not let one handle bridge.
// security: for the new file; none inherits from the folder. checksum, where
// given, is fed the bytes while they are written.
OwnedHandle writeLockedFile(const HeldFolder& folder, const WString& name, const void* data, size_t size,
                            PSECURITY_DESCRIPTOR security = nullptr, pack::Xxh3* checksum = nullptr);

// Raises the error of opening name in the folder.
[[noreturn]] void throwOpenError(const HeldFolder& folder, const WString& name, DWORD error);
