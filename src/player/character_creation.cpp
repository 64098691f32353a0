#include "player/character_creation.hpp"

#include <string>
#include <vector>

#include "common/player_text.hpp"
#include "core/session.hpp"
#include "core/startup.hpp"
#include "player/attribute_checks.hpp"
#include "player/racial_skills.hpp"
#include "player/religion.hpp"
#include "player/user_files.hpp"
#include "term/line_editor.hpp"

namespace vorn {

namespace {

struct SubraceMenu {
    std::vector<const char*> labels;  // choice k at index k-1
    const char* help;
    const char* line;
};

constexpr const char* kPrejudice = "There ain't such a thing as a non-prejudice society";

const SubraceMenu* MenuOf(int race) {
    static const std::vector<SubraceMenu> menus = {
        {{"BlAcK", "wHiTe", "NaTiVe", "aSiAn"}, "humahelp.txt", kPrejudice},
        {{"SyLvAn", "hIgH", "GrEy", "aQuAtIc", "DrOw"}, "elfhelp.txt", kPrejudice},
        {{"HiLl", "mOuNtAiN", "DuEgAr"}, "dwarhelp.txt", kPrejudice},
        {{"HuMaN", "dWaRf", "GnOmE", "dRaGoN"},
         "helfhelp.txt",
         "The second half will determine some of your skills"},
        {{}, "", ""},
        {{"BlAdEbAcK", "fInHeAd", "FlYeR", "HoRnHeAd"},
         "saurhelp.txt",
         "      This will determine some characteristics    "},
        {{"BlAcK", "bLuE", "GrEeN", "rEd", "WhItE", "aMeThYsT", "CrYsTaL", "eMeRaLd", "SaPpHiRe",
          "tOpAz", "BrAsS", "BrOnZe", "cOpPeR", "GoLd", "sIlVeR"},
         "draghelp.txt",
         kPrejudice},
        {{"BaLoR", "gLaBrEzU", "HeZrOu", "mArIlItH", "NaLfEsHnEe", "vRoCk", "BaBaU", "cHaSmE",
          "NaBaSsU", "sUcCuBuS", "CaMbIoN", "aLu-fIeNd"},
         "tanahelp.txt",
         " The Tanar'ri way to kill: stalk, terrify, kill. "},
        {{"PiT FiEnD", "bLaCk aBiShai", "GrEeN AbIsHaI", "rEd aBiShAi"}, "baathelp.txt", ""},
        {{"StAnDaRd", "dEaTh kIsS", "EyE Of tHe dEeP", "gAuTh", "SpEcTaToR", "uNdEaD",
          "HiVe mOtHeR", "dIrEcToR", "ExAmInEr", "lEnSmAn", "OvErSeEr", "wAtChEr"},
         "behohelp.txt",
         " Beauty is in the eye of the beholder. "},
        {{"SeAwOlF", "wErEbAt", "WeReBeAr", "wErEbOaR", "WeReFoX", "wErErAt", "WeReRaVeN",
          "wErEtIgEr", "WeReWoLf"},
         "lycahelp.txt",
         " Shape Shift, Nose to the wind "},
        {{"SkElEtOn", "zOmBiE", "VaMpIrE", "wRaItH", "ShAdOw", "wIgHt", "LiCh", "mUmMy"},
         "undehelp.txt",
         ""},
    };
    return race >= 1 && race <= 12 ? &menus[race - 1] : nullptr;
}

// Where the sub-race frame sits on the screen.
constexpr int kMenuColumn = 20;
constexpr int kMenuTop = 7;
constexpr int kMenuRows = 12;

// Reads a number of up to `digits` digits; -1 when nothing usable was typed.
int ReadNumber(Session& session, int digits) {
    const std::string text =
        session.keys.input_line("", 0, CharacterRange('0', '9'), "", digits, 0);
    if (text.empty()) return -1;
    return std::stoi(text);
}

// Help files end with their own pause.
void ShowHelpFile(Session& session, const char* name) {
    session.writer.clear_screen();
    session.writer.show_display_file(name, 28);
}

std::string MenuLine(int number, const char* label) {
    std::string line = std::to_string(number) + "  " + label;
    line.resize(15, ' ');
    return line;
}

// The frame and one page of the menu: `entries` are (number, label) pairs.
void DrawSubraceFrame(Session& session, const SubraceMenu& menu,
                      const std::vector<std::pair<int, const char*>>& entries) {
    Writer& out = session.writer;
    out.clear_screen();
    out.go_to(kMenuColumn, 2);
    out.set_foreground(14);
    out.print_text("sub-race...");
    out.go_to(kMenuColumn, 4);
    out.set_foreground(7);
    out.print_text("Sub-race will affect gameplay");
    out.go_to(kMenuColumn, 5);
    out.print_text("Choose a Sub-Race:            ");
    out.set_foreground(11);
    for (int row = 0; row < kMenuRows; ++row) {
        out.go_to(kMenuColumn, kMenuTop + row);
        if (row < static_cast<int>(entries.size())) {
            out.print_text(MenuLine(entries[row].first, entries[row].second));
        } else {
            out.print_text(std::string(15, ' '));
        }
    }
    out.go_to(kMenuColumn - 10, kMenuTop + kMenuRows + 1);
    out.set_foreground(8);
    out.print_text(menu.line);
    out.set_foreground(7);
    out.go_to(kMenuColumn, 23);
}

std::vector<std::pair<int, const char*>> Entries(const SubraceMenu& menu, int first, int last) {
    std::vector<std::pair<int, const char*>> entries;
    for (int k = first; k <= last; ++k) entries.emplace_back(k, menu.labels[k - 1]);
    return entries;
}

int ChooseDragon(Session& session, const SubraceMenu& menu) {
    auto page_one = Entries(menu, 1, 11);
    page_one.emplace_back(98, "More");
    auto page_two = Entries(menu, 12, 15);
    page_two.emplace_back(0, "Previous");
    for (;;) {
        DrawSubraceFrame(session, menu, page_one);
        int n = -1;
        while (!session.time.ended) {
            n = ReadNumber(session, 2);
            if ((n >= 0 && n <= 15) || n == 98 || n == 99) break;
            session.writer.go_to(kMenuColumn, 23);
        }
        if (session.time.ended) return 1;
        if (n >= 1 && n <= 15) return n;
        if (n == 99) {
            ShowHelpFile(session, menu.help);
            continue;
        }
        if (n == 98) {
            DrawSubraceFrame(session, menu, page_two);
            int m = -1;
            while (!session.time.ended) {
                m = ReadNumber(session, 2);
                if ((m >= 0 && m <= 15) || m == 99) break;
                session.writer.go_to(kMenuColumn, 23);
            }
            if (m >= 1 && m <= 15) return m;
            if (m == 99) ShowHelpFile(session, menu.help);
        }
    }
}

int ChooseFromMenu(Session& session, const SubraceMenu& menu) {
    const int count = static_cast<int>(menu.labels.size());
    for (;;) {
        DrawSubraceFrame(session, menu, Entries(menu, 1, count));
        int n = -1;
        while (!session.time.ended) {
            n = ReadNumber(session, 2);
            if ((n >= 1 && n <= count) || n == 99) break;
            session.writer.go_to(kMenuColumn, 23);
        }
        if (session.time.ended) return 1;
        if (n != 99) return n;
        ShowHelpFile(session, menu.help);
    }
}

int AttributeColour(int value) {
    static constexpr int kBands[] = {8, 4, 1, 2, 13, 12, 10, 11};
    return value >= 25 ? 15 : kBands[(value - 1) / 3];
}

}  // namespace

void ChooseSubrace(Session& session) {
    UserRecord& user = session.users.current;
    const SubraceMenu* menu = MenuOf(user.race);
    if (menu != nullptr && !menu->labels.empty()) {
        user.subrace = static_cast<std::uint8_t>(user.race == 7 ? ChooseDragon(session, *menu)
                                                                : ChooseFromMenu(session, *menu));
    }
    session.writer.new_lines(1);
    DetermineRacialSkills(session);
}

void RefuseTakenName(Session& session) {
    Writer& out = session.writer;
    out.set_foreground(4);
    out.print_line("Already exist, try again");
    out.flush();
    session.keys.delay(100);
}

void ChooseCharacterName(Session& session) {
    Writer& out = session.writer;
    UserRecord& user = session.users.current;
    for (;;) {
        out.clear_screen();
        out.set_foreground(7);
        out.print_text("What is your character name? ");
        const std::string name = session.keys.input_line("", 0, CharacterRange(32, 254), "", 36, 0);
        if (name.empty()) {
            session.log("User aborted!");
            session.exit(kExitNormal);
        }
        // The name goes into the news, the lists and other players' screens.
        if (!HoldsOnlyColourCodes(name)) {
            out.set_foreground(4);
            out.print_line("Only colour codes may be used in a name, try again");
            out.flush();
            session.keys.delay(100);
            continue;
        }
        user.name = name;
        UserRecord probe = user;
        const std::uint16_t number = user.number;
        if (!FindUser(session, probe, true, true)) {
            user.number = number;
            break;
        }
        user.number = number;
        RefuseTakenName(session);
    }
}

void ChooseNameRaceSex(Session& session) {
    Writer& out = session.writer;
    UserRecord& user = session.users.current;
    ChooseCharacterName(session);
    for (;;) {
        out.clear_screen();
        out.show_display_file("races.ans", 28);
        out.print_text("The race of your character? ");
        int race = -1;
        while (!session.time.ended) {
            race = ReadNumber(session, 2);
            if ((race >= 1 && race <= 12) || race == 99) break;
        }
        if (race == 99) {
            ShowHelpFile(session, "racehelp.txt");
            continue;
        }
        user.race = static_cast<std::uint8_t>(race < 1 ? 1 : race);
        break;
    }
    ChooseSubrace(session);

    out.new_lines(1);
    out.print_text(" The sex of your character? [M/F]");
    for (;;) {
        const char key = static_cast<char>(std::toupper(session.keys.read_key()));
        if (session.time.ended) return;
        if (key == 'F') {
            out.set_foreground(13);
            user.sex = false;
            out.print_text("Female");
            break;
        }
        if (key == 'M') {
            out.set_foreground(4);
            user.sex = true;
            out.print_text("Male");
            break;
        }
    }
    out.set_foreground(7);
}

void RollAttributes(Session& session) {
    Writer& out = session.writer;
    UserRecord& user = session.users.current;
    struct Roll {
        const char* label;
        std::uint8_t UserRecord::*field;
    };
    static constexpr Roll kRolls[] = {
        {"Strenght: ", &UserRecord::str},     {"Intelligence: ", &UserRecord::int_},
        {"Constitution: ", &UserRecord::con}, {"Dexterity: ", &UserRecord::dex},
        {"Charisma: ", &UserRecord::cha},     {"Wisdom: ", &UserRecord::wis},
        {"Comelliness: ", &UserRecord::com},
    };
    out.print_line("The maximum for one stat is 25");
    for (int tries = 1;; ++tries) {
        bool default_yes = true;
        out.new_lines(1);
        for (const Roll& roll : kRolls) {
            const int value = static_cast<int>(session.rng.random(25)) + 1;
            user.*roll.field = static_cast<std::uint8_t>(value);
            out.set_foreground(AttributeColour(value));
            out.print_line(std::string(roll.label) + std::to_string(value));
            if (value <= 9) default_yes = false;
        }
        out.new_lines(1);
        out.set_foreground(tries);
        out.print_line("Try #" + std::to_string(tries) + " out of 15");
        out.set_foreground(7);
        out.print_text("Are they ok? ");
        const bool keep = session.keys.ask_yes_no(default_yes);
        if (keep || session.time.ended) return;
        if (tries == 15) {
            out.set_foreground(4);
            out.print_line("Too bad, your stuck with the last one");
            return;
        }
    }
}

void ChooseAlignment(Session& session) {
    Writer& out = session.writer;
    UserRecord& user = session.users.current;
    static constexpr const char* kLaw[] = {"Lawful", "Neutral", "Chaotic"};
    static constexpr const char* kMorals[] = {"Good", "Neutral", "Evil"};
    for (;;) {
        out.clear_screen();
        out.go_to(29, 1);
        out.set_foreground(10);
        out.print_text("Choose your alignement");
        for (int i = 0; i < 3; ++i) {
            const auto option = [&](int column, char key, const char* text, bool current) {
                out.go_to(column, 3 + i);
                out.set_foreground(15);
                out.print_text("[");
                out.set_foreground(14);
                out.print_text(std::string(1, key));
                out.set_foreground(15);
                out.print_text("]");
                out.set_foreground(current ? 15 : 8);
                out.print_text(text);
            };
            option(13, static_cast<char>('1' + i), kLaw[i], user.law == i + 1);
            option(56, static_cast<char>('A' + i), kMorals[i], user.morals == i + 1);
        }
        out.go_to(18, 7);
        out.set_foreground(10);
        out.print_text("Enter the number / letter you want, Q to end: ");
        for (;;) {
            const char key = static_cast<char>(std::toupper(session.keys.read_key()));
            if (session.time.ended) return;
            if (key >= '1' && key <= '3') {
                user.law = static_cast<std::uint8_t>(key - '0');
            } else if (key >= 'A' && key <= 'C') {
                user.morals = static_cast<std::uint8_t>(key - 'A' + 1);
            } else if (key == 'Q') {
                if (user.law != 0 && user.morals != 0) return;
            } else {
                continue;
            }
            break;
        }
    }
}

void ChooseDeity(Session& session) {
    Writer& out = session.writer;
    UserRecord& user = session.users.current;
    static constexpr const char* kMorals[] = {"Good", "Neutral", "Evil"};
    for (bool chosen = false; !chosen && !session.time.ended;) {
        out.show_display_file("deities.ans", 28);
        out.go_to(58, 3);
        out.set_foreground(14);
        if (user.morals >= 1 && user.morals <= 3) out.print_text(kMorals[user.morals - 1]);
        out.go_to(52, 23);
        for (;;) {
            const char key = static_cast<char>(session.keys.read_key());
            if (session.time.ended) break;
            if (key == '?') {
                out.show_display_file("deityh.ans", 28);
                break;
            }
            if (const int deity = DeityForKey(key); deity != 0) {
                user.deity = static_cast<std::uint8_t>(deity);
                chosen = true;
                break;
            }
        }
    }
    if (CheckWisdom(session, 27, false, false)) {
        user.real_deity = user.deity;
    } else if (session.rng.random(100) <= 50) {
        user.real_deity = user.deity;
    } else {
        user.real_deity = static_cast<std::uint8_t>(session.rng.random(12) + 1);
    }
    user.religion_rank = 1;
}

void CreateCharacter(Session& session) {
    ChooseNameRaceSex(session);
    session.writer.clear_screen();
    RollAttributes(session);
    ChooseAlignment(session);
    ChooseDeity(session);
    UserRecord& user = session.users.current;
    user.max_hp = user.con + 4;
    user.hp = user.max_hp;
    user.max_mana = ((user.int_ + user.bonus_int) * 3) / 4 + (user.wis + user.bonus_wis) / 4 + 4;
    user.mana = user.max_mana;
}

}  // namespace vorn
