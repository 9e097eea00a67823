#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <new>
#include <string>

#include "ErrorHandling.h"
#include "Log.h"
#include "UniqueResource.h"
#include "WinFileUtils.h"
#include "WinSysInfo.h"

namespace files_test {

// A fresh directory under the temporary-files directory, removed with everything in it.
class TempFolder {
public:
    TempFolder() : root(FileUtils::createTempDirectory(L"files", L".test", SysInfo::getTempDirectory())) {}
    ~TempFolder() { FileUtils::deleteDirectoryRecursive(root, std::nothrow); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const WString& path() const { return root; }
    WString operator/(const WString& relative) const { return FileUtils::joinPath(root, relative); }

private:
    WString root;
};

// Collects "LEVEL message" lines while it lives.
class LogCapture : public LogAppender {
public:
    LogCapture() : previous(Logger::global().setAppender(this)) {}
    ~LogCapture() override { Logger::global().setAppender(previous); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    void append(const LogRecord& record) override { lines.push_back(record.levelName + L" " + record.message); }

    WStringList lines;

private:
    LogAppender* previous;
};

inline void writeFile(const WString& path, const std::string& content) {
    std::ofstream(path.c_str(), std::ios::binary) << content;
}

inline std::string readFile(const WString& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The text an operation raised without its position; empty when it raised nothing.
inline std::string raisedText(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const AppErrorBase& e) {
        return e.plainMessage();
    }
    return {};
}

inline bool startsWith(const std::string& text, const WString& prefix) {
    return text.rfind(tstrings::toUtf8(prefix), 0) == 0;
}

inline WStringList listNames(const WString& dir) {
    WStringList names;
    FileUtils::DirectoryIterator(dir).recursive(false).findItems(names);
    for (WString& name : names) {
        name = FileUtils::basename(name);
    }
    return names;
}

} // namespace files_test
