// Packages whose files are in cabinets beside them, installed for real through
// both ways of making a setup program; and the packages the tool refuses.
#include <gtest/gtest.h>

#include <windows.h>

#include "PackTesting.h"
#include "ProductTest.h"
#include "RunProgram.h"
#include "TestFolder.h"
#include "WinSysInfo.h"

namespace {

std::string narrow(const WString& text) { return tstrings::toUtf8(text); }

// But the logs: a setup whose command line names none writes its own there, and keeps it.
std::vector<WString> tempFolderContents() {
    std::vector<WString> names = folderContents(SysInfo::getTempDirectory());
    std::erase_if(names, [](const WString& name) { return name.ends_with(L".log"); });
    std::sort(names.begin(), names.end());
    return names;
}

class CabinetPackTest : public ProductTest {
protected:
    CabinetPackTest() : ProductTest(CABINET_TEST_PRODUCT_CODE) {}

    TestFolder folder;
};

TEST_F(CabinetPackTest, SetupProgramsCarryTheCabinetsAndInstallFromThem) {
    const WString packed = folder.path(L"setup.exe");
    const ToolRun run = runPack(quoted(testFile(L"cabinets\\CabinetTest.msi")) + L" " + quoted(packed));
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_NE(run.out.find(", 2 cabinets of "), std::string::npos) << run.out;
    const WString installed = SysInfo::readEnvVariable(L"LOCALAPPDATA") + L"\\TarnellCabinetTest\\";

    for (const WString& setup : {packed, WString(CABINET_TEST_LAUNCHER)}) {
        const std::vector<WString> tempBefore = tempFolderContents();
        ASSERT_EQ(runProgram(setup, L"/qn"), 0u) << narrow(setup);
        EXPECT_EQ(readFile(installed + L"pack-payload.txt"), readFile(testFile(L"cabinets\\PayloadOne")));
        EXPECT_EQ(readFile(installed + L"second-payload.txt"), readFile(testFile(L"cabinets\\PayloadTwo")))
            << "the file from the second cabinet";
        EXPECT_EQ(runProgram(setup, L"uninstall"), 0u);
        EXPECT_FALSE(exists(installed + L"pack-payload.txt"));
        EXPECT_EQ(tempFolderContents(), tempBefore) << "nothing left in the temp folder";
    }
}

// A file of the given size whose bytes were never written: the tool refuses it unread.
void writeSparseFile(const WString& path, LONGLONG size) {
    const OwnedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    LARGE_INTEGER end{};
    end.QuadPart = size;
    ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file.get()));
}

TEST_F(CabinetPackTest, RefusalsSayWhyInOneLineAndWriteNothing) {
    const WString package = testFile(L"cabinets\\CabinetTest.msi");
    const WString lonely = folder.path(L"lonely");
    const WString big = folder.path(L"big");
    for (const WString& sub : {lonely, big}) {
        CreateDirectoryW(sub.c_str(), nullptr);
        CopyFileW(package.c_str(), (sub + L"\\CabinetTest.msi").c_str(), TRUE);
        CopyFileW(testFile(L"cabinets\\cab one.cab").c_str(), (sub + L"\\cab one.cab").c_str(), TRUE);
    }
    const LONGLONG bigCabinet = 0x7FFFF000;
    writeSparseFile(big + L"\\cab2.cab", bigCabinet);
    const std::string bigTotal =
        std::to_string(readFile(package).size() + readFile(testFile(L"cabinets\\cab one.cab")).size() + bigCabinet);

    const struct {
        WString package;
        std::string reason;
    } rows[] = {
        {lonely + L"\\CabinetTest.msi", "the cabinet 'cab2.cab' was not found in " + narrow(lonely)},
        {testFile(L"refused\\unsafe-cabinet.msi"), "the cabinet name '..\\cab2.cab' is not a plain file name"},
        {testFile(L"refused\\main-msi-cabinet.msi"), "the cabinet name 'Main.msi' is the name the package itself takes"},
        {testFile(L"refused\\uncompressed.msi"),
         "the file with sequence 2 is in no cabinet, and a setup program carries only files in cabinets"},
        {big + L"\\CabinetTest.msi", "too large: the package and its cabinets hold " + bigTotal +
                                         " bytes, and Windows loads no program of 2 GiB or more"},
    };
    const WString setup = folder.path(L"setup.exe");
    for (const auto& row : rows) {
        writeFile(setup, "an older setup program");
        const std::vector<WString> before = folderContents(folder.path());

        const ToolRun run = runPack(quoted(row.package) + L" " + quoted(setup));
        EXPECT_EQ(run.exitCode, 1u) << row.reason;
        EXPECT_EQ(run.err, "tarnell-pack: " + narrow(row.package) + ": " + row.reason + "\n");
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(readFile(setup), "an older setup program") << row.reason;
        EXPECT_EQ(folderContents(folder.path()), before) << row.reason;
    }
}

TEST(LongProductNameTest, VersionInformationStaysReadable) {
    TestFolder folder;
    const WString setup = folder.path(L"setup.exe");
    const ToolRun run = runPack(quoted(testFile(L"long-name.msi")) + L" " + quoted(setup));
    ASSERT_EQ(run.exitCode, 0u) << run.err;

    std::vector<BYTE> info(GetFileVersionInfoSizeW(setup.c_str(), nullptr));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoW(setup.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
    wchar_t* text = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\ProductVersion",
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_EQ(WString(text), L"2.5.7");
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\ProductName",
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_EQ(WString(text).size(), 4000u) << "cut to its first 4,000 characters";
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);
}

} // namespace
