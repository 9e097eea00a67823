#include "IconFile.h"

#include <cstring>

#include "ErrorHandling.h"
#include "PackFiles.h"

namespace {

// The directory entry of an image: in the file it ends with the image's file
// offset, in the group resource with the number of its RT_ICON resource.
constexpr size_t imageFieldsSize = 12;
constexpr size_t fileEntrySize = imageFieldsSize + sizeof(DWORD);
constexpr size_t directoryHeaderSize = 3 * sizeof(WORD);
constexpr WORD iconType = 1;

std::vector<BYTE> readWhole(const WString& path) {
    InputFile file(path);
    if (file.size() > MAXDWORD) {
        THROW_RUNTIME_ERROR(path << ": not an icon file");
    }
    std::vector<BYTE> bytes(file.size());
    file.read(bytes.data(), static_cast<DWORD>(bytes.size()));
    return bytes;
}

template <class T>
T valueAt(const std::vector<BYTE>& bytes, size_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof(value));
    return value;
}

} // namespace

void addIcon(ResourceTable& resources, const WString& path, WORD language) {
    const std::vector<BYTE> file = readWhole(path);
    const auto fail = [&path]() { THROW_RUNTIME_ERROR(path << ": not an icon file"); };
    if (file.size() < directoryHeaderSize || valueAt<WORD>(file, 0) != 0 || valueAt<WORD>(file, 2) != iconType) {
        fail();
    }
    const WORD count = valueAt<WORD>(file, 4);
    if (count == 0 || file.size() < directoryHeaderSize + count * fileEntrySize) {
        fail();
    }

    std::vector<BYTE> group(file.begin(), file.begin() + directoryHeaderSize);
    for (WORD i = 0; i < count; ++i) {
        const size_t entry = directoryHeaderSize + i * fileEntrySize;
        const DWORD imageSize = valueAt<DWORD>(file, entry + imageFieldsSize - sizeof(DWORD));
        const DWORD imageOffset = valueAt<DWORD>(file, entry + imageFieldsSize);
        if (imageSize == 0 || imageOffset > file.size() || file.size() - imageOffset < imageSize) {
            fail();
        }
        const WORD id = i + 1;
        resources.add(RT_ICON, MAKEINTRESOURCEW(id), language,
                      std::vector<BYTE>(file.begin() + imageOffset, file.begin() + imageOffset + imageSize));
        group.insert(group.end(), file.begin() + entry, file.begin() + entry + imageFieldsSize);
        group.insert(group.end(), reinterpret_cast<const BYTE*>(&id), reinterpret_cast<const BYTE*>(&id + 1));
    }
    resources.add(RT_GROUP_ICON, MAKEINTRESOURCEW(1), language, std::move(group));
}
