#include "PackageFiles.h"

#include "LockedFile.h"
#include "SetupResources.h"
#include "Xxh3.h"

namespace {

void checkPart(const PackageFile& file, const pack::PartChecksum& found) {
    if (const std::optional<std::string> mismatch = pack::checksumMismatch(*file.recorded, found)) {
        throwDamagedSetup(SOURCE_POSITION, file.part + " " + *mismatch);
    }
}

} // namespace

void checkRecordedSizes(const std::vector<PackageFile>& files) {
    for (const PackageFile& file : files) {
        if (file.recorded && file.recorded->size != file.size) {
            checkPart(file, {file.size, file.recorded->xxh3});
        }
    }
}

void checkRecordedChecksum(const PackageFile& file, uint64_t checksum) {
    if (file.recorded) {
        checkPart(file, {file.size, checksum});
    }
}

void writeCheckedFile(const HeldFolder& folder, const PackageFile& file, PSECURITY_DESCRIPTOR security,
                      PlacedFiles& placed) {
    pack::Xxh3 checksum;
    placed.add(writeLockedFile(folder, file.name, file.data, file.size, security, file.recorded ? &checksum : nullptr),
               true);
    checkRecordedChecksum(file, checksum.digest());
}

void PlacedFiles::add(OwnedHandle lock, bool made) {
    if (made) {
        identities.push_back(identityOf(lock.get()));
    }
    locks.push_back(std::move(lock));
}

void PlacedFiles::append(PlacedFiles&& other) {
    for (OwnedHandle& lock : other.locks) {
        locks.push_back(std::move(lock));
    }
    identities.insert(identities.end(), other.identities.begin(), other.identities.end());
    other = {};
}
