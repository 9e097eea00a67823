#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <new>
#include <string>

#include "ErrorHandling.h"
#include "LogCapture.h"
#include "Log.h"
#include "UniqueResource.h"
#include "WinFileUtils.h"
#include "WinSysInfo.h"
#include "TestFiles.h"

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
