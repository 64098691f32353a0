#include "mail/news.hpp"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "common/directories.hpp"
#include "common/file_calls.hpp"
#include "common/news_files.hpp"
#include "common/player_file_names.hpp"
#include "common/record_file.hpp"
#include "common/user_records.hpp"
#include "core/session.hpp"

namespace vorn {

namespace {

// True when a player other than `self` has `file` for his personal news.
bool NewsFileOfAnother(const std::string& file, std::uint16_t self) {
    RecordFile index;
    if (!index.open(kUserIndexFile, sizeof(UserIndexEntry), RecordFile::Access::kRead)) {
        return false;
    }
    const std::uint64_t count = std::min(index.record_count(), kMaxUsers);
    for (std::uint64_t p = 1; p <= count; ++p) {
        UserIndexEntry e;
        if (!index.read_record(p - 1, e)) break;
        if (p != self && !e.deleted && PlayerNewsFileName(e.name.view()) == file) return true;
    }
    return false;
}

// The player's news is the file of his own name as it is spelled. The lower-cased spelling (a
// copy from a system that ignores case) is his only when his own is missing and that file is
// no other player's: "Sir Robin Hood" never reads the news of "sir robinson".
std::string PersonalNewsPath(Session& session) {
    const UserRecord& user = session.users.current;
    const std::string exact = PlayerNewsFileName(user.name.view());
    if (IsFile(exact)) return exact;
    std::string lowered = exact;
    for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lowered == exact || !IsFile(lowered) || NewsFileOfAnother(lowered, user.number)) {
        return exact;
    }
    return lowered;
}

void ShowNewsFile(Session& session, const std::string& path, bool personal) {
    Writer& out = session.writer;
    // A player's news is shown from its own path, which no other spelling may stand in for.
    const bool shown =
        personal ? IsFile(path) && out.show_file_at(path, 28) : out.show_display_file(path, 28);
    if (shown) {
        if (personal) {
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
    ShowNewsFile(session, PersonalNewsPath(session), true);
}

}  // namespace vorn
