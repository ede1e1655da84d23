// Start-up of the program against a bare Qt window of four tabs built in the
// same tree: each is started several times, in turn, and timed from the exec
// to its first window painted (a small library preloaded into it prints a
// marker then). The resident memory is read at that moment, then the process
// is ended. A third program,
// the bare window linking the libraries the program links (Network,
// PrintSupport, Charts and what they load), shows what loading them costs.
//
//     bench_startup [--runs N] [--program PATH]
//
// Windows are offscreen unless QT_QPA_PLATFORM says otherwise; the locale is
// the operators' (it_IT.UTF-8) unless LC_ALL is set.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

struct Run
{
    double ms = 0;
    double cpuMs = 0; // the process's own processor time, less sensitive to a busy machine
    double residentMb = 0;
};

struct Contender
{
    const char* name;
    std::string path;
    std::vector<Run> runs;
};

double nowMs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double residentMb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    }
    return 0;
}

double cpuMs(pid_t pid)
{
    std::ifstream schedstat("/proc/" + std::to_string(pid) + "/schedstat");
    double ns = 0;
    schedstat >> ns;
    return ns / 1e6;
}

[[noreturn]] void fail(const std::string& what)
{
    std::fprintf(stderr, "bench_startup: %s\n", what.c_str());
    std::exit(1);
}

// Starts `path` with its own runtime folder (so the program's single-instance
// lock of one run never meets another's) and times it to its marker.
Run startOnce(const std::string& path, std::vector<std::string> environment)
{
    char runtimeTemplate[] = "/tmp/bench-startup-XXXXXX";
    const char* runtime = mkdtemp(runtimeTemplate);
    if (!runtime)
        fail("cannot make a runtime folder");
    environment.push_back(std::string("XDG_RUNTIME_DIR=") + runtime);
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        fail("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string program = path;
    char* argv[] = {program.data(), nullptr};

    pid_t pid = 0;
    const double started = nowMs();
    const int spawned = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0)
        fail("cannot start " + path + ": " + std::strerror(spawned));

    std::string seen;
    Run run;
    for (;;) {
        pollfd wait{out[0], POLLIN, 0};
        if (poll(&wait, 1, 60000) <= 0)
            break;
        char buffer[256];
        const ssize_t got = read(out[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        seen.append(buffer, static_cast<size_t>(got));
        if (seen.find("shown\n") != std::string::npos) {
            run.ms = nowMs() - started;
            run.residentMb = residentMb(pid);
            run.cpuMs = cpuMs(pid);
            break;
        }
    }
    close(out[0]);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    std::filesystem::remove_all(runtime);
    if (run.ms == 0)
        fail(path + " ended or stalled before showing its window");
    return run;
}

template <typename Field> double median(const std::vector<Run>& runs, Field field)
{
    std::vector<double> values;
    for (const Run& run : runs)
        values.push_back(run.*field);
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

const char* verdict(bool met)
{
    return met ? "met" : "NOT met";
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 9;
    std::string program = DPC_PROGRAM;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--program" && i + 1 < argc)
            program = argv[++i];
        else
            fail("usage: bench_startup [--runs N] [--program PATH]");
    }

    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "XDG_RUNTIME_DIR=", 16) != 0 &&
            std::strncmp(*entry, "LD_PRELOAD=", 11) != 0)
            environment.emplace_back(*entry);
    }
    if (!std::getenv("QT_QPA_PLATFORM"))
        environment.emplace_back("QT_QPA_PLATFORM=offscreen");
    if (!std::getenv("LC_ALL"))
        environment.emplace_back("LC_ALL=it_IT.UTF-8");
    environment.emplace_back(std::string("LD_PRELOAD=") + DPC_SHOWN_MARKER);

    std::vector<Contender> contenders = {{"program", program, {}},
                                         {"bare window", DPC_BARE_WINDOW, {}},
                                         {"bare + libraries", DPC_BARE_WINDOW_LINKED, {}}};
    std::printf("From exec to the first window painted, %d runs each in turn (one more each "
                "first, not counted),\nplatform %s, locale %s.\n\n",
                runs, std::getenv("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "offscreen",
                std::getenv("LC_ALL") ? std::getenv("LC_ALL") : "it_IT.UTF-8");
    for (Contender& c : contenders)
        startOnce(c.path, environment);
    for (int run = 0; run < runs; ++run) {
        for (Contender& c : contenders)
            c.runs.push_back(startOnce(c.path, environment));
    }

    std::printf("%-18s %10s %10s %10s %12s %12s\n", "", "median ms", "best ms", "worst ms",
                "median CPU ms", "resident MB");
    for (const Contender& c : contenders) {
        const auto [best, worst] = std::minmax_element(
            c.runs.begin(), c.runs.end(), [](const Run& a, const Run& b) { return a.ms < b.ms; });
        std::printf("%-18s %10.1f %10.1f %10.1f %12.1f %12.1f\n", c.name, median(c.runs, &Run::ms),
                    best->ms, worst->ms, median(c.runs, &Run::cpuMs),
                    median(c.runs, &Run::residentMb));
    }

    const double timeRatio =
        median(contenders[0].runs, &Run::ms) / median(contenders[1].runs, &Run::ms);
    const double memoryRatio =
        median(contenders[0].runs, &Run::residentMb) / median(contenders[1].runs, &Run::residentMb);
    const double librariesMs =
        median(contenders[2].runs, &Run::ms) - median(contenders[1].runs, &Run::ms);
    const double librariesCpuMs =
        median(contenders[2].runs, &Run::cpuMs) - median(contenders[1].runs, &Run::cpuMs);
    const double librariesMb =
        median(contenders[2].runs, &Run::residentMb) - median(contenders[1].runs, &Run::residentMb);
    std::printf("\nLoading Network, PrintSupport and Charts costs the bare window %+.1f ms "
                "(%+.1f ms of processor time) and %+.1f MB.\n",
                librariesMs, librariesCpuMs, librariesMb);
    const double cpuRatio =
        median(contenders[0].runs, &Run::cpuMs) / median(contenders[1].runs, &Run::cpuMs);
    std::printf("\nAims\nstart-up %.2f x the bare window (aim <= 1.1): %s  (processor time "
                "%.2f x)\n",
                timeRatio, verdict(timeRatio <= 1.1), cpuRatio);
    std::printf("resident memory %.2f x the bare window (aim <= 1.2): %s\n", memoryRatio,
                verdict(memoryRatio <= 1.2));
    return 0;
}
