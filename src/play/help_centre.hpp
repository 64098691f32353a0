// The help centre: the topics of the help directory, listed and shown.
#pragma once

namespace vorn {

struct Session;

void HelpCentre(Session& session);

}  // namespace vorn
