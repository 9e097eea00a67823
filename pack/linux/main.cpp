// tarnell-pack for Linux: the portable packer over POSIX files and glibc's iconv.
#include <iostream>

#include "IconvText.h"
#include "Pack.h"
#include "PosixFiles.h"

extern "C" const std::byte tarnell_stub_begin[];
extern "C" const std::byte tarnell_stub_end[];

namespace {

class LinuxPlatform : public pack::Platform {
public:
    std::u16string decodeText(uint32_t codePage, std::string_view bytes) override {
        return pack::decodeWithIconv(codePage, bytes);
    }
    std::unique_ptr<pack::InputFile> openInput(const std::string& path) override {
        return pack::openPosixInput(path);
    }
    pack::FileStatus statusOf(const std::string& path) override { return pack::posixStatusOf(path); }
    std::unique_ptr<pack::OutputFile> createOutput(const std::string& path) override {
        return pack::createPosixOutput(path);
    }
    void createFolder(const std::string& path) override { pack::createPosixFolder(path); }
    void removeEmptyFolder(const std::string& path) override { pack::removeEmptyPosixFolder(path); }
    std::string folderOf(const std::string& path) override { return pack::posixFolderOf(path); }
    std::string currentFolder() override { return pack::posixCurrentFolder(); }
    std::string join(const std::string& folder, const std::string& name) override {
        return folder.ends_with('/') ? folder + name : folder + "/" + name;
    }
};

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    LinuxPlatform platform;
    return pack::run(args, platform, std::span(tarnell_stub_begin, tarnell_stub_end), std::cout, std::cerr);
}
