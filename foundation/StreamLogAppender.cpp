#include <ostream>

#include "Log.h"

void StreamLogAppender::append(const LogRecord& record) {
    *stream << tstrings::toUtf8(record.twoLineText()) << std::endl;
}
