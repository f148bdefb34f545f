#pragma once
// A broken invariant ends the run at once, with its reason on stderr: libFuzzer
// then keeps the input as a finding, and a replay under GoogleTest fails with
// the same message.

#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void FuzzFail(const char* target, const char* reason)
{
    std::fprintf(stderr, "%s: %s\n", target, reason);
    std::abort();
}

inline void FuzzCheck(bool holds, const char* target, const char* reason)
{
    if (!holds)
        FuzzFail(target, reason);
}
