#include "LockedFile.h"

#include <windows.h>

#include <algorithm>

#include "WinDll.h"
#include "WinErrorHandling.h"
#include "WinFileUtils.h"

namespace {

using PrefetchFunction = BOOL WINAPI(HANDLE, ULONG_PTR, PWIN32_MEMORY_RANGE_ENTRY, ULONG);

// Asks the system to read mapped data in large blocks rather than page by page.
// Windows 8 and later have it; where it is missing the pages come as touched.
void prefetch(const void* data, size_t size) {
    const auto prefetchMemory =
        Dll(Dll::LoadedModule{L"kernel32.dll"}).functionIfPresent<PrefetchFunction>("PrefetchVirtualMemory");
    if (prefetchMemory == nullptr) {
        return;
    }
    WIN32_MEMORY_RANGE_ENTRY range{const_cast<void*>(data), size};
    prefetchMemory(GetCurrentProcess(), 1, &range, 0);
}

struct PageRange {
    const char* bytes;
    size_t size;
    pack::Xxh3* checksum;
};

DWORD WINAPI readEachPage(void* parameter) {
    const auto* range = static_cast<const PageRange*>(parameter);
    if (range->checksum != nullptr) {
        const auto* bytes = reinterpret_cast<const std::byte*>(range->bytes);
        for (size_t offset = 0; offset < range->size; offset += 256 * 1024) {
            range->checksum->add({bytes + offset, std::min<size_t>(256 * 1024, range->size - offset)});
        }
        return 0;
    }
    volatile char sink = 0;
    for (size_t offset = 0; offset < range->size; offset += 4096) {
        sink = range->bytes[offset];
    }
    return sink;
}

// Wine checks a buffer page by page before it writes it, and the first touch of
// each page of the mapped package costs a fault: about as long as the write
// itself. A second thread running ahead takes those faults while the writes go
// on, and sums the bytes on its way where a checksum is asked for.
class PageReader {
public:
    PageReader(const void* data, size_t size, pack::Xxh3* checksum)
        : range{static_cast<const char*>(data), size, checksum},
          thread(CreateThread(nullptr, 64 * 1024, readEachPage, &range, 0, nullptr)) {
        // Without the thread the writes only go slower, and the sum is taken here.
        if (!thread && checksum != nullptr) {
            readEachPage(&range);
        }
    }
    ~PageReader() {
        if (thread) {
            WaitForSingleObject(thread.get(), INFINITE);
        }
    }
    PageReader(const PageReader&) = delete;
    PageReader& operator=(const PageReader&) = delete;

private:
    PageRange range;
    OwnedHandle thread;
};

} // namespace

void throwOpenError(const HeldFolder& folder, const WString& name, DWORD error) {
    THROW_SYS_ERROR_CODE("CreateFile(" << FileUtils::joinPath(folder.path, name) << ") failed", CreateFileW, error);
}

OwnedHandle writeLockedFile(const HeldFolder& folder, const WString& name, const void* data, size_t size,
                            PSECURITY_DESCRIPTOR security, pack::Xxh3* checksum) {
    const WString path = FileUtils::joinPath(folder.path, name);
    prefetch(data, size);
    // Shared for reading only from the start: no writer gets in while it fills.
    OpenedEntry writer =
        openEntry(folder.handle.get(), name, {GENERIC_WRITE | DELETE, FILE_SHARE_READ, true, false, security});
    if (!writer.handle) {
        throwOpenError(folder, name, writer.error);
    }
    try {
        const PageReader ahead(data, size, checksum);
        FileUtils::writeAll(writer.handle.get(), path, data, size);
    } catch (...) {
        // Half a file is nobody's: it goes with its handle.
        deleteThrough(writer.handle.get());
        throw;
    }
    const FileIdentity written = identityOf(writer.handle.get());
    if (!CloseHandle(writer.handle.release())) {
        THROW_SYS_ERROR("Failed to close [" << path << "]", CloseHandle);
    }
    // A writer that got in since the close holds its handle and makes this fail.
    OpenedEntry reader = openEntry(folder.handle.get(), name, {GENERIC_READ, FILE_SHARE_READ});
    if (!reader.handle) {
        throwOpenError(folder, name, reader.error);
    }
    // A file moved into its place in that moment is not ours.
    if (!(identityOf(reader.handle.get()) == written)) {
        THROW_RUNTIME_ERROR("[" << path << "] was replaced while it was written");
    }
    return std::move(reader.handle);
}
