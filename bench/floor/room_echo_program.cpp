// The floor of the walking figure: a program that answers each key with the bytes the game sent
// when that key took the caller into a room, read from two files before the first key: the first
// file's for a 6, the second's for any other key. One read and one write per key.
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

bool ReadFile(const char* path, std::string& bytes) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    char buffer[8192];
    for (std::size_t n = 0; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        bytes.append(buffer, n);
    }
    std::fclose(file);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string east;
    std::string west;
    if (argc != 3 || !ReadFile(argv[1], east) || !ReadFile(argv[2], west)) return 2;
    termios mode{};
    if (::tcgetattr(0, &mode) == 0) {
        ::cfmakeraw(&mode);
        ::tcsetattr(0, TCSANOW, &mode);
    }
    static const char ready[] = "ready\r\n";
    if (::write(1, ready, sizeof ready - 1) < 0) return 1;
    char key = 0;
    while (::read(0, &key, 1) == 1) {
        const std::string& room = key == '6' ? east : west;
        if (::write(1, room.data(), room.size()) != static_cast<ssize_t>(room.size())) return 0;
    }
    return 0;
}
