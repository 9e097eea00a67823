#include "OutputChecks.h"

#include "PathNames.h"

namespace pack {

ReadFile readFileAt(Platform& platform, const std::string& path, std::string what) {
    return ReadFile{std::move(what), platform.statusOf(path).identity};
}

void checkOutput(Platform& platform, const std::string& path, const std::vector<ReadFile>& inputs) {
    const FileStatus status = platform.statusOf(path);
    if (status.kind == FileStatus::Folder) {
        throw PackError(path + ": cannot write: it is a folder");
    }
    if (status.kind == FileStatus::Other) {
        throw PackError(path + ": cannot write: it is not a regular file");
    }
    if (status.kind == FileStatus::File) {
        for (const ReadFile& input : inputs) {
            if (input.identity == status.identity) {
                throw PackError(path + ": cannot write: it is " + input.what);
            }
        }
    }
}

void checkSetupName(const std::string& path) {
    if (hasExtension(path, u".MSI") || hasExtension(path, u".CAB")) {
        throw PackError(path + ": cannot write: a setup program's name must not end in .msi or .cab");
    }
}

} // namespace pack
