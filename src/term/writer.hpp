// The one terminal writer: every byte for the caller goes through it. It keeps its own model of
// the 80 x 25 screen (cursor and colour), buffers output and sends it with one write per flush.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "term/terminal_io.hpp"

namespace vorn {

struct Session;

class Writer {
  public:
    Writer(Session& session, TerminalIo& io) : session_(session), io_(io) {}

    // Start of the session: colours, cursor position and the UTF-8 probe.
    void initialize() {}

    // Plain bytes, as the start-up steps print them: no codes, no screen model.
    void plain(std::string_view text) { buffer_.append(text); }
    void plain_line(std::string_view text) {
        plain(text);
        plain("\r\n");
    }

    void print_text(std::string_view text);
    void print_line(std::string_view text);
    void print_coded(std::string_view text);
    void print_coded_line(std::string_view text);
    void new_lines(int n);
    void go_to(int column, int row);
    void clear_screen();
    void clear_to_eol();
    void erase_back(int n);
    void set_foreground(int colour);
    void set_attribute(int foreground, int background, bool blink);
    void print_at(int column, int row, std::string_view text);
    bool show_display_file(std::string_view name, int mode);

    // Sends what is buffered with one write. False when the caller is gone.
    bool flush();

    int cursor_column() const { return column_; }
    int cursor_row() const { return row_; }

  private:
    void put_character(unsigned char c);
    void send_colour();

    [[maybe_unused]] Session& session_;
    TerminalIo& io_;
    std::string buffer_;
    int column_ = 1;
    int row_ = 1;
    int foreground_ = 7;
    int background_ = 0;
    int sent_attribute_ = -1;

    // added for the key reader
public:
    void go_to_column(int n);
    void cursor_left(int n);
    void cursor_right(int n);
    void save_screen(int slot);
    void restore_screen(int slot);
    std::uint8_t current_attribute() const {
        return static_cast<std::uint8_t>(background_ * 16 + foreground_);
    }

private:
    std::uint8_t saved_attribute_ = 7;
};

}  // namespace vorn
