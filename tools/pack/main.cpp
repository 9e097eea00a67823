// tarnell-pack: turns an installer package into a setup program that carries it.
#include <windows.h>

#include "CommandLine.h"
#include "Log.h"
#include "Packer.h"
#include "WinSysInfo.h"
#include "app.h"

namespace {

// 0 done, 1 failed, 2 a command line the tool does not understand.
int exitCode = 1;

// A console takes the text as it is; a file or pipe gets UTF-8.
void print(DWORD standardHandle, const WString& text) {
    const HANDLE handle = GetStdHandle(standardHandle);
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string bytes = tstrings::toUtf8(text);
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void printError(const WString& text) { print(STD_ERROR_HANDLE, L"tarnell-pack: " + text + L"\n"); }

// Shows the error that ends the run as the tool's one line about it.
class ErrorLineAppender : public LogAppender {
public:
    void append(const LogRecord&) override {
        const std::string text = app::lastErrorText();
        if (!text.empty()) {
            printError(tstrings::fromUtf8(text));
        }
    }
};

void packMain() {
    PackOptions options;
    try {
        options = parseCommandLine(SysInfo::getCommandArgs(SysInfo::AfterProgramName));
    } catch (const UsageError& e) {
        printError(tstrings::fromUtf8(e.what()));
        print(STD_ERROR_HANDLE, tstrings::fromUtf8(usageText));
        exitCode = 2;
        return;
    }
    if (options.action == PackOptions::ShowHelp) {
        print(STD_OUTPUT_HANDLE, tstrings::fromUtf8(usageText));
    } else if (options.action == PackOptions::ShowVersion) {
        print(STD_OUTPUT_HANDLE, WString(L"tarnell-pack ") + TARNELL_PACK_VERSION + L"\n");
    } else {
        const PackResult result = pack(options);
        print(STD_OUTPUT_HANDLE, (tstrings::MessageBuilder() << "Wrote " << result.output << " (product code "
                                                             << result.productCode.toString() << ", package "
                                                             << result.packageSize << " bytes)\n")
                                     .str());
    }
    exitCode = 0;
}

} // namespace

int wmain() {
    // msi.dll and its kin are not known DLLs: never look for them beside the program.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    ErrorLineAppender errorLine;
    app::launch(std::nothrow, packMain, &errorLine);
    return exitCode;
}
