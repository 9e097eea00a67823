#pragma once

#include <vector>

#include "Log.h"

// Collects the records the global logger hands out while it lives.
class LogCapture : public LogAppender {
public:
    LogCapture() : previous(Logger::global().setAppender(this)) {}
    ~LogCapture() override { Logger::global().setAppender(previous); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    void append(const LogRecord& record) override { records.push_back(record); }

    WStringList messages() const {
        WStringList result;
        for (const LogRecord& r : records) {
            result.push_back(r.message);
        }
        return result;
    }

    // "LEVEL message" per record.
    WStringList lines() const {
        WStringList result;
        for (const LogRecord& r : records) {
            result.push_back(r.levelName + L" " + r.message);
        }
        return result;
    }

    std::vector<LogRecord> records;

private:
    LogAppender* previous;
};
