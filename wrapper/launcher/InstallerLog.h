#pragma once

#include "tstrings.h"

// Adds line to the log file the command line names for msiexec.exe, where that
// is safe: an existing regular file or a new one; never a device, pipe, folder
// or link, and never a wait of more than a few seconds on a file system that
// does not answer. In UTF-16 when the file already is (it starts with that
// byte order mark), else in UTF-8. False when nothing was added.
bool appendToInstallerLog(const WString& path, const WString& line);

// The path names something other than a file that may be created or appended
// to: a device (COM1, NUL, ...), the device or pipe namespaces.
bool namesDeviceOrPipe(const WString& path);
