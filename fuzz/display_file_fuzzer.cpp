// Display files fed arbitrary bytes: the code interpreter, the template markers of every mode,
// forms, and the ANSI/AVATAR emulation, streamed from a file in blocks or run from memory.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fuzz_session.hpp"
#include "term/template_slots.hpp"

namespace {

constexpr int kModes[] = {9, 16, 23, 24, 25, 28, 33, 34, 19, 27, 35, 5};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static vorn::fuzz::FuzzSession fuzz;
    if (size < 1) return 0;
    fuzz.reset();
    vorn::Session& s = fuzz.session;
    s.writer.utf8_output = (data[0] & 0x80) == 0;
    const int mode = kModes[(data[0] & 0x7F) % std::size(kModes)];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    if ((data[0] & 0x40) != 0) {
        s.codes.form_text.assign(bytes.substr(0, vorn::kFormTextLength));
        vorn::SetFormValue(s, 2, "|12value|PK");
        vorn::ShowForm(s, mode);
    } else {
        ::mkdir("ansi", 0700);
        const int fd = ::open("ansi/fuzz.ans", O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0) std::abort();
        if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
            std::abort();
        }
        ::close(fd);
        if (!s.writer.show_display_file("fuzz.ans", mode)) std::abort();
    }
    fuzz.check_cursor();
    if (s.writer.last_file_rows() < 0 || s.writer.last_file_rows() > 25) std::abort();
    s.writer.flush();
    return 0;
}
