// The battlefield: rows 10 to 19 of the battle screen, the player "Y" on the left and the monsters
// of the encounter list in formation on the right, with the order line on row 4 and the message
// and opponent panel on rows 21 to 23 from column 27.
#include "play/combat.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <limits>
#include <string>

#include "common/player_text.hpp"
#include "common/random.hpp"
#include "common/text_case.hpp"
#include "core/session.hpp"
#include "league/league_exchange.hpp"
#include "play/items.hpp"
#include "player/attribute_checks.hpp"
#include "player/racial_skills.hpp"
#include "player/user_files.hpp"
#include "term/text_codes.hpp"
#include "world/world_files.hpp"

namespace vorn {

namespace {

constexpr int kFormationColumn[kEncounterSlots + 1] = {0,  65, 67, 67, 69, 69, 73, 73, 75, 75,
                                                       77, 71, 71, 71, 71, 71, 71, 71, 71, 71};
constexpr int kFormationRow[kEncounterSlots + 1] = {0,  15, 14, 16, 13, 17, 13, 17, 14, 16,
                                                    15, 11, 12, 13, 14, 15, 16, 17, 18, 19};
constexpr int kPlayerStartColumn = 5;
constexpr int kPlayerStartRow = 15;

// The message and opponent panel: rows 21..23 from column 27 to the frame at column 80.
constexpr int kPanelColumn = 27;
constexpr int kPanelWidth = 53;
constexpr int kFirstMessageRow = 21;
constexpr int kLastMessageRow = 23;

// A vacated cell of the field takes one cell of the field's own colour, so a neighbour's letter
// is never covered.
constexpr char kEraseMark = ' ';
constexpr std::uint8_t kBoltTrail = 219;

constexpr std::uint16_t kGasMalus = 0x0100;
constexpr std::uint16_t kDamagedAsLarge = 0x0200;
constexpr std::uint16_t kLargeCreature = 512;

constexpr std::uint8_t kMonsterSurprise = 2;     // strike_flags
constexpr std::uint8_t kMonsterFirstAttack = 2;  // strike_flags2

enum Direction { kEast, kWest, kNorth, kSouth, kNorthEast, kNorthWest, kSouthWest, kSouthEast };
constexpr int kStepColumn[8] = {1, -1, 0, 0, 1, -1, -1, 1};
constexpr int kStepRow[8] = {0, 0, -1, 1, -1, -1, 1, 1};

constexpr std::int64_t kMaxInt32 = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kMinInt32 = std::numeric_limits<std::int32_t>::min();

std::int32_t Clamp32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp(v, kMinInt32, kMaxInt32));
}

void At(Session& s, int column, int row, std::string_view coded) {
    s.writer.go_to(column, row);
    s.writer.print_coded(coded);
}

void Wait(Session& s, int ms) {
    s.keys.delay(ms);
}

void BattleWait(Session& s) {
    Wait(s, s.users.current.battle_delay);
}

bool Occupied(const Session& s, int slot) {
    return slot >= 1 && slot <= kEncounterSlots && s.play.encounter[slot] != 0;
}

// Slot text limited to what the status line holds.
void SetStatus(Session& s, int slot, std::string text) {
    if (text.size() > 100) text.resize(100);
    s.play.status[slot] = std::move(text);
}

// A row of the panel emptied from its first column to the frame, the cursor back at its start.
void BlankPanelRow(Session& s, int row) {
    s.writer.set_colours(0, 0);
    s.writer.go_to(kPanelColumn, row);
    s.writer.print_text(std::string(kPanelWidth, ' '));
    s.writer.go_to(kPanelColumn, row);
}

void BlankMessageRows(Session& s) {
    for (int row = kFirstMessageRow; row <= kLastMessageRow; ++row) BlankPanelRow(s, row);
    s.play.battle.message_row = kFirstMessageRow;
}

// Puts the cursor at the start of the next message row, emptied.
void NextMessageRow(Session& s) {
    BattleState& b = s.play.battle;
    if (b.message_row < kFirstMessageRow || b.message_row > kLastMessageRow) {
        b.message_row = kFirstMessageRow;
    }
    BlankPanelRow(s, b.message_row);
    b.message_row = b.message_row == kLastMessageRow ? kFirstMessageRow : b.message_row + 1;
}

