// Telnet on a caller's line that is a TCP socket: the options the game asks for, its answer to
// every option the client offers or asks for, and the parser that takes the negotiation out of
// the caller's bytes. It is fed one byte at a time and never waits; the line layer
// (telnet_io.hpp) reads and writes for it. Each option follows the "Q method": an answer is sent
// only when the option's state changes, so two parties can never ask each other in circles.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorn {

namespace telnet {
inline constexpr std::uint8_t kSe = 240;    // end of subnegotiation
inline constexpr std::uint8_t kSb = 250;    // start of subnegotiation
inline constexpr std::uint8_t kWill = 251;  // the sender will use an option
inline constexpr std::uint8_t kWont = 252;
inline constexpr std::uint8_t kDo = 253;  // the sender asks the other side to use an option
inline constexpr std::uint8_t kDont = 254;
inline constexpr std::uint8_t kIac = 255;  // "interpret as command"

inline constexpr std::uint8_t kBinary = 0;
inline constexpr std::uint8_t kEcho = 1;
inline constexpr std::uint8_t kSuppressGoAhead = 3;
inline constexpr std::uint8_t kWindowSize = 31;
}  // namespace telnet

class TelnetProtocol {
  public:
    enum class Result {
        kComplete,  // a command ended; a byte it stands for (IAC IAC) waits in take_data
        kNeedMore,  // the byte was taken: part of a command, or the LF or NUL after a CR
        kNotMine,   // an ordinary byte of the caller: the line keeps it
    };

    // The options the game asks for on a new line: it echoes and sends characters one at a
    // time (character mode), eight bits clean both ways, and wants the client's window size.
    std::string opening();

    Result feed(std::uint8_t byte);
    // The byte a completed command stands for; false when it stands for none.
    bool take_data(std::uint8_t& byte);
    // Answers owed to the client since the last call.
    std::string take_replies();

    // The game's output as it goes on the wire: byte 255 doubled, and a CR that is not the start
    // of CR LF sent as CR NUL unless the client agreed to binary.
    std::string escape(std::string_view bytes) const;

    // No question of the game's is waiting for its answer.
    bool settled() const;
    // Whether the game does (local) or the client does (remote) an option now.
    bool local_enabled(std::uint8_t option) const { return local_[option] == State::kYes; }
    bool remote_enabled(std::uint8_t option) const { return remote_[option] == State::kYes; }
    // The client's window from its last report; 0 x 0 until it sends one.
    int window_columns() const { return window_columns_; }
    int window_rows() const { return window_rows_; }

  private:
    enum class State : std::uint8_t { kNo, kYes, kWantYes };
    enum class Stage : std::uint8_t { kData, kCr, kIac, kVerb, kSub, kSubIac };

    void negotiate(std::uint8_t verb, std::uint8_t option);
    void ask(std::uint8_t verb, std::uint8_t option);
    void reply(std::uint8_t verb, std::uint8_t option);
    void end_subnegotiation();
    Result command(std::uint8_t byte);

    std::array<State, 256> local_{};   // options the game does (WILL / WONT from here)
    std::array<State, 256> remote_{};  // options the client does (DO / DONT from here)
    Stage stage_ = Stage::kData;
    std::uint8_t verb_ = 0;
    // A subnegotiation is kept up to this many bytes; the rest of a longer one is dropped.
    static constexpr std::size_t kMaxSubnegotiation = 64;
    std::array<std::uint8_t, kMaxSubnegotiation> sub_{};
    std::size_t sub_length_ = 0;
    bool has_data_ = false;
    std::uint8_t data_ = 0;
    std::string replies_;
    int window_columns_ = 0;
    int window_rows_ = 0;
};

}  // namespace vorn
