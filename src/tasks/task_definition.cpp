#include "tasks/task_definition.hpp"

namespace torvane {
namespace {

class DefinitionWriter {
  public:
    explicit DefinitionWriter(std::wstring_view keyword) : text_(keyword) {}
    DefinitionWriter& Field(std::wstring_view key, std::wstring_view value) {
        text_ += kFieldSeparator;
        text_ += key;
        text_ += L'=';
        text_ += value;
        return *this;
    }
    std::wstring Close() {
        text_ += kFieldSeparator;
        return std::move(text_);
    }

  private:
    std::wstring text_;
};

bool IsExtendedKeyword(std::wstring_view keyword) {
    return keyword == kRenameFieldsKeyword || keyword == kTimestampFieldsKeyword;
}

// The fields only the extended keyword carries: under the original keyword
// they are not read, so such a line behaves as it always did.
void ReadExtendedRename(std::wstring_view definition, RenameTaskFields& r) {
    if (!IsExtendedKeyword(GetTaskKeyword(definition)))
        return;
    r.fields = GetTaskField(definition, kFieldUseFields, kFalse);
    r.scope = GetTaskField(definition, kFieldScope, kScopeWhole);
    r.numberBy = GetTaskField(definition, kFieldNumberBy, L"");
}

}  // namespace

TaskKind KindOf(const TaskFields& fields) {
    switch (fields.index()) {
        case 0:
            return TASK_KIND_RENAME;
        case 1:
            return TASK_KIND_TIMESTAMP;
        default:
            return TASK_KIND_ATTRIBUTE;
    }
}

std::uint32_t IdOf(const TaskFields& fields) {
    return std::visit([](const auto& f) { return f.id; }, fields);
}

const std::wstring& NameOf(const TaskFields& fields) {
    return std::visit([](const auto& f) -> const std::wstring& { return f.name; }, fields);
}

void SetIdAndName(TaskFields& fields, std::uint32_t id, std::wstring name) {
    std::visit(
        [&](auto& f) {
            f.id = id;
            f.name = std::move(name);
        },
        fields);
}

std::wstring BuildTaskDefinition(const TaskFields& fields) {
    if (const auto* r = std::get_if<RenameTaskFields>(&fields)) {
        DefinitionWriter writer(r->Extended() ? kRenameFieldsKeyword : kRenameKeyword);
        writer.Field(kFieldFind, r->find)
            .Field(kFieldReplace, r->replace)
            .Field(kFieldNumbering, r->numbering)
            .Field(kFieldStartNumber, r->startNumber)
            .Field(kFieldRegex, r->regex);
        if (IsFlagOn(r->fields))
            writer.Field(kFieldUseFields, r->fields);
        if (!r->scope.empty() && r->scope != kScopeWhole)
            writer.Field(kFieldScope, r->scope);
        if (!r->numberBy.empty())
            writer.Field(kFieldNumberBy, r->numberBy);
        return writer.Close();
    }
    if (const auto* t = std::get_if<TimestampTaskFields>(&fields)) {
        DefinitionWriter writer(t->Extended() ? kTimestampFieldsKeyword : kTimestampKeyword);
        writer.Field(kFieldTimeKind, t->timeKind)
            .Field(kFieldFind, t->find)
            .Field(kFieldReplace, t->replace)
            .Field(kFieldRegex, t->regex);
        if (IsFlagOn(t->fields))
            writer.Field(kFieldUseFields, t->fields);
        return writer.Close();
    }
    const auto& a = std::get<AttributeTaskFields>(fields);
    DefinitionWriter writer(kAttributeKeyword);
    writer.Field(kFieldFind, a.find)
        .Field(kFieldAttributes, a.attributes)
        .Field(kFieldRegex, a.regex);
    if (IsFlagOn(a.wildcard))
        writer.Field(kFieldWildcard, a.wildcard);
    return writer.Close();
}

std::wstring_view GetTaskKeyword(std::wstring_view definition) {
    const auto end = definition.find(kFieldSeparator);
    return end == std::wstring_view::npos ? std::wstring_view() : definition.substr(0, end);
}

std::wstring GetTaskField(std::wstring_view definition, std::wstring_view key,
                          std::wstring_view fallback) {
    std::wstring marker(kFieldSeparator);
    marker += key;
    marker += L'=';
    const auto at = definition.find(marker);
    if (at == std::wstring_view::npos)
        return std::wstring(fallback);
    const auto start = at + marker.size();
    const auto end = definition.find(kFieldSeparator, start);
    if (end == std::wstring_view::npos)
        return {};
    return std::wstring(definition.substr(start, end - start));
}

std::optional<TaskKind> KindOfKeyword(std::wstring_view keyword) {
    if (keyword == kRenameKeyword || keyword == kRenameFieldsKeyword)
        return TASK_KIND_RENAME;
    if (keyword == kTimestampKeyword || keyword == kTimestampFieldsKeyword)
        return TASK_KIND_TIMESTAMP;
    if (keyword == kAttributeKeyword)
        return TASK_KIND_ATTRIBUTE;
    return std::nullopt;
}

std::optional<TaskFields> ParseTaskDefinition(std::wstring_view definition) {
    const auto kind = KindOfKeyword(GetTaskKeyword(definition));
    if (!kind)
        return std::nullopt;
    auto field = [&](std::wstring_view key, std::wstring_view fallback) {
        return GetTaskField(definition, key, fallback);
    };
    switch (*kind) {
        case TASK_KIND_RENAME: {
            RenameTaskFields r;
            r.find = field(kFieldFind, L"");
            r.replace = field(kFieldReplace, L"");
            r.numbering = field(kFieldNumbering, kFalse);
            r.startNumber = field(kFieldStartNumber, L"0");
            r.regex = field(kFieldRegex, kFalse);
            ReadExtendedRename(definition, r);
            return r;
        }
        case TASK_KIND_TIMESTAMP: {
            TimestampTaskFields t;
            t.timeKind = field(kFieldTimeKind, L"");
            t.find = field(kFieldFind, L"");
            t.replace = field(kFieldReplace, L"");
            t.regex = field(kFieldRegex, kFalse);
            if (IsExtendedKeyword(GetTaskKeyword(definition)))
                t.fields = GetTaskField(definition, kFieldUseFields, kFalse);
            return t;
        }
        case TASK_KIND_ATTRIBUTE: {
            AttributeTaskFields a;
            a.find = field(kFieldFind, L"");
            a.attributes = field(kFieldAttributes, L"0");
            a.regex = field(kFieldRegex, kFalse);
            a.wildcard = field(kFieldWildcard, kFalse);
            return a;
        }
    }
    return std::nullopt;
}

}  // namespace torvane