void Message(Session& s, std::string_view coded) {
    NextMessageRow(s);
    s.writer.print_coded_within(coded, kPanelWidth);
}

// A message about monster `m`: its name between `before` and `after`, cut so that the words
// around it, and `reserve` cells more, still fit the message row.
std::string AboutMonster(std::string_view before, const MonsterRecord& m, std::string_view after,
                         std::size_t reserve = 0) {
    const std::size_t words = VisibleLength(before) + VisibleLength(after) + reserve;
    const std::size_t room = words < kPanelWidth ? kPanelWidth - words : 0;
    return std::string(before) + CutVisible(m.name.view(), room) + std::string(after);
}

// More of the message on the current row, as far as the panel reaches.
void MessageGoesOn(Session& s, std::string_view coded) {
    s.writer.print_coded_within(coded, kPanelColumn + kPanelWidth - s.writer.cursor_column());
}

void EraseCell(Session& s, int column, int row) {
    s.writer.set_colours(2, 2);
    s.writer.go_to(column, row);
    s.writer.put_character(static_cast<std::uint8_t>(kEraseMark));
}

void DrawMonster(Session& s, int slot) {
    const BattleState& b = s.play.battle;
    const auto name = b.monster[slot].name.view();
    s.writer.set_foreground(9);
    s.writer.go_to(b.column[slot], b.row[slot]);
    if (!name.empty()) s.writer.print_coded(name.substr(0, 1));
}

void DrawPlayer(Session& s) {
    const BattleState& b = s.play.battle;
    s.writer.set_colours(15, 2);
    s.writer.go_to(b.player_column, b.player_row);
    s.writer.print_text("Y");
}

// The additions of a weapon's magic bits 1, 2, 4, 8, 16: +1 .. +5.
int MagicAdditions(std::uint16_t magic) {
    int total = 0;
    for (int bit = 0; bit < 5; ++bit) {
        if (magic & (1u << bit)) total += bit + 1;
    }
    return total;
}

int HateBonus(const UserRecord& user, std::uint8_t category) {
    return category >= 1 && category <= 5 &&
                   HasSkill(user, SkillAfter(Skill::kHateOrc, category - 1))
               ? 1
               : 0;
}

// The damage the monster's attack type leaves after the player's immunities.
std::int64_t AfterImmunities(const UserRecord& user, std::uint8_t attack_type,
                             std::int64_t damage) {
    const int t = attack_type >= 100 ? attack_type - 100 : attack_type;
    const auto immune = [&](Skill skill) { return HasSkill(user, skill); };
    if (((t == 12 || t == 14) && immune(Skill::kImmuneFire)) ||
        ((t == 2 || t == 6) && immune(Skill::kImmuneCold)) ||
        (t == 3 && immune(Skill::kImmuneElectricity)) || (t == 4 && immune(Skill::kImmuneAcid)) ||
        (t == 5 && immune(Skill::kImmunePoison)) || (t == 6 && immune(Skill::kImmuneNaturalCold)) ||
        (t == 14 && immune(Skill::kImmuneNormalFire)) || (t == 7 && immune(Skill::kImmuneLight)) ||
        (t == 8 && immune(Skill::kImmuneSound)) || (t == 9 && immune(Skill::kImmuneFear)) ||
        (t == 10 && immune(Skill::kImmuneWeb))) {
        damage = 0;
    }
    if ((t == 12 && immune(Skill::kHalfMagicalFire)) || (t == 6 && immune(Skill::kHalfCold))) {
        damage /= 2;
    }
    if (t == 1 && (user.disadvantages & kGasMalus)) damage += 2;
    return damage;
}

std::int32_t StartingHitPoints(Random& random, const MonsterRecord& m) {
    const std::int32_t low = m.hp_min;
    const std::int32_t high = m.hp_max;
    // A record whose minimum is not below its maximum could never be drawn: it takes the minimum.
    if (high <= 0 || low >= high) return std::max<std::int32_t>(low, 1);
    std::int32_t hp = 0;
    do {
        hp = static_cast<std::int32_t>(random.random(static_cast<std::uint32_t>(high)));
    } while (hp < low);
    return std::max<std::int32_t>(hp, 1);
}

