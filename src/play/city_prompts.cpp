#include "play/city_prompts.hpp"

#include "common/io_check.hpp"
#include "core/session.hpp"
#include "play/town_prompts.hpp"
#include "player/user_files.hpp"

namespace vorn {

CityBuffers& CurrentCity(Session& session) {
    return *session.city;
}

void SaveCurrentCity(Session& session) {
    if (!SaveCity(*session.city)) RuntimeIoError(kIoWriteError, kCitiesFile);
}

void SaveCityAndPlayer(Session& session) {
    SaveCurrentCity(session);
    SaveUser(session, session.users.current);
}

std::int64_t ReadNumberUpTo(Session& session, int digits, std::int64_t most) {
    Writer& out = session.writer;
    const CursorPosition at = out.cursor();
    for (;;) {
        const std::int64_t n = ReadAmount(session, "", digits);
        if (session.time.ended) return 0;
        if (n <= most) return n;
        out.go_to(at.column, at.row);
        out.clear_to_eol();
    }
}

void PrintCodedAt(Session& session, int column, int row, std::string_view text, int width) {
    session.writer.go_to(column, row);
    session.writer.print_coded_within(text, width);
}

}  // namespace vorn
