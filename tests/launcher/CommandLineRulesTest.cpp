// The rules by which the launcher reads its own command line.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include "CabinetList.h"
#include "CommandTail.h"
#include "ErrorHandling.h"
#include "MsiexecSwitches.h"

namespace {

TEST(MsiexecSwitches, NoModalUiKeepsTheErrorBoxAway) {
    const struct {
        WStringList args;
        bool noModalUi;
    } rows[] = {
        {{L"/q"}, true},
        {{L"/qn"}, true},
        {{L"-QN"}, true},
        {{L"/qn-"}, true},
        {{L"/qb-"}, true},
        {{L"/qb-!"}, true},
        {{L"/qb!-"}, true},
        {{L"/qn!"}, true},
        {{L"/quiet"}, true},
        {{L"-Passive"}, true},
        {{L"INSTALLDIR=C:\\x", L"/qn"}, true},
        // A final modal dialog, or a full or reduced interface: a person is there.
        {{L"/qn+"}, false},
        {{L"/qb+"}, false},
        {{L"/qb"}, false},
        {{L"/qr"}, false},
        {{L"/qf"}, false},
        {{}, false},
        // Not a switch: a value, or a switch run together with something else.
        {{L"qn"}, false},
        {{L"/qnx"}, false},
        {{L"/quieter"}, false},
        {{L"P=/qn"}, false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(asksForNoModalUi(row.args), row.noModalUi) << (row.args.empty() ? L"" : row.args[0]);
    }
}

TEST(MsiexecSwitches, LogSwitchNamesFileModesAndAttributes) {
    const DWORD all = INSTALLLOGMODE_INFO | INSTALLLOGMODE_WARNING | INSTALLLOGMODE_ERROR | INSTALLLOGMODE_ACTIONSTART |
                      INSTALLLOGMODE_ACTIONDATA | INSTALLLOGMODE_USER | INSTALLLOGMODE_COMMONDATA |
                      INSTALLLOGMODE_FATALEXIT | INSTALLLOGMODE_OUTOFDISKSPACE | INSTALLLOGMODE_PROPERTYDUMP;
    const DWORD defaults = INSTALLLOGMODE_INFO | INSTALLLOGMODE_WARNING | INSTALLLOGMODE_ERROR |
                           INSTALLLOGMODE_ACTIONSTART | INSTALLLOGMODE_ACTIONDATA | INSTALLLOGMODE_FATALEXIT |
                           INSTALLLOGMODE_OUTOFDISKSPACE;
    const struct {
        WStringList args;
        const wchar_t* file;  // nullptr: no log asked for
        DWORD modes;
        DWORD attributes;
    } rows[] = {
        {{L"uninstall", L"/l*v", L"C:\\u.log"}, L"C:\\u.log", all | INSTALLLOGMODE_VERBOSE, 0},
        {{L"/log", L"C:\\my logs\\a.log"}, L"C:\\my logs\\a.log", all, 0},
        {{L"-L", L"x.log"}, L"x.log", defaults, 0},
        {{L"/Lew+!", L"x.log"}, L"x.log", INSTALLLOGMODE_ERROR | INSTALLLOGMODE_WARNING,
         INSTALLLOGATTRIBUTES_APPEND | INSTALLLOGATTRIBUTES_FLUSHEACHLINE},
        {{L"/lx", L"x.log"}, L"x.log", INSTALLLOGMODE_EXTRADEBUG, 0},
        // No file after it, an unknown letter, or not a switch.
        {{L"/l*v"}, nullptr, 0, 0},
        {{L"/l*v", L""}, nullptr, 0, 0},
        {{L"/lz", L"x.log"}, nullptr, 0, 0},
        {{L"/logs", L"x.log"}, nullptr, 0, 0},
        {{L"l*v", L"x.log"}, nullptr, 0, 0},
    };
    for (const auto& row : rows) {
        const std::optional<LogRequest> log = findLogRequest(row.args);
        ASSERT_EQ(log.has_value(), row.file != nullptr) << row.args[0];
        if (log) {
            EXPECT_EQ(log->file, row.file) << row.args[0];
            EXPECT_EQ(log->modes, row.modes) << row.args[0];
            EXPECT_EQ(log->attributes, row.attributes) << row.args[0];
        }
    }
}

TEST(CommandTail, IsWhatFollowsTheProgramNameAsTyped) {
    const struct {
        const wchar_t* commandLine;
        const wchar_t* tail;
    } rows[] = {
        {L"setup.exe /qn", L"/qn"},
        {L"\"C:\\My Downloads\\setup.exe\"   P=\"C:\\My Dir\\\" /qn", L"P=\"C:\\My Dir\\\" /qn"},
        {L"\"C:\\a b\\setup.exe\"\"x\" y", L"\"x\" y"},
        {L"setup.exe\t\"\" Q=\"say \"\"hi\"\" now\" ", L"\"\" Q=\"say \"\"hi\"\" now\" "},
        {L"setup.exe", L""},
        {L"\"C:\\unterminated setup.exe", L""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(commandTail(row.commandLine), row.tail) << row.commandLine;
    }
}

TEST(CommandTail, OnlyWholeQuotedAssignmentsAreRewritten) {
    const struct {
        const wchar_t* tail;
        const wchar_t* rewritten;
    } rows[] = {
        // What PowerShell makes of INSTALLDIR="C:\My Apps".
        {L"\"INSTALLDIR=C:\\My Apps\" /qn", L"INSTALLDIR=\"C:\\My Apps\" /qn"},
        {L"/qn  \"A=1\"\t\"B=\"", L"/qn  A=\"1\"\tB=\"\""},
        {L"\"Q=say \"\"hi\"\" now\"", L"Q=\"say \"\"hi\"\" now\""},
        // As cmd passes them, and what is no property assignment, stay as they are.
        {L"P=\"C:\\My Dir\\\" /l*v \"C:\\my logs\\a.log\"", L"P=\"C:\\My Dir\\\" /l*v \"C:\\my logs\\a.log\""},
        {L"\"\" \"=x\" \"A B=1\" \"A\"=1\" \"C:\\a=b\\c d.log\" \"1A=x\"",
         L"\"\" \"=x\" \"A B=1\" \"A\"=1\" \"C:\\a=b\\c d.log\" \"1A=x\""},
        {L"\"_My.Prop2=x y\"", L"_My.Prop2=\"x y\""},
        {L"\"A=1\"x\"y\"", L"\"A=1\"x\"y\""},
        {L"", L""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(unquoteWholeAssignments(row.tail), row.rewritten) << row.tail;
    }
}

TEST(CabinetList, TakesPlainNamesOnly) {
    EXPECT_EQ(parseCabinetList("a.cab\ncab 2.cab\ndonn\xC3\xA9" "es.cab\n"),
              (WStringList{L"a.cab", L"cab 2.cab", L"donn\u00E9es.cab"}));
    EXPECT_EQ(parseCabinetList(""), WStringList{});
    const std::string refused[] = {
        "a.cab",  // no line end after the last name
        "\n",      "..\\x.cab\n", "../x.cab\n", "C:x.cab\n", "a.cab:stream\n", ".\n",       "..\n",
        "MAIN.MSI\n", "main.msi\n", "a<b\n",   "a>b\n",      "a\"b\n",       "a|b\n",     "a?b\n",
        "a*b\n",    "a\tb\n",    std::string("a\0b\n", 4),
    };
    for (const std::string& list : refused) {
        EXPECT_THROW(parseCabinetList("ok.cab\n" + list), std::runtime_error) << list;
    }
}

} // namespace
