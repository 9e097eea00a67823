// Whole setup programs packed from in-memory files: what they carry, what the
// packer refuses, and its usage.
#include <gtest/gtest.h>

#include "Checksums.h"
#include "Pack.h"
#include "PackCoreTesting.h"
#include "PeChecksum.h"
#include "ResourceTable.h"
#include "StubImage.h"
#include "Text.h"
#include "Xxh3.h"

namespace {

using namespace pack;
using namespace packtest;

TEST(PackSetupTest, SetupProgramCarriesTheExternalCabinetsInListOrder) {
    FakePlatform platform;
    platform.addPackage("dist/app.msi", packageWith({{2, 4, u"b 2.cab"}, {1, 2, u"a.cab"}, {3, 6, u"A.CAB"}}),
                        bytesOf("package"));
    platform.addFile("dist/a.cab", bytesOf("cabinet a"));
    platform.addFile("dist/b 2.cab", bytesOf("cabinet b 2"));

    const ToolRun run = runPack(platform, arguments({"dist/app.msi", "out/setup.exe"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, std::string("Wrote out/setup.exe (product code ") + productCode +
                           ", package 7 bytes, 2 cabinets of 20 bytes)\n");
    const Bytes& setup = platform.files.at("out/setup.exe").bytes;
    const auto rcdata = resourcesOf(setup).at(resourceType::rcdata);
    EXPECT_EQ(textOf(rcdata.at(u"CABINETS").at(0).data), "a.cab\nb 2.cab\n");
    EXPECT_EQ(textOf(rcdata.at(uint16_t{1}).at(0).data), "cabinet a");
    EXPECT_EQ(textOf(rcdata.at(uint16_t{2}).at(0).data), "cabinet b 2");
    EXPECT_EQ(textOf(rcdata.at(u"MSI").at(0).data), "package");
    EXPECT_EQ(textOf(rcdata.at(u"SETUP").at(0).data),
              "scope=machine\nproduct-name=Tarnell\nproduct-version=1.2\npackage-code={0D5A0A61-58A7-4F32-9E7E-6B5C2A1F9D38}\n"
              "package-name=app.msi\npackage-cache=yes\nelevation=auto\ndefault-log=yes\n");
    const auto xxh3 = [](std::string_view text) {
        Xxh3 sum;
        sum.add(asBytes(text));
        return sum.digest();
    };
    EXPECT_EQ(textOf(rcdata.at(u"CHECKSUMS").at(0).data),
              formatChecksums({{7, xxh3("package")}, {{9, xxh3("cabinet a")}, {11, xxh3("cabinet b 2")}}}));

    const uint32_t checksumField = readLe<uint32_t>(setup, 0x3C) + 24 + 64;
    Bytes zeroed = setup;
    writeLe<uint32_t>(zeroed, checksumField, 0);
    PeChecksum checksum;
    checksum.add(zeroed);
    EXPECT_EQ(readLe<uint32_t>(setup, checksumField), checksum.value());
}

TEST(PackSetupTest, EmbeddedCabinetsLeaveTheResourcesAsTheyWere) {
    FakePlatform platform;
    platform.addPackage("app.msi", packageWith({{1, 1, u"#app.cab"}}), bytesOf("package"));
    ASSERT_EQ(runPack(platform, arguments({"app.msi", "setup.exe"})).exitCode, 0);
    const auto types = resourcesOf(platform.files.at("setup.exe").bytes);
    std::vector<std::string> rcdata;
    for (const auto& [name, languages] : types.at(resourceType::rcdata)) {
        rcdata.push_back(toUtf8(name.getName()));
    }
    EXPECT_EQ(rcdata, (std::vector<std::string>{"CHECKSUMS", "MSI", "PRODUCT_CODE", "SETUP"}));
    EXPECT_EQ(types.size(), 3u) << "data, version and the stub's manifest";
}

TEST(PackSetupTest, RefusalsSayWhyInOneLineAndWriteNothing) {
    const PackageInfo twoCabinets = packageWith({{1, 1, u"a.cab"}, {2, 2, u"b b.cab"}}, {1, 2});
    const struct {
        PackageInfo package;
        const char* line;
        const char* path = "dist/app.msi";
    } rows[] = {
        {twoCabinets, "dist/app.msi: the cabinet 'b b.cab' was not found in dist"},
        {twoCabinets, "app.msi: the cabinet 'a.cab' was not found in /work", "app.msi"},
        {packageWith({{1, 1, u"..\\evil.cab"}}), "dist/app.msi: the cabinet name '..\\evil.cab' is not a plain file name"},
        {packageWith({{1, 1, u"\x1B]0;x\x07.cab"}}),
         "dist/app.msi: the cabinet name '\\x1B]0;x\\x07.cab' is not a plain file name"},
        {packageWith({{1, 1, u"MAIN.msi"}}), "dist/app.msi: the cabinet name 'MAIN.msi' is the name the package itself takes"},
        {packageWith({{1, 5, u""}}, {1, 2}),
         "dist/app.msi: the file with sequence 1 is in no cabinet, and a setup program carries only files in cabinets"},
        {packageWith({}, {}, u""), "dist/app.msi: the package has no ProductCode"},
        {packageWith({}, {}, u"{not-a-guid}\r\n"),
         "dist/app.msi: the package's ProductCode '{not-a-guid}\\x0D\\x0A' is not a GUID"},
    };
    for (const auto& row : rows) {
        FakePlatform platform;
        platform.addPackage(row.path, row.package, bytesOf("package"));
        platform.addFile("dist/a.cab", bytesOf("cabinet a"));
        const ToolRun run = runPack(platform, arguments({row.path, "setup.exe"}));
        EXPECT_EQ(run.exitCode, 1) << row.line;
        EXPECT_EQ(run.err, std::string("tarnell-pack: ") + row.line + "\n");
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(platform.outputsCreated, 0) << row.line;
    }
}

TEST(PackSetupTest, OutputsThatWouldDestroyAnInputAreRefused) {
    FakePlatform platform;
    platform.folders.insert("dist");
    platform.addPackage("dist/app.msi", packageWith({{1, 1, u"a.cab"}}), bytesOf("package"));
    platform.addFile("dist/a.cab", bytesOf("cabinet a"));
    platform.addFile("app.ico", {});
    platform.addLink("link.exe", "dist/app.msi");
    platform.addLink("hard.exe", "dist/a.cab");
    platform.devices.insert("/dev/null");
    platform.folders.insert("out.exe");
    const struct {
        const char* output;
        const char* reason;
    } rows[] = {
        {"dist/app.msi", "a setup program's name must not end in .msi or .cab"},
        {"other.Cab. ", "a setup program's name must not end in .msi or .cab"},
        {"link.exe", "it is the package"},
        {"hard.exe", "it is the cabinet 'a.cab'"},
        {"app.ico", "it is the icon"},
        {"/dev/null", "it is not a regular file"},
        {"out.exe", "it is a folder"},
    };
    const auto before = platform.files;
    for (const auto& row : rows) {
        const ToolRun run = runPack(platform, arguments({"--icon", "app.ico", "dist/app.msi", row.output}));
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, std::string("tarnell-pack: ") + row.output + ": cannot write: " + row.reason + "\n");
    }
    EXPECT_EQ(platform.outputsCreated, 0);
    EXPECT_TRUE(platform.files == before);
}

TEST(PackSetupTest, TwoGibibyteLimitCountsTheCabinets) {
    const uint64_t cabinetSize = 0x10000000;
    FakePlatform platform;
    platform.addPackage("app.msi", packageWith({{1, 1, u"a.cab"}}), {});
    platform.addSizedFile("./a.cab", cabinetSize);
    platform.stopAtFirstWrite = true;
    // The largest package that still fits, found by halves: the check lets it pass to the writing.
    const auto fits = [&](uint64_t packageSize) {
        platform.files["app.msi"].size = packageSize;
        return runPack(platform, arguments({"app.msi", "setup.exe"})).err == "tarnell-pack: stopped at the first write\n";
    };
    uint64_t low = 0, high = StubImage::maxImageSize;
    while (high - low > 1) {
        const uint64_t middle = (low + high) / 2;
        (fits(middle) ? low : high) = middle;
    }
    ASSERT_TRUE(fits(low));
    const uint32_t sizeOfImage = readLe<uint32_t>(*platform.firstWrite, readLe<uint32_t>(*platform.firstWrite, 0x3C) + 24 + 56);
    EXPECT_EQ(sizeOfImage, StubImage::maxImageSize - 0x1000) << "the last page below 2 GiB is used";

    platform.files["app.msi"].size = high;
    const ToolRun run = runPack(platform, arguments({"app.msi", "setup.exe"}));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "tarnell-pack: app.msi: too large: the package and its cabinets hold " +
                           std::to_string(high + cabinetSize) + " bytes, and Windows loads no program of 2 GiB or more\n");
}

TEST(PackSetupTest, UsageHelpAndVersion) {
    FakePlatform platform;
    const ToolRun none = runPack(platform, {});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_EQ(none.err, "tarnell-pack: no package and no output given\nTry 'tarnell-pack --help'.\n");
    const ToolRun help = runPack(platform, arguments({"extract", "-h"}));
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Usage: tarnell-pack [--product-code {GUID}] [--icon app.ico] [--no-package-cache]\n", 0), 0u);
    const ToolRun version = runPack(platform, arguments({"--version"}));
    EXPECT_EQ(version.out, std::string("tarnell-pack ") + toolVersion + "\n");
    EXPECT_EQ(platform.outputsCreated, 0);
}

} // namespace
