#include "tests/support/processes.h"

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace varnelo::test {

int childProcesses() {
    int children = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        std::ifstream stat(entry.path() / "stat");
        std::string pid;
        std::string name;
        std::string state;
        pid_t parent = 0;
        // The name is in brackets and may hold blanks: programs of ours do not.
        if (stat >> pid >> name >> state >> parent && parent == ::getpid())
            ++children;
    }
    return children;
}

int threadsOfThisProcess() {
    int threads = 0;
    std::error_code error;
    for (auto entry = std::filesystem::directory_iterator("/proc/self/task", error);
         !error && entry != std::filesystem::directory_iterator(); entry.increment(error))
        ++threads;
    return threads;
}

} // namespace varnelo::test
