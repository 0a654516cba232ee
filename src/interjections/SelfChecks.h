#pragma once

#include <cstdio>

namespace vesk {

// The agreements with the daemon that neither side can check alone (the quiet-hours rule, the
// fields of the delivery requests, how the daemon's own reminder is read), checked through the
// same functions the application uses, without a daemon, a window or a network. One line per
// check on `out`, then a summary; 0 when every check held, 1 otherwise.
int runSelfChecks(std::FILE* out = stderr);

// Writes the check lines and counts the failures.
class SelfCheckLog {
public:
    explicit SelfCheckLog(std::FILE* out)
        : out(out)
    {
    }
    void check(const char* name, bool passed);
    // The summary line; the exit status.
    int finish();

private:
    std::FILE* out;
    int failures = 0;
};

} // namespace vesk
