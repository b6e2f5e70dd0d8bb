// quillon-cli on generated controllers, run by hand: bin/cli_bench [runs]
//
// 1. tags --json --all-programs (and with --elements) of 20 000 controller tags (10 programs of 100 tags,
//    200 structure types): the child process's CPU time (user + system), its peak
//    resident memory, the bytes written, its exchanges and how many template reads
//    repeat one already made on the connection. Targets: under 1 s CPU, under 100 MB.
// 2. read of one tag of a 4 200-tag controller: exchanges (target: at most 3).
// 3. The tag model's part of list to rows for 250 000 tags, 2 000 types and 100
//    programs: every scope browsed into a TagList, then each scope's rows (name, path,
//    type name, whether it opens) made as the tree makes its top-level rows. Target
//    under 1 s.
// Prints medians of `runs` runs (default 5).
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "TagDisplay.hpp"
#include "TagList.hpp"
#include "TagRows.hpp"
#include "quillon_sim/controller.hpp"
#include "quillon_sim/server.hpp"

extern char** environ;

namespace {

constexpr std::uint16_t kUnRegisterSession = 0x66;
constexpr std::uint8_t kReadTemplate = 0x4C;

struct Child {
    double cpuSeconds = 0;
    double peakMiB = 0;
    long long bytes = 0;
    int status = -1;
};

// Runs quillon-cli with stdout into a file; its own resource use from wait4.
Child runCli(const std::vector<std::string>& words) {
    char name[] = "/tmp/cli_bench_XXXXXX";
    const int fd = mkstemp(name);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fd, 1);
    std::vector<std::string> all = {QUILLON_CLI_PATH};
    all.insert(all.end(), words.begin(), words.end());
    std::vector<char*> argv;
    for (std::string& word : all) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    Child child;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        child.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        child.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        child.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    }
    posix_spawn_file_actions_destroy(&actions);
    struct stat info {};
    fstat(fd, &info);
    child.bytes = info.st_size;
    close(fd);
    unlink(name);
    return child;
}

// Counts exchanges (requests with a reply, UnRegisterSession aside) and repeated
// template reads: the same request to the Template object seen twice on one connection.
struct ExchangeCount {
    std::mutex mutex;
    int exchanges = 0;
    int repeatedTemplateReads = 0;
    std::set<std::tuple<std::uint64_t, std::string, std::vector<std::uint8_t>>> templateReads;

    void observe(const quillon::sim::RequestRecord& record) {
        std::lock_guard lock(mutex);
        if (!record.embedded && record.command != kUnRegisterSession) {
            ++exchanges;
        }
        if (record.service == kReadTemplate && record.path.find("class 0x6C") != std::string::npos &&
            !templateReads.insert({record.connectionId, record.path, record.data}).second) {
            ++repeatedTemplateReads;
        }
    }
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double cpuNow() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

void benchJson(int runs, bool elements) {
    quillon::sim::GenerateSpec spec;
    spec.tags = 20000;
    spec.types = 200;
    spec.programs = 10;
    spec.programTags = 100;
    quillon::sim::Server server(quillon::sim::generateController(spec));
    ExchangeCount count;
    server.setRequestObserver([&](const quillon::sim::RequestRecord& record) { count.observe(record); });
    const std::string address = "127.0.0.1:" + std::to_string(server.start(0));
    std::vector<double> cpu, peak, bytes;
    int status = 0;
    for (int run = 0; run < runs; ++run) {
        std::vector<std::string> words = {"tags", address, "--json", "--all-programs"};
        if (elements) {
            words.push_back("--elements");
        }
        const Child child = runCli(words);
        cpu.push_back(child.cpuSeconds);
        peak.push_back(child.peakMiB);
        bytes.push_back(static_cast<double>(child.bytes));
        status = std::max(status, child.status);
    }
    std::printf("tags --json --all-programs%s, 20 000 tags + 10 x 100 program tags, 200 types (exit %d)\n",
                elements ? " --elements" : "", status);
    std::printf("  %-40s %.3f s\n", "CPU (user + system), median", median(cpu));
    std::printf("  %-40s %.1f MiB\n", "peak resident memory, median", median(peak));
    std::printf("  %-40s %.1f MB\n", "written", median(bytes) / 1e6);
    std::printf("  %-40s %d\n", "exchanges per run", count.exchanges / runs);
    std::printf("  %-40s %d\n", "template reads repeated on a connection", count.repeatedTemplateReads);
    server.stop();
}

void benchRead() {
    quillon::sim::GenerateSpec spec;
    spec.tags = 4000;
    spec.programs = 10;
    spec.programTags = 20;
    quillon::sim::Server server(quillon::sim::generateController(spec));
    ExchangeCount count;
    server.setRequestObserver([&](const quillon::sim::RequestRecord& record) { count.observe(record); });
    const std::string address = "127.0.0.1:" + std::to_string(server.start(0));
    const Child child = runCli({"read", address, "Tag_000001"});
    server.stop();
    std::printf("read of one tag, 4 200 tags (exit %d)\n  %-40s %d\n", child.status, "exchanges", count.exchanges);
}

void benchRows(int runs) {
    quillon::sim::GenerateSpec spec;
    spec.tags = 250000;
    spec.types = 2000;
    spec.programs = 100;
    spec.programTags = 20;
    quillon::sim::Server server(quillon::sim::generateController(spec));
    const std::uint16_t port = server.start(0);
    std::vector<double> seconds;
    std::size_t rows = 0;
    for (int run = 0; run < runs; ++run) {
        zoltc_logix_client* client = zoltc_logix_client_create();
        zoltc_logix_connect(client, "127.0.0.1", port, 30000);
        std::vector<TagList> scopes(1);
        std::vector<std::string> parents = {""};
        scopes[0].browse(client, "");
        for (const zoltc_logix_tag_info& record : scopes[0].records()) {
            if (zoltc_logix_type_is_program(record.type)) {
                scopes.emplace_back().browse(client, record.name);
                parents.push_back(programPath(record.name));
            }
        }
        zoltc_logix_client_destroy(client);
        // The rows of every scope as the tree makes them: label, path, type text,
        // whether the row opens.
        const double start = cpuNow();
        rows = 0;
        std::size_t sink = 0;
        for (std::size_t s = 0; s < scopes.size(); ++s) {
            const std::string& parent = parents[s];
            for (const zoltc_logix_tag_info& record : scopes[s].records()) {
                const std::string path = memberPath(parent, record.name);
                sink += path.size() + tagTypeName(record).size() + (hasChildRows(record) ? 1 : 0);
                ++rows;
            }
        }
        seconds.push_back(cpuNow() - start);
        if (sink == 0) {
            std::printf("no rows\n");
        }
    }
    server.stop();
    std::printf("list to rows (tag model), 250 000 tags, 2 000 types, 100 programs: %zu rows\n", rows);
    std::printf("  %-40s %.3f s\n", "CPU, median", median(seconds));
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    benchRead();
    benchJson(runs, false);
    benchJson(runs, true);
    benchRows(runs);
    return 0;
}
