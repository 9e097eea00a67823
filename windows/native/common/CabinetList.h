#pragma once

#include <string>

#include "tstrings.h"

// The "cabinets" resource: file names in UTF-8, each followed by "\n". Every
// name must be a plain file name, to be created beside main.msi and nowhere
// else; anything else raises.
WStringList parseCabinetList(const std::string& utf8);

// No folder part, no device or stream syntax, no character the file system
// reserves, not "." or "..", not empty, and not "main.msi" in any letter case.
bool isPlainCabinetName(const WString& name);
