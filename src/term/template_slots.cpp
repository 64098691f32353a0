// The slot and marker tables, the template modes of display files and the form modes of lists.
#include "term/template_slots.hpp"

#include <array>
#include <cctype>
#include <string>

#include "common/player_text.hpp"
#include "common/text_case.hpp"
#include "core/session.hpp"

namespace vorn {

namespace {

template <std::size_t N>
void Mark(Session& s, std::array<TemplateSlot, N>& table, int n) {
    if (n < 0 || n >= static_cast<int>(N)) return;
    const Writer& w = s.writer;
    table[n] = TemplateSlot{true,
                            static_cast<std::uint8_t>(w.cursor_column()),
                            static_cast<std::uint8_t>(w.cursor_row()),
                            w.colour().foreground,
                            w.colour().background,
                            w.colour().blink};
}

// The markers of a mode, two characters each, in value (or slot) order from 1.
int IndexIn(std::string_view list, char a, char b) {
    for (std::size_t i = 0; i + 1 < list.size(); i += 3) {
        if (list[i] == a && list[i + 1] == b) return static_cast<int>(i / 3) + 1;
    }
    return 0;
}

struct FormMode {
    int mode;
    std::string_view markers;
};

constexpr FormMode kFormModes[] = {
    {1, "NM FN SU SC RA CM DT TI"},
    {3, "BN PN SN BR SF ST IN NM"},
    {5, "KY HL DS"},
    {6, "CK CN"},
    {10, "NM UN LV LN SC"},
    {11, "DT CA NU PO EM UL DL UK DK"},
    {14, "NM DS ST CP"},
    {15, "CN UN NM LO BR DT TI NU AC"},
    {17, "AT AN NF SP T2 N2 F2 P2"},
    {19, "MT SN RN TI DT MN"},
    {20, "AT AN NM SP T2 N2 M2 P2"},
    {21, "MN SN RN TI DT MT"},
    {22, "KY PN PT NM"},
    {27, "ND UN RN ID BR TO ST SX AG"},
    {35, "ID UN RN LC UC SL DS NT LO BR SX AC"},
    {37, "QN QD"},
    {38, "AN AD AR AP"},
};

}  // namespace

void MarkSlot(Session& session, int n) {
    Mark(session, session.codes.slots, n);
}
void MarkMarker(Session& session, int n) {
    Mark(session, session.codes.markers, n);
}

bool GoToSlot(Session& session, int n) {
    if (n < 0 || n >= kSlotCount || !session.codes.slots[n].set) return false;
    const TemplateSlot& slot = session.codes.slots[n];
    session.writer.go_to(slot.column, slot.row);
    session.writer.set_attribute(slot.foreground, slot.background, slot.blink);
    return true;
}

void SetFormValue(Session& session, int n, std::string_view value) {
    if (n < 1 || n > kFormValueCount) return;
    session.codes.form_values[n] = KeepOnlyColourCodes(value).substr(0, kFormValueLength);
}

void PrintFormValue(Session& session, int n) {
    TextCodeState& c = session.codes;
    std::string value = n >= 1 && n <= kFormValueCount ? c.form_values[n] : std::string();
    if (!c.pending_param.empty()) value = FormatValue(value, c.pending_param);
    value = ShapeToWidth(value, c.pending_width, c.pending_pad);
    c.pending_param.clear();
    session.writer.print_prompt_text(value);
}

void ShowForm(Session& session, int mode) {
    // The writer reads the form while it may be replaced by a nested load; print a copy.
    const std::string text = session.codes.form_text;
    session.writer.show_form_text(text, mode);
}

void ApplyFileMarker(Session& session, int mode, char a, char b) {
    a = Upper(a);
    b = Upper(b);
    switch (mode) {
        case 9:
            if (const int n = IndexIn("MT SN RN DT TI CM TL BL AN AS IN LN CN SL", a, b)) {
                MarkSlot(session, n);
            }
            break;
        case 16:
            if (a == 'H' && b == 'P') MarkSlot(session, 29);
            if (IsDigit(a) && IsDigit(b)) MarkSlot(session, (a - '0') * 10 + (b - '0'));
            break;
        case 23:
            if (const int n = IndexIn("LN LP LI LH", a, b)) MarkSlot(session, n);
            break;
        case 24:
            if (a == 'T' && b == 'L') {
                MarkSlot(session, 11);
            } else if (const int n = IndexIn("TI DT SN RN MT MN MA RP ST UN", a, b)) {
                PrintFormValue(session, n);
            }
            break;
        case 33:
            if (a == 'T' && b == 'L') MarkSlot(session, 1);
            if (a == 'T' && b == 'C') session.codes.list_count = true;
            break;
        case 34:
            if (a == '*' && b == '*') {
                MarkSlot(session, 29);
            } else if (a == '*' && b == 'A') {
                MarkSlot(session, 28);
            } else if (a >= 'A' && a <= 'Z') {
                session.codes.menu_keys[a - 'A'] = b;
                MarkSlot(session, a - 'A' + 1);
            }
            break;
        default:
            break;
    }
}

int FormMarkerIndex(int mode, char a, char b) {
    for (const FormMode& m : kFormModes) {
        if (m.mode == mode) return IndexIn(m.markers, Upper(a), Upper(b));
    }
    return -1;
}

bool ListScreensExist(Session& session, std::string_view list) {
    Writer& w = session.writer;
    const std::string name(list);
    return !w.find_display_file(name + "top").empty() &&
           !w.find_display_file(name + "mid").empty() && !w.find_display_file(name + "bot").empty();
}

bool BeginListScreens(Session& session, std::string_view list) {
    Writer& w = session.writer;
    const std::string name(list);
    session.codes.list_count = false;
    w.page_counter = 1;
    if (w.show_display_file(name + "top", 33)) w.page_lines(w.last_file_rows() - 1);
    return w.load_display_file(name + "mid");
}

void ShowListRow(Session& session, int mode) {
    ShowForm(session, mode);
    session.writer.page_lines(1);
}

void EndListScreens(Session& session, std::string_view list) {
    session.writer.show_display_file(std::string(list) + "bot", 28);
    session.writer.page_counter = 0;
}

}  // namespace vorn
