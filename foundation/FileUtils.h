#pragma once

#include "tstrings.h"

// Text operations on Windows paths; only toAbsolutePath looks at the process state.
namespace FileUtils {

bool isSeparator(wchar_t c);
WString basename(const WString& path);
WString dirname(const WString& path);
WString stripTrailingSeparators(const WString& path);
WString joinPath(const WString& first, const WString& second);
WString suffix(const WString& path);
WString withSuffix(const WString& path, const WString& newSuffix);
WString foldPath(const WString& path);
WString toAbsolutePath(const WString& path);

class PathBuilder {
public:
    PathBuilder() = default;
    explicit PathBuilder(const WString& path) : path(path) {}

    PathBuilder& append(const WString& component) {
        path = joinPath(path, component);
        return *this;
    }

    operator const WString&() const { return path; }
    const WString& str() const { return path; }

private:
    WString path;
};

} // namespace FileUtils
