// The stand-alone telnet game in the end-to-end tests. TelnetListener stands in for inetd (or a
// systemd socket with Accept=yes): it listens on the loopback address and starts a program for
// each connection it accepts, with the connection as its standard input, output and error.
// TelnetClient is the other end as an ordinary telnet client speaks it; GameProcess uses it.
#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "support/game_directory.hpp"
#include "support/game_process.hpp"

namespace vorn::test {

// A free port of the loopback address, for a server the caller starts itself (socat, a script).
int FreeLoopbackPort();

class TelnetListener {
  public:
    TelnetListener(const GameDirectory& directory, std::string program,
                   std::vector<std::string> args);
    // Stops listening; programs nobody took over are killed.
    ~TelnetListener();
    TelnetListener(const TelnetListener&) = delete;
    TelnetListener& operator=(const TelnetListener&) = delete;

    int port() const { return port_; }
    // The program started for the next connection accepted; the taker reaps it. Aborts the test
    // program when none is started in time.
    pid_t take_started(int timeout_ms = kDefaultTimeoutMs);

  private:
    void accept_loop();

    std::string directory_;
    std::string program_;
    std::vector<std::string> args_;
    int listen_fd_ = -1;
    int port_ = 0;
    int wake_[2] = {-1, -1};
    std::mutex mutex_;
    std::condition_variable started_changed_;
    std::deque<pid_t> started_;
    std::thread thread_;
};

// Agrees to the server's echo, character mode and binary both ways, reports a window of 80 x 25
// and refuses every other option, as common telnet clients do.
class TelnetClient {
  public:
    // Bytes from the server: returns the caller's share and appends the answers owed to `answers`.
    std::string receive(std::string_view bytes, std::string& answers);
    // Keys as a client sends them: byte 255 doubled, Enter (CR) as CR LF.
    static std::string Send(std::string_view keys);

  private:
    enum class Stage { kData, kIac, kVerb, kSub, kSubIac };
    Stage stage_ = Stage::kData;
    unsigned char verb_ = 0;
};

}  // namespace vorn::test
