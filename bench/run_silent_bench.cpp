// run_silent_bench - RunSilent("true", "") against Python's
// subprocess.run(["/bin/sh", "-c", "true "]): the same shell running the same
// command line, started and waited for. A batch of calls is grown until the
// native one takes 0.2 s; then native and Python batches of that size take
// turns, five each (the interpreter's start-up not counted), and the best of
// each is kept, so a busy machine slows both alike. Two figures per side, in
// microseconds per call: the time that passed, and the processor time spent
// by the caller and its shells together (which other work on the machine
// hardly changes). One line; nothing asserts on timing.
//
//   run_silent_bench [PYTHON]     default /usr/bin/python3
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "Karvelin.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Batch {
    double seconds = -1, cpu_seconds = -1;  // negative: not had
};

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

// Processor time of this process and of its children that have ended.
double CpuSeconds() {
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        ::getrusage(who, &usage);
        total += Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    }
    return total;
}

Batch NativeBatch(long calls) {
    const double cpu = CpuSeconds();
    const auto start = Clock::now();
    for (long i = 0; i < calls; ++i) RunSilent("true", "");
    return {std::chrono::duration<double>(Clock::now() - start).count(), CpuSeconds() - cpu};
}

// A batch inside the Python interpreter, after one warm-up call.
Batch PythonBatch(const std::string& python, long calls) {
    const std::string command = "'" + python +
                                "' -c 'import resource as r, subprocess, sys, time\n"
                                "cpu = lambda: sum(sum(r.getrusage(w)[:2])"
                                " for w in (r.RUSAGE_SELF, r.RUSAGE_CHILDREN))\n"
                                "call = lambda: subprocess.run([\"/bin/sh\", \"-c\", \"true \"])\n"
                                "call()\n"
                                "c, start = cpu(), time.perf_counter()\n"
                                "for _ in range(int(sys.argv[1])): call()\n"
                                "print(time.perf_counter() - start, cpu() - c)' " +
                                std::to_string(calls);
    Batch batch;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return batch;
    if (std::fscanf(pipe, "%lf %lf", &batch.seconds, &batch.cpu_seconds) != 2) batch = {};
    if (::pclose(pipe) != 0) batch = {};
    return batch;
}

// "1.09x faster" or "1.20x slower": ours against theirs.
std::string Ratio(double ours, double theirs) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2fx %s", ours < theirs ? theirs / ours : ours / theirs,
                  ours < theirs ? "faster" : "slower");
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string python = argc > 1 ? argv[1] : "/usr/bin/python3";
    if (RunSilent("true", "") != 0) {
        std::fprintf(stderr, "run_silent_bench: RunSilent(\"true\", \"\") does not answer 0\n");
        return 1;
    }
    long calls = 1;
    while (NativeBatch(calls).seconds < 0.2) calls *= 2;
    Batch native{1e9, 1e9}, pure{1e9, 1e9};  // the best of the rounds, each figure on its own
    for (int round = 0; round < 5; ++round) {
        const Batch ours = NativeBatch(calls), theirs = PythonBatch(python, calls);
        if (theirs.seconds < 0) {
            std::fprintf(stderr, "run_silent_bench: no figure from %s\n", python.c_str());
            return 1;
        }
        native = {std::min(native.seconds, ours.seconds), std::min(native.cpu_seconds, ours.cpu_seconds)};
        pure = {std::min(pure.seconds, theirs.seconds), std::min(pure.cpu_seconds, theirs.cpu_seconds)};
    }
    const auto per_call = [&](double seconds) { return seconds / static_cast<double>(calls) * 1e6; };
    std::printf("RunSilent(\"true\", \"\") %.0f us/call (processor %.0f) against "
                "subprocess.run([\"/bin/sh\", \"-c\", \"true \"]) %.0f us/call (processor %.0f): %s (processor %s)\n",
                per_call(native.seconds), per_call(native.cpu_seconds), per_call(pure.seconds),
                per_call(pure.cpu_seconds), Ratio(native.seconds, pure.seconds).c_str(),
                Ratio(native.cpu_seconds, pure.cpu_seconds).c_str());
    return 0;
}
