#include "mail/news.hpp"

#include <unistd.h>

#include <string>

#include "common/file_calls.hpp"
#include "common/news_files.hpp"
#include "common/player_file_names.hpp"
#include "core/session.hpp"

namespace vorn {

namespace {

void ShowNewsFile(Session& session, const std::string& path, bool personal) {
    Writer& out = session.writer;
    std::string shown;
    if (out.show_display_file(path, 28, &shown)) {
        // Only the file the player has just read may be deleted.
        if (personal && shown == path) {
            out.new_lines(1);
            out.print_text("Delete personnal news? ");
            if (session.keys.ask_yes_no(false)) sys::Unlink(path.c_str());
        }
    } else {
        out.print_text("Sorry, no news...");
        out.new_lines(1);
    }
    session.keys.pause_key();
}

}  // namespace

void ShowNews(Session& session, std::string_view news_name) {
    ShowNewsFile(session, NewsFileName(news_name), false);
}

void ShowPersonalNews(Session& session) {
    ShowNewsFile(session, PlayerNewsFileName(session.users.current.name.view()), true);
}

}  // namespace vorn
