#pragma once

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <type_traits>

#include <sys/wait.h>
#include <unistd.h>

// Small helpers shared by the benchmarks.
namespace quill::bench {

inline double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Processor time, user and system, that this process has used so far.
inline double processorSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The process's resident memory in bytes.
inline long long residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * 4096LL;
}

// Runs one measurement in a child process of its own, so that it sees no
// memory another measurement freed, and hands its result (plain data) back.
// A child that dies without a result ends the benchmark with its status.
template <typename F>
auto isolated(F &&measure)
{
    using Result = std::invoke_result_t<F>;
    static_assert(std::is_trivially_copyable_v<Result>);
    int channel[2];
    if (pipe(channel) != 0)
        std::exit(1);
    const pid_t child = fork();
    if (child < 0)
        std::exit(1);
    if (child == 0) {
        close(channel[0]);
        const Result r = measure();
        _exit(write(channel[1], &r, sizeof r) == sizeof r ? 0 : 1);
    }
    // Only the child may hold the writing end, so that its death ends the read.
    close(channel[1]);
    Result r{};
    ssize_t got = 0;
    while (got < ssize_t(sizeof r)) {
        const ssize_t n = read(channel[0], reinterpret_cast<char *>(&r) + got, sizeof r - size_t(got));
        if (n <= 0)
            break;
        got += n;
    }
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (got != ssize_t(sizeof r)) {
        if (WIFSIGNALED(status))
            std::fprintf(stderr, "a measurement died of signal %d\n", WTERMSIG(status));
        else
            std::fprintf(stderr, "a measurement ended with status %d and no result\n", WEXITSTATUS(status));
        std::exit(1);
    }
    return r;
}

// The best of a few isolated runs of a measurement whose result has a
// `seconds`: the one least disturbed by whatever else the machine does.
template <typename F>
auto best(F &&measure)
{
    auto result = isolated(measure);
    for (int run = 1; run < 3; ++run) {
        const auto next = isolated(measure);
        if (next.seconds < result.seconds)
            result = next;
    }
    return result;
}

} // namespace quill::bench
