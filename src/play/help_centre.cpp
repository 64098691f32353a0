#include "play/help_centre.hpp"

#include "core/session.hpp"

namespace vorn {

void HelpCentre(Session& session) {
    session.writer.print_coded_line("|12You can't do that yet!");
    session.keys.pause_key();
}

}  // namespace vorn
