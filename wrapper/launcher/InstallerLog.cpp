#include "InstallerLog.h"

#include <windows.h>

#include <memory>
#include <string>

#include "Cabinets.h"
#include "FileUtils.h"
#include "Log.h"
#include "UniqueResource.h"

namespace {

// Long enough for a network share that answers, short enough that a failing
// silent install still ends at once.
constexpr DWORD patienceMs = 3000;

struct Append {
    WString path;
    WString line;
};

// Windows opens a link itself and says so; Wine opens what a link points to,
// and only the path's own attributes tell.
bool isRegularFile(HANDLE file, const WString& path) {
    BY_HANDLE_FILE_INFORMATION info{};
    const DWORD pathAttributes = GetFileAttributesW(path.c_str());
    return GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
           pathAttributes != INVALID_FILE_ATTRIBUTES &&
           ((info.dwFileAttributes | pathAttributes) & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

bool append(const Append& job) {
    // The link itself, never what it points to: a link is then refused below.
    const OwnedHandle file(CreateFileW(job.path.c_str(), FILE_APPEND_DATA | GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file || !isRegularFile(file.get(), job.path)) {
        return false;
    }
    unsigned char mark[2] = {};
    DWORD read = 0;
    const bool utf16 = ReadFile(file.get(), mark, sizeof(mark), &read, nullptr) && read == 2 && mark[0] == 0xFF &&
                       mark[1] == 0xFE;
    const std::string bytes = utf16 ? std::string(reinterpret_cast<const char*>(job.line.data()),
                                                  job.line.size() * sizeof(wchar_t))
                                    : tstrings::toUtf8(job.line);
    DWORD written = 0;
    return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// The thread owns its job: a thread still stuck in the file system when the
// launcher gives up on it keeps what it reads.
DWORD WINAPI appendThread(void* parameter) {
    const std::unique_ptr<Append> job(static_cast<Append*>(parameter));
    return append(*job) ? 0 : 1;
}

} // namespace

bool namesDeviceOrPipe(const WString& typed) {
    // Windows takes either separator.
    const WString path = tstrings::replace(typed, L"/", L"\\");
    WString name = FileUtils::basename(path);
    if (name.size() >= 2 && name[1] == L':') {
        name.erase(0, 2);  // C:NUL is NUL too
    }
    const WString lower = tstrings::toLower(path);
    // \\server\pipe\name names a pipe on another machine.
    const size_t share = lower.find(L'\\', 2);
    const bool remotePipe = tstrings::startsWith(lower, L"\\\\") && share != WString::npos &&
                            lower.compare(share, 6, L"\\pipe\\") == 0;
    return tstrings::startsWith(path, L"\\\\.\\") || tstrings::startsWith(path, L"\\\\?\\") ||
           tstrings::startsWith(path, L"\\??\\") || remotePipe ||
           pack::isDeviceName(std::u16string(name.begin(), name.end()));
}

bool appendToInstallerLog(const WString& path, const WString& line) {
    if (path.empty() || namesDeviceOrPipe(path)) {
        LOG_WARNING("The log file [" << path << "] names a device or a pipe: nothing was added to it");
        return false;
    }
    auto* const job = new Append{path, line};
    const OwnedHandle thread(CreateThread(nullptr, 64 * 1024, appendThread, job, 0, nullptr));
    if (!thread) {
        delete job;
        return false;
    }
    DWORD result = 1;
    if (WaitForSingleObject(thread.get(), patienceMs) != WAIT_OBJECT_0) {
        CancelSynchronousIo(thread.get());
        LOG_WARNING("The log file [" << path << "] did not answer within " << patienceMs << " ms");
        return false;
    }
    return GetExitCodeThread(thread.get(), &result) && result == 0;
}
