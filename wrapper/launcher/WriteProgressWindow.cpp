#include "WriteProgressWindow.h"

#include <algorithm>

#include "WinFileUtils.h"
#include "WinSysInfo.h"

namespace {

// A write that ends sooner shows no window at all.
constexpr DWORD quietMilliseconds = 300;
constexpr UINT repaintMilliseconds = 100;
constexpr int width = 420;
constexpr int height = 130;
constexpr int margin = 16;
const wchar_t className[] = L"TarnellWriteProgress";

void registerClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = className;
    RegisterClassW(&windowClass);
}

void drawBar(HDC dc, RECT bar, double fraction) {
    FrameRect(dc, &bar, GetSysColorBrush(COLOR_BTNSHADOW));
    InflateRect(&bar, -2, -2);
    bar.right = bar.left + static_cast<LONG>((bar.right - bar.left) * fraction);
    FillRect(dc, &bar, GetSysColorBrush(COLOR_HIGHLIGHT));
}

} // namespace

WriteProgressWindow::WriteProgressWindow(const WString& title, uint64_t totalBytes)
    : title(title), text(L"Preparing " + title + L"..."), start(FileUtils::bytesWrittenSoFar()),
      total(std::max<uint64_t>(totalBytes, 1)),
      finished(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      thread(finished ? CreateThread(nullptr, 0, run, this, 0, nullptr) : nullptr) {}

// Without its event or thread the writing only goes without a window.
WriteProgressWindow::~WriteProgressWindow() {
    if (thread) {
        SetEvent(finished.get());
        WaitForSingleObject(thread.get(), INFINITE);
    }
}

DWORD WINAPI WriteProgressWindow::run(void* self) {
    auto* progress = static_cast<WriteProgressWindow*>(self);
    // Asked only now: user32.dll loads on first use, which a quick write never pays for.
    if (WaitForSingleObject(progress->finished.get(), quietMilliseconds) == WAIT_TIMEOUT &&
        SysInfo::hasInteractiveWindowStation()) {
        progress->showUntilFinished();
    }
    return 0;
}

void WriteProgressWindow::showUntilFinished() {
    // The executable's own: this thread must not throw, and the launcher is no DLL.
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    registerClass(instance, windowProcedure);
    const HWND window = CreateWindowExW(0, className, title.c_str(), WS_POPUP | WS_CAPTION | WS_VISIBLE,
                                        (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                        (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr,
                                        nullptr, instance, this);
    if (window == nullptr) {
        return;
    }
    SetTimer(window, 1, repaintMilliseconds, nullptr);
    const HANDLE event = finished.get();
    while (MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
    }
    DestroyWindow(window);
}

void WriteProgressWindow::paint(HWND window) const {
    PAINTSTRUCT paintStruct;
    const HDC dc = BeginPaint(window, &paintStruct);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    RECT textBox{margin, margin, client.right - margin, margin + 20};
    DrawTextW(dc, text.c_str(), -1, &textBox, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    const uint64_t written = FileUtils::bytesWrittenSoFar() - start;
    drawBar(dc, {margin, margin + 32, client.right - margin, margin + 52},
            static_cast<double>(std::min(written, total)) / static_cast<double>(total));
    EndPaint(window, &paintStruct);
}

LRESULT CALLBACK WriteProgressWindow::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE: {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
        break;
    }
    case WM_TIMER: InvalidateRect(window, nullptr, FALSE); return 0;
    case WM_ERASEBKGND: return 1;  // paint fills the whole window
    case WM_PAINT:
        reinterpret_cast<const WriteProgressWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA))->paint(window);
        return 0;
    case WM_CLOSE: return 0;  // it goes when the writing ends
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
