#include "OutputFolder.h"

#include "PathNames.h"

namespace pack {

OutputFolder::OutputFolder(Platform& platform, const std::string& path) : platform(platform) {
    std::vector<std::string> missing;
    std::string at = path;
    FileStatus status = platform.statusOf(at);
    for (; status.kind == FileStatus::Missing; status = platform.statusOf(at)) {
        // "out/" names the folder "out" does.
        if (!fileNameOf(at).empty()) {
            missing.push_back(at);
        }
        const std::string parent = platform.folderOf(at);
        if (parent == at) {
            break;  // a root that is not there: making it says why
        }
        at = parent;
    }
    if (status.kind != FileStatus::Missing && status.kind != FileStatus::Folder) {
        const std::string kind = status.kind == FileStatus::File ? "a file" : "not a folder";
        throw PackError(path + (at == path ? ": cannot write into it: it is " : ": cannot create the folder: " + at + " is ") +
                        kind);
    }
    try {
        for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
            platform.createFolder(*folder);
            made.push_back(*folder);
        }
    } catch (...) {
        removeMade();  // no destructor runs for a constructor that throws
        throw;
    }
}

OutputFolder::~OutputFolder() {
    if (!kept) {
        removeMade();
    }
}

void OutputFolder::removeMade() {
    for (auto folder = made.rbegin(); folder != made.rend(); ++folder) {
        platform.removeEmptyFolder(*folder);
    }
}

} // namespace pack