int ReadBattleKey(Session& s) {
    const int key = std::toupper(s.keys.read_key());
    return s.keys.extended_key() != 0 ? 0 : key;
}

// The column of target number n (1..19) in the target list.
int TargetColumn(int n) {
    if (n >= 17) return 42 + (n - 17) * 3;
    if (n >= 10) return kPanelColumn + 18 + (n - 10) * 3;
    return kPanelColumn + (n - 1) * 2;
}
int TargetRow(int n) {
    return n >= 17 ? 23 : 22;
}

bool Targetable(const Session& s, int slot, bool spell) {
    if (!Occupied(s, slot)) return false;
    if (spell) return true;
    const BattleState& b = s.play.battle;
    return std::abs(b.column[slot] - b.player_column) <= 1 &&
           std::abs(b.row[slot] - b.player_row) <= 1;
}

void ShowTargetNumber(Session& s, int n, std::string_view colour) {
    At(s, TargetColumn(n), TargetRow(n), std::string(colour) + std::to_string(n));
}

void InvalidTarget(Session& s) {
    s.writer.set_colours(12, 0);
    s.writer.go_to(11, 4);
    s.writer.print_text("Invalid Target");
}

int TargetByLine(Session& s, bool spell) {
    for (;;) {
        s.writer.set_colours(15, 0);
        s.writer.go_to(kPanelColumn, 23);
        const std::string line = s.keys.input_line("", 0, CharacterRange('0', '9'), "/NR", 2, 2);
        if (s.time.ended) return 0;
        const int n = line.empty() ? 0 : std::stoi(line);
        if (n == 0) return 0;
        if (n > kEncounterSlots) {
            InvalidTarget(s);
            return 0;
        }
        if (Targetable(s, n, spell)) return n;
        InvalidTarget(s);
    }
}

int TargetByHighlight(Session& s, bool spell) {
    int current = 0;
    for (int n = 1; n <= kEncounterSlots && current == 0; ++n) {
        if (Targetable(s, n, spell)) current = n;
    }
    if (current != 0) ShowTargetNumber(s, current, "|15");
    for (;;) {
        const int key = ReadBattleKey(s);
        if (s.time.ended) return 0;
        if (key == '\r') return current;
        if (current == 0) continue;
        int next = 0;
        if (key == '2' || key == '4') {
            for (int n = current - 1; n >= 1 && next == 0; --n) {
                if (Targetable(s, n, spell)) next = n;
            }
        } else if (key == '6' || key == '8') {
            for (int n = current + 1; n <= kEncounterSlots && next == 0; ++n) {
                if (Targetable(s, n, spell)) next = n;
            }
        }
        if (next == 0) continue;
        ShowTargetNumber(s, current, "|08");
        current = next;
        ShowTargetNumber(s, current, "|15");
    }
}

void ShowDirectionLabels(Session& s) {
    const BattleState& b = s.play.battle;
    BlankMessageRows(s);
    s.writer.set_colours(9, 0);
    At(s, 37, 21, "Choose a Direction...");
    At(s, 27, 22, b.open[kEast] ? "|14E|15ast" : "|08East");
    At(s, 59, 22, b.open[kNorth] ? "|14N|15orth" : "|08North");
    At(s, 27, 23, b.open[kWest] ? "|14W|15est" : "|08West");
    At(s, 59, 23, b.open[kSouth] ? "|14S|15outh" : "|08South");
    At(s, 34, 22, b.open[kNorthEast] ? "|15n|14O|15rth-east" : "|08north-east");
    At(s, 47, 22, b.open[kNorthWest] ? "|15no|14R|15th-west" : "|08north-west");
    At(s, 34, 23, b.open[kSouthEast] ? "|15south-e|14A|15st" : "|08south-east");
    At(s, 47, 23, b.open[kSouthWest] ? "|15south-wes|14T|15" : "|08south-west");
}

int DirectionOfKey(int key) {
    switch (key) {
        case 'N':
        case '8':
            return kNorth;
        case 'S':
        case '2':
            return kSouth;
        case 'E':
        case '6':
            return kEast;
        case 'W':
        case '4':
            return kWest;
        case 'O':
        case '9':
            return kNorthEast;
        case 'R':
        case '7':
            return kNorthWest;
        case 'A':
        case '3':
            return kSouthEast;
        case 'T':
        case '1':
            return kSouthWest;
        default:
            return -1;
    }
}

