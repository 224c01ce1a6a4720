// Computing new values for a large folder: each task kind over 100,000
// entries, beside the floor of applying the same compiled expression to the
// same names in a bare loop. Time per iteration / 100,000 = time per entry.
#include <benchmark/benchmark.h>

#include <boost/regex.hpp>
#include <cstdlib>
#include <ctime>
#include <locale>
#include <string>
#include <vector>

#include "engine/apply_task.hpp"
#include "engine/plan.hpp"
#include "tasks/task_definition.hpp"

namespace torvane {
namespace {

constexpr int kEntries = 100000;

class SilentDialogs : public Dialogs {
  public:
    MessageAnswer ShowMessage(const std::wstring&, const std::wstring&, MessageIcon,
                              MessageButtons) override {
        return MessageAnswer::kOk;
    }
};

// Names as a camera folder and a documents folder hold them, with times
// spread over 2018 to 2021 in a zone with daylight saving.
const FileEntries& SampleEntries() {
    static const FileEntries entries = [] {
        ::setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
        ::tzset();
        const wchar_t* const stems[] = {L"IMG_", L"DSC", L"Vacation Photo ", L"Report Q3 final ",
                                        L"\u00e9t\u00e9 \u00e0 Paris "};
        const wchar_t* const extensions[] = {L".jpg", L".JPG", L".jpeg", L".docx", L".png"};
        FileEntries out;
        out.reserve(kEntries);
        for (int i = 0; i < kEntries; ++i) {
            FileEntry e;
            e.folderPath = L"/home/user/Pictures/2019/Summer holidays/";
            e.name = stems[i % 5] + std::to_wstring(10000 + i) + extensions[(i / 5) % 5];
            e.modified = 1514782800 + std::int64_t{i} * 1237;  // 2018 onwards
            e.created = e.accessed = e.modified;
            e.attributes = i % 17 == 0 ? 0x10 : 0x20;
            out.push_back(std::move(e));
        }
        return out;
    }();
    return entries;
}

std::wstring RenameTask(std::wstring find, std::wstring replace, bool regex, bool numbering) {
    RenameTaskFields f;
    f.find = std::move(find);
    f.replace = std::move(replace);
    f.regex = regex ? L"TRUE" : L"FALSE";
    f.numbering = numbering ? L"TRUE" : L"FALSE";
    f.startNumber = L"1";
    return BuildTaskDefinition(f);
}

const std::wstring kPlainRename = RenameTask(L"IMG_", L"Photo_", false, false);
const std::wstring kRegexRename = RenameTask(L"^(IMG_|DSC)(\\d+)", L"Trip ####_$2", true, true);
const std::wstring kAttributeAll = L"$System<>FIND=.*<>ATTR=34<>REGX=TRUE<>";
const std::wstring kTimestampYear = L"$FileDate<>FORM=Modified<>FIND=2019<>REPL=2020<>REGX=FALSE<>";
const std::wstring kAttributePlain = L"$System<>FIND=dsc10001.jpg<>ATTR=1<>REGX=FALSE<>";

void RunTasks(benchmark::State& state, const std::vector<std::wstring>& definitions) {
    const auto& entries = SampleEntries();
    TaskList tasks;
    for (const auto& d : definitions)
        tasks.push_back({1, L"", d});
    SilentDialogs dialogs;
    const ApplyContext context{{.caseSensitive = false, .attributeTarget = AttributeTarget::kBoth},
                               dialogs,
                               ApplyMode::JobMode,
                               {}};
    for (auto _ : state) {
        auto out = ComputeNewEntries(entries, tasks, context);
        if (out.result != TaskResult::Ok)
            state.SkipWithError("task failed");
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}

// The floor: the same expression (same flags and locale) applied to the same
// names with one fixed format.
void RunFloor(benchmark::State& state, const wchar_t* pattern,
              boost::regex_constants::syntax_option_type flags, const wchar_t* format) {
    const auto& entries = SampleEntries();
    boost::wregex expression;
    expression.imbue(std::locale("C.UTF-8"));
    expression.assign(pattern, flags | boost::regex_constants::icase);
    const std::wstring fmt = format;
    for (auto _ : state) {
        for (const auto& e : entries) {
            benchmark::DoNotOptimize(boost::regex_replace(e.name.wide(), expression, fmt));
        }
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}

void BM_CopyEntries(benchmark::State& state) {
    RunTasks(state, {});  // ComputeNewEntries with no task: the copy alone
}
void BM_FloorPlain(benchmark::State& state) {
    RunFloor(state, L"IMG_", boost::regex_constants::literal, L"Photo_");
}
void BM_PlainRename(benchmark::State& state) {
    RunTasks(state, {kPlainRename});
}
void BM_FloorRegex(benchmark::State& state) {
    RunFloor(state, L"^(IMG_|DSC)(\\d+)", boost::regex_constants::perl, L"Trip 0001_$2");
}
void BM_RegexRenameNumbered(benchmark::State& state) {
    RunTasks(state, {kRegexRename});
}
void BM_AttributeDotStar(benchmark::State& state) {
    RunTasks(state, {kAttributeAll});
}
void BM_TimestampYear(benchmark::State& state) {
    RunTasks(state, {kTimestampYear});
}
void BM_FiveTasks(benchmark::State& state) {
    RunTasks(state, {kPlainRename, kRegexRename, kAttributeAll, kTimestampYear, kAttributePlain});
}

// The checks the window runs on the folder on show after each computation,
// for the plain rename: to set beside BM_PlainRename (the computation) and
// the listing the preview also needs.
void BM_ChecksOfPlainRename(benchmark::State& state) {
    const auto& entries = SampleEntries();
    SilentDialogs dialogs;
    const EngineSettings settings{.caseSensitive = false,
                                  .attributeTarget = AttributeTarget::kBoth};
    const auto computed = ComputeNewEntries(entries, {{1, L"", kPlainRename}},
                                            {settings, dialogs, ApplyMode::JobMode, {}});
    const std::vector<EntryName> unlisted;
    for (auto _ : state) {
        std::vector<EntrySteps> steps(entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i)
            steps[i] = StepsFor(entries[i], computed.entries[i], settings);
        benchmark::DoNotOptimize(
            CheckFolder(entries, computed.entries, steps, unlisted, FolderTraits{}));
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}

BENCHMARK(BM_CopyEntries)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChecksOfPlainRename)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainRename)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorRegex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegexRenameNumbered)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AttributeDotStar)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TimestampYear)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FiveTasks)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace torvane
