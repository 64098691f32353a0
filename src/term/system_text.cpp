#include "term/system_text.hpp"

#include "common/player_text.hpp"
#include "core/session.hpp"
#include "term/text_codes.hpp"

namespace vorn {

std::string GetSystemString(Session& session, SystemText which) {
    std::string text = session.strings.cached(static_cast<std::uint16_t>(which));
    if (text.find('%') != std::string::npos && text.rfind("%%", 0) != 0) {
        text = ExpandText(session, text, 0);
    }
    return text;
}

std::string GetSystemString(Session& session, SystemText which,
                            std::initializer_list<std::string_view> values) {
    std::string text = GetSystemString(session, which);
    int k = 1;
    for (const std::string_view value : values) {
        // The values are names, subjects and numbers, shown inside a prompt that is printed with
        // all its codes: only their colour codes may work.
        const std::string shown = KeepOnlyColourCodes(value);
        for (const char s : {'S', 's'}) {
            const std::string marker = {'%', s, static_cast<char>('0' + k)};
            for (std::size_t at = text.find(marker); at != std::string::npos;
                 at = text.find(marker, at + shown.size())) {
                text.replace(at, marker.size(), shown);
            }
        }
        ++k;
    }
    return text;
}

}  // namespace vorn