// The numeric pad of the command prompt: 1 south-west .. 9 north-east, 5 is no direction.
int DirectionOfPadDigit(int key) {
    switch (key) {
        case '1':
            return kSouthWest;
        case '2':
            return kSouth;
        case '3':
            return kSouthEast;
        case '4':
            return kWest;
        case '6':
            return kEast;
        case '7':
            return kNorthWest;
        case '8':
            return kNorth;
        case '9':
            return kNorthEast;
        default:
            return -1;
    }
}

void SetPlayerStep(Session& s, int direction) {
    s.play.battle.player_step_column = kStepColumn[direction];
    s.play.battle.player_step_row = kStepRow[direction];
}

void UseItemInBattle(Session& s) {
    Writer& out = s.writer;
    out.save_screen(1);
    out.clear_screen();
    ListOwnedItems(s);
    out.print_text("Use which item? ");
    const std::string line = s.keys.input_line("", 0, CharacterRange('0', '9'), "", 3);
    const int item = line.empty() ? 0 : std::stoi(line);
    out.restore_screen(1);
    if (item > 0) {
        out.go_to(11, 4);
        UseItem(s, item);
        out.go_to(43, 2);
        ShowHpBar(s);
        s.play.battle.item_used = true;
    }
    ResolveTurn(s);
}

void EndBattle(Session& s) {
    SaveUser(s, s.users.current);
    s.play.in_battle = false;
    s.play.exploring = true;
    s.writer.set_colours(7, 0);
    s.writer.clear_screen();
    for (int i = 0; i < kEncounterSlots + 1; ++i) {
        s.play.status[kStatusSurprise + i].clear();
        s.play.status[kStatusFirstAttack + i].clear();
    }
}

bool AnyMonster(const Session& s) {
    for (int i = 1; i <= kEncounterSlots; ++i) {
        if (Occupied(s, i)) return true;
    }
    return false;
}

}  // namespace

std::int64_t RollDamageDice(Random& random, int dice, int sides) {
    std::int64_t total = 0;
    for (int d = 0; d < dice; ++d) {
        if (sides < 2) {
            ++total;
            continue;
        }
        std::uint32_t roll = 0;
        while (roll == 0) roll = random.random(static_cast<std::uint32_t>(sides));
        total += roll;
    }
    return total;
}

BattleResult StartBattle(Session& s, bool end_when_cleared, bool run_allowed) {
    PlayState& play = s.play;
    BattleState& b = play.battle;
    UserRecord& user = s.users.current;
    Writer& out = s.writer;

    play.in_battle = true;
    play.exploring = false;
    out.clear_screen();
    out.show_display_file("battle.ans", 16);
    b.player_column = kPlayerStartColumn;
    b.player_row = kPlayerStartRow;
    b.player_step_column = 0;
    b.player_step_row = 0;
    DrawPlayer(s);
    out.set_colours(9, 0);
    out.go_to(43, 2);
    out.print_text(std::to_string(static_cast<std::int32_t>(user.hp)));

    for (int i = 1; i <= kEncounterSlots; ++i) {
        b.column[i] = kFormationColumn[i];
        b.row[i] = kFormationRow[i];
        b.step_column[i] = 0;
        b.step_row[i] = 0;
        b.hp[i] = 0;
    }
    b.panel_start = 1;
    b.target = 0;
    b.casting = false;
    b.item_used = false;
    b.bolt_damage = 0;
    b.message_row = kFirstMessageRow;
    b.over = false;
    b.fled = false;

    for (int i = 1; i <= kEncounterSlots; ++i) {
        if (play.encounter[i] == 0) continue;
        // A monster that cannot be read would fight with the record of the one before it.
        if (!LoadMonster(s, play.encounter[i])) {
            play.encounter[i] = 0;
            continue;
        }
        b.monster[i] = s.world.monster;
        b.hp[i] = StartingHitPoints(s.rng, b.monster[i]);
        out.set_colours(9, 2);
        DrawMonster(s, i);
    }

    if (HasSkill(user, Skill::kSurprise) && s.rng.random(2) == 1) {
        SetStatus(s, kStatusSurprise, "You get a free attack, 1 left");
    }
    if (HasSkill(user, Skill::kFirstAttack))
        SetStatus(s, kStatusFirstAttack, "You get first strike!");
    for (int i = 1; i <= kEncounterSlots; ++i) {
        if (!Occupied(s, i)) continue;
        const MonsterRecord& m = b.monster[i];
        const std::string name = m.name.str();
        if ((m.strike_flags & kMonsterSurprise) != 0 && s.rng.random(2) == 1 &&
            !HasSkill(user, Skill::kNotSurprised)) {
            SetStatus(s, kStatusSurprise + i, name + " surprised you!");
        }
        if ((m.strike_flags2 & kMonsterFirstAttack) != 0) {
            SetStatus(s, kStatusFirstAttack + i, name + " got a first attack!");
        }
    }
    out.set_colours(9, 0);
    return BattleTurns(s, end_when_cleared, run_allowed);
}

