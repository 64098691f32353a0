// The game's command line and the node argument; the steps of the main sequence that use them
// are in play/main_sequence.cpp.
#include "core/startup.hpp"

#include <cstdint>

#include "common/text_case.hpp"

namespace vorn {

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    line.args = args;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // "-D PATH", "-DPATH", "--drop-file PATH", "--drop-file=PATH"; the same for --connect.
        std::string* value = nullptr;
        std::string joined;
        bool has_joined = false;
        const auto option = [&](std::string_view name, std::string* target) {
            if (arg == name) {
                value = target;
            } else if (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 &&
                       (name == "-D" || arg[name.size()] == '=')) {
                value = target;
                joined = arg.substr(name.size() + (name == "-D" ? 0 : 1));
                has_joined = true;
            }
        };
        option("-D", &line.drop_file);
        if (value == nullptr) option("--drop-file", &line.drop_file);
        if (value == nullptr) option("--connect", &line.connect);
        if (value == nullptr) {
            if (!line.node) line.node = arg;
            continue;
        }
        if (!has_joined) {
            if (i + 1 >= args.size()) {
                line.error = arg + " must be followed by " +
                             (value == &line.connect ? "HOST:PORT" : "the drop file's path");
                return line;
            }
            joined = args[++i];
        }
        *value = joined;
    }
    return line;
}

std::string NodeTextOf(const std::string* argument) {
    if (argument == nullptr || UpperCase(*argument) == "DAEMON") return "0";
    return *argument;
}

std::uint8_t NodeNumberOf(const std::string* argument) {
    if (argument == nullptr || argument->empty()) return 0;
    std::size_t i = 0;
    bool negative = false;
    if ((*argument)[0] == '+' || (*argument)[0] == '-') {
        negative = (*argument)[0] == '-';
        i = 1;
    }
    if (i == argument->size()) return 0;
    std::int64_t value = 0;
    for (; i < argument->size(); ++i) {
        const char c = (*argument)[i];
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
        if (value > INT32_MAX) return 0;  // out of range reads as no number at all
    }
    if (negative) value = -value;
    return static_cast<std::uint8_t>(value & 0xFF);
}

}  // namespace vorn
