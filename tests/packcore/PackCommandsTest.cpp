// info, extract and winget over in-memory setup programs, and the outputs
// the packer refuses to write.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>

#include "PackCoreTesting.h"
#include "SetupFacts.h"
#include "Sha256.h"
#include "WingetCommand.h"

namespace {

using namespace pack;
using namespace packtest;

// What the tools take for a package: the compound file's signature, in 512 bytes.
Bytes packageBytes() {
    Bytes bytes = bytesOf("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1package");
    bytes.resize(512);
    return bytes;
}

// A package with two cabinets beside it, packed into setup.exe.
class PackCommandsTest : public ::testing::Test {
protected:
    PackCommandsTest() {
        platform.folders.insert("dist");
        platform.addPackage("dist/app.msi", packageWith({{1, 1, u"a.cab"}, {2, 2, u"b 2.cab"}}, {1, 2}), packageBytes());
        platform.addFile("dist/a.cab", bytesOf("cabinet a"));
        platform.addFile("dist/b 2.cab", bytesOf("cabinet b 2"));
        pack("dist/app.msi", "setup.exe");
    }

    void pack(const char* package, const char* setup) {
        const ToolRun run = runPack(platform, arguments({package, setup}));
        ASSERT_EQ(run.exitCode, 0) << run.err;
    }

    const Bytes& file(const std::string& path) const { return platform.files.at(path).bytes; }

    // setup.exe with its RT_RCDATA resources of these names replaced, or removed where nothing is given.
    void tamper(const std::map<std::u16string, std::optional<std::string>>& changes) {
        ResourceTable table;
        for (const auto& [type, names] : resourcesOf(file("setup.exe"))) {
            for (const auto& [name, languages] : names) {
                const auto change = changes.find(name.isNumber() ? u"" : name.getName());
                for (const auto& [language, entry] : languages) {
                    if (type.getNumber() != resourceType::rcdata || change == changes.end()) {
                        table.add(type, name, language, entry.data);
                    } else if (change->second) {
                        table.add(type, name, language, bytesOf(*change->second));
                    }
                }
            }
        }
        const Bytes stub = stubImage();
        const StubImage image(stub);
        auto out = platform.createOutput("setup.exe");
        image.write(table.layOut(image.resourceSectionRva()), {}, *out);
        out->commit();
    }

