// The packer's rules over text: command lines, product codes, versions,
// message text and cabinet names.
#include <gtest/gtest.h>

#include "CabinetFiles.h"
#include "Cabinets.h"
#include "CommandLine.h"
#include "PackCoreTesting.h"
#include "ProductCode.h"
#include "SetupFacts.h"
#include "Text.h"
#include "VersionInfo.h"
#include "WindowsCase.h"

#ifdef _WIN32
#include <windows.h>

extern "C" WCHAR WINAPI RtlUpcaseUnicodeChar(WCHAR c);
#endif

namespace {

using namespace pack;

TEST(PackRulesTest, CommandLines) {
    const struct {
        std::vector<std::string> args;
        PackOptions::Action action;
        const char* package;
        const char* output;
        const char* icon;
        const char* productCode;
    } rows[] = {
        {{"a.msi", "b.exe"}, PackOptions::Pack, "a.msi", "b.exe", "", ""},
        {{"--icon", "x.ico", "a.msi", "b.exe"}, PackOptions::Pack, "a.msi", "b.exe", "x.ico", ""},
        {{"--icon=x=y.ico", "a.msi", "b.exe"}, PackOptions::Pack, "a.msi", "b.exe", "x=y.ico", ""},
        {{"a.msi", "--product-code", "0f1e2d3c4b5a69788796a5b4c3d2e1f0", "b.exe"}, PackOptions::Pack, "a.msi", "b.exe",
         "", "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}"},
        {{"a.msi", "b.exe", "--icon", "-dash.ico"}, PackOptions::Pack, "a.msi", "b.exe", "-dash.ico", ""},
        {{"--icon", "x.ico", "--", "-a.msi", "--help"}, PackOptions::Pack, "-a.msi", "--help", "x.ico", ""},
        {{"--bogus", "--version"}, PackOptions::ShowVersion, "", "", "", ""},
        {{"a.msi", "-V"}, PackOptions::ShowVersion, "", "", "", ""},
        {{"a.msi", "--help", "--version"}, PackOptions::ShowHelp, "", "", "", ""},
        {{"info", "-h"}, PackOptions::ShowHelp, "", "", "", ""},
        {{"winget", "--id", "--help"}, PackOptions::ShowHelp, "", "", "", ""},
    };
    for (const auto& row : rows) {
        const PackOptions options = parseCommandLine(row.args);
        EXPECT_EQ(options.action, row.action) << row.args[0];
        EXPECT_EQ(options.package, row.package);
        EXPECT_EQ(options.output, row.output);
        EXPECT_EQ(options.icon, row.icon);
        EXPECT_EQ(options.productCode.value_or(""), row.productCode);
    }
}

TEST(PackRulesTest, CommandLinesRefused) {
    const std::string dash = "'-' (standard input or output) is not taken: name a file, ./- for one named -";
    const struct {
        std::vector<std::string> args;
        std::string reason;
    } rows[] = {
        {{}, "no package and no output given"},
        {{"a.msi"}, "no output given"},
        {{"a.msi", "b.exe", "c.exe"}, "unexpected argument c.exe"},
        {{"-x", "a.msi", "b.exe"}, "unknown option -x"},
        {{"a.msi", "b.exe", "--icon"}, "--icon needs a value"},
        {{"--icon=", "a.msi", "b.exe"}, "--icon needs a value"},
        {{"--no-package-cache=yes", "a.msi", "b.exe"}, "--no-package-cache takes no value"},
        {{"--json", "a.msi", "b.exe"}, "packing does not take --json (info does)"},
        {{"--elevation", "Auto", "a.msi", "b.exe"}, "--elevation: 'Auto' is neither auto nor never"},
        {{"--product-code", "{5B8E2C41-7D3F}", "a.msi", "b.exe"}, "--product-code: '{5B8E2C41-7D3F}' is not a GUID"},
        {{"--product-code", "\x1b[2J", "a.msi", "b.exe"}, "--product-code: '\\x1B[2J' is not a GUID"},
        {{"-", "b.exe"}, dash},
        {{"a.msi", "--", "-"}, dash},
        {{"--icon", "-", "a.msi", "b.exe"}, dash},
        {{"dist/setup.exe", "dist/app.MSI."}, "dist/app.MSI. is the package, so it comes first: tarnell-pack dist/app.MSI. dist/setup.exe"},
        {{"info"}, "no setup program or package given"},
        {{"info", "--force", "s.exe"}, "info does not take --force (extract does)"},
        {{"extract", "s.exe"}, "no folder given"},
        {{"extract", "--force=1", "s.exe", "out"}, "--force takes no value"},
        {{"winget", "s.exe"}, "winget needs --id, --url and --out"},
        {{"winget", "s.exe", "--id", "A.B", "--url=u"}, "winget needs --out"},
        {{"winget", "s.exe", "--id"}, "--id needs a value"},
        {{"verify", "s.exe", "t.exe"}, "unexpected argument t.exe"},
        {{"verify", "--json", "s.exe"}, "verify does not take --json (info does)"},
    };
    for (const auto& row : rows) {
        try {
            parseCommandLine(row.args);
            ADD_FAILURE() << "accepted: " << row.reason;
        } catch (const UsageError& e) {
            EXPECT_EQ(e.what(), row.reason);
        }
    }
}

TEST(PackRulesTest, PackTimeChoices) {
    const PackOptions defaults = parseCommandLine({"a.msi", "b.exe"});
    EXPECT_TRUE(defaults.packageCache);
    EXPECT_EQ(defaults.elevation, ElevationPolicy::Auto);
    EXPECT_TRUE(defaults.defaultLog);
    const PackOptions chosen =
        parseCommandLine({"--no-package-cache", "a.msi", "--elevation=never", "b.exe", "--no-default-log"});
    EXPECT_FALSE(chosen.packageCache);
    EXPECT_FALSE(chosen.defaultLog);
    EXPECT_EQ(chosen.elevation, ElevationPolicy::Never);
    EXPECT_EQ(chosen.output, "b.exe");
}

TEST(PackRulesTest, CommandsAfterTheirNames) {
    const PackOptions extract = parseCommandLine({"extract", "s.exe", "--force", "out"});
    EXPECT_EQ(extract.action, PackOptions::Extract);
    EXPECT_EQ(extract.input, "s.exe");
    EXPECT_EQ(extract.folder, "out");
    EXPECT_TRUE(extract.force);
    const PackOptions winget = parseCommandLine({"winget", "--out", "m", "s.exe", "--id=A.B", "--url", "u"});
    EXPECT_EQ(winget.input, "s.exe");
    EXPECT_EQ(winget.winget.id, "A.B");
    EXPECT_EQ(winget.winget.folder, "m");
    EXPECT_EQ(winget.winget.locale, "en-US");
    EXPECT_FALSE(winget.winget.force);
    EXPECT_TRUE(parseCommandLine({"winget", "--force", "s.exe", "--out", "m", "--id", "A.B", "--url", "u"}).winget.force);
    EXPECT_EQ(parseCommandLine({"verify", "s.exe"}).input, "s.exe");
}

TEST(PackRulesTest, InstallScopeFromTheProperties) {
    const struct {
        std::u16string allUsers, perUser;
        InstallScope scope;
    } rows[] = {
        {u"", u"", InstallScope::User},      {u"", u"1", InstallScope::User},
        {u"1", u"", InstallScope::Machine},  {u"1", u"1", InstallScope::Machine},
        {u"2", u"", InstallScope::Machine},  {u"2", u"0", InstallScope::Machine},
        {u"2", u"1", InstallScope::Dual},    {u"yes", u"", InstallScope::Machine},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(scopeOf(row.allUsers, row.perUser), row.scope) << toUtf8(row.allUsers) << "/" << toUtf8(row.perUser);
    }
}

TEST(PackRulesTest, SetupFactsReadBackOnlyAsWritten) {
    const SetupFacts facts{InstallScope::Dual, u"\u00c9t\u00e9 \x1b", u"2.0", "{0D5A0A61-58A7-4F32-9E7E-6B5C2A1F9D38}",
                           u"app.msi", false, ElevationPolicy::Never, false};
    const std::string text = formatSetupFacts(facts);
    EXPECT_EQ(text, "scope=dual\nproduct-name=\u00c9t\u00e9 \\x1B\nproduct-version=2.0\n"
                    "package-code={0D5A0A61-58A7-4F32-9E7E-6B5C2A1F9D38}\npackage-name=app.msi\n"
                    "package-cache=no\nelevation=never\ndefault-log=no\n");
    SetupFacts shownFacts = facts;
    shownFacts.productName = u"\u00c9t\u00e9 \\x1B";
    EXPECT_EQ(parseSetupFacts(text), shownFacts);
    EXPECT_TRUE(recordsDefaultLog(text));

    // An older packer's facts end before the default log: the launcher's default holds.
    const std::string older = text.substr(0, text.find("default-log="));
    shownFacts.defaultLog = true;
    EXPECT_EQ(parseSetupFacts(older), shownFacts);
    EXPECT_FALSE(recordsDefaultLog(older));

    const std::string plain = formatSetupFacts(SetupFacts{});
    const std::string tampered[] = {
        "",
        plain.substr(0, plain.size() - 1),
        plain + "extra=1\n",
        "product-name=\n" + plain,
        "scope=everyone" + plain.substr(plain.find('\n')),
        text.substr(0, text.find("package-code=") + 13) + "{0D5A0A61}" + text.substr(text.find("\npackage-name")),
        text.substr(0, text.find("package-cache=") + 14) + "maybe" + text.substr(text.find("\nelevation")),
        "scope=user\nproduct-name=a\rb" + plain.substr(plain.find("\nproduct-version")),
        text.substr(0, text.find("default-log=")) + "default-log=maybe\n",
        text.substr(0, text.find("default-log=")) + "default-log=",
    };
    for (const std::string& bad : tampered) {
        EXPECT_EQ(parseSetupFacts(bad), std::nullopt) << bad;
    }
}

TEST(PackRulesTest, ProductCodesInEveryWrittenForm) {
    const std::string code = "{5B8E2C41-7D3F-4A96-8E10-3F6C2D9A7B54}";
    const struct {
        const char16_t* text;
        bool accepted;
    } rows[] = {
        {u"{5B8E2C41-7D3F-4A96-8E10-3F6C2D9A7B54}", true}, {u"5b8e2c41-7d3f-4a96-8e10-3f6c2d9a7b54", true},
        {u"{5B8E2C417D3F4A968E103F6C2D9A7B54}", true},     {u"5B8E2C417D3F4A968E103F6C2D9A7B54", true},
        {u"{5B8E2C41-7D3F-4A96-8E10-3F6C2D9A7B54", false}, {u"5B8E2C41-7D3F4-A96-8E10-3F6C2D9A7B54", false},
        {u"{5B8E2C41-7D3F-4A96-8E10-3F6C2D9A7B5G}", false}, {u"", false},
        {u"{5B8E2C41-7D3F-4A96-8E10-3F6C2D9A7B5\u0664}", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(registryForm(row.text), row.accepted ? std::optional(code) : std::nullopt) << toUtf8(row.text);
    }
}

TEST(PackRulesTest, VersionNumbersFromAsciiDigitsOnly) {
    const struct {
        const char16_t* text;
        uint64_t version;
    } rows[] = {
        {u"2.5.7", 0x0002000500070000}, {u"1.2.3.4", 0x0001000200030004}, {u"10", 0x000A000000000000},
        {u"65535.0.65535", 0xFFFF0000FFFF0000}, {u"65536.0", 0}, {u"1.2.3.4.5", 0}, {u"1..2", 0}, {u"1.2.", 0},
        {u"", 0}, {u"v1.2", 0}, {u" 1.2", 0}, {u"0000001.2", 0}, {u"1.\u00B2", 0}, {u"\u0661.2", 0},
        {u"\uFF11.2", 0},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(parseVersion(row.text), row.version) << toUtf8(row.text);
    }
}

TEST(PackRulesTest, PackageTextIsShownEscaped) {
    const struct {
        std::u16string text;
        const char* shownAs;
    } rows[] = {
        {u"Caf\u00E9 \u65E5\u672C \U0001F600", "Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80"},
        {u"a\x1B[31mred", "a\\x1B[31mred"},
        {u"line\r\nbreak\t", "line\\x0D\\x0Abreak\\x09"},
        {u"c1\u009B2J del\u007F", "c1\\x9B2J del\\x7F"},
        {u"rtl\u202Eexe.txt sep\u2028", "rtl\\u202Eexe.txt sep\\u2028"},
        {std::u16string(u"lone\xD800!", 6), "lone\\uD800!"},
        {std::u16string(u"nul\0x", 5), "nul\\x00x"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(shown(row.text), row.shownAs);
    }
}

TEST(PackRulesTest, CabinetNamesThatAreNotPlainFileNames) {
    const struct {
        std::u16string name;
        const char* fault;
    } rows[] = {
        {u"cab1.cab", nullptr},
        {u"cab 1.cab", nullptr},
        {u"Caf\u00E9.cab", nullptr},
        {u"", "is not a plain file name"},
        {u".", "is not a plain file name"},
        {u"..", "is not a plain file name"},
        {u"..\\up.cab", "is not a plain file name"},
        {u"sub/a.cab", "is not a plain file name"},
        {u"C:a.cab", "is not a plain file name"},
        {u"a?.cab", "is not a plain file name"},
        {u"a\x1B.cab", "is not a plain file name"},
        {std::u16string(u"a\xDC00.cab", 6), "is not a plain file name"},
        {u"a.cab.", "ends in a dot or a blank"},
        {u"a.cab ", "ends in a dot or a blank"},
        {u"con.cab", "names a device"},
        {u"LPT9", "names a device"},
        {u"nul .cab", "names a device"},
        {u"COM\u00B9.cab", "names a device"},
        {u"CONOUT$", "names a device"},
        {u"COM0.cab", nullptr},
        {u"Main.MSI", "is the name the package itself takes"},
        {u"M\u0391IN.msi", nullptr},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(plainNameFault(row.name).value_or("plain"), row.fault ? row.fault : "plain") << shown(row.name);
    }
}

TEST(PackRulesTest, ExternalCabinetsInDiskOrderEachOnce) {
    PackageInfo package;
    packtest::setMedia(package, {{3, 30, u"third.cab"}, {1, 10, u"#embedded.cab"}, {2, 20, u"first.cab"},
                                 {4, 40, u"FIRST.CAB"}, {5, 50, u""}, {6, 60, u"cab 2.cab"}, {7, 70, u"\u00e9t\u00e9.cab"},
                                 {8, 80, u"\u00c9T\u00c9.CAB"}, {9, 90, u"third.cab"}, {10, 100, u"First.cab"}});
    const std::vector<ExternalCabinet> cabinets = externalCabinets(package);
    std::vector<std::u16string> names;
    for (const ExternalCabinet& cabinet : cabinets) {
        names.push_back(cabinet.name);
    }
    EXPECT_EQ(names, (std::vector<std::u16string>{u"first.cab", u"third.cab", u"cab 2.cab", u"\u00e9t\u00e9.cab"}));
    EXPECT_EQ(cabinets[0].otherSpellings, (std::vector<std::u16string>{u"FIRST.CAB", u"First.cab"}));
    EXPECT_EQ(cabinets[1].otherSpellings, std::vector<std::u16string>{}) << "one spelling, named twice";
    EXPECT_EQ(cabinets[3].otherSpellings, std::vector<std::u16string>{u"\u00c9T\u00c9.CAB"});
}

#ifdef _WIN32
// The packer on Linux must take two names for one file exactly where Windows does.
TEST(PackRulesTest, UpperCaseIsWindowsOwnForEveryCodeUnit) {
    for (unsigned c = 0; c <= 0xFFFF; ++c) {
        const wchar_t unit = static_cast<wchar_t>(c);
        const wchar_t upper = static_cast<wchar_t>(windowsUpper(static_cast<char16_t>(c)));
        ASSERT_EQ(upper, RtlUpcaseUnicodeChar(unit)) << std::hex << c;
        ASSERT_EQ(CompareStringOrdinal(&unit, 1, &upper, 1, TRUE), CSTR_EQUAL) << std::hex << c;
    }
}
#endif

// The launcher reads the list by the packer's own rules before it writes a byte.
TEST(PackRulesTest, CabinetListsReadBackOnlyAsWritten) {
    const std::vector<std::u16string> names = {u"a.cab", u"cab 2.cab", u"donn\u00e9es.cab"};
    const CabinetList list = parseCabinetList(formatCabinetList(names));
    EXPECT_EQ(list.names, names);
    EXPECT_EQ(list.fault, "");
    EXPECT_TRUE(parseCabinetList("").names.empty());
    const struct {
        std::string list;
        std::string fault;
    } rows[] = {
        {"a.cab", "the list of cabinets does not end with a line end"},
        {"a\xC3.cab\n", "the list of cabinets is not UTF-8"},
        {"ok.cab\n..\\x.cab\n", "the cabinet name '..\\x.cab' is not a plain file name"},
        {"ok.cab\n\n", "the cabinet name '' is not a plain file name"},
        {"x.cab.\n", "the cabinet name 'x.cab.' ends in a dot or a blank"},
        {"x.cab \n", "the cabinet name 'x.cab ' ends in a dot or a blank"},
        {"CON\n", "the cabinet name 'CON' names a device"},
        {"NUL.cab\n", "the cabinet name 'NUL.cab' names a device"},
        {"main.MSI\n", "the cabinet name 'main.MSI' is the name the package itself takes"},
        {std::string("a\0b\n", 4), "the cabinet name 'a\\x00b' is not a plain file name"},
        {"\xC3\xA9.cab\n\xC3\x89.cab\n", "the cabinet names '\xC3\xA9.cab' and '\xC3\x89.cab' name one file"},
        {"LongCabinetName.cab\nLONGCA~1.CAB\n", "the cabinet name 'LONGCA~1.CAB' may name the file "
                                                "'LongCabinetName.cab' too: Windows may give that file this short name"},
        {"LO1A2B~1.cab\nLong Cabinet.CAB\n", "the cabinet name 'LO1A2B~1.cab' may name the file "
                                              "'Long Cabinet.CAB' too: Windows may give that file this short name"},
        {"a.cab\n" + std::string(256, 'x') + "\n", "the cabinet name '" + std::string(256, 'x') +
                                                    "' is longer than the 255 characters of a file name"},
        // Crafted to cost quadratic time where each name is compared with every one before it.
        {std::string(200000, '\n'), "the list of cabinets is longer than a setup program carries"},
    };
    for (const auto& row : rows) {
        const CabinetList refused = parseCabinetList(row.list);
        EXPECT_EQ(refused.fault, row.fault) << row.list;
        EXPECT_TRUE(refused.names.empty()) << row.list;
    }
}

// Names that may share a file through short names; those that cannot are kept.
TEST(PackRulesTest, CabinetNamesThatKeepApart) {
    const std::vector<std::u16string> kept[] = {
        {u"LONGCA~1.CAB", u"LongCabinetName.msp"},  // other extensions
        {u"DISK1~1.CAB", u"DISK2.CAB", u"data.cab"},  // 8.3 names of one case get no short name
        {u"a~b.cab", u"LongCabinetName.cab"},         // no digits after the tilde
    };
    for (const auto& names : kept) {
        EXPECT_EQ(cabinetNamesFault(names), std::nullopt) << toUtf8(names[0]);
    }
    std::vector<std::u16string> many;
    for (size_t i = 0; i <= maxCabinets; ++i) {
        many.push_back(toUtf16(std::to_string(i) + ".cab"));
    }
    EXPECT_EQ(cabinetNamesFault(many), "there are 32768 cabinets, and a setup program carries at most 32767");
    many.pop_back();
    EXPECT_EQ(cabinetNamesFault(many), std::nullopt);
}

TEST(PackRulesTest, FilesOutsideCabinets) {
    const std::vector<packtest::Medium> cabinets = {{1, 2, u"#a.cab"}, {2, 5, u"b.cab"}};
    std::vector<packtest::Medium> manyDisks;
    for (int32_t disk = 1; disk <= 200000; ++disk) {
        manyDisks.push_back({disk, disk, u"#a.cab"});
    }
    const struct {
        std::vector<packtest::Medium> media;
        std::vector<int32_t> files;
        std::optional<int32_t> outside;
    } rows[] = {
        {cabinets, {1, 2, 3, 5}, std::nullopt},
        {cabinets, {}, std::nullopt},
        {cabinets, {1, 6}, 6},
        {{{1, 2, u"a.cab"}, {2, 5, u""}}, {1, 3}, 3},
        {{{1, 5, u""}}, {1}, 1},
        {{}, {1}, 1},
        // Crafted to cost quadratic time where each file searches the disks in turn.
        {manyDisks, std::vector<int32_t>(200000, 200000), std::nullopt},
    };
    for (const auto& row : rows) {
        PackageInfo package;
        packtest::setMedia(package, row.media);
        package.fileSequences = row.files;
        EXPECT_EQ(fileOutsideCabinets(package), row.outside);
    }
}

} // namespace
