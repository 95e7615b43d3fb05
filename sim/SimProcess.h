#pragma once
#include <string>
#include <sys/types.h>
#include <vector>

namespace qor::sim {

// qor-etc-sim as a child process, for end-to-end tests and benchmarks: started with the
// given options, its device path read from the first line it prints. The destructor stops it.
class SimProcess {
public:
    // exe: path of qor-etc-sim. quiet: its stderr goes to /dev/null.
    SimProcess(const std::string& exe, const std::vector<std::string>& args, bool quiet = false);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool running() const { return pid_ > 0 && !waited_; }
    // The pseudo-terminal's path; empty when the simulator printed none within 5 s.
    const std::string& device() const { return device_; }
    // Sends a signal and returns the exit code, or -1 when it did not exit normally within 2 s.
    int stop(int signal);

private:
    pid_t pid_ = -1;
    bool waited_ = false;
    std::string device_;
};

}  // namespace qor::sim
