#pragma once

#include <windows.h>

#include "tstrings.h"

// "yyyyMMddHHmmss": a time in names of files and folders, sorting as it runs.
WString compactTimestamp(const SYSTEMTIME& time);

// The current local time so.
WString compactTimestampNow();
