#pragma once

// The three kinds of task as branches of ApplyTask; internal to the engine.

#include <string_view>

#include "engine/apply_context.hpp"
#include "engine/apply_task.hpp"

namespace torvane {

inline constexpr std::wstring_view kFieldFind = L"FIND";
inline constexpr std::wstring_view kFieldReplace = L"REPL";
inline constexpr std::wstring_view kFieldNumbering = L"SYMB";
inline constexpr std::wstring_view kFieldStartNumber = L"SNUM";
inline constexpr std::wstring_view kFieldRegex = L"REGX";
inline constexpr std::wstring_view kFieldTimeKind = L"FORM";
inline constexpr std::wstring_view kFieldAttributes = L"ATTR";

TaskResult ApplyRenameTask(std::wstring_view definition, FileEntries& entries,
                           const ApplyContext& context);
TaskResult ApplyTimestampTask(std::wstring_view definition, FileEntries& entries,
                              const ApplyContext& context);
TaskResult ApplyAttributeTask(std::wstring_view definition, FileEntries& entries,
                              const ApplyContext& context);

}  // namespace torvane
