#include <gtest/gtest.h>

#include "LogCapture.h"
#include "MsiLibrary.h"
#include "MsiUtils.h"

namespace {

bool startsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

TEST(ActionStatus, SucceedsOnlyForSuccessAndRebootCodes) {
    const struct {
        UINT status;
        bool succeeded;
    } rows[] = {
        {ERROR_SUCCESS, true},
        {ERROR_SUCCESS_REBOOT_INITIATED, true},
        {ERROR_SUCCESS_REBOOT_REQUIRED, true},
        {ERROR_UNKNOWN_PRODUCT, false},
        {ERROR_INSTALL_ALREADY_RUNNING, false},
        {ERROR_INSTALL_FAILURE, false},
        {ERROR_INSTALL_USEREXIT, false},
        {1, false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(msi::ActionStatus(row.status).succeeded(), row.succeeded) << row.status;
        EXPECT_EQ(msi::ActionStatus(row.status).getStatus(), row.status);
    }
}

TEST(ActionStatus, ThrowItRaisesInstallerErrorWithMessageAndStatus) {
    try {
        msi::ActionStatus(ERROR_INSTALL_FAILURE, "Setup went wrong").throwIt();
    } catch (const AppError<msi::Error>& e) {
        EXPECT_EQ(e.getStatus(), static_cast<UINT>(ERROR_INSTALL_FAILURE));
        EXPECT_TRUE(startsWith(e.plainMessage(), "Setup went wrong. MSI error [1603](")) << e.plainMessage();
        EXPECT_NE(std::string(e.what()).find("at msi::ActionStatus::throwIt(): Setup went wrong"), std::string::npos)
            << e.what();
        return;
    }
    FAIL() << "nothing raised";
}

TEST(HandleMsiStatus, SuccessIsLoggedAtInfoFailureOnlyBecomesTheMessage) {
    const struct {
        UINT status;
        const char* text;
        bool logged;
    } rows[] = {
        {ERROR_SUCCESS, "Call(x) succeeded", true},
        {ERROR_SUCCESS_REBOOT_REQUIRED, "Call(x) succeeded [3010]", true},
        {ERROR_SUCCESS_REBOOT_INITIATED, "Call(x) succeeded [1641]", true},
        {ERROR_INSTALL_FAILURE, "Call(x) failed [1603]", false},
        {ERROR_UNKNOWN_PRODUCT, "Call(x) failed [1605]", false},
    };
    for (const auto& row : rows) {
        LogCapture log;
        std::ostringstream call;
        call << "Call(x) ";
        const msi::ActionStatus status = msi::handleMsiStatus(call, row.status);
        EXPECT_EQ(status.getStatus(), row.status);
        if (row.logged) {
            EXPECT_EQ(status.getMessage(), "");
            ASSERT_EQ(log.records.size(), 1u) << row.text;
            EXPECT_EQ(log.records[0].levelName, L"INFO");
            EXPECT_EQ(log.records[0].message, tstrings::fromUtf8(row.text));
        } else {
            EXPECT_EQ(status.getMessage(), row.text);
            EXPECT_TRUE(log.records.empty()) << row.text;
        }
    }
}

// Wine's msimsg.dll carries no message strings.
TEST(Error, TextJoinsCallerTextAndInstallerDescription) {
    const msi::Error error("Removal failed", ERROR_UNKNOWN_PRODUCT);
    EXPECT_EQ(error.getStatus(), static_cast<UINT>(ERROR_UNKNOWN_PRODUCT));
    EXPECT_STREQ(error.what(), "Removal failed. MSI error [1605](No description)");

    std::ostringstream text;
    text << "Step " << 2 << ":";
    EXPECT_STREQ(msi::Error(text, 0x12345).what(), "Step 2: MSI error [74565](No description)");
    EXPECT_STREQ(msi::Error("", 1).what(), "MSI error [1](No description)");

    const msi::NoMoreItemsError noMoreItems(text);
    EXPECT_EQ(noMoreItems.getStatus(), static_cast<UINT>(ERROR_NO_MORE_ITEMS));
    EXPECT_STREQ(noMoreItems.what(), "Step 2: MSI error [259](No description)");
}

TEST(CloseMSIHANDLE, ZeroIsIgnoredAndAFailedCloseOnlyWarns) {
    LogCapture log;
    msi::closeMSIHANDLE(0);
    EXPECT_TRUE(log.records.empty());

    const MSIHANDLE record = msi::library().createRecord(1);
    ASSERT_NE(record, 0u);
    msi::closeMSIHANDLE(record);
    EXPECT_TRUE(log.records.empty());
    EXPECT_NO_THROW(msi::closeMSIHANDLE(record));
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(log.records[0].levelName, L"WARNING");
    EXPECT_EQ(log.records[0].message, L"MsiCloseHandle(" + std::to_wstring(record) + L") failed with error=6");
    EXPECT_EQ(log.records[0].functionName, L"msi::closeMSIHANDLE");
}

TEST(OwnedInstallerHandle, ClosesOnDestructionAndKeepsLastError) {
    LogCapture log;
    MSIHANDLE record = 0;
    {
        msi::OwnedInstallerHandle owner(msi::library().createRecord(1));
        record = owner.get();
        ASSERT_NE(record, 0u);
        msi::OwnedInstallerHandle moved(std::move(owner));
        EXPECT_FALSE(owner);
        SetLastError(ERROR_ACCESS_DENIED);
    }
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(log.records.empty());
    // Closed once by the owner, so a second close is refused.
    msi::closeMSIHANDLE(record);
    EXPECT_EQ(log.records.size(), 1u);
}

// Answers like an installer string getter: ERROR_MORE_DATA while the buffer is too small.
struct FakeGetter {
    std::wstring value;
    std::vector<DWORD> offeredLengths;

    UINT operator()(MSIHANDLE, LPCWSTR, LPWSTR buffer, DWORD* length) {
        offeredLengths.push_back(*length);
        if (*length <= value.size()) {
            *length = static_cast<DWORD>(value.size());
            return ERROR_MORE_DATA;
        }
        value.copy(buffer, value.size());
        buffer[value.size()] = L'\0';
        *length = static_cast<DWORD>(value.size());
        return ERROR_SUCCESS;
    }
};

TEST(GetProperty, DoublesTheBufferWhileTheInstallerWantsMore) {
    const struct {
        size_t valueLength;
        std::vector<DWORD> offeredLengths;
    } rows[] = {
        {0, {20}},
        {19, {20}},
        {20, {20, 40}},
        {100, {20, 40, 80, 160}},
    };
    for (const auto& row : rows) {
        FakeGetter getter{std::wstring(row.valueLength, L'v'), {}};
        EXPECT_EQ(msi::getProperty(std::ref(getter), "Fake", MSIHANDLE{1}, L"Name"), getter.value);
        EXPECT_EQ(getter.offeredLengths, row.offeredLengths) << row.valueLength;
    }
}

TEST(GetProperty, FailureNamesTheCallAndCarriesTheStatus) {
    const auto failing = [](MSIHANDLE, LPCWSTR, LPWSTR, DWORD*) -> UINT { return ERROR_INVALID_HANDLE; };
    try {
        msi::getProperty(failing, "MsiGetProperty", MSIHANDLE{42}, static_cast<LPCWSTR>(nullptr));
    } catch (const AppError<msi::Error>& e) {
        EXPECT_EQ(e.getStatus(), static_cast<UINT>(ERROR_INVALID_HANDLE));
        EXPECT_STREQ(e.plainMessage(), "MsiGetProperty(42, NULL) failed. MSI error [6](No description)");
        return;
    }
    FAIL() << "nothing raised";
}

TEST(GetProductInfo, UnknownProductRaisesOrGivesEmptyAndIsNotInstalled) {
    const Guid product = Guid::generate();
    EXPECT_FALSE(msi::isProductInstalled(product));
    EXPECT_EQ(msi::getProductInfo(std::nothrow, product, L"VersionString"), L"");
    try {
        msi::getProductInfo(product, L"VersionString");
    } catch (const AppError<msi::Error>& e) {
        EXPECT_EQ(e.getStatus(), static_cast<UINT>(ERROR_UNKNOWN_PRODUCT));
        EXPECT_EQ(std::string(e.plainMessage()),
                  "MsiGetProductInfo(" + tstrings::toUtf8(product.toString()) +
                      ", VersionString) failed. MSI error [1605](No description)");
        return;
    }
    FAIL() << "nothing raised";
}

TEST(GetInstallProperty, InvalidHandleRaisesOrGivesEmpty) {
    EXPECT_EQ(msi::getInstallProperty(std::nothrow, 0, L"ProductCode"), L"");
    EXPECT_THROW(msi::getInstallProperty(0, L"ProductCode"), AppError<msi::Error>);
}

TEST(WaitForInstallationCompletion, WaitsForTheInstallerMutex) {
    EXPECT_TRUE(msi::waitForInstallationCompletion(0));

    // Another thread must own the mutex: a wait by its owner would succeed at once.
    OwnedHandle taken(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    OwnedHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    struct Events {
        HANDLE taken;
        HANDLE release;
    } events{taken.get(), release.get()};
    const auto holder = [](LPVOID context) -> DWORD {
        const auto* e = static_cast<Events*>(context);
        const OwnedHandle mutex(CreateMutexW(nullptr, TRUE, L"Global\\_MSIExecute"));
        SetEvent(e->taken);
        WaitForSingleObject(e->release, INFINITE);
        ReleaseMutex(mutex.get());
        return 0;
    };
    OwnedHandle thread(CreateThread(nullptr, 0, holder, &events, 0, nullptr));
    ASSERT_TRUE(thread);
    WaitForSingleObject(taken.get(), INFINITE);
    // Keeps the mutex in existence after its owner thread has gone.
    const OwnedHandle keepAlive(OpenMutexW(SYNCHRONIZE, FALSE, L"Global\\_MSIExecute"));
    ASSERT_TRUE(keepAlive);

    LogCapture log;
    EXPECT_FALSE(msi::waitForInstallationCompletion(0));
    EXPECT_TRUE(log.records.empty());
    EXPECT_FALSE(msi::waitForInstallationCompletion(50));
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(log.records[0].message, L"finish waiting for mutex: 258");

    SetEvent(release.get());
    WaitForSingleObject(thread.get(), INFINITE);
    EXPECT_TRUE(msi::waitForInstallationCompletion(1000));
    EXPECT_EQ(log.records.size(), 2u);
}

} // namespace
