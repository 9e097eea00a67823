#pragma once

#include <new>
#include <string>

class LogAppender;

namespace app {

typedef void (*LauncherFunc)();

// Runs the launcher with the log wired up and every exception caught, logged
// and handed to lastErrorLogAppender (null: the standard error stream).
// Returns 0 when the launcher returned normally, 1 when it raised.
int launch(const std::nothrow_t&, LauncherFunc launcher, LogAppender* lastErrorLogAppender = nullptr);

// "TARNELL_DEBUG" is exactly "true".
bool isDebugMode();

// The message of the error being reported, "" outside a report.
std::string lastErrorText();

// The process-wide appender that prints lastErrorText() on the standard error stream.
LogAppender& lastErrorLogAppender();

} // namespace app
