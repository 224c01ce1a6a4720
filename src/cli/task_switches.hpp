#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tasks/task_definition.hpp"

namespace torvane {

// The attribute word a console attribute task sets, from its text: items
// separated by blanks or commas, each an optional sign ('+' on, '-' off; no
// sign is on) and either a name (ReadOnly, Hidden, System, Archive, Compress,
// Index, NotIndexed, Encrypt; any ASCII case) or attrib-style letters (R H S A
// C I E, where I is "not content indexed" as for attrib). "none" or "" turns
// everything off but Index. A decimal number is the word itself. Like the
// editor page, the task sets all seven attributes: one not named is off,
// except Index, which stays on (content indexed, bit 0x2000 clear) unless
// "-Index", "+NotIndexed" or "+I" says otherwise. nullopt and `error` set when the
// text names no attribute, has bits outside the seven, or turns on both
// Compress and Encrypt (which the editor never allows).
std::optional<std::uint32_t> ParseAttributeWord(std::wstring_view text, std::wstring& error);

// The FORM value for a time kind typed in any ASCII case (created, modified,
// accessed), or nullopt.
std::optional<std::wstring> TimeKindOf(std::wstring_view text);

}  // namespace torvane
