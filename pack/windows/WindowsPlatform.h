#pragma once

#include "Platform.h"

// The packer's files on Windows, through the system's file calls, and the
// text of packages through the system's code pages. Packages are read by the
// core, as on every system: no installer library is involved.
class WindowsPlatform : public pack::Platform {
public:
    std::u16string decodeText(uint32_t codePage, std::string_view bytes) override;
    std::unique_ptr<pack::InputFile> openInput(const std::string& path) override;
    pack::FileStatus statusOf(const std::string& path) override;
    std::unique_ptr<pack::OutputFile> createOutput(const std::string& path) override;
    void createFolder(const std::string& path) override;
    void removeEmptyFolder(const std::string& path) override;
    std::string folderOf(const std::string& path) override;
    std::string currentFolder() override;
    std::string join(const std::string& folder, const std::string& name) override;
};
