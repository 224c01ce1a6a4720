// The console's own switches, taken out before the desktop command line.
#include "cli/console_arguments.hpp"

#include <gtest/gtest.h>

#include <limits>

#include "app/command_line.hpp"
#include "cli/task_switches.hpp"
#include "platform/text.hpp"

namespace torvane {
namespace {

using Args = std::vector<std::wstring>;

TEST(ConsoleArgumentsTest, SwitchesSetTheListOptionsAndLeaveTheRestInOrder) {
    const struct {
        Args arguments;
        Args desktop;
        ListOptions options;
        Args positionals = {};
    } cases[] = {
        {{}, {}, {}},
        {{L"photos/", L"list.tvt"}, {}, {}, {L"photos/", L"list.tvt"}},
        // -SubFolders takes no value: the path after it stays a path.
        {{L"-SubFolders", L"-Retrieve", L"both", L"photos/", L"list.tvt", L"-Apply"},
         {L"-Apply"},
         {Retrieve::kFilesAndFolders, true, HiddenSystem::kNone},
         {L"photos/", L"list.tvt"}},
        // -Apply takes no value here: the paths after it are paths.
        {{L"-Apply", L"a.jpg", L"b.jpg", L"/quit", L"/abs/c.jpg"},
         {L"-Apply", L"/quit"},
         {},
         {L"a.jpg", L"b.jpg", L"/abs/c.jpg"}},
        {{L"/RETRIEVE", L"Folders", L"-hidden", L"HIDDEN-NO-SYSTEM", L"/subFOLDERS"},
         {},
         {Retrieve::kFolders, true, HiddenSystem::kHiddenNoSystem}},
        {{L"-Retrieve", L"files"}, {}, {Retrieve::kFiles, false, HiddenSystem::kNone}},
        {{L"-Hidden", L"none"}, {}, {Retrieve::kFiles, false, HiddenSystem::kNone}},
        {{L"-Hidden", L"hidden"}, {}, {Retrieve::kFiles, false, HiddenSystem::kHidden}},
        {{L"-Hidden", L"system"}, {}, {Retrieve::kFiles, false, HiddenSystem::kSystem}},
        {{L"-Hidden", L"all"}, {}, {Retrieve::kFiles, false, HiddenSystem::kHiddenAndSystem}},
        // A later occurrence wins.
        {{L"-Retrieve", L"folders", L"-Retrieve", L"both"},
         {},
         {Retrieve::kFilesAndFolders, false, HiddenSystem::kNone}},
        // The desktop's switches with a value keep it; one without is left
        // for the desktop check to report.
        {{L"-FilePath", L"x", L"-TaskList", L"-Apply", L"?"},
         {L"-FilePath", L"x", L"-TaskList", L"-Apply", L"?"},
         {}},
    };
    for (const auto& c : cases) {
        const auto got = ExtractConsoleSwitches(c.arguments);
        EXPECT_FALSE(got.invalid) << got.error;
        EXPECT_EQ(got.desktopArguments, c.desktop);
        EXPECT_EQ(got.positionals, c.positionals);
        EXPECT_EQ(got.options, c.options);
    }
}

TEST(ConsoleArgumentsTest, AWrongArgumentIsNamedInTheError) {
    const struct {
        Args arguments;
        std::wstring error;
    } cases[] = {
        {{L"photos/", L"-Retrieve"}, L"-Retrieve needs files, folders or both."},
        {{L"-Hidden"}, L"-Hidden needs none, hidden, hidden-no-system, system or all."},
        {{L"-Retrieve", L"all", L"photos/"},
         L"-Retrieve: \"all\" is not one of files, folders or both."},
        {{L"-Hidden", L"files"},
         L"-Hidden: \"files\" is not one of none, hidden, hidden-no-system, system or all."},
        // The next argument is the value, whatever it is.
        {{L"-Retrieve", L"-Apply"}, L"-Retrieve: \"-Apply\" is not one of files, folders or both."},
        {{L"-Hidden", L""},
         L"-Hidden: \"\" is not one of none, hidden, hidden-no-system, system or all."},
        {{L"-Change", L"all"}, L"-Change: \"all\" is not one of files, folders or both."},
        // Unknown switches, names that only begin like ours among them, with
        // the nearest known one when one is near.
        {{L"photos/", L"-x"}, L"Unknown switch -x."},
        {{L"-SubFolder"}, L"Unknown switch -SubFolder. Did you mean -SubFolders?"},
        {{L"-Retrieved", L"files"}, L"Unknown switch -Retrieved. Did you mean -Retrieve?"},
        {{L"--hidden", L"all"}, L"Unknown switch --hidden. Did you mean -Hidden?"},
        {{L"-Regx"}, L"Unknown switch -Regx. Did you mean -Regex?"},
        {{L"-Attrib", L"x", L"+R"}, L"Unknown switch -Attrib. Did you mean -Attributes?"},
        {{L"-dryrun"}, L"Unknown switch -dryrun. Did you mean --dry-run?"},
        {{L"--noconfirm"}, L"Unknown switch --noconfirm. Did you mean -NoConfirm?"},
        {{L"-Wildcrad"}, L"Unknown switch -Wildcrad. Did you mean -Wildcard?"},
        {{L"-q"}, L"Unknown switch -q."},
        {{L"--frobnicate"}, L"Unknown switch --frobnicate."},
        {{L"-Case", L"upper"}, L"-Case: \"upper\" is not one of sensitive or ignore."},
        {{L"-Threads", L"0"}, L"-Threads: \"0\" is not a number of threads (1 to 256)."},
        {{L"-Threads", L"257"}, L"-Threads: \"257\" is not a number of threads (1 to 256)."},
        {{L"-Threads", L"-2"}, L"-Threads: \"-2\" is not a number of threads (1 to 256)."},
        {{L"-Threads", L"99999999999"},
         L"-Threads: \"99999999999\" is not a number of threads (1 to 256)."},
        {{L"-Rename", L"a", L"b", L"-Wildcard"},
         L"-Wildcard makes the name pattern of an -Attributes task a wildcard pattern; the task "
         L"before it is no -Attributes task."},
        {{L"-Attributes", L"*", L"+R", L"-Regex", L"-Wildcard"},
         L"-Wildcard: a pattern is either a wildcard (-Wildcard) or a regular expression "
         L"(-Regex)."},
        {{L"-Attributes", L"*", L"+R", L"-Wildcard", L"-Regex"},
         L"-Regex: a pattern is either a wildcard (-Wildcard) or a regular expression "
         L"(-Regex)."},
        {{L"/Rename", L"a"}, L"/Rename needs a find text and a replacement."},
        {{L"-Timestamp", L"Changed", L"1", L"2"},
         L"-Timestamp: \"Changed\" is not one of created, modified or accessed."},
        {{L"-Rename", L"", L"x"}, L"-Rename: the find text (or name pattern) is empty."},
        {{L"-Rename", L"a", L"<b>"}, L"-Rename: a task's texts can't hold \"<\" or \">\"."},
        {{L"-Regex", L"-Rename", L"a", L"b"},
         L"-Regex sets a field of the task before it: give -Rename, -Timestamp or "
         L"-Attributes first."},
        {{L"-Attributes", L"x", L"+R", L"-Number", L"1"},
         L"-Number numbers a -Rename task's # runs; the task before it is no rename."},
        {{L"-Rename", L"a", L"#", L"-Number", L"-1"},
         L"-Number: \"-1\" is not a start number (digits)."},
        {{L"-Rename", L"a", L"#", L"-Number", L"2147483648"},
         L"-Number: \"2147483648\" is past the largest start number, 2147483647."},
        {{L"-Rename", L"a", L"#", L"-Number", L"99999999999999999999"},
         L"-Number: \"99999999999999999999\" is past the largest start number, 2147483647."},
        {{L"-Attributes", L"x", L"+Q"},
         L"-Attributes: \"+Q\" is no attribute (ReadOnly, Hidden, System, Archive, Compress, "
         L"Index, NotIndexed, Encrypt or the letters R H S A C I E)."},
        {{L"-Attributes", L"x", L"+C +E"}, L"-Attributes: Compress and Encrypt can't both be on."},
        {{L"-Attributes", L"x", L"65536"},
         L"-Attributes: \"65536\" has bits outside the seven attributes (26663)."},
        {{L"-Attributes", L"x", L"+R", L"-Fields"},
         L"-Fields reads fields in the replacement of a -Rename or -Timestamp task; the task "
         L"before it is an -Attributes task."},
        {{L"-Rename", L"a", L"{when}", L"-Fields"},
         L"-Fields: The field {when} is not known. The fields are {name}, {ext}, {folder}, "
         L"{size}, {created}, {modified}, {accessed}, {taken}, {camera}, {width}, {height}, "
         L"{artist}, {album}, {title}, {track}, {year} and {genre} (character 1)."},
        {{L"-Timestamp", L"modified", L"a", L"b}", L"-Fields"},
         L"-Fields: A \"}\" (character 2) closes no field: write }} for a brace."},
        {{L"-Rename", L"a", L"b", L"-Scope", L"stem"},
         L"-Scope: \"stem\" is not one of whole, name or ext."},
        {{L"-Timestamp", L"modified", L"a", L"b", L"-Scope", L"name"},
         L"-Scope sets a field of a -Rename task; the task before it is no rename."},
        {{L"-Rename", L"a", L"#", L"-NumberBy", L"date"},
         L"-NumberBy: \"date\" is not one of taken, modified, created, size or name."},
    };
    for (const auto& c : cases) {
        const auto got = ExtractConsoleSwitches(c.arguments);
        EXPECT_TRUE(got.invalid) << c.arguments.front();
        EXPECT_EQ(got.error, c.error);
    }
}

// -Undo takes the next argument as its id unless it looks like a switch; an
// id is a positive decimal number that fits 63 bits, and anything else there
// is an error naming it, never a stray argument that lets the newest job be
// undone.
TEST(ConsoleArgumentsTest, UndoTakesAPositiveDecimalIdOrNothing) {
    const struct {
        Args arguments;
        std::optional<std::int64_t> id;
        Args desktop = {};
    } valid[] = {
        {{L"-Undo"}, std::nullopt},
        {{L"-undo", L"12", L"-Apply"}, 12, {L"-Apply"}},
        {{L"/Undo", L"7"}, 7},
        {{L"-Undo", L"007"}, 7},
        {{L"-Undo", L"9223372036854775807"}, std::numeric_limits<std::int64_t>::max()},
        {{L"-Undo", L"-Apply", L"-NoConfirm"}, std::nullopt, {L"-Apply", L"-NoConfirm"}},
        {{L"-Undo", L"/apply"}, std::nullopt, {L"/apply"}},
        {{L"-Undo", L"--apply", L"--no-confirm"}, std::nullopt, {L"-Apply", L"-NoConfirm"}},
        {{L"-Undo", L"-SkipProblems", L"3"}, std::nullopt},  // 3: a path, for the run to refuse
    };
    for (const auto& c : valid) {
        const auto got = ExtractConsoleSwitches(c.arguments);
        EXPECT_FALSE(got.invalid) << ToUtf8(got.error);
        EXPECT_TRUE(got.undo);
        EXPECT_EQ(got.undoId, c.id) << ToUtf8(c.arguments.back());
        EXPECT_EQ(got.desktopArguments, c.desktop);
    }
    const std::wstring notAnId =
        L"\" is not a job id (a positive decimal number, as -History "
        L"lists them).";
    const struct {
        Args arguments;
        std::wstring error;
    } invalid[] = {
        {{L"-Undo", L"abc", L"-Apply", L"-NoConfirm"}, L"-Undo: \"abc" + notAnId},
        {{L"-Undo", L""}, L"-Undo: \"" + notAnId},
        {{L"-Undo", L"12345678901234567890"}, L"-Undo: \"12345678901234567890" + notAnId},
        {{L"-Undo", L"9223372036854775808"}, L"-Undo: \"9223372036854775808" + notAnId},
        {{L"-Undo", L"0"}, L"-Undo: \"0" + notAnId},
        {{L"-Undo", L"1.5"}, L"-Undo: \"1.5" + notAnId},
        {{L"-Undo", L"+1"}, L"-Undo: \"+1" + notAnId},
        {{L"-Undo", L" 1"}, L"-Undo: \" 1" + notAnId},
        {{L"-Undo", L"1 "}, L"-Undo: \"1 " + notAnId},
        {{L"/UNDO", L"\x0663"}, L"/UNDO: \"\x0663" + notAnId},  // only ASCII digits
        {{L"-Undo", FromUtf8("\xff")}, L"-Undo: \"" + FromUtf8("\xff") + notAnId},
        // Path-like arguments are not ids; one that starts with '-' is a switch.
        {{L"-Undo", L"photos/"}, L"-Undo: \"photos/" + notAnId},
        {{L"-Undo", L"/tmp/12"}, L"-Undo: \"/tmp/12" + notAnId},
        {{L"-Undo", L"-1"}, L"Unknown switch -1."},
    };
    for (const auto& c : invalid) {
        const auto got = ExtractConsoleSwitches(c.arguments);
        EXPECT_TRUE(got.invalid) << ToUtf8(c.arguments[1]);
        EXPECT_EQ(got.error, c.error);
    }
}

TEST(ConsoleArgumentsTest, TaskSwitchesFillTheEditorsFieldRecordsInOrder) {
    RenameTaskFields rename;
    rename.find = L"^IMG_(\\d+)";
    rename.replace = L"Trip-##";
    rename.numbering = L"TRUE";
    rename.startNumber = L"7";
    rename.regex = L"TRUE";
    rename.name = L"Number";
    TimestampTaskFields retime;
    retime.timeKind = L"Modified";
    retime.find = L"2019";
    retime.replace = L"2020";
    AttributeTaskFields attributes;
    attributes.find = L"notes.txt";
    attributes.attributes = L"33";
    const auto got = ExtractConsoleSwitches(
        {L"photos/", L"-Rename",     L"^IMG_(\\d+)", L"Trip-##",
         L"-Number", L"7",           L"-Regex",      L"-Name",
         L"Number",  L"-Timestamp",  L"MODIFIED",    L"2019",
         L"2020",    L"-Attributes", L"notes.txt",   L"+ReadOnly -Hidden +Archive",
         L"-Save",   L"out.tvt",     L"-Change",     L"Folders"});
    ASSERT_FALSE(got.invalid) << got.error;
    EXPECT_EQ(got.tasks, (std::vector<TaskFields>{rename, retime, attributes}));
    EXPECT_EQ(got.savePath, L"out.tvt");
    EXPECT_EQ(got.change, AttributeTarget::kFolders);
    EXPECT_EQ(got.positionals, Args{L"photos/"});
    EXPECT_EQ(BuildTaskDefinition(got.tasks[0]),
              L"$FileName<>FIND=^IMG_(\\d+)<>REPL=Trip-##<>SYMB=TRUE<>SNUM=7<>REGX=TRUE<>");
}

TEST(ConsoleArgumentsTest, AttributesAreSaidByNameOrLetterAndSetTheWholeWord) {
    const struct {
        const wchar_t* text;
        std::uint32_t word;
    } cases[] = {
        {L"+ReadOnly -Hidden", 0x1},  // -Hidden is what unnamed means
        {L"+R-H", 0x1},
        {L"+R,+A", 0x21},
        {L"RA", 0x21},  // no sign: on
        {L"+readonly +ARCHIVE", 0x21},
        {L"+H +S", 0x6},
        {L"none", 0x0},
        {L"", 0x0},
        {L"-Index", 0x2000},  // the editor's Index box unchecked
        {L"+NotIndexed", 0x2000},
        {L"+I", 0x2000},  // attrib's I: not content indexed
        {L"+Index +I -I", 0x0},
        {L"+Compress", 0x800},
        {L"+Encrypt", 0x4000},
        {L"+R +R -R", 0x0},  // the last word on one attribute wins
        {L"34", 34},
    };
    for (const auto& c : cases) {
        std::wstring error;
        EXPECT_EQ(ParseAttributeWord(c.text, error), std::optional<std::uint32_t>(c.word))
            << c.text << " " << error;
    }
}

TEST(ConsoleArgumentsTest, TheConsoleSwitchesCountNeitherTowardTheLimitNorThePositions) {
    // Five desktop entries and all four console switches: still valid, and
    // the bare arguments are the file path and the task list.
    const auto got = ExtractConsoleSwitches({L"-SubFolders", L"-Hidden", L"all", L"photos/",
                                             L"-Retrieve", L"both", L"list.tvt", L"-Apply",
                                             L"-NoConfirm", L"/skipproblems", L"-Quit"});
    ASSERT_FALSE(got.invalid);
    EXPECT_TRUE(got.skipProblems);
    EXPECT_FALSE(ExtractConsoleSwitches({L"photos/"}).skipProblems);
    // The run puts the path and the task list first, then the rest.
    Args desktop = got.positionals;
    desktop.insert(desktop.end(), got.desktopArguments.begin(), got.desktopArguments.end());
    CommandLineInfo info;
    info.ParseCommandLine(desktop);
    EXPECT_FALSE(info.invalidArguments);
    EXPECT_EQ(info.switchValues.size(), 5u);
    EXPECT_EQ(info.switchValues.at(L"filepath"), L"photos/");
    EXPECT_EQ(info.switchValues.at(L"tasklist"), L"list.tvt");
    EXPECT_EQ(got.options,
              (ListOptions{Retrieve::kFilesAndFolders, true, HiddenSystem::kHiddenAndSystem}));
}

// The GNU spellings are the switches they spell: the desktop's kept under
// their own name, the console's setting what they set.
TEST(ConsoleArgumentsTest, GnuSpellingsAreTheSwitchesTheySpell) {
    const auto got = ExtractConsoleSwitches(
        {L"photos/", L"--apply", L"--no-confirm", L"--skip-problems", L"--dry-run"});
    EXPECT_FALSE(got.invalid) << ToUtf8(got.error);
    EXPECT_EQ(got.desktopArguments, (Args{L"-Apply", L"-NoConfirm"}));
    EXPECT_TRUE(got.skipProblems);
    EXPECT_TRUE(got.dryRun);
    EXPECT_EQ(got.positionals, Args{L"photos/"});
    for (const wchar_t* dryRun : {L"-n", L"-N"})
        EXPECT_TRUE(ExtractConsoleSwitches({dryRun}).dryRun) << ToUtf8(dryRun);
    // No '/' form: /n is a path.
    const auto path = ExtractConsoleSwitches({L"/n"});
    EXPECT_FALSE(path.dryRun);
    EXPECT_EQ(path.positionals, Args{L"/n"});
}

TEST(ConsoleArgumentsTest, ThreadsCapTheRunsFolderThreads) {
    EXPECT_EQ(ExtractConsoleSwitches({}).folderThreads, std::nullopt);
    EXPECT_EQ(ExtractConsoleSwitches({L"-Threads", L"1"}).folderThreads, 1u);
    EXPECT_EQ(ExtractConsoleSwitches({L"/threads", L"256"}).folderThreads, 256u);
}

TEST(ConsoleArgumentsTest, CaseAndWildcardSetTheRunAndTheTaskBefore) {
    EXPECT_EQ(ExtractConsoleSwitches({}).caseSensitive, std::nullopt);
    EXPECT_EQ(ExtractConsoleSwitches({L"-Case", L"Sensitive"}).caseSensitive, true);
    EXPECT_EQ(ExtractConsoleSwitches({L"/case", L"IGNORE"}).caseSensitive, false);
    const auto got = ExtractConsoleSwitches(
        {L"-Attributes", L"*.txt", L"+R", L"-Wildcard", L"-Attributes", L"a", L"+H"});
    ASSERT_FALSE(got.invalid) << ToUtf8(got.error);
    ASSERT_EQ(got.tasks.size(), 2u);
    const auto& wild = std::get<AttributeTaskFields>(got.tasks[0]);
    EXPECT_EQ(wild.wildcard, L"TRUE");
    EXPECT_EQ(wild.regex, L"FALSE");
    EXPECT_EQ(BuildTaskDefinition(got.tasks[0]),
              L"$System<>FIND=*.txt<>ATTR=1<>REGX=FALSE<>WILD=TRUE<>");
    // A plain pattern's definition is as it always was.
    EXPECT_EQ(BuildTaskDefinition(got.tasks[1]), L"$System<>FIND=a<>ATTR=2<>REGX=FALSE<>");
}

// Fields, scope and numbering order go to the task before, which is then
// written under its kind's keyword of its own; without them, as always.
TEST(ConsoleArgumentsTest, FieldsScopeAndNumberBySetTheTaskBefore) {
    const auto got = ExtractConsoleSwitches(
        {L"-Rename", L"^.*$",   L"{taken:%Y} #", L"-Regex",  L"-Fields",    L"-Scope",   L"NAME",
         L"-Number", L"1",      L"-NumberBy",    L"taken",   L"-Timestamp", L"modified", L"^.*$",
         L"{taken}", L"-Regex", L"-Fields",      L"-Rename", L"a",          L"b",        L"-Scope",
         L"whole"});
    ASSERT_FALSE(got.invalid) << ToUtf8(got.error);
    ASSERT_EQ(got.tasks.size(), 3u);
    EXPECT_EQ(BuildTaskDefinition(got.tasks[0]),
              L"$FileNameEx<>FIND=^.*$<>REPL={taken:%Y} #<>SYMB=TRUE<>SNUM=1<>REGX=TRUE<>"
              L"FLDS=TRUE<>SCOP=name<>NUMB=taken<>");
    EXPECT_EQ(BuildTaskDefinition(got.tasks[1]),
              L"$FileDateEx<>FORM=Modified<>FIND=^.*$<>REPL={taken}<>REGX=TRUE<>FLDS=TRUE<>");
    EXPECT_EQ(BuildTaskDefinition(got.tasks[2]),
              L"$FileName<>FIND=a<>REPL=b<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>");
}

}  // namespace
}  // namespace torvane
