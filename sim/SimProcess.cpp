#include "sim/SimProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>

extern char** environ;

namespace qor::sim {

SimProcess::SimProcess(const std::string& exe, const std::vector<std::string>& args, bool quiet) {
    int out[2];
    if (::pipe(out) != 0) return;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_addclose(&fa, out[0]);
    if (quiet) posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> all{exe};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, exe.c_str(), &fa, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&fa);
    ::close(out[1]);
    char c;
    pollfd p{out[0], POLLIN, 0};
    while (pid_ > 0 && ::poll(&p, 1, 5000) > 0 && ::read(out[0], &c, 1) == 1 && c != '\n')
        device_ += c;
    ::close(out[0]);
}

SimProcess::~SimProcess() {
    if (running() && stop(SIGTERM) == -1 && running()) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

int SimProcess::stop(int signal) {
    if (!running()) return -1;
    ::kill(pid_, signal);
    for (int i = 0; i < 200; ++i) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            waited_ = true;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

}  // namespace qor::sim
