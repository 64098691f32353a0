// The floor of the keystroke-to-echo figure: a program that puts its terminal in raw mode and
// sends every byte straight back, as fast as a program can.
#include <termios.h>
#include <unistd.h>

int main() {
    termios mode{};
    if (::tcgetattr(0, &mode) == 0) {
        ::cfmakeraw(&mode);
        ::tcsetattr(0, TCSANOW, &mode);
    }
    static const char ready[] = "ready\r\n";
    if (::write(1, ready, sizeof ready - 1) < 0) return 1;
    char buffer[256];
    for (;;) {
        const ssize_t n = ::read(0, buffer, sizeof buffer);
        if (n <= 0) return 0;
        if (::write(1, buffer, static_cast<size_t>(n)) != n) return 0;
    }
}
