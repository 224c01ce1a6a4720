#pragma once

#include <cstdint>

namespace torvane {

// Generates task ids that do not repeat within 2^32 draws: a counter pushed
// through a permutation of the 32-bit numbers built from quadratic residues
// modulo the largest prime below 2^32.
class TaskIdSequence {
  public:
    static constexpr std::uint32_t kPrime = 4294967291u;

    TaskIdSequence() = default;
    // A sequence in a given state, as Seed leaves it.
    TaskIdSequence(std::uint32_t index, std::uint32_t offset) : index_(index), offset_(offset) {}

    // A bijection on 32-bit numbers: x itself for x >= kPrime, otherwise the
    // quadratic residue of x, or its complement for the upper half.
    static std::uint32_t Permute(std::uint32_t x);

    // Starts a new sequence from t, the calendar time in seconds since 1970
    // taken as an unsigned 32-bit number.
    void Seed(std::uint32_t t);

    // Returns the next id. Never returns 0: field records use 0 for "a new
    // task", so the one draw in 2^32 that would give 0 is skipped and the
    // following one is returned instead. The sequence still never repeats.
    std::uint32_t Next();

    std::uint32_t index() const { return index_; }
    std::uint32_t offset() const { return offset_; }

  private:
    std::uint32_t Draw();

    std::uint32_t index_ = 0;
    std::uint32_t offset_ = 0;
};

}  // namespace torvane
