#include "OutputFolder.h"

namespace pack {

OutputFolder::OutputFolder(Platform& platform, const std::string& path) : platform(platform), path(path) {
    const FileStatus status = platform.statusOf(path);
    if (status.kind == FileStatus::Missing) {
        platform.createFolder(path);
        made = true;
    } else if (status.kind != FileStatus::Folder) {
        throw PackError(path + ": not a folder");
    }
}

OutputFolder::~OutputFolder() {
    if (made && !kept) {
        platform.removeEmptyFolder(path);
    }
}

} // namespace pack
