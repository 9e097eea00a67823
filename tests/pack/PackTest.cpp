// tarnell-pack.exe end to end: the setup programs it writes, and what it refuses.
#include <gtest/gtest.h>

#include <windows.h>

#include <imagehlp.h>
#include <shellapi.h>

#include "Pack.h"
#include "PackTesting.h"
#include "RunProgram.h"
#include "TestFolder.h"
#include "WinSysInfo.h"

namespace {

const WString package = testFile(L"PackTest.msi");

class PackTest : public ::testing::Test {
protected:
    // Packs the test package into the folder; returns the setup program's path.
    WString pack(const WString& name = L"setup.exe", const WString& options = L"") {
        const WString setup = folder.path(name);
        const ToolRun run = runPack(options + L" " + quoted(package) + L" " + quoted(setup));
        EXPECT_EQ(run.exitCode, 0u) << run.err;
        return setup;
    }

    TestFolder folder;
};

std::string narrow(const WString& text) { return tstrings::toUtf8(text); }

WString versionString(const std::vector<BYTE>& info, const WString& name) {
    wchar_t* value = nullptr;
    UINT length = 0;
    const WString key = L"\\StringFileInfo\\040904B0\\" + name;
    if (!VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &length)) {
        return L"<missing>";
    }
    return value;
}

// A 32-bit image of an icon file: header, colour pixels, transparency mask.
std::string iconImage(BYTE size, BYTE shade) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = size;
    header.biHeight = size * 2;  // the colour and mask bitmaps on top of each other
    header.biPlanes = 1;
    header.biBitCount = 32;
    std::string image(reinterpret_cast<const char*>(&header), sizeof(header));
    image.append(size * size * 4, static_cast<char>(shade));
    image.append((size + 31) / 32 * 4 * size, '\0');
    return image;
}

std::string iconFile(const std::vector<std::pair<BYTE, std::string>>& images) {
    const WORD header[] = {0, 1, static_cast<WORD>(images.size())};
    std::string file(reinterpret_cast<const char*>(header), sizeof(header));
    DWORD offset = static_cast<DWORD>(sizeof(header) + images.size() * 16);
    for (const auto& [size, image] : images) {
        const BYTE dimensions[] = {size, size, 0, 0};
        const WORD format[] = {1, 32};
        const DWORD placement[] = {static_cast<DWORD>(image.size()), offset};
        file.append(reinterpret_cast<const char*>(dimensions), sizeof(dimensions));
        file.append(reinterpret_cast<const char*>(format), sizeof(format));
        file.append(reinterpret_cast<const char*>(placement), sizeof(placement));
        offset += static_cast<DWORD>(image.size());
    }
    for (const auto& entry : images) {
        file += entry.second;
    }
    return file;
}

TEST_F(PackTest, SetupProgramInstallsAndUninstallsThePackage) {
    const WString setup = pack();
    const WString payload = SysInfo::readEnvVariable(L"LOCALAPPDATA") + L"\\TarnellPackTest\\pack-payload.txt";

    ASSERT_EQ(runProgram(setup, L"/qn"), 0u);
    EXPECT_TRUE(exists(payload));
    EXPECT_EQ(runProgram(setup, L"uninstall"), 0u);
    EXPECT_FALSE(exists(payload));
    EXPECT_EQ(runProgram(setup, L"uninstall"), DWORD{ERROR_UNKNOWN_PRODUCT});
}

