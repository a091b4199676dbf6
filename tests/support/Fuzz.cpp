#include "Fuzz.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/Handles.h"

namespace fuzz {

namespace {

// The seed of a run without QM_FUZZ_SEED: a normal run is repeatable.
constexpr uint64_t kDefaultSeed = 0x5EED0F0A11u;
// One iteration that takes longer than this is a hang: the run's waits are
// all bounded far below it.
constexpr DWORD kHangBoundMs = 60000;

uint64_t Mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

uint64_t NameHash(const char* name) {
    uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (const char* p = name; *p; ++p) h = (h ^ static_cast<unsigned char>(*p)) * 1099511628211ull;
    return h;
}

std::string Environment(const char* name) {
    char buffer[64] = {};
    DWORD n = ::GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

// The iteration under way, for the crash filter and the watchdog, which can
// only print what they find here.
struct CurrentCase {
    const char* name = nullptr;
    uint64_t seed = 0;
    int iteration = 0;
    const std::string* input = nullptr;
    volatile LONG running = 0;
    volatile ULONGLONG startTick = 0;
};
CurrentCase g_case;

void PrintCase(FILE* out, const char* what) {
    std::fprintf(out, "[fuzz] %s in target %s: QM_FUZZ_SEED=0x%llx iteration %d\n[fuzz] input (%u bytes): %s\n",
                 what, g_case.name ? g_case.name : "?", static_cast<unsigned long long>(g_case.seed),
                 g_case.iteration, g_case.input ? static_cast<unsigned>(g_case.input->size()) : 0u,
                 g_case.input ? Hex(*g_case.input).c_str() : "");
    std::fflush(out);
}

// A crash ends the test program; it says first which input did it.
LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* info) {
    if (g_case.running) {
        char what[64];
        std::snprintf(what, sizeof what, "exception 0x%08lx",
                      static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode));
        PrintCase(stderr, what);
    }
    return EXCEPTION_EXECUTE_HANDLER;
}

// Ends the program when one iteration passes the hang bound, after saying
// which input it was.
class Watchdog {
public:
    Watchdog() : stop_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        if (stop_) thread_.reset(::CreateThread(nullptr, 0, &Watchdog::Main, this, 0, nullptr));
    }
    ~Watchdog() {
        if (!thread_) return;
        ::SetEvent(stop_.get());
        ::WaitForSingleObject(thread_.get(), 5000);
    }

private:
    static DWORD WINAPI Main(void* self) {
        Watchdog& w = *static_cast<Watchdog*>(self);
        while (::WaitForSingleObject(w.stop_.get(), 1000) == WAIT_TIMEOUT) {
            if (g_case.running && ::GetTickCount64() - g_case.startTick > kHangBoundMs) {
                PrintCase(stderr, "hang");
                ::TerminateProcess(::GetCurrentProcess(), 3);
            }
        }
        return 0;
    }
    UniqueHandle stop_;
    UniqueHandle thread_;
};

const unsigned char kInterestingBytes[] = {0x00, 0x01, 0x7F, 0x80, 0xFF, 0xFE, '\n', '\r', ' ', '0', '9',
                                           '<',  '>',  '&',  '%',  ';',  '"',  '\'', '/', ':', '='};

}  // namespace

