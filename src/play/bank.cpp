#include "play/bank.hpp"

#include <algorithm>
#include <string>

#include "core/session.hpp"
#include "play/town_prompts.hpp"
#include "player/user_files.hpp"

namespace vorn {

namespace {

constexpr const char* kCanceled = "Canceled";
constexpr const char* kNotEnough = "Not enough money";
constexpr const char* kNonsense = "What you think you're doing?";
constexpr const char* kThanks = "Thanks!";

void ValueAt(Session& session, int column, int row, int colour, std::int64_t value) {
    session.writer.go_to(column, row);
    session.writer.set_foreground(colour);
    session.writer.print_text(std::to_string(value));
}

void MenuLine(Session& session, int row, char key, const char* rest, int colour) {
    Writer& out = session.writer;
    out.go_to(28, row);
    out.set_foreground(15);
    out.print_text("[");
    out.set_foreground(14);
    out.put_character(static_cast<std::uint8_t>(key));
    out.set_foreground(15);
    out.print_text("]");
    out.set_foreground(colour);
    out.print_text(rest);
}

}  // namespace

std::int64_t LoanAvailable(const UserRecord& user) {
    const std::int64_t loan = user.loan;
    const std::int64_t available =
        (static_cast<std::int64_t>(user.gold) + user.bank) / 4 - (loan < 0 ? -loan : loan);
    return std::max<std::int64_t>(available, 0);
}

void BankMenu(Session& session) {
    Writer& out = session.writer;
    for (;;) {
        out.clear_screen();
        out.show_display_file("bankmain.ans", 28);
        MenuLine(session, 20, 'D', "eposit", 2);
        MenuLine(session, 21, 'W', "ithdraw", 9);
        MenuLine(session, 22, 'L', "oans", 4);
        MenuLine(session, 23, 'Q', "uit", 12);
        switch (ReadMenuKey(session, "DLQW")) {
            case 'D':
                Deposit(session);
                break;
            case 'W':
                Withdraw(session);
                break;
            case 'L':
                Loans(session);
                break;
            default:
                SaveUser(session, session.users.current);
                return;
        }
    }
}

namespace {

// Deposit and withdrawal move money between the purse and the bank alike; they differ in the
// screen, the places on it, which side the money leaves, and the refusal when it is short.
struct Transfer {
    const char* screen;
    int value_column;
    int first_value_row;
    int input_column;
    int input_row;
    int message_row;
    bool to_bank;
    const char* too_much;
};

void MoveMoney(Session& session, const Transfer& t) {
    UserRecord& user = session.users.current;
    Writer& out = session.writer;
    out.show_display_file(t.screen, 28);
    I32& from = t.to_bank ? user.gold : user.bank;
    I32& to = t.to_bank ? user.bank : user.gold;
    if (t.to_bank) {
        ValueAt(session, t.value_column, t.first_value_row, 14, user.gold);
        ValueAt(session, t.value_column, t.first_value_row + 1, 14, user.bank);
    } else {
        ValueAt(session, t.value_column, t.first_value_row, 14, user.bank);
        ValueAt(session, t.value_column, t.first_value_row + 1, 9, user.gold);
    }
    out.go_to(t.input_column, t.input_row);
    out.set_foreground(15);
    const std::int64_t amount =
        ReadAmount(session, std::to_string(std::max<std::int32_t>(from, 0)), 10);
    if (amount == 0) {
        MessageAt(session, 1, t.message_row, 12, kCanceled);
    } else if (amount > from) {
        MessageAt(session, 1, t.message_row, 12, t.too_much);
    } else if (to + amount > kMostMoney) {
        MessageAt(session, 1, t.message_row, 12, kNonsense);
    } else {
        from = static_cast<std::int32_t>(from - amount);
        to = static_cast<std::int32_t>(to + amount);
        SaveUser(session, user);
        MessageAt(session, 1, t.message_row, 9, kThanks);
    }
}

}  // namespace

void Deposit(Session& session) {
    MoveMoney(session, {"bankdepo.ans", 52, 3, 50, 8, 16, true, kNotEnough});
}

void Withdraw(Session& session) {
    MoveMoney(session, {"bankwith.ans", 57, 4, 52, 9, 18, false, "Not enough money in bank"});
}

void Loans(Session& session) {
    UserRecord& user = session.users.current;
    Writer& out = session.writer;
    const std::int64_t available = LoanAvailable(user);
    out.clear_screen();
    out.show_display_file("bankloan.ans", 28);
    ValueAt(session, 68, 3, 14, user.loan_rate);
    ValueAt(session, 66, 6, 14, user.loan);
    ValueAt(session, 66, 10, 14, available);
    const char key = ReadMenuKey(session, "QRT");
    if (key != 'R' && key != 'T') return;

    out.set_foreground(7);
    for (int row = 12; row <= 14; ++row) {
        out.go_to(57, row);
        out.print_text(std::string(15, ' '));
    }
    out.go_to(70, 11);
    if (key == 'R') {
        out.set_foreground(9);
        out.print_text("Refund");
    } else {
        out.set_foreground(4);
        out.print_text("Take  ");
    }
    out.go_to(57, 13);
    out.print_text("How much? ");
    const std::int64_t prefill = key == 'R' ? std::max<std::int32_t>(user.loan, 0) : available;
    std::int64_t amount = ReadAmount(session, std::to_string(prefill), 10);

    if (key == 'R') {
        // More than the loan would turn the surplus into a negative loan that earns nothing and
        // blocks later loans: only the loan itself is taken back.
        amount = std::min<std::int64_t>(amount, user.loan);
        if (amount <= 0) {
            MessageAt(session, 1, 18, 12, kCanceled);
        } else if (amount > user.gold) {
            MessageAt(session, 1, 18, 12, kNotEnough);
        } else {
            user.gold = static_cast<std::int32_t>(user.gold - amount);
            user.loan = static_cast<std::int32_t>(user.loan - amount);
            MessageAt(session, 1, 18, 9, kThanks);
        }
    } else {
        if (amount == 0) {
            MessageAt(session, 1, 18, 12, kCanceled);
        } else if (amount > available || user.gold + amount > kMostMoney ||
                   user.loan + amount > kMostMoney) {
            MessageAt(session, 1, 18, 12, "You can't do that!");
        } else {
            user.gold = static_cast<std::int32_t>(user.gold + amount);
            user.loan = static_cast<std::int32_t>(user.loan + amount);
            MessageAt(session, 1, 18, 9, kThanks);
        }
    }
    SaveUser(session, user);
}

}  // namespace vorn
