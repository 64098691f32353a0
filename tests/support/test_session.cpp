#include "support/test_session.hpp"

#include "play/main_sequence.hpp"

#include <grp.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace vorn::test {

TempDir::TempDir() {
    char templ[] = "/tmp/vorn-test-XXXXXX";
    path_ = ::mkdtemp(templ);
    previous_ = std::filesystem::current_path().string();
    std::filesystem::current_path(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::current_path(previous_, ec);
    std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::string& name, std::string_view bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool FileExists(const std::string& name) {
    return ::access(name.c_str(), F_OK) == 0;
}

DateTime SampleTime() {
    DateTime t;
    t.year = 2026;
    t.month = 12;
    t.day = 7;
    t.weekday = 1;
    t.hour = 10;
    t.minute = 15;
    return t;
}

int RunUnprivileged(const std::function<int()>& body) {
    if (::geteuid() != 0) return body();
    ::chmod(".", 0777);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const gid_t group = 65534;
        if (::setgroups(1, &group) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(126);
        }
        ::_exit(body());
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

DateTime MakeTime(int year, int month, int day, int hour, int minute, int second) {
    DateTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    return t;
}

std::vector<pid_t> StartAtOnce(int count, const std::function<int(int)>& body) {
    int go[2];
    if (::pipe(go) != 0) std::abort();
    std::vector<pid_t> processes;
    for (int i = 0; i < count; ++i) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            // They all start when the test closes its end of the pipe.
            ::close(go[1]);
            char c;
            while (::read(go[0], &c, 1) < 0) {
            }
            ::close(go[0]);
            ::_exit(body(i));
        }
        processes.push_back(pid);
    }
    ::close(go[1]);
    ::close(go[0]);
    return processes;
}

bool AllEndedWell(const std::vector<pid_t>& processes) {
    bool all = true;
    for (const pid_t pid : processes) {
        int status = 0;
        all = ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
              all;
    }
    return all;
}

TestSession::TestSession() : TestSession(SampleTime()) {}

// The tests of the play code read what the game writes, byte for byte; the writer's replay tests
// and the end-to-end tests see it send only the changes.
TestSession::TestSession(DateTime start) : clock(start) {
    InstallCallHooks(session);
    session.writer.send_changes_only = false;
}

}  // namespace vorn::test
