// The floor of the first-screen figure: started by socat for each connection, it sends the bytes
// of a file (what the game sent in a recorded run) and then reads what the caller answers until
// he closes, so the connection ends as a game's does and nothing he sent is left unread.
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    std::FILE* file = std::fopen(argv[1], "rb");
    if (file == nullptr) return 1;
    char buffer[8192];
    for (std::size_t n = 0; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        if (::write(STDOUT_FILENO, buffer, n) != static_cast<ssize_t>(n)) return 1;
    }
    std::fclose(file);
    while (::read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
    }
    return 0;
}
