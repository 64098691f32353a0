#include "league/league_settings.hpp"

#include <unistd.h>

#include "common/text_case.hpp"
#include "common/toml_reader.hpp"

namespace vorn {

const LeagueBoard* LeagueSettings::board(const NetworkAddress& a) const {
    for (const LeagueBoard& b : boards) {
        if (b.address == a) return &b;
    }
    return nullptr;
}

const LeagueBoard* LeagueSettings::board_named(std::string_view wanted) const {
    for (const LeagueBoard& b : boards) {
        if (UpperCase(b.name) == UpperCase(wanted)) return &b;
    }
    return nullptr;
}

NetworkAddress LeagueSettings::next_hop(const NetworkAddress& to) const {
    return hub && !is_hub() ? *hub : to;
}

std::vector<const LeagueBoard*> LeagueSettings::peers() const {
    std::vector<const LeagueBoard*> result;
    for (const LeagueBoard& b : boards) {
        if (!hub || is_hub() || b.address == *hub) result.push_back(&b);
    }
    return result;
}

namespace {

// Collects the faults of one file with their lines.
class SettingsReader {
  public:
    explicit SettingsReader(std::vector<std::string>& errors) : errors_(errors) {}

    void fault(const toml::node* node, const std::string& text) {
        const int line = node != nullptr ? static_cast<int>(node->source().begin.line) : 1;
        errors_.push_back(std::string(kLeagueFile) + ":" + std::to_string(line) + ": " + text);
    }

    // A string of 1..`longest` printable ASCII characters; `required` says whether it may be
    // missing.
    bool text(const toml::table& table, std::string_view key, std::size_t longest, bool required,
              std::string& out) {
        const toml::node* node = table.get(key);
        if (node == nullptr) {
            if (required) fault(&table, "'" + std::string(key) + "' is missing");
            return !required;
        }
        const std::optional<std::string> value = node->value<std::string>();
        if (!value || value->empty() || value->size() > longest || !Printable(*value)) {
            fault(node, "'" + std::string(key) + "' must be text of 1 to " +
                            std::to_string(longest) + " printable characters");
            return false;
        }
        out = *value;
        return true;
    }

    bool address(const toml::table& table, std::string_view key, bool required,
                 std::optional<NetworkAddress>& out) {
        std::string given;
        if (!text(table, key, 40, required, given)) return false;
        if (given.empty()) return true;
        NetworkAddress a;
        if (!ParseAddress(given, a)) {
            fault(table.get(key),
                  "'" + std::string(key) + "' is no address of the form zone:net/node");
            return false;
        }
        out = a;
        return true;
    }

  private:
    static bool Printable(const std::string& s) {
        for (const char c : s) {
            if (c < 0x20 || c > 0x7e) return false;
        }
        return true;
    }

    std::vector<std::string>& errors_;
};

}  // namespace

bool ReadLeagueSettings(const std::string& path, const NetworkAddress& first_address,
                        LeagueSettings& settings, std::vector<std::string>& errors) {
    errors.clear();
    if (::access(path.c_str(), F_OK) != 0) return false;
    toml::parse_result parsed = toml::parse_file(path);
    if (!parsed) {
        const toml::parse_error& e = parsed.error();
        errors.push_back(std::string(kLeagueFile) + ":" + std::to_string(e.source().begin.line) +
                         ": " + std::string(e.description()));
        return false;
    }
    const toml::table& top = parsed.table();
    SettingsReader r(errors);
    LeagueSettings s;
    r.text(top, "name", kLeagueNameLength, true, s.name);
    std::optional<NetworkAddress> own;
    r.address(top, "address", first_address == NetworkAddress{}, own);
    s.address = own.value_or(first_address);
    r.text(top, "short_name", kBoardNameLength, true, s.short_name);
    r.address(top, "hub", false, s.hub);
    std::string transport = "binkd";
    r.text(top, "transport", 8, false, transport);
    if (transport == "folder") {
        s.transport = LeagueTransport::kFolder;
    } else if (transport != "binkd") {
        r.fault(top.get("transport"), "'transport' is \"binkd\" or \"folder\"");
    }
    r.text(top, "outbound", 4096, true, s.outbound);
    r.text(top, "inbound", 4096, true, s.inbound);
    if (const toml::node* zone = top.get("default_zone")) {
        const std::optional<std::int64_t> z = zone->value<std::int64_t>();
        if (!z || *z < 1 || *z > 65535) {
            r.fault(zone, "'default_zone' must be a zone number 1..65535");
        } else {
            s.default_zone = static_cast<std::uint16_t>(*z);
        }
    }
    if (s.default_zone == 0) s.default_zone = s.address.zone;

    const toml::node* list = top.get("board");
    if (list != nullptr && !list->is_array_of_tables())
        r.fault(list, "'board' must be [[board]] tables");
    if (list != nullptr && list->is_array_of_tables()) {
        for (const toml::node& entry : *list->as_array()) {
            const toml::table& t = *entry.as_table();
            LeagueBoard b;
            std::optional<NetworkAddress> a;
            const bool ok = r.address(t, "address", true, a) &&
                            r.text(t, "name", kBoardNameLength, true, b.name) &&
                            r.text(t, "secret", 256, false, b.secret);
            if (!ok || !a) continue;
            b.address = *a;
            if (b.address == s.address) continue;  // the board's own entry, in a shared file
            if (s.board(b.address) != nullptr || s.board_named(b.name) != nullptr) {
                r.fault(&t,
                        "board " + AddressText(b.address) + " (" + b.name + ") is listed twice");
                continue;
            }
            s.boards.push_back(b);
        }
    }
    if (s.hub && !(*s.hub == s.address) && s.board(*s.hub) == nullptr) {
        r.fault(top.get("hub"), "the hub " + AddressText(*s.hub) + " is not among the boards");
    }
    for (const LeagueBoard* peer : s.peers()) {
        if (peer->secret.empty()) {
            r.fault(&top, "board " + AddressText(peer->address) + " (" + peer->name +
                              ") exchanges packets with this one but has no 'secret'");
        }
    }
    if (!errors.empty()) return false;
    settings = std::move(s);
    return true;
}

}  // namespace vorn