namespace {

// The turn's screen: exits, bars, the order line and the opponents; the player's choices of the
// last turn are forgotten.
void StartTurn(Session& s) {
    BattleState& b = s.play.battle;
    UserRecord& user = s.users.current;
    Writer& out = s.writer;
    OpenDirections(s);
    out.go_to(43, 2);
    ShowHpBar(s);
    out.set_colours(8, 0);
    out.go_to(54, 2);
    out.put_character(static_cast<std::uint8_t>(kEraseMark));
    out.go_to(70, 2);
    ShowManaBar(s);
    out.set_colours(9, 0);
    // The order line is one field of 38 cells, written whole. With every foe down the next
    // key ends the fight, whichever it is; the orders still do what they do.
    At(s, 11, 4,
       b.over ? "|14All foes are down|09: strike a key       "
              : "Enter your command                    ");
    ShowOpponents(s);
    // What the player chose applies to this turn only.
    b.first_attack = HasSkill(user, Skill::kFirstAttack);
    b.target = 0;
    b.casting = false;
    b.item_used = false;
    b.bolt_damage = 0;
    b.player_step_column = 0;
    b.player_step_row = 0;
}

// Reads keys until one is an order the turn takes, and carries it out.
void TakeOrder(Session& s, bool run_allowed) {
    BattleState& b = s.play.battle;
    UserRecord& user = s.users.current;
    Writer& out = s.writer;
    bool taken = false;
    while (!taken) {
        const int key = ReadBattleKey(s);
        taken = true;
        const int pad = DirectionOfPadDigit(key);
        if (pad >= 0) {
            if (!b.open[pad]) {
                taken = b.over;
                continue;
            }
            SetPlayerStep(s, pad);
            ResolveTurn(s);
            continue;
        }
        switch (key) {
            case 'M':
                ChooseDirection(s);
                MoveAll(s);
                break;
            case 'A':
                b.target = ChooseTarget(s, false);
                ResolveTurn(s);
                break;
            case 'C': {
                if (user.mana < 1) {
                    out.set_colours(9, 0);
                    At(s, 11, 4, "Not enough mana to cast!              ");
                    taken = b.over;
                    break;
                }
                BlankMessageRows(s);
                b.target = ChooseTarget(s, true);
                if (b.target != 0) {
                    b.bolt_damage = CastBolt(s, b.column[b.target], b.row[b.target],
                                             b.player_column, b.player_row);
                }
                b.casting = true;
                ResolveTurn(s);
                break;
            }
            case 'I':
                UseItemInBattle(s);
                break;
            case 'R':
                if (!run_allowed) {
                    At(s, 11, 4, " |12You can't run away from this!");
                    BattleWait(s);
                } else if (s.rng.random(10) < 5) {
                    out.set_colours(12, 0);
                    At(s, 11, 4, "Monsters are blocking your path");
                    BattleWait(s);
                    ResolveTurn(s);
                } else {
                    ResolveTurn(s);
                    b.fled = true;
                    b.over = true;
                }
                break;
            case 'D':
                // Up to 19, so the last slot can be seen too.
                if (b.panel_start + 3 <= kEncounterSlots) b.panel_start += 3;
                break;
            case 'U':
                if (b.panel_start > 1) b.panel_start -= 3;
                break;
            default:
                taken = b.over;
                break;
        }
    }
}

}  // namespace

