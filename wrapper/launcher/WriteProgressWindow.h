#pragma once

#include <windows.h>

#include <cstdint>

#include "UniqueResource.h"
#include "tstrings.h"

// A small window, titled with the product's name, with a bar that follows the
// bytes FileUtils::writeAll writes while the object lives. It shows only when
// writing takes longer than a person notices, on a desktop someone sees, and
// is gone when the object is.
class WriteProgressWindow {
public:
    WriteProgressWindow(const WString& title, uint64_t totalBytes);
    ~WriteProgressWindow();
    WriteProgressWindow(const WriteProgressWindow&) = delete;
    WriteProgressWindow& operator=(const WriteProgressWindow&) = delete;

private:
    static DWORD WINAPI run(void* self);
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void showUntilFinished();
    void paint(HWND window) const;

    WString title;
    WString text;  // made here: the window's thread allocates nothing, so it cannot fail
    uint64_t start;
    uint64_t total;
    OwnedHandle finished;  // an event, set by the destructor
    OwnedHandle thread;
};