TEST_F(PackTest, ReplacesTheDestinationAndSaysWhatItWrote) {
    const WString setup = folder.path(L"setup.exe");
    writeFile(setup, "an older setup program");

    const ToolRun run = runPack(quoted(package) + L" " + quoted(setup));
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(run.out, "Wrote " + narrow(setup) + " (product code " + narrow(PACK_TEST_PRODUCT_CODE) + ", package " +
                           std::to_string(readFile(package).size()) + " bytes)\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(folderContents(folder.path()), std::vector<WString>{L"setup.exe"}) << "no temporary file is left";
    EXPECT_TRUE(ResourceImage(setup).has(L"msi", RT_RCDATA));
}

TEST_F(PackTest, CMakeBuildsTheSameSetupProgram) {
    const WString setup = pack(L"pack-test-launcher.exe");
    EXPECT_TRUE(readFile(setup) == readFile(PACK_TEST_LAUNCHER)) << "byte for byte";
    const ResourceImage packed(setup);
    ASSERT_TRUE(packed.loaded());
    EXPECT_TRUE(packed.bytes(L"msi", RT_RCDATA) == readFile(package)) << "the package, byte for byte";
    EXPECT_EQ(packed.bytes(L"product_code", RT_RCDATA), narrow(PACK_TEST_PRODUCT_CODE));
    EXPECT_FALSE(packed.has(L"cabinets", RT_RCDATA)) << "its cabinet is embedded";
}

TEST_F(PackTest, VersionResourceShowsThePackage) {
    const WString setup = pack(L"My Setup.exe");
    std::vector<BYTE> info(GetFileVersionInfoSizeW(setup.c_str(), nullptr));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoW(setup.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));

    EXPECT_EQ(versionString(info, L"ProductName"), L"Tarnell Pack Test");
    EXPECT_EQ(versionString(info, L"ProductVersion"), L"2.5.7");
    EXPECT_EQ(versionString(info, L"FileVersion"), L"2.5.7");
    EXPECT_EQ(versionString(info, L"CompanyName"), L"Tarnell Pack Testers");
    EXPECT_EQ(versionString(info, L"FileDescription"), L"Tarnell Pack Test Setup");
    EXPECT_EQ(versionString(info, L"OriginalFilename"), L"My Setup.exe");

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, DWORD{VS_FFI_SIGNATURE});
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00020005u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00070000u);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00020005u);
    EXPECT_EQ(fixed->dwFileType, DWORD{VFT_APP});
}

TEST_F(PackTest, HeaderChecksumIsTheFilesOwn) {
    const WString setup = pack();
    DWORD inHeader = 0;
    DWORD computed = 0;
    ASSERT_EQ(MapFileAndCheckSumW(setup.c_str(), &inHeader, &computed), DWORD{CHECKSUM_SUCCESS});
    EXPECT_NE(inHeader, 0u);
    EXPECT_EQ(inHeader, computed);
}

TEST_F(PackTest, ProductCodeOptionWinsAndIsStoredInRegistryForm) {
    const WString setup = pack(L"setup.exe", L"--product-code 0f1e2d3c4b5a69788796a5b4c3d2e1f0");
    EXPECT_EQ(ResourceImage(setup).bytes(L"product_code", RT_RCDATA), "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}");
}

TEST_F(PackTest, IconBecomesTheProgramsIcon) {
    const std::string small = iconImage(16, 0x40);
    const std::string large = iconImage(32, 0x80);
    writeFile(folder.path(L"app.ico"), iconFile({{16, small}, {32, large}}));
    const WString setup = pack(L"setup.exe", L"--icon " + quoted(folder.path(L"app.ico")));

    const ResourceImage image(setup);
    EXPECT_EQ(image.bytes(MAKEINTRESOURCEW(1), RT_ICON), small);
    EXPECT_EQ(image.bytes(MAKEINTRESOURCEW(2), RT_ICON), large);
    std::string group = image.bytes(MAKEINTRESOURCEW(1), RT_GROUP_ICON);
    const int id = LookupIconIdFromDirectoryEx(reinterpret_cast<BYTE*>(group.data()), TRUE, 32, 32, LR_DEFAULTCOLOR);
    EXPECT_EQ(id, 2) << "the system picks the 32-pixel image for a 32-pixel icon";
    std::string chosen = image.bytes(MAKEINTRESOURCEW(id), RT_ICON);
    const HICON icon = CreateIconFromResourceEx(reinterpret_cast<BYTE*>(chosen.data()),
                                                static_cast<DWORD>(chosen.size()), TRUE, 0x00030000, 32, 32, 0);
    EXPECT_NE(icon, nullptr);
    DestroyIcon(icon);
    EXPECT_EQ(ExtractIconExW(setup.c_str(), -1, nullptr, nullptr, 0), 1u);
}

