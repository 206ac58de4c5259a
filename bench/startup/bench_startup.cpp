// How long `velk-config --help` takes to start and end, and how much memory
// it touches, against a copy linked through the plug-in (see CMakeLists.txt).
// Runs alternate between the two programs and the median of each is printed.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <spawn.h>
#include <vector>

extern char** environ;

namespace {

struct Run
{
    double ms = 0;
    double maxRssMiB = 0;
};

bool runOnce(const char* program, Run& run)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    char help[] = "--help";
    char* argv[] = {const_cast<char*>(program), help, nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return false;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;
    run.ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    run.maxRssMiB = usage.ru_maxrss / 1024.0;
    return true;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void print(const char* name, double ours, double reference, const char* unit)
{
    std::printf("bench %s: ours=%.2f%s reference=%.2f%s ratio=%.3f\n", name, ours, unit, reference,
                unit, ours / reference);
}

} // namespace

int main()
{
    constexpr int kRounds = 21;
    std::vector<double> ms[2], rss[2];
    const char* programs[2] = {VELK_CONFIG, VELK_CONFIG_REFERENCE};
    // One unmeasured start each, so that both find their libraries in the
    // page cache.
    Run warm;
    for (const char* program : programs) {
        if (!runOnce(program, warm)) {
            std::fprintf(stderr, "bench_startup: %s --help failed\n", program);
            return 1;
        }
    }
    for (int round = 0; round < kRounds; ++round) {
        for (int i = 0; i < 2; ++i) {
            Run run;
            if (!runOnce(programs[i], run))
                return 1;
            ms[i].push_back(run.ms);
            rss[i].push_back(run.maxRssMiB);
        }
    }
    print("velk_config_startup", median(ms[0]), median(ms[1]), "ms");
    print("velk_config_startup_rss", median(rss[0]), median(rss[1]), "MiB");
    return 0;
}
