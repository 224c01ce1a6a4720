#include "tasks/task_id_sequence.hpp"

namespace torvane {

std::uint32_t TaskIdSequence::Permute(std::uint32_t x) {
    if (x >= kPrime)
        return x;
    const auto r = static_cast<std::uint32_t>(std::uint64_t{x} * x % kPrime);
    return x <= 2147483645u ? r : kPrime - r;
}

void TaskIdSequence::Seed(std::uint32_t t) {
    // Unsigned arithmetic wraps at 32 bits, as the sequence requires.
    index_ = Permute(Permute(t) + 0x682F0161u);
    offset_ = Permute(Permute(t + 1u) + 0x46790905u);
}

std::uint32_t TaskIdSequence::Draw() {
    const std::uint32_t i = index_++;
    return Permute((Permute(i) + offset_) ^ 0x5BF03635u);
}

std::uint32_t TaskIdSequence::Next() {
    std::uint32_t id = Draw();
    if (id == 0)
        id = Draw();
    return id;
}

}  // namespace torvane
