// A slow link between the game and its caller: listens on the loopback address, connects each
// connection it accepts to a target port there, and passes every byte on in both directions a
// fixed time after it arrived, as a long round trip (a mobile or satellite link, a host in
// between) would.
#pragma once

#include <atomic>
#include <thread>
#include <vector>

namespace vorn::test {

class DelayProxy {
  public:
    DelayProxy(int target_port, int delay_ms);
    // Stops listening and ends the connections it carries.
    ~DelayProxy();
    DelayProxy(const DelayProxy&) = delete;
    DelayProxy& operator=(const DelayProxy&) = delete;

    int port() const { return port_; }

  private:
    void accept_loop();

    int target_port_;
    int delay_ms_;
    int listen_fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    std::vector<std::thread> carriers_;
    std::vector<int> sockets_;
};

// A socket listening on the loopback address at a port of the system's choosing.
int ListenOnLoopback(int& port);

}  // namespace vorn::test
