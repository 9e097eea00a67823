#include "FileUtils.h"

namespace FileUtils {

namespace {

size_t findLastSeparator(const WString& path) { return path.find_last_of(L"\\/"); }

} // namespace

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

WString basename(const WString& path) {
    const size_t pos = findLastSeparator(path);
    return pos == WString::npos ? path : path.substr(pos + 1);
}

WString dirname(const WString& path) {
    WString searched = path;
    if (searched.size() >= 2 && searched.back() == L'.' && isSeparator(searched[searched.size() - 2])) {
        searched.resize(searched.size() - 2);
    }
    size_t pos = findLastSeparator(searched);
    if (pos == WString::npos) {
        return {};
    }
    while (pos > 0 && isSeparator(searched[pos - 1])) {
        --pos;
    }
    return searched.substr(0, pos);
}

WString stripTrailingSeparators(const WString& path) {
    size_t end = path.size();
    while (end > 0 && isSeparator(path[end - 1])) {
        --end;
    }
    return path.substr(0, end);
}

WString joinPath(const WString& first, const WString& second) {
    if (first.empty()) {
        return second;
    }
    if (second.empty()) {
        return first;
    }
    return stripTrailingSeparators(first) + L'\\' + (isSeparator(second.front()) ? second.substr(1) : second);
}

WString suffix(const WString& path) {
    const size_t dot = path.rfind(L'.');
    if (dot == WString::npos || path.find_first_of(L"\\/", dot) != WString::npos) {
        return {};
    }
    // The last component ".." has no suffix.
    if (dot > 0 && path[dot - 1] == L'.' && (dot == 1 || isSeparator(path[dot - 2]))) {
        return {};
    }
    return path.substr(dot);
}

WString withSuffix(const WString& path, const WString& newSuffix) {
    return path.substr(0, path.size() - suffix(path).size()) + newSuffix;
}

WString foldPath(const WString& path) {
    WString folded = path;
    for (wchar_t& c : folded) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return tstrings::toLower(folded);
}

} // namespace FileUtils
