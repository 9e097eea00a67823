#include "PackageFiles.h"

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
