// The rules by which the launcher reads its own command line.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include "CommandTail.h"
#include "MsiexecSwitches.h"

namespace {

// One reading of the line for every decision, msiexec.exe's: each row is a
// command-line tail and what the launcher must make of it.
TEST(MsiexecArguments, ReadAsMsiexecReadsThem) {
    const struct {
        const wchar_t* tail;
        bool silent;
        const wchar_t* log;  // nullptr: none
        bool uninstall;
    } rows[] = {
        {L"/qn", true, nullptr, false},
        {L"-QN /Lv C:\\x.log", true, L"C:\\x.log", false},
        // No backslash escapes: the quote after a trailing backslash closes the value.
        {L"INSTALLDIR=\"C:\\Program Files\\App\\\" /qn", true, nullptr, false},
        {L"/qn P=\"C:\\x\\\" /l*v C:\\good.txt", true, L"C:\\good.txt", false},
        // "" inside a quoted value is one quote: the switches and words in it are text.
        {L"P=\"say \"\"hi\"\" now\" /qn", true, nullptr, false},
        {L"/qn MSG=\"a \"\" uninstall \"\"b\"", true, nullptr, false},
        {L"/qn P=\"a \"\" /l*v C:\\evil.txt\"", true, nullptr, false},
        {L"P=\"/qn\"", false, nullptr, false},
        // A quoted file name, blanks and tabs between tokens, the last log switch wins.
        {L"/l*v \"C:\\my logs\\a.log\"\t/passive", true, L"C:\\my logs\\a.log", false},
        {L"/l first.log /log second.log", false, L"second.log", false},
        {L"/l*v \"\"", false, nullptr, false},
        // uninstall is one whole token, unquoted, in lower case.
        {L"uninstall", false, nullptr, true},
        {L"/qn uninstall /l*v C:\\u.log", true, L"C:\\u.log", true},
        {L"Uninstall /uninstall --uninstall \"uninstall\" uninstall.", false, nullptr, false},
        // Full interfaces and final modal dialogs: a person is there.
        {L"/qb /qr /qf /qn+ /qb+ /qnx /quieter qn", false, nullptr, false},
        {L"/q /qn- /qb-! /qb!- /qn! /quiet -Passive", true, nullptr, false},
        {L"/lz x.log /logs x.log l*v x.log /l*v", false, nullptr, false},
        // The token after a log switch names the log, whatever it looks like.
        {L"/l*v uninstall", false, L"uninstall", false},
        {L"/l*v \"/qn\" /log -passive", false, L"-passive", false},
        {L"/l*v /l*v x.log", false, L"/l*v", false},
        {L"", false, nullptr, false},
    };
    for (const auto& row : rows) {
        const MsiexecArguments arguments(row.tail);
        EXPECT_EQ(arguments.asksForNoModalUi(), row.silent) << row.tail;
        const std::optional<LogRequest> log = arguments.logRequest();
        EXPECT_EQ(log ? log->file : L"(none)", row.log ? row.log : L"(none)") << row.tail;
        EXPECT_EQ(arguments.asksToUninstall(), row.uninstall) << row.tail;
    }
}

TEST(MsiexecArguments, TokensKeepTheirPlaceAndLoseTheirQuotes) {
    const WString tail = L"  a\"b c\"d \"\" \"x\"\"y\"\t\"open";
    const std::vector<MsiexecToken> tokens = msiexecTokens(tail);
    ASSERT_EQ(tokens.size(), 4u);
    const std::pair<const wchar_t*, const wchar_t*> expected[] = {
        {L"a\"b c\"d", L"ab cd"}, {L"\"\"", L""}, {L"\"x\"\"y\"", L"x\"y"}, {L"\"open", L"open"}};
    for (size_t i = 0; i < tokens.size(); ++i) {
        EXPECT_EQ(tail.substr(tokens[i].begin, tokens[i].end - tokens[i].begin), expected[i].first);
        EXPECT_EQ(tokens[i].text, expected[i].second);
        EXPECT_TRUE(tokens[i].quoted);
    }
}

TEST(MsiexecArguments, LogSwitchModesAndAttributes) {
    const DWORD all = INSTALLLOGMODE_INFO | INSTALLLOGMODE_WARNING | INSTALLLOGMODE_ERROR | INSTALLLOGMODE_ACTIONSTART |
                      INSTALLLOGMODE_ACTIONDATA | INSTALLLOGMODE_USER | INSTALLLOGMODE_COMMONDATA |
                      INSTALLLOGMODE_FATALEXIT | INSTALLLOGMODE_OUTOFDISKSPACE | INSTALLLOGMODE_PROPERTYDUMP;
    const DWORD defaults = INSTALLLOGMODE_INFO | INSTALLLOGMODE_WARNING | INSTALLLOGMODE_ERROR |
                           INSTALLLOGMODE_ACTIONSTART | INSTALLLOGMODE_ACTIONDATA | INSTALLLOGMODE_FATALEXIT |
                           INSTALLLOGMODE_OUTOFDISKSPACE;
    const struct {
        const wchar_t* tail;
        DWORD modes;
        DWORD attributes;
    } rows[] = {
        {L"/l*v u.log", all | INSTALLLOGMODE_VERBOSE, 0},
        {L"/log u.log", all, 0},
        {L"-L u.log", defaults, 0},
        {L"/Lew+! u.log", INSTALLLOGMODE_ERROR | INSTALLLOGMODE_WARNING,
         INSTALLLOGATTRIBUTES_APPEND | INSTALLLOGATTRIBUTES_FLUSHEACHLINE},
        {L"/lx u.log", INSTALLLOGMODE_EXTRADEBUG, 0},
    };
    for (const auto& row : rows) {
        const std::optional<LogRequest> log = MsiexecArguments(row.tail).logRequest();
        ASSERT_TRUE(log) << row.tail;
        EXPECT_EQ(log->modes, row.modes) << row.tail;
        EXPECT_EQ(log->attributes, row.attributes) << row.tail;
    }
}

TEST(MsiexecArguments, HelpAloneAndScopeChoices) {
    for (const wchar_t* help : {L"/?", L"/h", L"-?", L"/help", L"-HELP", L"  /H  "}) {
        EXPECT_TRUE(MsiexecArguments(help).asksForHelp()) << help;
    }
    for (const wchar_t* other : {L"/? /qn", L"/qn /?", L"\"/?\" x", L"?", L"/hel", L"", L"/l*v /?"}) {
        EXPECT_FALSE(MsiexecArguments(other).asksForHelp()) << other;
    }
    for (const wchar_t* scope : {L"ALLUSERS=1", L"/qn allusers=\"\"", L"\"MSIINSTALLPERUSER=1\""}) {
        EXPECT_TRUE(MsiexecArguments(scope).setsInstallScope()) << scope;
    }
    for (const wchar_t* other : {L"P=\"ALLUSERS=1\"", L"MYALLUSERS=1", L"ALLUSERS", L"/qn", L"/l*v ALLUSERS=1"}) {
        EXPECT_FALSE(MsiexecArguments(other).setsInstallScope()) << other;
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

} // namespace
