#include "probes/system_call_count.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

extern char** environ;

namespace vorn::test {

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

bool SystemCallCount::start(pid_t pid) {
    char folder[] = "/tmp/vorn-strace-XXXXXX";
    if (::mkdtemp(folder) == nullptr) return false;
    folder_ = folder;
    const std::string summary = folder_ + "/summary";
    const std::string said = folder_ + "/said";
    const std::string target = std::to_string(pid);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, said.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> args{"strace", "-c", "-f", "-o", summary, "-p", target};

    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int spawned = ::posix_spawnp(&strace_, "strace", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        strace_ = -1;
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        if (ReadAll(said).find("attached") != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

bool SystemCallCount::stop() {
    if (strace_ < 0) return false;
    ::kill(strace_, SIGINT);
    int status = 0;
    ::waitpid(strace_, &status, 0);
    strace_ = -1;
    // The table's rows end in the count of calls, the errors (when there were any) and the name.
    std::istringstream rows(ReadAll(folder_ + "/summary"));
    calls_.clear();
    total_ = 0;
    for (std::string row; std::getline(rows, row);) {
        std::istringstream fields(row);
        std::vector<std::string> f;
        for (std::string field; fields >> field;) f.push_back(field);
        if (f.size() < 5 || f[0].find('.') == std::string::npos) continue;
        const long calls = std::stol(f[3]);
        if (f.back() == "total") {
            total_ = calls;
        } else {
            calls_[f.back()] = calls;
        }
    }
    return total_ > 0;
}

SystemCallCount::~SystemCallCount() {
    if (strace_ >= 0) {
        ::kill(strace_, SIGINT);
        ::waitpid(strace_, nullptr, 0);
    }
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
}

std::string SystemCallCount::summary() const {
    std::vector<std::pair<std::string, long>> sorted(calls_.begin(), calls_.end());
    std::sort(sorted.begin(), sorted.end(),
              [](const auto& a, const auto& b) { return a.second > b.second; });
    std::string text;
    for (const auto& [name, count] : sorted) {
        text += (text.empty() ? "" : ", ") + name + " " + std::to_string(count);
    }
    return text;
}

}  // namespace vorn::test