uint64_t Rng::Next() {
    state_ += 0x9E3779B97F4A7C15ull;
    uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint64_t RunSeed() {
    const std::string text = Environment("QM_FUZZ_SEED");
    if (text.empty()) return kDefaultSeed;
    if (text == "time") return Mix(::GetTickCount64() ^ (static_cast<uint64_t>(::GetCurrentProcessId()) << 32));
    return std::strtoull(text.c_str(), nullptr, 0);
}

int Iterations(int byDefault) {
    const std::string text = Environment("QM_FUZZ_ITERATIONS");
    const long n = text.empty() ? 0 : std::strtol(text.c_str(), nullptr, 10);
    return n > 0 ? static_cast<int>(n) : byDefault;
}

std::string Mutate(const std::string& input, const Target& target, Rng& rng) {
    std::string s = input;
    const int count = 1 + static_cast<int>(rng.Below(6));
    for (int m = 0; m < count; ++m) {
        const size_t at = rng.Below(s.size() + 1);
        switch (rng.Below(10)) {
        case 0:  // one bit
            if (!s.empty()) s[rng.Below(s.size())] ^= static_cast<char>(1u << rng.Below(8));
            break;
        case 1:  // one byte, random or one that formats care about
            if (!s.empty())
                s[rng.Below(s.size())] = static_cast<char>(
                    rng.OneIn(2) ? rng.Byte() : kInterestingBytes[rng.Below(sizeof kInterestingBytes)]);
            break;
        case 2: {  // a few random bytes
            std::string bytes;
            for (size_t n = 1 + rng.Below(8); n > 0; --n) bytes += static_cast<char>(rng.Byte());
            s.insert(at, bytes);
            break;
        }
        case 3:  // a deletion
            if (at < s.size()) s.erase(at, 1 + rng.Below(std::min<size_t>(16, s.size() - at)));
            break;
        case 4:  // a truncation
            s.resize(at);
            break;
        case 5:
        case 6:  // a token in
            if (!target.dictionary.empty()) s.insert(at, target.dictionary[rng.Below(target.dictionary.size())]);
            break;
        case 7:  // a token over what was there
            if (!target.dictionary.empty()) {
                const std::string& token = target.dictionary[rng.Below(target.dictionary.size())];
                s.replace(at, std::min(token.size(), s.size() - at), token);
            }
            break;
        case 8: {  // a piece of another seed
            const std::string& other = target.seeds[rng.Below(target.seeds.size())];
            const size_t from = rng.Below(other.size() + 1);
            const std::string piece = other.substr(from, 1 + rng.Below(64));
            if (rng.OneIn(2))
                s.insert(at, piece);
            else
                s = s.substr(0, at) + other.substr(from);
            break;
        }
        default:  // a piece repeated
            if (at < s.size()) {
                const std::string piece = s.substr(at, 1 + rng.Below(32));
                for (size_t n = 1 + rng.Below(4); n > 0; --n) s.insert(at, piece);
            }
            break;
        }
        if (s.size() > target.maxSize) s.resize(target.maxSize);
    }
    return s;
}

void Run(const Target& target, const std::function<void(const std::string& input, Rng& rng)>& check) {
    ASSERT_FALSE(target.seeds.empty()) << target.name;
    const uint64_t seed = RunSeed();
    const int iterations = Iterations(target.defaultIterations);
    std::printf("[fuzz] %s: QM_FUZZ_SEED=0x%llx, %d iterations\n", target.name,
                static_cast<unsigned long long>(seed), iterations);
    std::fflush(stdout);

    const bool failedBefore = ::testing::Test::HasFailure();
    LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = ::SetUnhandledExceptionFilter(&OnUnhandledException);
    Watchdog watchdog;
    for (int i = 0; i < iterations; ++i) {
        Rng rng(Mix(seed ^ NameHash(target.name)) ^ Mix(static_cast<uint64_t>(i)));
        std::string input;
        if (static_cast<size_t>(i) < target.seeds.size()) {
            input = target.seeds[static_cast<size_t>(i)];
        } else {
            const std::string& from = target.seeds[rng.Below(target.seeds.size())];
            input = target.mutator ? target.mutator(from, rng) : Mutate(from, target, rng);
        }
        g_case.name = target.name;
        g_case.seed = seed;
        g_case.iteration = i;
        g_case.input = &input;
        g_case.startTick = ::GetTickCount64();
        g_case.running = 1;
        check(input, rng);
        g_case.running = 0;
        if (!failedBefore && ::testing::Test::HasFailure()) {
            PrintCase(stdout, "failure");
            ADD_FAILURE() << "fuzz target " << target.name << " failed at iteration " << i
                          << " (QM_FUZZ_SEED=0x" << std::hex << seed << ")";
            break;
        }
    }
    g_case.input = nullptr;
    ::SetUnhandledExceptionFilter(previousFilter);
}

std::string Hex(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const unsigned char u = static_cast<unsigned char>(c);
        out += kDigits[u >> 4];
        out += kDigits[u & 15];
    }
    return out;
}

std::vector<std::string> Fields(const std::string& input) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t end = input.find('\0', start);
        fields.push_back(input.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return fields;
        start = end + 1;
    }
}

std::string JoinFields(const std::vector<std::string>& fields) {
    std::string out;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i) out += '\0';
        out += fields[i];
    }
    return out;
}

std::string XmlStorable(const std::string& text) {
    std::string out;
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\r' || c == '\n') out += c;
    return out;
}

GuardedBytes::GuardedBytes(const std::string& bytes) {
    SYSTEM_INFO info;
    ::GetSystemInfo(&info);
    const size_t page = info.dwPageSize;
    const size_t body = (bytes.size() + page - 1) / page * page;
    base_ = ::VirtualAlloc(nullptr, body + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!base_) return;
    BYTE* guard = static_cast<BYTE*>(base_) + body;
    DWORD old = 0;
    ::VirtualProtect(guard, page, PAGE_NOACCESS, &old);
    data_ = guard - bytes.size();
    size_ = bytes.size();
    if (size_) std::memcpy(data_, bytes.data(), size_);
}

GuardedBytes::~GuardedBytes() {
    if (base_) ::VirtualFree(base_, 0, MEM_RELEASE);
}

}  // namespace fuzz
