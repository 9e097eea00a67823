#include "Timestamp.h"

namespace {

// Not swprintf: it brings the C runtime's whole wide printf into every setup program.
void appendDigits(WString& text, unsigned value, int digits) {
    WString part(digits, L'0');
    for (int i = digits - 1; i >= 0 && value > 0; --i, value /= 10) {
        part[i] = static_cast<wchar_t>(L'0' + value % 10);
    }
    text += part;
}

} // namespace

WString compactTimestamp(const SYSTEMTIME& time) {
    WString text;
    appendDigits(text, time.wYear, 4);
    for (const WORD part : {time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond}) {
        appendDigits(text, part, 2);
    }
    return text;
}

WString compactTimestampNow() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return compactTimestamp(now);
}
