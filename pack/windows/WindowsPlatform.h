#pragma once

#include "Platform.h"

// The packer's files and packages on Windows: files through the system's file
// calls, packages through the installer library (msi.dll).
class WindowsPlatform : public pack::Platform {
public:
    pack::PackageInfo readPackage(const std::string& path) override;
    std::unique_ptr<pack::InputFile> openInput(const std::string& path) override;
    bool isFile(const std::string& path) override;
    std::unique_ptr<pack::OutputFile> createOutput(const std::string& path) override;
    std::string folderOf(const std::string& path) override;
    std::string join(const std::string& folder, const std::string& name) override;
};
