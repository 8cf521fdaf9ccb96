#pragma once

#include <ctime>
#include <sys/resource.h>

namespace larkspur::bench {

inline double seconds(const timeval& t) {
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

// User plus system time of this process (`RUSAGE_SELF`) or of its waited-for children.
inline double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// CPU time of the calling thread.
inline double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

} // namespace larkspur::bench
