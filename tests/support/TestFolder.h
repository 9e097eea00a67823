#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

#include "tstrings.h"

// A fresh folder under the temporary directory, removed with all it holds.
class TestFolder {
public:
    TestFolder() : root(std::filesystem::temp_directory_path() / uniqueName()) {
        std::filesystem::create_directories(root);
    }
    ~TestFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    WString path() const { return root.wstring(); }
    WString path(const WString& name) const { return (root / name).wstring(); }

private:
    static WString uniqueName() {
        static unsigned count = 0;
        return L"tarnell-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++count);
    }

    std::filesystem::path root;
};
