#pragma once

#include <QByteArray>

#include <functional>

// Memory and time figures of this process, for the benchmarks.
namespace ProcessMemory {

// A figure of /proc/self/status ("VmRSS:", "VmHWM:") in MB; 0 when unreadable.
double statusMb(const QByteArray& field);
inline double residentMb()
{
    return statusMb("VmRSS:");
}
inline double peakMb()
{
    return statusMb("VmHWM:");
}
// Starts the peak over from the memory resident now.
void resetPeak();

// The best time in ms of `runs` runs.
double bestMs(int runs, const std::function<void()>& run);

// Prints whether this is an optimised build, whose figures are the ones to read.
void printBuild(int runs);

} // namespace ProcessMemory