BattleResult BattleTurns(Session& s, bool end_when_cleared, bool run_allowed) {
    PlayState& play = s.play;
    BattleState& b = play.battle;
    UserRecord& user = s.users.current;

    for (;;) {
        for (int i = 1; i <= kEncounterSlots; ++i) {
            if (play.encounter[i] != 0 && b.hp[i] < 1) play.encounter[i] = 0;
        }
        const bool cleared = !AnyMonster(s);
        const bool dead = user.hp < 1;
        if (cleared || dead) b.over = true;
        // A dead player gets no further turn: regeneration could otherwise lift him back to 1.
        if (dead || (cleared && end_when_cleared)) break;

        StartTurn(s);
        TakeOrder(s, run_allowed);
        if (b.over) break;
    }

    EndBattle(s);
    if (user.hp < 1) return BattleResult::kLost;
    // Only a run ends the battle while monsters stand.
    return AnyMonster(s) ? BattleResult::kFled : BattleResult::kWon;
}

void ResolveTurn(Session& s) {
    UserRecord& user = s.users.current;
    s.writer.set_colours(9, 0);
    At(s, 11, 4, "Resolving, please wait...            ");
    MoveAll(s);
    if (HasSkill(user, Skill::kRegenerate) && user.hp < user.max_hp) user.hp = user.hp + 1;
    BlankMessageRows(s);
    if (s.play.battle.target != 0) PlayerStrike(s, s.play.battle.target);
    for (int i = 1; i <= kEncounterSlots; ++i) MonsterStrike(s, i);
    s.writer.set_colours(9, 0);
    At(s, 11, 4, std::string(38, ' '));
}

void MoveAll(Session& s) {
    BattleState& b = s.play.battle;
    const int target_column = b.player_column + b.player_step_column;
    const int target_row = b.player_row + b.player_step_row;
    for (int i = 1; i <= kEncounterSlots; ++i) {
        b.step_column[i] = 0;
        b.step_row[i] = 0;
        if (!Occupied(s, i)) continue;
        for (int n = 0; n < b.monster[i].moves; ++n) {
            const int column = b.column[i] + b.step_column[i];
            const int row = b.row[i] + b.step_row[i];
            const int dx = column - target_column;
            const int dy = row - target_row;
            if (std::abs(dx) == 1 && std::abs(dy) == 1) break;
            if (dx > 1 && column > 1) {
                --b.step_column[i];
            } else if (dx < -1 && column < 79) {
                ++b.step_column[i];
            } else if (dy < -1 && row < 19) {
                ++b.step_row[i];
            } else if (dy > 1 && row > 10) {
                --b.step_row[i];
            } else {
                break;
            }
        }
    }

    s.writer.set_colours(9, 0);
    At(s, 36, 4, "moving...");
    // Every old cell is cleared before any new one is drawn, so a monster stepping into a cell
    // just left by another stays visible.
    for (int i = 1; i <= kEncounterSlots; ++i) {
        if (Occupied(s, i)) EraseCell(s, b.column[i], b.row[i]);
    }
    EraseCell(s, b.player_column, b.player_row);
    for (int i = 1; i <= kEncounterSlots; ++i) {
        if (!Occupied(s, i)) continue;
        b.column[i] += b.step_column[i];
        b.row[i] += b.step_row[i];
        s.writer.set_colours(9, 2);
        DrawMonster(s, i);
    }
    b.player_column = target_column;
    b.player_row = target_row;
    DrawPlayer(s);
    s.writer.set_colours(9, 0);
}

void OpenDirections(Session& s) {
    BattleState& b = s.play.battle;
    b.open.fill(true);
    if (b.player_column >= 77) b.open[kEast] = false;
    if (b.player_row <= 11) b.open[kNorth] = false;
    if (b.player_column <= 4) b.open[kWest] = false;
    if (b.player_row >= 19) b.open[kSouth] = false;
    b.open[kNorthEast] = b.open[kNorth] && b.open[kEast];
    b.open[kNorthWest] = b.open[kNorth] && b.open[kWest];
    b.open[kSouthWest] = b.open[kSouth] && b.open[kWest];
    b.open[kSouthEast] = b.open[kSouth] && b.open[kEast];
}

