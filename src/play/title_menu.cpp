#include "play/title_menu.hpp"

#include <cctype>
#include <string_view>

#include "core/session.hpp"
#include "node/node_table.hpp"
#include "play/logon.hpp"

namespace vorn {

void TitleMenu(Session& session, bool first_entry) {
    Writer& out = session.writer;
    bool redraw = first_entry;
    for (;;) {
        if (session.time.ended) return;
        if (redraw) {
            out.show_display_file("intro.ans", 28);
            out.go_to(33, 19);
            out.print_text(session.system.bbs_name);
            out.go_to(33, 21);
            out.print_text(session.system.sysop_name);
            out.go_to(40, 22);
            out.print_text("1");
        }
        const char key = session.keys.read_choice("CNQRS");
        if (key == 0) return;
        redraw = true;
        switch (key) {
            case 'S':
                out.go_to(36, 9);
                out.print_text("Way to go      ");
                out.flush();
                session.keys.delay(15);
                Logon(session);
                break;
            case 'R':
                out.show_display_file("storylin.ans", 28);
                session.keys.pause_key();
                break;
            case 'C':
                out.show_display_file("cred2.ans", 28);
                session.keys.pause_key();
                break;
            case 'N':
                out.go_to(36, 12);
                out.set_foreground(10);
                out.print_text("It won't do a thing");
                redraw = false;
                break;
            default:  // Q
                out.go_to(36, 14);
                out.print_text("Hum, gone so soon...");
                out.flush();
                session.keys.delay(15);
                out.clear_screen();
                LeaveNodeTable(session);
                return;
        }
    }
}

}  // namespace vorn
