#include <gtest/gtest.h>

#include "ErrorHandling.h"
#include "FileUtils.h"
#include "WinDll.h"
#include "WinErrorHandling.h"
#include "WinSysInfo.h"
#include "TestFiles.h"

namespace {

class EnvVariable {
public:
    EnvVariable(const wchar_t* name, const wchar_t* value) : name(name) { SetEnvironmentVariableW(name, value); }
    ~EnvVariable() { SetEnvironmentVariableW(name, nullptr); }

private:
    const wchar_t* name;
};

TEST(SysInfo, ReadsShortAndLongEnvironmentValues) {
    const WString nine(9, L'n');
    const WString ten(10, L't');
    const WString huge(5000, L'h');
    EnvVariable a(L"TARNELL_T9", nine.c_str());
    EnvVariable b(L"TARNELL_T10", ten.c_str());
    EnvVariable c(L"TARNELL_THUGE", huge.c_str());
    EXPECT_EQ(SysInfo::readEnvVariable(L"TARNELL_T9"), nine);
    EXPECT_EQ(SysInfo::readEnvVariable(L"TARNELL_T10"), ten);
    EXPECT_EQ(SysInfo::readEnvVariable(L"TARNELL_THUGE"), huge);
}

TEST(SysInfo, UnsetAndEmptyVariables) {
    EnvVariable empty(L"TARNELL_EMPTY", L"");
    EXPECT_TRUE(SysInfo::hasEnvVariable(L"TARNELL_EMPTY"));
    EXPECT_EQ(SysInfo::readEnvVariableOr(std::nothrow, L"TARNELL_EMPTY", L"dflt"), L"");
    EXPECT_FALSE(SysInfo::hasEnvVariable(L"TARNELL_UNSET"));
    EXPECT_EQ(SysInfo::readEnvVariableOr(std::nothrow, L"TARNELL_UNSET", L"dflt"), L"dflt");
    try {
        SysInfo::readEnvVariable(L"TARNELL_UNSET");
        FAIL() << "nothing raised";
    } catch (const AppError<SysError>& e) {
        EXPECT_EQ(std::string(e.plainMessage()).rfind("GetEnvironmentVariable(TARNELL_UNSET) failed. Variable not set", 0), 0u)
            << e.what();
    }
    SysInfo::setEnvVariable(L"TARNELL_SET", L"v a l");
    EXPECT_EQ(SysInfo::readEnvVariable(L"TARNELL_SET"), L"v a l");
}

TEST(SysInfo, CommandArgsOfThisProcess) {
    const WStringList all = SysInfo::getCommandArgs(SysInfo::FromProgramName);
    const WStringList after = SysInfo::getCommandArgs(SysInfo::AfterProgramName);
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.size(), after.size() + 1);
    EXPECT_TRUE(std::equal(after.begin(), after.end(), all.begin() + 1));
}

TEST(SysInfo, Directories) {
    const WString system = SysInfo::getSystemDirectoryPath();
    EXPECT_TRUE(tstrings::endsWith(system, L"\\system32", tstrings::IgnoreCase)) << system;
    EXPECT_EQ(SysInfo::getMsiexecPath(), system + L"\\msiexec.exe");
    const WString temp = SysInfo::getTempDirectory();
    ASSERT_FALSE(temp.empty());
    EXPECT_FALSE(FileUtils::isSeparator(temp.back()));
}

TEST(SysInfo, TempDirectoryWithTrailingSeparatorComesBackWithout) {
    const WString previous = SysInfo::readEnvVariable(L"TMP");
    SysInfo::setEnvVariable(L"TMP", L"C:\\windows\\temp\\\\");
    const WString temp = SysInfo::getTempDirectory();
    SysInfo::setEnvVariable(L"TMP", previous);
    EXPECT_EQ(tstrings::toLower(temp), L"c:\\windows\\temp");
}

TEST(SysInfo, ModulePaths) {
    const WString exe = SysInfo::getExecutablePath();
    EXPECT_EQ(FileUtils::basename(exe), L"foundation_tests.exe");
    EXPECT_EQ(tstrings::toLower(SysInfo::getOwnModulePath()), tstrings::toLower(exe));
    EXPECT_EQ(SysInfo::getCurrentModuleHandle(), GetModuleHandleW(nullptr));
}

TEST(SysInfo, ModulePathLongerThanMaxPathComesBackWhole) {
    WString dir = SysInfo::getTempDirectory() + L"\\tarnell-long";
    WStringList created;
    for (;;) {
        created.push_back(L"\\\\?\\" + dir);
        ASSERT_TRUE(CreateDirectoryW(created.back().c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
        if (dir.size() > 400) {
            break;
        }
        dir += L"\\" + WString(40, L'd');
    }
    const WString probe = L"\\\\?\\" + dir + L"\\probe.dll";
    const WString source = besideTestProgram(L"module_path_probe.dll");
    ASSERT_TRUE(CopyFileW(source.c_str(), probe.c_str(), FALSE));
    WString reported;
    {
        Dll dll(probe);
        std::vector<wchar_t> buffer(2048);
        dll.function<void(wchar_t*, size_t)>("ownModulePath")(buffer.data(), buffer.size());
        reported = buffer.data();
    }
    DeleteFileW(probe.c_str());
    for (auto it = created.rbegin(); it != created.rend(); ++it) {
        RemoveDirectoryW(it->c_str());
    }
    EXPECT_GT(reported.size(), size_t{MAX_PATH});
    EXPECT_TRUE(tstrings::endsWith(reported, WString(40, L'd') + L"\\probe.dll")) << reported;
}

TEST(Dll, BindsByNameAndOrdinalAndReportsMissing) {
    Dll kernel(Dll::SystemLibrary{L"kernel32.dll"});
    EXPECT_NE(kernel.getFunction("GetTickCount"), nullptr);
    EXPECT_EQ(kernel.getFunction("NoSuchFunction", false), nullptr);
    try {
        kernel.getFunction("NoSuchFunction");
        FAIL() << "nothing raised";
    } catch (const AppError<SysError>& e) {
        EXPECT_NE(std::string(e.what()).find("GetProcAddress("), std::string::npos);
        EXPECT_NE(std::string(e.what()).find(", NoSuchFunction) failed"), std::string::npos) << e.what();
    }
    try {
        Dll missing(Dll::SystemLibrary{L"no-such-library.dll"});
        FAIL() << "nothing raised";
    } catch (const AppError<SysError>& e) {
        EXPECT_NE(std::string(e.what()).find("LoadLibraryW("), std::string::npos) << e.what();
    }
}

} // namespace
