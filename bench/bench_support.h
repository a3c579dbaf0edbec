#pragma once

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

// Small helpers shared by the benchmarks.
namespace quill::bench {

inline double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The process's resident memory in bytes.
inline long long residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * 4096LL;
}

} // namespace quill::bench
