// What a person reads when the launcher fails, and where its line may go.
#include <gtest/gtest.h>

#include "InstallerLog.h"
#include "SetupFailure.h"

namespace {

TEST(FailureText, TheStepInPlainWordsTheSystemsReasonAndWhereTheDetailsAre) {
    EXPECT_EQ(failureText(L"create a temporary folder in C:\\nope", L"The system cannot find the path specified.", L""),
              L"Setup could not create a temporary folder in C:\\nope: The system cannot find the path specified.");
    EXPECT_EQ(failureText(L"start the Windows Installer", L"File not found.", L"C:\\Logs\\app.log"),
              L"Setup could not start the Windows Installer: File not found.\n\nThe details are in C:\\Logs\\app.log.");
    EXPECT_EQ(failureText(L"", L"Unknown error", L""), L"Setup failed: Unknown error");
    EXPECT_EQ(damagedSetupText(L"C:\\Temp\\App_20261208210509.log"),
              L"This setup program is damaged: download it again.\n\nThe details are in C:\\Temp\\App_20261208210509.log.");
}

TEST(FailureText, LogsThatAreDevicesOrPipesAreNeverWritten) {
    for (const wchar_t* path : {L"COM1", L"aux", L"C:\\Logs\\NUL.log", L"C:LPT1", L"con .txt", L"COM1:", L"\\\\.\\COM1",
                                L"//./pipe/x", L"\\\\server\\PIPE\\x", L"\\\\?\\C:\\x.log", L"conout$"}) {
        EXPECT_TRUE(namesDeviceOrPipe(path)) << path;
    }
    for (const wchar_t* path : {L"C:\\Logs\\app.log", L"COM10.log", L"\\\\server\\share\\x.log", L"console.log",
                                L"relative\\nul-free.log"}) {
        EXPECT_FALSE(namesDeviceOrPipe(path)) << path;
    }
}

} // namespace