bool ChooseDirection(Session& s) {
    BattleState& b = s.play.battle;
    b.player_step_column = 0;
    b.player_step_row = 0;
    if (std::none_of(b.open.begin(), b.open.end(), [](bool o) { return o; })) return false;
    ShowDirectionLabels(s);
    for (;;) {
        const int direction = DirectionOfKey(ReadBattleKey(s));
        if (s.time.ended) return false;
        if (direction < 0 || !b.open[direction]) continue;
        SetPlayerStep(s, direction);
        s.writer.set_colours(9, 0);
        return true;
    }
}

int ChooseTarget(Session& s, bool spell) {
    BlankMessageRows(s);
    s.writer.set_colours(9, 0);
    At(s, 37, 21, "Choose a Target...");
    for (int n = 1; n <= kEncounterSlots; ++n) {
        ShowTargetNumber(s, n, Targetable(s, n, spell) ? "|08" : "|00");
    }
    const int target =
        s.users.current.battle_option ? TargetByHighlight(s, spell) : TargetByLine(s, spell);
    s.writer.set_colours(9, 0);
    return target;
}

int CastBolt(Session& s, int target_column, int target_row, int player_column, int player_row) {
    UserRecord& user = s.users.current;
    if (user.mana <= 0) {
        user.mana = 0;
        return 0;
    }
    user.mana = user.mana - 1;
    int column = player_column;
    int row = player_row;
    // Each step brings at least one axis closer; the screen bounds any damaged position.
    for (int steps = 0; steps < kScreenColumns + kScreenRows; ++steps) {
        if (column == target_column && row == target_row) break;
        if (column != target_column) column += target_column > column ? 1 : -1;
        if (row != target_row) row += target_row > row ? 1 : -1;
        s.writer.set_colours(4, 2);
        s.writer.go_to(column, row);
        s.writer.print_text("*");
        Wait(s, 50);
        s.writer.set_colours(2, 2);
        s.writer.go_to(column, row);
        s.writer.put_character(kBoltTrail);
    }
    s.writer.set_colours(9, 0);
    return 1;
}

void PlayerStrike(Session& s, int slot) {
    if (!Occupied(s, slot)) return;
    BattleState& b = s.play.battle;
    UserRecord& user = s.users.current;
    const MonsterRecord& m = b.monster[slot];
    const WeaponRecord& w = s.world.weapon;

    const int roll = static_cast<int>(s.rng.random(40));
    if (roll == 0) return;
    const int magic = MagicAdditions(w.magic);
    const int hate = HateBonus(user, m.category);
    int to_hit = roll + user.hit_bonus + magic + hate;
    if (HasSkill(user, Skill::kAttackRoll2)) to_hit += 2;
    for (int k = 0; k < 4; ++k) {
        if (HasSkill(user, SkillAfter(Skill::kWeaponToHit1, k))) to_hit += k + 1;
    }
    if (HasSkill(user, Skill::kBowToHit) && w.type == 4) ++to_hit;
    if (HasSkill(user, Skill::kSwordToHit) && (w.type == 1 || w.type == 2)) ++to_hit;
    // An eight-bit sum that wrapped would turn the strongest attack into a miss.
    to_hit = std::min(to_hit, 255);

    if (m.armor_class > to_hit && !b.casting) {
        Message(s, "|12You missed!");
        return;
    }

    std::int64_t damage = 0;
    if (b.casting) {
        damage = b.bolt_damage;
    } else {
        damage = RollDamageDice(s.rng, w.dice, w.sides) +
                 static_cast<std::int64_t>(w.dice) * (magic + hate);
        if (m.abilities & kLargeCreature) damage += w.damage_bonus;
        if (HasSkill(user, Skill::kBackstab) && s.rng.random(3) == 1) damage *= 2;
    }
    damage = std::clamp<std::int64_t>(damage, 0, kMaxInt32);

    // A fatal strike keeps room for " Dead!" after it.
    Message(
        s, AboutMonster("|04You hit |12", m, "|04 for |09" + std::to_string(damage) + "|04 damage!",
                        damage >= b.hp[slot] ? 6 : 0));
    if (HasSkill(user, Skill::kVampiric) && !b.casting && user.hp < user.max_hp) {
        const std::int64_t heal = damage / 2;
        Message(s, "|04You heal |12" + std::to_string(heal) + "|04 hitpoints");
        user.hp = Clamp32(std::min<std::int64_t>(user.max_hp, user.hp + heal));
    }
    b.hp[slot] = static_cast<std::int32_t>(std::max<std::int64_t>(0, b.hp[slot] - damage));
    BattleWait(s);

    if (b.hp[slot] == 0) {
        s.play.encounter[slot] = 0;
        MessageGoesOn(s, " |12Dead!");
        EraseCell(s, b.column[slot], b.row[slot]);
        if (user.kills < 0xFFFF) user.kills = static_cast<std::uint16_t>(user.kills + 1);
        Message(s, "|04You gained |12" + std::to_string(m.reward) + "|04 gold/xp!");
        if (UpperCase(m.name.view()).find("DRAGON") != std::string::npos) {
            TellTheLeague(LeagueNewsKind::kDragonSlain, user.name.view(),
                          KeepOnlyColourCodes(user.name.view()) + " has slain the " +
                              KeepOnlyColourCodes(m.name.view()));
        }
        user.experience = Clamp32(static_cast<std::int64_t>(user.experience) + m.reward);
        user.gold = Clamp32(static_cast<std::int64_t>(user.gold) + m.reward);
        BattleWait(s);
    }
    s.writer.set_colours(9, 0);
}

