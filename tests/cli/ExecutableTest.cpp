// The built quillon-cli executable: exit statuses seen by a shell, and the signals
// that end a watch cleanly.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include <gtest/gtest.h>

#include "SimFixture.hpp"

extern char** environ;

namespace {

// quillon-cli run as a child process with its standard output and error on pipes.
class Child {
public:
    explicit Child(const std::vector<std::string>& arguments) {
        std::vector<std::string> words = {QUILLON_CLI_PATH};
        words.insert(words.end(), arguments.begin(), arguments.end());
        int outPipe[2];
        int errPipe[2];
        if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0) {
            ADD_FAILURE() << "pipe";
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
        posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
        posix_spawn_file_actions_addclose(&actions, outPipe[0]);
        posix_spawn_file_actions_addclose(&actions, errPipe[0]);
        std::vector<char*> argv;
        for (std::string& word : words) {
            argv.push_back(word.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            ADD_FAILURE() << "cannot start " << argv[0];
            pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(outPipe[1]);
        ::close(errPipe[1]);
        outFd = outPipe[0];
        errFd = errPipe[0];
    }

    ~Child() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);  // only after a failed test; this child's own id
            wait();
        }
        ::close(outFd);
        ::close(errFd);
    }

    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // The next line of standard output, or "" when none comes within 20 s.
    std::string readLine() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (true) {
            const auto newline = outBuffer.find('\n');
            if (newline != std::string::npos) {
                std::string line = outBuffer.substr(0, newline);
                outBuffer.erase(0, newline + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                                    std::chrono::steady_clock::now());
            pollfd ready{outFd, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
                return "";
            }
            char chunk[512];
            const ssize_t got = ::read(outFd, chunk, sizeof chunk);
            if (got <= 0) {
                return "";
            }
            outBuffer.append(chunk, static_cast<std::size_t>(got));
        }
    }

    void signal(int number) { ::kill(pid, number); }

    // Waits for the child and returns its exit status, or -1 when a signal ended it.
    int wait() {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string restOfOutput() { return outBuffer + drain(outFd); }
    std::string errors() { return drain(errFd); }

private:
    static std::string drain(int fd) {
        std::string text;
        char chunk[512];
        for (ssize_t got; (got = ::read(fd, chunk, sizeof chunk)) > 0;) {
            text.append(chunk, static_cast<std::size_t>(got));
        }
        return text;
    }

    pid_t pid = -1;
    int outFd = -1;
    int errFd = -1;
    std::string outBuffer;
};

class Executable : public clitest::SampleController {
protected:
    void SetUp() override { startSample({}, true); }
};

TEST_F(Executable, BadUsageExitsWithTwo) {
    Child child({"tags", address, "--tree", "--json"});
    const int status = child.wait();
    EXPECT_EQ(status, 2);
    EXPECT_TRUE(child.restOfOutput().empty());
    const std::string errors = child.errors();
    EXPECT_NE(errors.find("quillon-cli: choose one of --tree, --json and --csv"), std::string::npos) << errors;
    EXPECT_NE(errors.find("Usage: quillon-cli tags"), std::string::npos) << errors;
}

TEST_F(Executable, ReadThroughAPipe) {
    Child child({"read", address, "DintValue", "NoSuchTag"});
    EXPECT_EQ(child.wait(), 1);
    EXPECT_EQ(child.restOfOutput(),
              "DintValue  DINT  123456\n"
              "NoSuchTag  ?     error: tag not found (path segment error) (CIP 0x04)\n");
}

class WatchSignal : public Executable, public testing::WithParamInterface<int> {};

TEST_P(WatchSignal, EndsCleanlyAndUnregistersTheSession) {
    Child child({"watch", address, "Counter", "--interval", "0.05"});
    const std::string first = child.readLine();
    ASSERT_NE(first.find("  Counter  DINT  "), std::string::npos) << first << child.errors();
    child.signal(GetParam());
    EXPECT_EQ(child.wait(), 0);
    EXPECT_TRUE(waitForUnregisters(1));
    EXPECT_TRUE(child.errors().empty());
}

INSTANTIATE_TEST_SUITE_P(Signals, WatchSignal, testing::Values(SIGINT, SIGTERM),
                         [](const testing::TestParamInfo<int>& param) {
                             return param.param == SIGINT ? std::string("Interrupt") : std::string("Terminate");
                         });

} // namespace