    FakePlatform platform;
};

TEST_F(PackCommandsTest, InfoTellsTheContractFieldsOfASetupProgram) {
    const ToolRun run = runPack(platform, arguments({"info", "--json", "setup.exe"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Sha256 setupSum;
    setupSum.add(file("setup.exe"));
    EXPECT_EQ(run.out, R"({
  "productName": "Tarnell",
  "productVersion": "1.2",
  "manufacturer": "Testers",
  "productCode": "{5B8E2C41-7D3F-4A96-8E10-3F6C2D9A7B54}",
  "upgradeCode": null,
  "packageCode": "{0D5A0A61-58A7-4F32-9E7E-6B5C2A1F9D38}",
  "scope": "machine",
  "architecture": "x64",
  "languages": [1033],
  "package": {"name": "app.msi", "size": 512, "sha256": "279d07e87b4d0a10cd2b3c2ee2c7c2f49d7315b1a59f0865b576508847a3439a"},
  "cabinets": [
    {"name": "a.cab", "size": 9, "sha256": "d934ba9999445e1b951c94563c35daf0f51e1007c8a716fc69f6c578a6309c51"},
    {"name": "b 2.cab", "size": 11, "sha256": "6d18682f7539320accb4d148ac82d831259cb9aad7be1a823a5dd275abe6c157"}
  ],
  "setup": {"name": "setup.exe", "size": )" + std::to_string(file("setup.exe").size()) +
                           R"(, "sha256": ")" + setupSum.hex() + R"("},
  "defaultLog": true,
  "commands": {
    "install": "setup.exe /qn",
    "installWithProgress": "setup.exe /passive",
    "uninstall": "setup.exe uninstall",
    "uninstallByProductCode": "msiexec /x {5B8E2C41-7D3F-4A96-8E10-3F6C2D9A7B54} /qn"
  },
  "successCodes": [0, 1641, 3010]
}
)");

    const ToolRun package = runPack(platform, arguments({"info", "--json", "dist/app.msi"}));
    ASSERT_EQ(package.exitCode, 0) << package.err;
    EXPECT_NE(package.out.find("\"setup\": null,\n  \"defaultLog\": null,\n"), std::string::npos);

    ASSERT_EQ(runPack(platform, arguments({"--no-default-log", "dist/app.msi", "quiet.exe"})).exitCode, 0);
    EXPECT_NE(runPack(platform, arguments({"info", "quiet.exe"})).out.find("\n  default log     off\n"), std::string::npos);
    tamper({{u"SETUP", formatSetupFacts(SetupFacts{}).substr(0, formatSetupFacts(SetupFacts{}).find("default-log"))}});
    EXPECT_NE(runPack(platform, arguments({"info", "--json", "setup.exe"})).out.find("\"defaultLog\": null,"),
              std::string::npos) << "an older packer's setup program logs nothing of its own";
    EXPECT_NE(package.out.find("\"install\": \"msiexec /i app.msi /qn\""), std::string::npos) << package.out;
}

TEST_F(PackCommandsTest, ExtractGivesBackWhatPackingAgainTurnsIntoTheSameSetupProgram) {
    const ToolRun run = runPack(platform, arguments({"extract", "setup.exe", "out"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "Wrote out/app.msi (512 bytes)\nWrote out/a.cab (9 bytes)\nWrote out/b 2.cab (11 bytes)\n");
    EXPECT_EQ(file("out/app.msi"), packageBytes());
    EXPECT_EQ(file("out/b 2.cab"), bytesOf("cabinet b 2"));

    platform.folders.insert("again");
    pack("out/app.msi", "again/setup.exe");
    EXPECT_EQ(file("again/setup.exe"), file("setup.exe")) << "byte for byte";
}

TEST_F(PackCommandsTest, ExtractWritesEveryFileOrNone) {
    platform.folders.insert("out");
    platform.addFile("out/a.cab", bytesOf("mine"));
    const ToolRun refused = runPack(platform, arguments({"extract", "setup.exe", "out"}));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "tarnell-pack: out/a.cab: is there already; --force replaces it\n");
    EXPECT_EQ(platform.files.count("out/app.msi"), 0u);

    EXPECT_EQ(runPack(platform, arguments({"extract", "setup.exe", "--force", "out"})).exitCode, 0);
    EXPECT_EQ(file("out/a.cab"), bytesOf("cabinet a"));

    platform.stopAtFirstWrite = true;
    EXPECT_EQ(runPack(platform, arguments({"extract", "setup.exe", "new"})).exitCode, 1);
    EXPECT_EQ(platform.folders.count("new"), 0u) << "the folder it made is gone again";

    platform.stopAtFirstWrite = false;
    tamper({{u"SETUP", std::nullopt}});
    ASSERT_EQ(runPack(platform, arguments({"extract", "setup.exe", "old"})).exitCode, 0);
    EXPECT_EQ(file("old/main.msi"), packageBytes()) << "a setup program of an older packer";
}

TEST_F(PackCommandsTest, ExtractMakesTheFolderWithItsParentsOrLeavesNone) {
    ASSERT_EQ(runPack(platform, arguments({"extract", "setup.exe", "a/b/c"})).exitCode, 0);
    EXPECT_EQ(file("a/b/c/app.msi"), packageBytes());
    EXPECT_EQ(platform.folders.count("a/b"), 1u);

    platform.stopAtFirstWrite = true;
    EXPECT_EQ(runPack(platform, arguments({"extract", "setup.exe", "a/x/y/"})).exitCode, 1);
    EXPECT_EQ(platform.folders, (std::set<std::string>{".", "a", "a/b", "a/b/c", "dist"})) << "those it made are gone";
}

TEST_F(PackCommandsTest, OneLineForEachMistake) {
    const struct {
        std::vector<std::string> args;
        int exitCode;
        const char* line;
    } rows[] = {
        {{"setup.exe", "again.exe"}, 1,
         "setup.exe: a setup program, not an installer package: 'tarnell-pack extract setup.exe <folder>' gives back "
         "the package it carries"},
        {{"setup.exe", "dist/app.msi"}, 2,
         "dist/app.msi is the package, so it comes first: tarnell-pack dist/app.msi setup.exe\n"
         "Try 'tarnell-pack --help'."},
        {{"extract", "setup.exe", "setup.exe/out"}, 1, "setup.exe/out: cannot create the folder: setup.exe is a file"},
        {{"winget", "setup.exe", "--id=A.B", "--url=https://x/", "--out=dist/a.cab"}, 1,
         "dist/a.cab: cannot write into it: it is a file"},
    };
    for (const auto& row : rows) {
        const int outputs = platform.outputsCreated;
        const ToolRun run = runPack(platform, row.args);
        EXPECT_EQ(run.exitCode, row.exitCode) << row.line;
        EXPECT_EQ(run.err, std::string("tarnell-pack: ") + row.line + "\n");
        EXPECT_EQ(platform.outputsCreated, outputs);
    }
}

TEST_F(PackCommandsTest, SetupProgramsTheLauncherWouldRefuseAreRefused) {
    SetupFacts strayName = *parseSetupFacts(textOf(resourcesOf(file("setup.exe")).at(resourceType::rcdata).at(u"SETUP").at(0).data));
    strayName.packageFileName = u"..\\app.msi";
    const struct {
        std::map<std::u16string, std::optional<std::string>> changes;
        const char* line;
    } rows[] = {
        {{{u"CABINETS", "a.cab\nb 2.cab.\n"}}, "a damaged setup program: the cabinet name 'b 2.cab.' ends in a dot or a blank"},
        {{{u"CABINETS", "a.cab\nCON\n"}}, "a damaged setup program: the cabinet name 'CON' names a device"},
        {{{u"CABINETS", "a.cab\nA.CAB\n"}}, "a damaged setup program: the cabinet names 'a.cab' and 'A.CAB' name one file"},
        {{{u"CABINETS", "a.cab\nb 2.cab\nc.cab\n"}}, "a damaged setup program: the cabinet 'c.cab' is not there"},
        {{{u"CABINETS", "app.msi\n"}, {u"CHECKSUMS", std::nullopt}},
         "a damaged setup program: the package and the cabinet 'app.msi' name one file"},
        {{{u"SETUP", "scope=everyone\n"}}, "a damaged setup program: its SETUP resource is not one tarnell-pack writes"},
        {{{u"SETUP", formatSetupFacts(strayName)}},
         "a damaged setup program: the package's name '..\\app.msi' is not a plain file name"},
        {{{u"PRODUCT_CODE", "{5b8e2c41-7d3f-4a96-8e10-3f6c2d9a7b54}"}},
         "a damaged setup program: its product code is not a GUID in registry form"},
        {{{u"MSI", std::nullopt}}, "not a setup program made by tarnell-pack"},
    };
    const Bytes original = file("setup.exe");
    for (const auto& row : rows) {
        platform.addFile("setup.exe", original);
        tamper(row.changes);
        const int outputs = platform.outputsCreated;
        const ToolRun run = runPack(platform, arguments({"extract", "setup.exe", "out"}));
        EXPECT_EQ(run.exitCode, 1) << row.line;
        EXPECT_EQ(run.err, std::string("tarnell-pack: setup.exe: ") + row.line + "\n");
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(platform.outputsCreated, outputs) << row.line;
        EXPECT_EQ(platform.folders.count("out"), 0u);
    }
    platform.addFile("setup.exe", Bytes(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(original.size() / 2)));
    EXPECT_EQ(runPack(platform, arguments({"info", "setup.exe"})).err,
              "tarnell-pack: setup.exe: a damaged setup program: its resources lie outside the file\n");
    EXPECT_EQ(runPack(platform, arguments({"info", "dist/a.cab"})).err,
              "tarnell-pack: dist/a.cab: neither a setup program made by tarnell-pack nor an installer package\n");
}

TEST_F(PackCommandsTest, VerifyNamesTheDamagedPart) {
    const ToolRun intact = runPack(platform, arguments({"verify", "setup.exe"}));
    EXPECT_EQ(intact.exitCode, 0) << intact.err;
    EXPECT_EQ(intact.out, "setup.exe: intact: the package and 2 cabinets match the sizes and checksums recorded when "
                          "it was packed\n");

    const std::string recorded =
        textOf(resourcesOf(file("setup.exe")).at(resourceType::rcdata).at(u"CHECKSUMS").at(0).data);
    const auto changed = [&](const std::string& from, const std::string& to) {
        std::string text = recorded;
        return text.replace(text.find(from), from.size(), to);
    };
    const struct {
        std::map<std::u16string, std::optional<std::string>> changes;
        int exitCode;
        const char* line;
    } rows[] = {
        {{{u"MSI", "a package changed"}}, 1, "setup.exe: damaged: the package holds 17 bytes where 512 were packed"},
        {{{u"CHECKSUMS", changed("\n2 11 ", "\n2 11 0")}}, 1,
         "setup.exe: a damaged setup program: its CHECKSUMS resource is not one tarnell-pack writes"},
        {{{u"CABINETS", "a.cab\n"}}, 1,
         "setup.exe: a damaged setup program: its CHECKSUMS resource is not one tarnell-pack writes"},
        {{{u"CHECKSUMS", std::nullopt}}, 3,
         "setup.exe: records no checksums (packed by an older tarnell-pack): nothing to verify"},
    };
    const Bytes original = file("setup.exe");
    for (const auto& row : rows) {
        platform.addFile("setup.exe", original);
        tamper(row.changes);
        const ToolRun run = runPack(platform, arguments({"verify", "setup.exe"}));
        EXPECT_EQ(run.exitCode, row.exitCode) << row.line;
        EXPECT_EQ(run.err, std::string("tarnell-pack: ") + row.line + "\n");
        EXPECT_EQ(run.out, "");
    }
    // Bytes of the recorded length that differ: only the checksum tells.
    platform.addFile("setup.exe", original);
    const size_t last = recorded.rfind(' ') + 1;
    tamper({{u"CHECKSUMS", recorded.substr(0, last) + "0000000000000000\n"}});
    EXPECT_EQ(runPack(platform, arguments({"verify", "setup.exe"})).err,
              "tarnell-pack: setup.exe: damaged: the cabinet 'b 2.cab' has the checksum " +
                  recorded.substr(last, 16) + " where 0000000000000000 was recorded\n");
}

TEST_F(PackCommandsTest, CabinetsOfOneNameOnWindowsMustBeOneFile) {
    platform.packages["dist/app.msi"] = packageWith({{1, 1, u"a.cab"}, {2, 2, u"b 2.cab"}, {3, 2, u"A.CAB"}}, {1, 2});
    EXPECT_EQ(runPack(platform, arguments({"dist/app.msi", "one.exe"})).exitCode, 0) << "no second file: one cabinet";
    platform.addFile("dist/A.CAB", bytesOf("another cabinet"));
    const ToolRun two = runPack(platform, arguments({"dist/app.msi", "two.exe"}));
    EXPECT_EQ(two.exitCode, 1);
    EXPECT_EQ(two.err, "tarnell-pack: dist/app.msi: the cabinets 'a.cab' and 'A.CAB' are two files, and Windows takes "
                       "their names for one\n");
    platform.addLink("dist/A.CAB", "dist/a.cab");
    EXPECT_EQ(runPack(platform, arguments({"dist/app.msi", "linked.exe"})).exitCode, 0) << "one file by two names";
}

TEST_F(PackCommandsTest, WingetManifestsFollowThePackage) {
    platform.packages["dist/app.msi"].allUsers = u"2";
    platform.packages["dist/app.msi"].msiInstallPerUser = u"1";
    platform.packages["dist/app.msi"].upgradeCode = u"7a3c1e529b404d6f8e215c0b7d9a3f18";
    platform.packageBytes[textOf(packageBytes())] = platform.packages["dist/app.msi"];
    const ToolRun run = runPack(platform, arguments({"winget", "setup.exe", "--id", "Testers.Tarnell", "--url",
                                                     "https://example.com/setup.exe", "--out", "m"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "Wrote m/Testers.Tarnell.yaml\nWrote m/Testers.Tarnell.installer.yaml\n"
                       "Wrote m/Testers.Tarnell.locale.en-US.yaml\n");
    const std::string installer = textOf(file("m/Testers.Tarnell.installer.yaml"));
    EXPECT_EQ(installer.find("Scope:"), std::string::npos) << "a dual-purpose package has no one scope";
    EXPECT_EQ(installer.find("ElevationRequirement:"), std::string::npos) << "nor needs elevation";
    EXPECT_NE(installer.find("    UpgradeCode: \"{7A3C1E52-9B40-4D6F-8E21-5C0B7D9A3F18}\"\n"), std::string::npos);
    Sha256 sum;
    sum.add(file("setup.exe"));
    std::string upper = sum.hex();
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return static_cast<char>(std::toupper(c)); });
    EXPECT_NE(installer.find("InstallerSha256: \"" + upper + "\"\n"), std::string::npos) << installer;

    const ToolRun again = runPack(platform, arguments({"winget", "setup.exe", "--id", "Testers.Tarnell", "--url",
                                                       "https://example.com/setup.exe", "--out", "m"}));
    EXPECT_EQ(again.err, "tarnell-pack: m/Testers.Tarnell.yaml: is there already; --force replaces it\n");
    platform.packages["dist/app.msi"].allUsers = u"1";
    platform.packageBytes[textOf(packageBytes())] = platform.packages["dist/app.msi"];
    pack("dist/app.msi", "setup.exe");
    const ToolRun forced = runPack(platform, arguments({"winget", "setup.exe", "--id", "Testers.Tarnell", "--url",
                                                        "http://example.com/setup.exe", "--out", "m", "--force"}));
    EXPECT_EQ(forced.exitCode, 0);
    EXPECT_EQ(forced.err, "tarnell-pack: warning: --url 'http://example.com/setup.exe': winget's community repository "
                          "takes https:// addresses only\n");
    EXPECT_NE(textOf(file("m/Testers.Tarnell.installer.yaml")).find("\nScope: machine\nElevationRequirement: elevationRequired\n"),
              std::string::npos);

    const struct {
        std::vector<std::string> options;
        const char* line;
    } refusals[] = {
        {{"--id", "Testers", "--url", "https://x/"}, "--id 'Testers': must be 2 to 8 parts separated by dots, at most 128 characters in all"},
        {{"--id", "A.B", "--url", "ftp://x/"}, "--url 'ftp://x/': must be an http:// or https:// address"},
        {{"--id", "CON.App", "--url", "https://x/"}, "--id 'CON.App': the file name 'CON.App.yaml' names a device"},
    };
    for (const auto& row : refusals) {
        std::vector<std::string> args{"winget", "setup.exe", "--out", "n"};
        args.insert(args.end(), row.options.begin(), row.options.end());
        const ToolRun refused = runPack(platform, args);
        EXPECT_EQ(refused.err, std::string("tarnell-pack: ") + row.line + "\n");
        EXPECT_EQ(platform.folders.count("n"), 0u);
    }
}

TEST_F(PackCommandsTest, AProductCodeNotThePackagesOwnIsWarnedOf) {
    const char* code = "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}";
    const ToolRun packed = runPack(platform, arguments({"--product-code", code, "dist/app.msi", "other.exe"}));
    EXPECT_EQ(packed.exitCode, 0);
    EXPECT_EQ(packed.err, std::string("tarnell-pack: warning: --product-code ") + code + " is not the package's "
                          "ProductCode " + productCode + ": uninstall and detection by product code look for a "
                          "product the installer never registers\n");
    const ToolRun manifest = runPack(platform, arguments({"winget", "other.exe", "--id", "A.B", "--url",
                                                          "https://x/", "--out", "m"}));
    EXPECT_EQ(manifest.exitCode, 0);
    EXPECT_EQ(manifest.err, std::string("tarnell-pack: warning: other.exe: its product code ") + code +
                                " is not its package's ProductCode " + productCode +
                                ": winget's detection will look for a product the installer never registers\n");
}

} // namespace
