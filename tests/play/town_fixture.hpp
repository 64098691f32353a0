// A player in the town of a test session: typed-ahead keys, no waits, and small world files
// written by the test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/user_records.hpp"
#include "common/world_records.hpp"
#include "support/session_fixture.hpp"
#include "support/test_session.hpp"

namespace vorn::test {

struct Town : TestSession {
    Town() {
        session.node.pause_delay_ms = 1;
        user().msg_delay = 0;
        user().level = 1;
        terminal.hang_up();
    }
    UserRecord& user() { return session.users.current; }
    // Every row of the screen as the caller sees it now.
    std::string screen() {
        session.writer.flush();
        std::string all;
        for (int row = 1; row <= 25; ++row) all += RowText(session.writer, row) + "\n";
        return all;
    }
    // Whether `text` was ever sent to the caller (output after the hang-up that ends the typed
    // keys is lost, as it would be for a real caller).
    bool sent(const std::string& text) {
        session.writer.flush();
        return terminal.output.find(text) != std::string::npos;
    }
};

template <class Record>
void WriteRecords(const std::string& file, const std::vector<Record>& records) {
    std::string bytes;
    for (const Record& r : records) bytes.append(reinterpret_cast<const char*>(&r), sizeof r);
    WriteFile(file, bytes);
}

inline WeaponRecord Weapon(const std::string& name, std::int32_t price) {
    WeaponRecord w{};
    w.name = name;
    w.price = price;
    return w;
}

inline ArmorRecord Armor(const std::string& name, std::int32_t price) {
    ArmorRecord a{};
    a.name = name;
    a.price = price;
    return a;
}

inline ItemRecord Item(const std::string& name, std::int32_t price, std::uint8_t charges = 0) {
    ItemRecord i{};
    i.name = name;
    i.price = price;
    i.sold = true;
    i.bought = true;
    i.charges = charges;
    i.kind = 64;
    return i;
}

// Backspaces enough to empty a pre-filled field, then `text` and Enter.
inline std::string Field(const std::string& text) {
    return std::string(12, '\b') + text + "\r";
}

}  // namespace vorn::test
