#pragma once

#include <QRandomGenerator>
#include <cstdio>
#include <cstdlib>

// The seed of a randomised test: VORNNET_TEST_SEED when set, else a fresh one. It is printed, so that a
// failing run can be repeated exactly.
inline quint32 testSeed(const char* test) {
    quint32 seed = 0;
    if (const char* given = std::getenv("VORNNET_TEST_SEED"); given && *given)
        seed = static_cast<quint32>(std::strtoul(given, nullptr, 10));
    else
        seed = QRandomGenerator::global()->generate();
    std::printf("%s: seed %u (VORNNET_TEST_SEED=%u repeats it)\n", test, seed, seed);
    std::fflush(stdout);
    return seed;
}
