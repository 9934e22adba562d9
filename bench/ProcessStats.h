#pragma once

#include <QtGlobal>

// What the kernel says about a running process, summed over its threads: time on a CPU (nanoseconds, from
// schedstat, fine enough to see a few milliseconds), voluntary context switches (each sleep that ended in a
// wake-up) and resident memory.
struct ProcessStats {
    qint64 cpuNs = 0;
    qint64 voluntarySwitches = 0;
    qint64 rssKiB = 0;
    qint64 peakRssKiB = 0;
    bool valid = false;

    static ProcessStats of(qint64 pid);
    // The process's whole CPU time (user and kernel) in nanoseconds, threads that have ended included
    // (a thread per connection, as stunnel4 runs them), in clock ticks; -1 when it can not be read.
    static qint64 totalCpuNs(qint64 pid);
};
