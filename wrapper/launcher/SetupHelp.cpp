#include "SetupHelp.h"

#include <windows.h>

#include "DefaultLog.h"
#include "FileUtils.h"
#include "SetupResources.h"
#include "WinSysInfo.h"

WString setupHelpText(const WString& product, const WString& version, const WString& program,
                      const WString& defaultLog) {
    const WString title = version.empty() ? product : product + L" " + version;
    const WString logLine = defaultLog.empty() ? WString()
                                               : L"Without /l, the log goes to %TEMP%\\" + defaultLog + L".\n";
    return title + L"\n\n"
           L"Usage:\n"
           L"  " + program + L" [msiexec options] [PROPERTY=value ...]\n"
           L"  " + program + L" uninstall [/l*v log]\n\n"
           L"Installs " + product + L" through msiexec.exe, which receives every option given here as typed: "
           L"/qn or /passive for a silent install, /l*v log for a log, PROPERTY=value to set a property.\n"
           L"uninstall removes " + product + L", without a user interface.\n" + logLine + L"\n"
           L"Exit codes: 0 success; 3010 success, a restart is needed; 1641 success, a restart was started; "
           L"1602 cancelled; 1605 not installed (uninstall); 1620 the setup program is damaged; "
           L"-1 the setup program itself failed; "
           L"any other code is msiexec's.";
}

void showSetupHelp() {
    const WString program = FileUtils::basename(SysInfo::getExecutablePath());
    const std::optional<pack::SetupFacts> facts = SetupResources::facts();
    const WString product = facts && !facts->productName.empty() ? toWide(facts->productName) : program;
    const WString version = facts ? toWide(facts->productVersion) : L"";
    const WString defaultLog =
        facts && facts->defaultLog ? defaultLogStem(toWide(facts->productName)) + L"_<yyyyMMddHHmmss>.log" : L"";
    if (SysInfo::hasInteractiveWindowStation()) {
        MessageBoxW(nullptr, setupHelpText(product, version, program, defaultLog).c_str(), product.c_str(),
                    MB_ICONINFORMATION);
    }
}
