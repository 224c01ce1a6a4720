// Conversions every listed name and every task read goes through.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "platform/text.hpp"
#include "tasks/task_definition.hpp"

namespace torvane {
namespace {

std::vector<std::string> SampleNames(size_t n) {
    std::vector<std::string> names;
    names.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        names.push_back(i % 4 == 0 ? "Photo \xC3\xA9t\xC3\xA9 " + std::to_string(i) + ".jpg"
                                   : "IMG_" + std::to_string(100000 + i) + ".JPG");
    }
    return names;
}

void BM_NameRoundTrip(benchmark::State& state) {
    const auto names = SampleNames(10000);
    for (auto _ : state) {
        for (const auto& n : names)
            benchmark::DoNotOptimize(ToUtf8(FromUtf8(n)));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(names.size()));
}
BENCHMARK(BM_NameRoundTrip);

void BM_ParseTaskDefinition(benchmark::State& state) {
    const std::wstring def =
        L"$FileName<>FIND=IMG_(\\d+)<>REPL=Trip ###<>SYMB=TRUE<>SNUM=1<>REGX=TRUE<>";
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseTaskDefinition(def));
}
BENCHMARK(BM_ParseTaskDefinition);

}  // namespace
}  // namespace torvane
