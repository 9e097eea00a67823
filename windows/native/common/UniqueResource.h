#pragma once

#include <windows.h>

#include <utility>

// Sole owner of one system resource, closed by Traits::close. Closing never
// disturbs GetLastError(), so an owner may go out of scope between a failing
// call and the code that reads its error.
template <class Traits>
class UniqueResource {
public:
    using Value = typename Traits::Value;

    UniqueResource() = default;
    explicit UniqueResource(Value value) : value(value) {}
    ~UniqueResource() { reset(); }

    UniqueResource(UniqueResource&& other) noexcept : value(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;

    Value get() const { return value; }
    explicit operator bool() const { return !Traits::isEmpty(value); }

    [[nodiscard]] Value release() { return std::exchange(value, Traits::empty()); }

    void reset(Value newValue = Traits::empty()) {
        const Value old = std::exchange(value, newValue);
        if (!Traits::isEmpty(old)) {
            const DWORD lastError = GetLastError();
            Traits::close(old);
            SetLastError(lastError);
        }
    }

private:
    Value value = Traits::empty();
};

struct HandleTraits {
    using Value = HANDLE;
    static Value empty() { return nullptr; }
    static bool isEmpty(Value v) { return v == nullptr || v == INVALID_HANDLE_VALUE; }
    static void close(Value v) { CloseHandle(v); }
};

struct FindHandleTraits {
    using Value = HANDLE;
    static Value empty() { return INVALID_HANDLE_VALUE; }
    static bool isEmpty(Value v) { return v == nullptr || v == INVALID_HANDLE_VALUE; }
    static void close(Value v) { FindClose(v); }
};

struct ModuleTraits {
    using Value = HMODULE;
    static Value empty() { return nullptr; }
    static bool isEmpty(Value v) { return v == nullptr; }
    static void close(Value v) { FreeLibrary(v); }
};

struct LocalMemoryTraits {
    using Value = HLOCAL;
    static Value empty() { return nullptr; }
    static bool isEmpty(Value v) { return v == nullptr; }
    static void close(Value v) { LocalFree(v); }
};

using OwnedHandle = UniqueResource<HandleTraits>;
using OwnedFindHandle = UniqueResource<FindHandleTraits>;
using OwnedModule = UniqueResource<ModuleTraits>;
using OwnedLocalMemory = UniqueResource<LocalMemoryTraits>;
