#include "OperationCode.h"

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <random>

std::string NewOperationCode() {
    // Random version-4 GUIDs; one generator for the process, since codes are made on any thread.
    static std::mutex lock;
    static std::mt19937_64 generator{std::random_device{}()};
    uint64_t high, low;
    {
        std::lock_guard guard(lock);
        high = generator();
        low = generator();
    }
    high = (high & ~0xF000ull) | 0x4000ull;                      // version 4
    low = (low & 0x3FFFFFFFFFFFFFFFull) | 0x8000000000000000ull; // RFC 4122 variant
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%04X-%012llX}", static_cast<unsigned>(high >> 32),
                  static_cast<unsigned>((high >> 16) & 0xFFFF), static_cast<unsigned>(high & 0xFFFF),
                  static_cast<unsigned>(low >> 48), static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFull));
    return text;
}