void MonsterStrike(Session& s, int slot) {
    if (!Occupied(s, slot)) return;
    BattleState& b = s.play.battle;
    UserRecord& user = s.users.current;
    const MonsterRecord& m = b.monster[slot];
    // A reach of 0 would leave the monster unable to strike at all; it fights at arm's length.
    const int reach = std::max<int>(m.reach, 1);
    if (std::abs(b.column[slot] - b.player_column) > reach ||
        std::abs(b.row[slot] - b.player_row) > reach) {
        return;
    }

    const int roll = static_cast<int>(s.rng.random(40));
    if (b.first_attack) {
        b.first_attack = false;
        PlayerStrike(s, slot);
        // Slain by the first strike: it strikes no more.
        if (!Occupied(s, slot)) return;
    }
    if (roll == 0) return;
    int to_hit = roll + m.attack_bonus;
    if ((user.disadvantages & kGasMalus) && (m.attack_type == 1 || m.attack_type == 101)) {
        to_hit += 2;
    }
    const std::string name = m.name.str();
    if (to_hit < user.armor_class) {
        Message(s, AboutMonster("|12", m, " missed!"));
        BattleWait(s);
        return;
    }

    std::int64_t damage = RollDamageDice(s.rng, m.attack_dice, m.attack_sides);
    if (user.disadvantages & kDamagedAsLarge) {
        damage += static_cast<std::int64_t>(m.attack_dice) * m.large_bonus;
    }
    damage = AfterImmunities(user, m.attack_type, damage);
    damage = std::clamp<std::int64_t>(damage, 0, kMaxInt32);

    Message(
        s, AboutMonster("|04", m, "|04 hits you for |09" + std::to_string(damage) + "|04 damage!"));
    user.hp = Clamp32(static_cast<std::int64_t>(user.hp) - damage);
    BattleWait(s);
    s.play.cause_of_death = name;
    s.writer.set_colours(9, 0);
}

void ShowOpponents(Session& s) {
    const BattleState& b = s.play.battle;
    Writer& out = s.writer;
    for (int row = kFirstMessageRow; row <= kLastMessageRow; ++row) {
        const int slot = b.panel_start + row - kFirstMessageRow;
        // The whole row goes first: the longer messages that stood there leave nothing behind.
        BlankPanelRow(s, row);
        if (slot > kEncounterSlots) continue;
        out.set_colours(8, 0);
        out.print_text(std::to_string(slot) + "th");
        out.go_to(32, row);
        out.print_text(" opponent hit points:");
        out.set_colours(9, 0);
        out.go_to(53, row);
        out.print_text(Occupied(s, slot) ? std::to_string(b.hp[slot]) : "Unavailable");
    }
    out.set_colours(9, 0);
}

}  // namespace vorn
