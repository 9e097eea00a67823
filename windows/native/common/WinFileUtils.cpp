#include "WinFileUtils.h"

#include <cstdlib>
#include <memory>

#include "ErrorHandling.h"
#include "Log.h"
#include "WinErrorHandling.h"

namespace FileUtils {

WString toAbsolutePath(const WString& path) {
    const auto freeBuffer = [](wchar_t* p) { std::free(p); };
    if (path.empty()) {
        std::unique_ptr<wchar_t, decltype(freeBuffer)> cwd(_wgetcwd(nullptr, 0), freeBuffer);
        if (!cwd) {
            THROW_RUNTIME_ERROR("_tgetcwd() failed");
        }
        if (*cwd == L'\0') {
            THROW_RUNTIME_ERROR("_tgetcwd() returned empty string");
        }
        return cwd.get();
    }
    std::unique_ptr<wchar_t, decltype(freeBuffer)> full(_wfullpath(nullptr, path.c_str(), 0), freeBuffer);
    if (!full) {
        THROW_RUNTIME_ERROR("_tfullpath(" << path << ") failed");
    }
    return full.get();
}

} // namespace FileUtils
