#include <gtest/gtest.h>

#include "FileUtils.h"
#include "LogCapture.h"
#include "MsiLibrary.h"
#include "MsiUtils.h"
#include "WinSysInfo.h"
#include "TestFiles.h"
#include "ProductTest.h"

namespace {

TEST(QuotePropertyValue, DoublesQuotesAndEnclosesBlanks) {
    const struct {
        const wchar_t* value;
        const wchar_t* quoted;
    } rows[] = {
        {L"ReallySuppress", L"ReallySuppress"},
        {L"a\"b c", L"\"a\"\"b c\""},
        {L"a\"b", L"a\"\"b"},
        {L"", L"\"\""},
        {L"C:\\Program Files\\App", L"\"C:\\Program Files\\App\""},
        {L"tab\there", L"\"tab\there\""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(msi::quotePropertyValue(row.value), row.quoted) << row.value;
    }
}

TEST(BuildCommandLine, JoinsTrimmedArgumentsAndSortedProperties) {
    msi::ActionData sorted;
    sorted.setProperty(L"Z", L"3");
    sorted.setProperty(L"a", L"lower");
    sorted.setProperty(L"B", L"first");
    sorted.setProperty(L"B", L"2");

    const msi::uninstall defaults;
    const msi::ActionData nothing;

    msi::uninstall withArguments;
    withArguments.rawArguments = L"  /qn  ";

    msi::ActionData argumentsOnly;
    argumentsOnly.rawArguments = L"\t/l*v log.txt ";

    msi::uninstall withBlankValue;
    withBlankValue.rawArguments = L" \t ";
    withBlankValue.setProperty(L"TARGETDIR", L"C:\\My App");

    const struct {
        const char* name;
        const msi::ActionData& data;
        const wchar_t* commandLine;
    } rows[] = {
        {"uninstall defaults", defaults, L"REBOOT=ReallySuppress"},
        {"arguments with blanks", withArguments, L"/qn REBOOT=ReallySuppress"},
        {"names in code-unit order, last value kept", sorted, L"B=2 Z=3 a=lower"},
        {"arguments only", argumentsOnly, L"/l*v log.txt"},
        {"nothing", nothing, L""},
        {"blank arguments, quoted value", withBlankValue, L"REBOOT=ReallySuppress TARGETDIR=\"C:\\My App\""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(msi::buildCommandLine(row.data), row.commandLine) << row.name;
    }
}

INSTALLUILEVEL currentUiLevel() { return msi::library().setInternalUI(INSTALLUILEVEL_NOCHANGE, nullptr); }

TEST(UninstallAction, UnknownProductFailsWith1605AndLogsAtError) {
    const Guid product = Guid::generate();
    const std::string expected = "MsiConfigureProductEx(" + tstrings::toUtf8(product.toString()) +
                                 ", 65535, 2, REBOOT=ReallySuppress) failed [1605]";
    LogCapture log;
    msi::UiLevelGuard guard(INSTALLUILEVEL_NONE);
    const msi::ActionStatus status = msi::action<msi::uninstall>(msi::uninstall().productCode(product))(std::nothrow);

    EXPECT_EQ(status.getStatus(), static_cast<UINT>(ERROR_UNKNOWN_PRODUCT));
    EXPECT_FALSE(status.succeeded());
    EXPECT_EQ(status.getMessage(), expected);
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(log.records[0].levelName, L"ERROR");
    EXPECT_EQ(log.records[0].message, tstrings::fromUtf8(expected));
    EXPECT_EQ(log.records[0].functionName, L"msi::action<msi::uninstall>::operator()");
}

TEST(UiLevelGuard, RestoresThePreviousLevelAroundActions) {
    const INSTALLUILEVEL before = currentUiLevel();
    {
        msi::UiLevelGuard outer(INSTALLUILEVEL_BASIC);
        EXPECT_EQ(currentUiLevel(), INSTALLUILEVEL_BASIC);
        {
            msi::UiLevelGuard inner(INSTALLUILEVEL_REDUCED);
            EXPECT_EQ(currentUiLevel(), INSTALLUILEVEL_REDUCED);
        }
        EXPECT_EQ(currentUiLevel(), INSTALLUILEVEL_BASIC);

        // The action runs at its own level, 2 by default, and gives the outer one back.
        msi::action<msi::uninstall>(msi::uninstall().productCode(Guid::generate()))(std::nothrow);
        EXPECT_EQ(currentUiLevel(), INSTALLUILEVEL_BASIC);
    }
    EXPECT_EQ(currentUiLevel(), before);
}

int WINAPI foreignHandler(LPVOID, UINT, LPCWSTR) { return 0; }

struct SilentCallback : msi::UiCallback {
    void notify(UINT, UINT, const WString&) override {}
};

TEST(ActionState, RegistersAHandlerOnlyForACallback) {
    msi::library().setExternalUI(foreignHandler, INSTALLLOGMODE_INFO, nullptr);
    msi::action<msi::uninstall>(msi::uninstall().productCode(Guid::generate()))(std::nothrow);
    // Without a callback the action leaves the handler alone.
    EXPECT_EQ(msi::library().setExternalUI(foreignHandler, INSTALLLOGMODE_INFO, nullptr), &foreignHandler);

    SilentCallback callback;
    msi::uninstall withCallback;
    withCallback.uiCallback = &callback;
    msi::action<msi::uninstall>(withCallback.productCode(Guid::generate()))(std::nothrow);
    EXPECT_EQ(msi::library().setExternalUI(nullptr, 0, nullptr), nullptr);
}

// Fails every notification, the way a careless callback would.
class ThrowingCallback : public msi::UiCallback {
public:
    explicit ThrowingCallback(bool standardError) : standardError(standardError) {}

    void notify(UINT type, UINT, const WString&) override {
        ++calls;
        EXPECT_EQ(type & 0x00FFFFFF, 0u);
        if (standardError) {
            throw std::runtime_error("callback refused");
        }
        throw 42;
    }

    int calls = 0;

private:
    bool standardError;
};

size_t countMessages(const LogCapture& log, const WString& message) {
    size_t count = 0;
    for (const LogRecord& record : log.records) {
        if (record.message == message && record.levelName == L"ERROR" &&
            record.functionName == L"msi::`anonymous-namespace'::CallbackTrigger::adapter") {
            ++count;
        }
    }
    return count;
}

// The test package (TestPackage.wxs), built beside this program.
class TestPackage : public ProductTest {
protected:
    TestPackage() : ProductTest(MSI_TEST_PRODUCT_CODE) {}

    const WString packagePath = besideTestProgram(L"TestPackage.msi");
};

TEST_F(TestPackage, InstallsAndUninstallsDespiteThrowingCallbacks) {
    const WString installerLog = FileUtils::joinPath(SysInfo::getTempDirectory(), L"msi_tests_install.log");
    DeleteFileW(installerLog.c_str());
    {
        LogCapture log;
        ThrowingCallback callback(true);
        msi::install install;
        install.uiCallback = &callback;
        install.logFile = installerLog;
        const msi::ActionStatus status = msi::action<msi::install>(install.packagePath(packagePath))(std::nothrow);
        EXPECT_EQ(status.getStatus(), static_cast<UINT>(ERROR_SUCCESS)) << status.getMessage();
        EXPECT_GT(callback.calls, 0);
        EXPECT_EQ(countMessages(log, L"Exception with message 'callback refused' caught"),
                  static_cast<size_t>(callback.calls));
    }
    EXPECT_TRUE(msi::isProductInstalled(product));
    EXPECT_EQ(msi::getProductInfo(product, L"VersionString"), L"1.2.3");
    EXPECT_NE(GetFileAttributesW(installerLog.c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileW(installerLog.c_str());

    {
        LogCapture log;
        ThrowingCallback callback(false);
        msi::uninstall uninstall;
        uninstall.uiCallback = &callback;
        const msi::ActionStatus status = msi::action<msi::uninstall>(uninstall.productCode(product))(std::nothrow);
        EXPECT_EQ(status.getStatus(), static_cast<UINT>(ERROR_SUCCESS)) << status.getMessage();
        EXPECT_EQ(countMessages(log, L"Unknown exception caught"), static_cast<size_t>(callback.calls));
    }
    EXPECT_FALSE(msi::isProductInstalled(product));

    const msi::ActionStatus again = msi::action<msi::uninstall>(msi::uninstall().productCode(product))(std::nothrow);
    EXPECT_EQ(again.getStatus(), static_cast<UINT>(ERROR_UNKNOWN_PRODUCT));
}

} // namespace
