// Builds a task list from fuzzed fields and applies it to a few entries with
// fuzzed names, times and attributes, in preview mode and in job mode. A
// computation that fails must give back the entries unchanged; messages come
// only with a failure (exactly one for a bad expression); both modes must
// agree on everything but the icons.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/apply_task.hpp"
#include "filelist/icon_cache.hpp"
#include "fuzz_support.hpp"
#include "recording_dialogs.hpp"
#include "tasks/task_definition.hpp"

namespace torvane::fuzz {
namespace {

// A short text: ASCII as it is, other bytes as letters beyond ASCII (Latin,
// Greek, Cyrillic) so that letter-case folding sees more than ASCII.
std::wstring Text(FuzzedDataProvider& in, std::size_t maxLength = 24) {
    std::wstring out;
    for (const unsigned char c : in.ConsumeRandomLengthString(maxLength))
        out.push_back(c < 0x80 ? static_cast<wchar_t>(c)
                               : static_cast<wchar_t>(0xC0 + (c - 0x80) * 7));
    return out;
}

std::wstring Flag(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0:
            return std::wstring(kTrue);
        case 1:
            return std::wstring(kFalse);
        default:
            return Text(in, 6);
    }
}

std::wstring Number(FuzzedDataProvider& in) {
    return in.ConsumeBool() ? std::to_wstring(in.ConsumeIntegral<std::int64_t>()) : Text(in, 12);
}

std::wstring Definition(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0: {
            RenameTaskFields f;
            f.find = Text(in);
            f.replace = Text(in);
            f.numbering = Flag(in);
            f.startNumber = Number(in);
            f.regex = Flag(in);
            return BuildTaskDefinition(f);
        }
        case 1: {
            static const wchar_t* const kKinds[] = {L"Created", L"Modified", L"Accessed", L"",
                                                    L"created"};
            TimestampTaskFields f;
            f.timeKind = kKinds[in.ConsumeIntegralInRange(0, 4)];
            f.find = Text(in);
            f.replace = Text(in);
            f.regex = Flag(in);
            return BuildTaskDefinition(f);
        }
        case 2: {
            AttributeTaskFields f;
            f.find = Text(in);
            f.attributes = Number(in);
            f.regex = Flag(in);
            return BuildTaskDefinition(f);
        }
        default:
            return Text(in, 48);  // any text, a known keyword or not
    }
}

FileEntry Entry(FuzzedDataProvider& in) {
    FileEntry e;
    e.folderPath = L"/d/";
    e.name = Text(in, 16);
    e.attributes = in.ConsumeIntegral<std::uint32_t>();
    if (!e.IsFolder())
    const auto time = [&in] {
        // Mostly plausible times, sometimes any value at all.
        return in.ConsumeBool() ? in.ConsumeIntegralInRange<std::int64_t>(-1, 4102444800)
                                : in.ConsumeIntegral<std::int64_t>();
    };
    e.created = time();
    e.modified = time();
    e.accessed = time();
    return e;
}

// A provider that has an icon for every name.
class AnyIcon : public IconProvider {
  public:
    bool AppendIconForName(const std::wstring&) override { return true; }
    void TruncateIcons(std::size_t) override {}
};

FileEntries WithoutIcons(FileEntries entries) {
    for (auto& e : entries)
        e.iconIndex = 0;
    return entries;
}

NewEntries Compute(const FileEntries& entries, const TaskList& tasks,
                   const EngineSettings& settings, ApplyMode mode) {
    testing::RecordingDialogs dialogs;
    AnyIcon provider;
    IconCache cache(&provider);
    const NewEntries out =
        ComputeNewEntries(entries, tasks, {settings, dialogs, mode, {&entries, &cache}});
    if (out.entries.size() != entries.size())
        Fail("the number of entries changed");
    const auto shown = dialogs.messages().size();
    switch (out.result) {
        case TaskResult::Ok:
            if (shown != 0)
                Fail("a message without a failure");
            break;
        case TaskResult::InvalidExpression:
            if (shown != 1)
                Fail("not exactly one message for a bad expression");
            [[fallthrough]];
        case TaskResult::Failed:
            if (shown > 1)
                Fail("more than one message");
            if (!(out.entries == entries))
                Fail("a failed computation changed the entries");
            break;
    }
    return out;
}

}  // namespace
}  // namespace torvane::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A zone with daylight saving, so that local times have gaps and overlaps.
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace torvane;
    FuzzedDataProvider in(data, size);
    EngineSettings settings;
    settings.caseSensitive = in.ConsumeBool();
    settings.attributeTarget = static_cast<AttributeTarget>(in.ConsumeIntegralInRange(0, 2));
    TaskList tasks;
    const int taskCount = in.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < taskCount; ++i)
        tasks.push_back({static_cast<std::uint32_t>(i + 1), L"", fuzz::Definition(in)});
    FileEntries entries;
    const int entryCount = in.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < entryCount; ++i)
        entries.push_back(fuzz::Entry(in));

    const auto preview = fuzz::Compute(entries, tasks, settings, ApplyMode::PreviewMode);
    const auto job = fuzz::Compute(entries, tasks, settings, ApplyMode::JobMode);
    if (preview.result != job.result)
        fuzz::Fail("preview and job disagree on the outcome");
    if (!(fuzz::WithoutIcons(preview.entries) == fuzz::WithoutIcons(job.entries)))
        fuzz::Fail("preview and job disagree on the entries");
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (job.entries[i].iconIndex != entries[i].iconIndex)
            fuzz::Fail("job mode changed an icon");
    return 0;
}
