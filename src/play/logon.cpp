#include "play/logon.hpp"

#include <string>
#include <string_view>

#include "common/config_files.hpp"
#include "common/io_check.hpp"
#include "common/night_file.hpp"
#include "common/player_file_names.hpp"
#include "common/text_case.hpp"
#include "common/user_night.hpp"
#include "core/session.hpp"
#include "mail/news.hpp"
#include "node/node_table.hpp"
#include "play/explore.hpp"
#include "play/main_sequence.hpp"
#include "player/character_creation.hpp"
#include "player/racial_skills.hpp"
#include "player/sleeping.hpp"
#include "player/user_files.hpp"
#include "term/line_editor.hpp"
#include "world/world_files.hpp"

namespace vorn {

namespace {

constexpr int kMaxPasswordLength = 26;
// The wrong password that ends the call, and the pause after the first one (doubled by each
// one after it).
constexpr int kWrongPasswordsPerCall = 3;
constexpr int kFirstWrongPasswordPauseMs = 1000;

std::string ReadPassword(Session& session) {
    return session.keys.input_line("", 0, CharacterRange(32, 254), "/PW", kMaxPasswordLength);
}

// The sysop's or the board's name: a remote caller who took one would pass for them.
bool ReservedName(const Session& session, std::string_view name) {
    const std::string typed = UpperCase(name);
    for (const std::string& reserved : {session.system.sysop_name, session.system.bbs_name}) {
        if (!reserved.empty() && UpperCase(reserved) == typed) return true;
    }
    return false;
}

std::string CallerPlace(Session& session) {
    const std::string address = session.platform.terminal.peer_address();
    return address.empty() ? "" : " from " + address;
}

// Guessing costs time and leaves a trace: every wrong password is logged with where the caller
// is, is followed by a pause that doubles each time, and the third of the call ends it.
void WrongPassword(Session& session, std::string_view name) {
    const int wrong = ++session.play.wrong_passwords;
    session.log("*Wrong password for " + std::string(name) + CallerPlace(session) + " (" +
                std::to_string(wrong) + " of " + std::to_string(kWrongPasswordsPerCall) + ")");
    if (wrong >= kWrongPasswordsPerCall) {
        session.writer.new_lines(1);
        session.writer.print_coded_line("|12Too many wrong passwords.");
        session.keys.delay(kFirstWrongPasswordPauseMs);  // long enough to be read
        session.time.note_end("wrong passwords");
        Terminate(session, false);
    }
    session.keys.delay(kFirstWrongPasswordPauseMs << (wrong - 1));
}

enum class Outcome { kLoggedOn, kNewAccount, kTryAgain, kGiveUp };

Outcome OneTry(Session& session) {
    Writer& out = session.writer;
    SetDefaultUser(session);
    out.clear_screen();
    out.show_display_file("logon.ans", 28);
    out.go_to(1, 17);
    out.print_text("User name: ");
    const std::string name = session.keys.input_line("", 0, CharacterRange(32, 254), "", 36);
    if (name.empty() || session.time.ended) return Outcome::kGiveUp;
    if (!session.line.local && ReservedName(session, name)) {
        session.log("*Logon as " + name + " refused" + CallerPlace(session));
        out.new_lines(1);
        out.print_coded_line("|12That name is not for callers: choose another.");
        session.keys.pause_key();
        return Outcome::kTryAgain;
    }
    UserRecord& user = session.users.current;
    user.real_name = name;
    if (FindUser(session, user, false, false)) {
        LoadUser(session, user.number);
        out.print_text("Password : ");
        const std::string typed = ReadPassword(session);
        if (session.time.ended) return Outcome::kGiveUp;
        const std::string stored = TransformPassword(session.users.current.password.view());
        if (UpperCase(typed) == UpperCase(stored)) return Outcome::kLoggedOn;
        WrongPassword(session, name);
        return Outcome::kTryAgain;
    }
    out.print_text("User name not found, create an account? ");
    if (!session.keys.ask_yes_no(false)) return Outcome::kTryAgain;
    for (;;) {
        out.print_text("Enter a password to use: ");
        const std::string first = ReadPassword(session);
        out.print_text("Enter password a second time: ");
        const std::string second = ReadPassword(session);
        if (session.time.ended) return Outcome::kGiveUp;
        if (UpperCase(first) == UpperCase(second)) {
            user.password = TransformPassword(second);
            return Outcome::kNewAccount;
        }
        out.print_line("Passwords do not match!");
    }
}

void AskNews(Session& session) {
    Writer& out = session.writer;
    out.clear_screen();
    out.print_text("Do you want to read the news? ");
    if (!session.keys.ask_yes_no(true)) return;
    ShowNews(session, "global");
    out.print_text("Do you want to read yesterday's news? ");
    if (session.keys.ask_yes_no(true)) ShowNews(session, "yestday");
    out.print_text("Do you want to read your personnal news? ");
    if (session.keys.ask_yes_no(true)) ShowPersonalNews(session);
}

// The player is in play on another live session: a second one would save over what the first
// wins. Back to the title menu.
void RefuseSecondSession(Session& session) {
    UserRecord& user = session.users.current;
    session.log("x" + user.name.str() + " is already playing on another node: logon refused");
    user.number = 0;
    Writer& out = session.writer;
    out.clear_screen();  // the title menu's art stands behind the cursor
    out.print_coded_line("|12You are already playing on another node.");
    session.keys.pause_key();
}

// The user files hold their last player: no new character can be made.
void RefuseNewCharacter(Session& session) {
    session.users.current.number = 0;
    session.log("xNo room for a new character: the user files are full");
    Writer& out = session.writer;
    out.clear_screen();  // the title menu's art stands behind the cursor
    out.print_coded_line("|12Sorry, this game has no room for another character.");
    session.keys.pause_key();
}

// The nights the nightly run passed the player over while he played on a node: their interest,
// rates, healing and sleep, each night once. The save below keeps them with his new stamp.
void SettleOwedNights(Session& session) {
    NightTerms terms;
    MaintSettings settings;
    terms.heal_everything =
        ReadMaintSettings(kMaintSettingsFile, settings) && settings.heal_everything;
    bool ok = true;
    const std::uint32_t paid =
        PayOwedNights(session.users.current, CurrentNight(), terms, session.rng, session.clock, ok);
    if (!ok) RuntimeIoError(kIoWriteError, PlayerNewsFileName(session.users.current.name.view()));
    if (paid > 0)
        session.log("Paid " + std::to_string(paid) + " night(s) owed since the last visit");
}

}  // namespace

int ArmorClassOf(Session& session) {
    const ArmorRecord& armor = session.world.armor;
    const UserRecord& user = session.users.current;
    int ac = armor.base_class;
    static constexpr int kMagicBits[] = {1, 2, 4, 8, 16};
    for (int b = 0; b < 5; ++b) {
        if (armor.magic & kMagicBits[b]) ac += b + 1;
    }
    if (HasSkill(user, Skill::kNaturalArmour4)) ac += 6;
    if (HasSkill(user, Skill::kNaturalArmour5)) ac += 5;
    if (HasSkill(user, Skill::kNaturalArmour6)) ac += 4;
    return ac & 0xFF;
}

void Logon(Session& session) {
    Writer& out = session.writer;
    bool new_account = false;
    // The player was found by his name at the logon: no second search.
    bool known = false;
    const bool typed_logon = !session.logged_on;
    if (typed_logon) {
        bool done = false;
        for (int attempt = 0; attempt < 3 && !done; ++attempt) {
            switch (OneTry(session)) {
                case Outcome::kLoggedOn:
                    known = true;
                    done = true;
                    break;
                case Outcome::kNewAccount:
                    new_account = true;
                    done = true;
                    break;
                case Outcome::kTryAgain:
                    break;
                case Outcome::kGiveUp:
                    return;
            }
        }
        if (!done) return;
    }

    UserRecord& user = session.users.current;
    if (!known && !new_account) {
        UserRecord probe = user;
        known = FindUser(session, probe, false, false);
    }
    if (known) {
        // The typed logon has loaded him for the password already.
        if (!typed_logon) LoadUser(session, user.number);
        if (!HoldPlayer(session, user.number)) {
            RefuseSecondSession(session);
            return;
        }
    }
    if (typed_logon) session.logged_on = true;
    if (!known) {
        if (!RoomForNewUser()) {
            RefuseNewCharacter(session);
            return;
        }
        const std::string real_name = user.real_name.str();
        const std::string password(user.password.view());
        out.clear_screen();
        out.show_display_file("guide.ans", 28);
        session.keys.pause_key();
        if (!new_account) SetDefaultUser(session);
        user.real_name = real_name;
        user.password = password;
        CreateCharacter(session);
        for (;;) {
            if (session.time.ended) return;
            const AddResult added = AddNewCharacter(session, user);
            if (added == AddResult::kAdded) break;
            if (added == AddResult::kFull) {
                RefuseNewCharacter(session);
                return;
            }
            if (added == AddResult::kCallerKnown) {
                // He has just created his character on another node, and plays there.
                RefuseSecondSession(session);
                return;
            }
            // Another caller took the name since it was asked.
            RefuseTakenName(session);
            ChooseCharacterName(session);
        }
        if (!HoldPlayer(session, user.number)) {
            RefuseSecondSession(session);
            return;
        }
        out.clear_screen();
    }
    LoadUser(session, user.number);
    ForgetIndexCopy(session);
    SettleOwedNights(session);
    if (user.deity == 0) ChooseDeity(session);
    if (user.religion_rank == 0) user.religion_rank = 1;
    LoadArmor(session, user.armor);
    LoadWeapon(session, user.weapon);
    user.in_inn = false;
    SaveUser(session, user);
    CheckSleeping(session);
    user.armor_class = static_cast<std::uint8_t>(ArmorClassOf(session));
    AskNews(session);
    const std::string address = session.platform.terminal.peer_address();
    session.log(">Logon: " + user.real_name.str() + " plays " + user.name.str() +
                (address.empty() ? "" : " from " + address));
    JoinNodeTable(session);
    Explore(session, true);
}

}  // namespace vorn
