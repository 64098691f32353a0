// Reading the list of public message areas. The file base becomes three file names in the
// message directory, so it is held to letters, digits and underscores: nothing in the list can
// name a file elsewhere, and two areas never share files.
#include "common/message_area_list.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <set>

#include "common/text_case.hpp"

namespace vorn {
namespace {

constexpr int kDefaultMaxMessages = 1000;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> Split(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const auto cut = line.find(';');
        fields.push_back(Trim(line.substr(0, cut)));
        if (cut == std::string_view::npos) return fields;
        line.remove_prefix(cut + 1);
    }
}

bool IsFileBase(std::string_view s) {
    return !s.empty() && s.size() <= 8 && std::all_of(s.begin(), s.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    });
}

}  // namespace

std::vector<MessageAreaRecord> ParseMessageAreaList(std::string_view text,
                                                    std::vector<AreaListError>& errors) {
    std::vector<MessageAreaRecord> areas;
    std::set<std::string> bases;
    int number = 0;
    while (!text.empty()) {
        ++number;
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        line = Trim(line.substr(0, line.find('#')));
        if (line.empty()) continue;

        const auto fields = Split(line);
        auto fail = [&](std::string message) { errors.push_back({number, std::move(message)}); };
        if (fields.size() < 2 || fields.size() > 5) {
            fail("expected FILEBASE ; name ; read access ; post access ; most messages");
            continue;
        }
        const std::string_view base = fields[0], name = fields[1];
        const std::string_view read = fields.size() > 2 ? fields[2] : "";
        const std::string_view post = fields.size() > 3 ? fields[3] : "";
        int max_messages = kDefaultMaxMessages;
        if (!IsFileBase(base)) {
            fail("file base '" + std::string(base) +
                 "' must be 1 to 8 letters, digits or underscores");
            continue;
        }
        if (!bases.insert(UpperCase(base)).second) {
            fail("file base '" + std::string(base) + "' is used by an earlier area");
            continue;
        }
        if (name.empty() || name.size() > 40) {
            fail("the area name must be 1 to 40 characters");
            continue;
        }
        if (read.size() > 20 || post.size() > 20) {
            fail("an access expression is at most 20 characters");
            continue;
        }
        if (fields.size() > 4) {
            const std::string_view max = fields[4];
            const auto [p, ec] = std::from_chars(max.data(), max.data() + max.size(), max_messages);
            if (ec != std::errc() || p != max.data() + max.size() || max_messages < 1 ||
                max_messages > 65535) {
                fail("most messages must be a number from 1 to 65535");
                continue;
            }
        }
        MessageAreaRecord r{};
        r.area_name = name;
        r.area_file = base;
        r.read_access = read;
        r.post_access = post;
        r.max_messages = static_cast<std::uint16_t>(max_messages);
        r.area_kind = 1;
        r.byte_197 = 1;
        r.area_address = 1;
        areas.push_back(r);
    }
    return areas;
}

}  // namespace vorn
