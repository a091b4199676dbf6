// A small seeded mutation harness for the parsers' tests. A target is a table
// of seed inputs (the inputs the other tests already use) and a dictionary of
// its format's tokens; every iteration takes a seed, mutates it a few times
// and hands it to the target's check, which states its properties with the
// usual EXPECT_ macros.
//
// QM_FUZZ_SEED (decimal or 0x-prefixed hex, "time" for a fresh one) and
// QM_FUZZ_ITERATIONS (per target) come from the environment; without them a
// run is the same every time. A failed check, a crash or a hang prints the
// seed, the iteration and the input in hex; each iteration's generator is
// made from the seed, the target's name and the iteration alone, so the same
// seed with at least that many iterations replays it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fuzz {

// splitmix64: small, fast and good enough to pick mutations.
class Rng {
public:
    explicit Rng(uint64_t state) : state_(state) {}
    uint64_t Next();
    // 0..n-1; 0 when n is 0.
    size_t Below(size_t n) { return n ? static_cast<size_t>(Next() % n) : 0; }
    bool OneIn(size_t n) { return Below(n) == 0; }
    unsigned char Byte() { return static_cast<unsigned char>(Next()); }

private:
    uint64_t state_;
};

// The run's seed (QM_FUZZ_SEED) and the iterations per target
// (QM_FUZZ_ITERATIONS, else byDefault).
uint64_t RunSeed();
int Iterations(int byDefault);

struct Target {
    const char* name;
    std::vector<std::string> seeds;
    std::vector<std::string> dictionary;
    size_t maxSize = 4096;
    // Fewer for targets whose iteration is slow (a loopback exchange).
    int defaultIterations = 300;
    // Instead of Mutate, for formats where blind mutation seldom keeps the
    // input well-formed enough to reach the deeper properties.
    std::function<std::string(const std::string& seed, Rng& rng)> mutator;
};

// A copy of input with 1 to 6 mutations: bit flips, bytes overwritten,
// inserted or deleted, a truncation, dictionary tokens spliced in or over,
// a piece of another seed spliced in, a piece repeated. At most maxSize bytes.
std::string Mutate(const std::string& input, const Target& target, Rng& rng);

// Runs the target's iterations (the seeds unchanged first). check gets the
// input and the iteration's generator for choices of its own. The run stops
// at the first iteration that fails.
void Run(const Target& target, const std::function<void(const std::string& input, Rng& rng)>& check);

std::string Hex(const std::string& bytes);

// Structured targets (records of several texts) take their input as fields
// separated by NUL bytes, which none of their texts can hold.
std::vector<std::string> Fields(const std::string& input);
std::string JoinFields(const std::vector<std::string>& fields);

// The text without the control characters XML 1.0 cannot hold (all but tab,
// CR and LF), which the XML writers drop: what an XML target can expect back.
std::string XmlStorable(const std::string& text);

// A copy of some bytes that ends exactly where a page that cannot be read
// begins, so a raw-buffer parser that reads one byte too many faults at once.
class GuardedBytes {
public:
    explicit GuardedBytes(const std::string& bytes);
    ~GuardedBytes();
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    BYTE* data() const { return data_; }
    size_t size() const { return size_; }
    // The first byte that cannot be read.
    const BYTE* end() const { return data_ + size_; }

private:
    void* base_ = nullptr;
    BYTE* data_ = nullptr;
    size_t size_ = 0;
};

}  // namespace fuzz
