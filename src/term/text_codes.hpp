// Value codes ("%" and two characters) with their widths and parameters: the live values that
// display files and prompt texts show, and the shaping of a value before it is printed.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/player_text.hpp"

namespace vorn {

struct Session;

// Where a template marker stood on the screen and the colour in force there.
struct TemplateSlot {
    bool set = false;
    std::uint8_t column = 1;
    std::uint8_t row = 1;
    std::uint8_t foreground = 7;
    std::uint8_t background = 0;
    bool blink = false;
};

inline constexpr int kSlotCount = 32;       // slots 0..31
inline constexpr int kMarkerCount = 21;     // markers 0..20
inline constexpr int kFormValueCount = 16;  // form values 1..16
inline constexpr std::size_t kFormValueLength = 70;
inline constexpr std::size_t kFormTextLength = 4096;
inline constexpr int kNoWidth = 255;

// The session-wide state of the text codes.
struct TextCodeState {
    std::string code_value;  // the value of the last value code
    int pending_width = kNoWidth;
    bool pending_pad = false;
    std::string pending_param;
    std::array<TemplateSlot, kSlotCount> slots{};
    std::array<TemplateSlot, kMarkerCount> markers{};
    std::array<std::string, kFormValueCount + 1> form_values{};  // [0] unused
    std::string form_text;
    bool list_count = false;           // set by ~TC in a list header
    std::array<char, 26> menu_keys{};  // the key of menu item A..Z (0 = none)
    // The last texts of the hit-point and mana bars.
    std::string hp_state;
    std::string mana_state;
};

// Evaluates "%" + two characters into code_value. False for an unknown code or an empty value.
bool ExpandValueCode(Session& session, std::string_view code);

// Every known value code of `text` replaced by its value, whose codes other than colours are
// neutralised; cut to `max_width` visible characters when it is not 0.
std::string ExpandText(Session& session, std::string_view text, int max_width);

// Applies a parameter such as "fU", "c12,07", "m10" or "w2" to a value.
std::string FormatValue(std::string_view value, std::string_view param);

// Colour codes ("|" + digit, "B" or "U" + digit) take no room on the screen.
bool IsColourCode(std::string_view text, std::size_t i);
std::size_t VisibleLength(std::string_view text);
// At most `width` visible characters; the colour codes among them are kept.
std::string CutVisible(std::string_view text, std::size_t width);
// Exactly `width` visible characters: cut, or padded with spaces at the end.
std::string PadVisible(std::string_view text, std::size_t width);
// The pending width rule: cut (pad false) or pad and cut (pad true).
std::string ShapeToWidth(std::string_view value, int width, bool pad);

// The first letter of the name and the one after its first space (or first hyphen); the first
// two letters when that one is missing, a space or a hyphen.
std::string Initials(std::string_view name);

// "1,234"
std::string WithThousands(long long n);
// The initials of a name (%UI): its first letter and the one after its first space (or first
// hyphen); the first two letters when that one is missing, a space or a hyphen.
std::string Initials(std::string_view name);

// A parameter in parentheses at text[i]: its length up to and including ")" (0 when there is
// none, or when a "(" inside it or a missing ")" cancels it). `param` receives the inside.
std::size_t ParameterAt(std::string_view text, std::size_t i, std::string& param);

}  // namespace vorn
