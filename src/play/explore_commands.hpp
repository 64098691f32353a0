// The command loop of exploration: the three menu pages and the keys they take, one table row
// per key.
#pragma once

namespace vorn {

struct Session;

// What the pass does after a command.
enum class Next {
    kPass,      // the next pass, the screen kept
    kFullPass,  // the next pass, the screen drawn again
    kReturn,    // exploration ends
    kPrompt,    // the prompt again (a command's own result only; Command never returns it)
};

// Reads and runs commands on `page` until one ends the prompt.
Next Command(Session& session, int& page);

}  // namespace vorn
