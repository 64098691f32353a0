#include "core/session.hpp"

#include <cstdio>
#include <cstdlib>

namespace vorn {

void RealProcessExit::exit_process(int code) {
    std::fflush(stdout);
    std::exit(code);
}

Session::Session(Platform& p)
    : platform(p), clock(p.clock), rng(p.random), writer(*this, p.terminal), keys(*this) {}

LogTarget Session::log_target() const {
    return LogTarget{system.log_path, multinode, node_number};
}

void Session::log(std::string_view message) {
    WriteSystemLog(log_target(), clock, message);
}

void Session::exit(int code) {
    if (code != 0 && session_running)
        log("xEnd of call: error (exit code " + std::to_string(code) + ")");
    writer.flush();
    node_hold.release();
    platform.exit.exit_process(code);
    std::abort();  // an exit seam that returns is a bug
}

void Session::end_call(bool show_credits) {
    if (closing) closing(show_credits);
    exit(kExitNormal);
}

}  // namespace vorn
