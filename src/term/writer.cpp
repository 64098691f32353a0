#include "term/writer.hpp"

#include <cctype>

namespace vorn {

namespace {

constexpr char kAnsiDigit[] = "04261537";

}  // namespace

void Writer::send_colour() {
    const int attribute = background_ * 16 + foreground_;
    if (attribute == sent_attribute_) return;
    sent_attribute_ = attribute;
    buffer_ += "\x1b[0";
    if (foreground_ > 7) buffer_ += ";1";
    buffer_ += ";3";
    buffer_ += kAnsiDigit[foreground_ % 8];
    buffer_ += ";4";
    buffer_ += kAnsiDigit[background_ % 8];
    buffer_ += 'm';
}

void Writer::put_character(unsigned char c) {
    if (c == '\r') {
        column_ = 1;
        buffer_ += '\r';
        return;
    }
    if (c == '\n') {
        column_ = 1;
        if (row_ < 25) ++row_;
        buffer_ += "\r\n";
        return;
    }
    send_colour();
    buffer_ += static_cast<char>(c);
    if (++column_ > 80) {
        column_ = 1;
        if (row_ < 25) ++row_;
    }
}

void Writer::print_text(std::string_view text) {
    for (char c : text) put_character(static_cast<unsigned char>(c));
}

void Writer::print_line(std::string_view text) {
    print_text(text);
    print_text("\r\n");
}

void Writer::print_coded(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '|' && i + 2 < text.size() + 0 && i + 2 <= text.size() - 1) {
            const char a = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1])));
            const char b = text[i + 2];
            if (std::isdigit(static_cast<unsigned char>(a)) &&
                std::isdigit(static_cast<unsigned char>(b))) {
                const int n = (a - '0') * 10 + (b - '0');
                if (n <= 15)
                    foreground_ = n;
                else if (n <= 23)
                    background_ = n - 16;
                i += 2;
                continue;
            }
        }
        put_character(static_cast<unsigned char>(text[i]));
    }
}

void Writer::print_coded_line(std::string_view text) {
    print_coded(text);
    print_text("\r\n");
}

void Writer::new_lines(int n) {
    for (int i = 0; i < n; ++i) print_text("\r\n");
}

void Writer::go_to(int column, int row) {
    column_ = column;
    row_ = row;
    buffer_ += "\x1b[" + std::to_string(row) + ";" + std::to_string(column) + "H";
}

void Writer::clear_screen() {
    send_colour();
    buffer_ += "\x1b[H\x1b[2J";
    column_ = row_ = 1;
}

void Writer::clear_to_eol() {
    buffer_ += "\x1b[K";
}

void Writer::erase_back(int n) {
    for (int i = 0; i < n; ++i) buffer_ += "\b \b";
    column_ = column_ > n ? column_ - n : 1;
}

void Writer::set_foreground(int colour) {
    foreground_ = colour & 15;
}

void Writer::set_attribute(int foreground, int background, bool) {
    foreground_ = foreground & 15;
    background_ = background & 7;
}

void Writer::print_at(int column, int row, std::string_view text) {
    go_to(column, row);
    set_attribute(7, 0, false);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '|' && i + 2 < text.size()) {
            const std::string_view pair = text.substr(i + 1, 2);
            if (std::isdigit(static_cast<unsigned char>(pair[0])) &&
                std::isdigit(static_cast<unsigned char>(pair[1]))) {
                const int n = (pair[0] - '0') * 10 + (pair[1] - '0');
                if (n <= 15) {
                    set_attribute(n, 0, false);
                    i += 2;
                    continue;
                }
            }
        }
        send_colour();
        buffer_ += text[i];
        ++column_;
    }
}

bool Writer::show_display_file(std::string_view, int) {
    return false;
}

bool Writer::flush() {
    if (buffer_.empty()) return true;
    const bool ok = io_.write_all(buffer_);
    buffer_.clear();
    return ok;
}

// added for the key reader
void Writer::go_to_column(int n) { go_to(n, row_); }

void Writer::cursor_left(int n) {
    if (n <= 0) return;
    buffer_ += "\x1b[" + std::to_string(n) + "D";
    column_ = column_ > n ? column_ - n : 1;
}

void Writer::cursor_right(int n) {
    if (n <= 0) return;
    buffer_ += "\x1b[" + std::to_string(n) + "C";
    column_ = column_ + n < 80 ? column_ + n : 80;
}

// Without a screen image the best this writer can do is a clean screen in the kept colour.
void Writer::save_screen(int) { saved_attribute_ = current_attribute(); }

void Writer::restore_screen(int) {
    clear_screen();
    set_attribute(saved_attribute_ & 15, (saved_attribute_ >> 4) & 7, false);
}

}  // namespace vorn