TEST_F(PackTest, RefusalsNameTheFileAndTheReasonAndLeaveNoTrace) {
    const WString setup = folder.path(L"setup.exe");
    const WString notPackage = folder.path(L"notes.msi");
    const WString missing = folder.path(L"missing.msi");
    const WString notIcon = folder.path(L"notes.ico");
    writeFile(notPackage, "just some notes\n");
    writeFile(notIcon, "no pictures here\n");
    CreateDirectoryW(folder.path(L"folder.exe").c_str(), nullptr);
    const struct {
        WString arguments;
        WString file;
        const char* reason;
    } rows[] = {
        {quoted(notPackage) + L" " + quoted(setup), notPackage, ": not an installer package"},
        {quoted(testFile(L"empty-database.msi")) + L" " + quoted(setup), testFile(L"empty-database.msi"),
         ": not an installer package"},
        {quoted(testFile(L"no-product-code.msi")) + L" " + quoted(setup), testFile(L"no-product-code.msi"),
         ": the package has no ProductCode"},
        {quoted(testFile(L"bad-product-code.msi")) + L" " + quoted(setup), testFile(L"bad-product-code.msi"),
         ": the package's ProductCode 'not-a-guid' is not a GUID"},
        {quoted(missing) + L" " + quoted(setup), missing, ": no such file"},
        {L"--icon " + quoted(notIcon) + L" " + quoted(package) + L" " + quoted(setup), notIcon, ": not an icon file"},
        {quoted(package) + L" " + quoted(folder.path(L"no such folder\\setup.exe")),
         folder.path(L"no such folder\\setup.exe"), ": cannot write: there is no folder"},
        {quoted(package) + L" " + quoted(folder.path(L"folder.exe")), folder.path(L"folder.exe"),
         ": cannot write: it is a folder"},
    };
    for (const auto& row : rows) {
        writeFile(setup, "an older setup program");
        const std::vector<WString> before = folderContents(folder.path());

        const ToolRun run = runPack(row.arguments);
        EXPECT_EQ(run.exitCode, 1u) << row.reason;
        EXPECT_EQ(run.err.rfind("tarnell-pack: " + narrow(row.file) + row.reason, 0), 0u) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(readFile(setup), "an older setup program") << row.reason;
        EXPECT_EQ(folderContents(folder.path()), before) << row.reason;
    }
}

TEST(PackCommandLineTest, ExitCodesOfUsageHelpAndVersion) {
    const ToolRun none = runPack(L"");
    EXPECT_EQ(none.exitCode, 2u);
    EXPECT_EQ(none.err, "tarnell-pack: no package and no output given\nTry 'tarnell-pack --help'.\n");
    EXPECT_EQ(none.out, "");

    const ToolRun badCode = runPack(L"--product-code nope a.msi b.exe");
    EXPECT_EQ(badCode.exitCode, 2u);
    EXPECT_EQ(badCode.err.rfind("tarnell-pack: --product-code: 'nope' is not a GUID\n", 0), 0u) << badCode.err;

    const std::string usage =
        "Usage: tarnell-pack [--product-code {GUID}] [--icon app.ico] [--no-package-cache]\n";
    for (const wchar_t* asked : {L"a.msi --help", L"info /?"}) {
        const ToolRun help = runPack(asked);
        EXPECT_EQ(help.exitCode, 0u);
        EXPECT_EQ(help.out.rfind(usage, 0), 0u) << help.out;
        EXPECT_EQ(help.err, "");
    }

    const ToolRun version = runPack(L"--version");
    EXPECT_EQ(version.exitCode, 0u);
    EXPECT_EQ(version.out, std::string("tarnell-pack ") + pack::toolVersion + "\n");
}

} // namespace
