#pragma once

#include <windows.h>

#include <new>
#include <vector>

#include "tstrings.h"

// Read access to one resource of a loaded module.
class Resource {
public:
    Resource(LPCWSTR name, LPCWSTR type, HMODULE module);
    Resource(UINT16 id, LPCWSTR type, HMODULE module);
    Resource(Resource&& other) noexcept;
    Resource& operator=(Resource&& other) noexcept;
    Resource(const Resource&) = delete;
    Resource& operator=(const Resource&) = delete;

    LPCVOID getPtr(DWORD& size) const;
    bool exists() const;
    DWORD size() const;
    LPCVOID data() const;
    std::vector<BYTE> bytes() const;
    void writeTo(const WString& path) const;

private:
    HRSRC find() const;
    WString description() const;
    void pointValuesAtTexts();

    WString nameText;
    LPCWSTR nameValue;
    WString typeText;
    LPCWSTR typeValue;
    HMODULE module;
};

// One entry of a string table.
class StringResource : public Resource {
public:
    StringResource(UINT16 id, HMODULE module);

    WString string() const;
    WString string(const std::nothrow_t&, const WString& defaultValue) const;
};
