// The bank: what may be borrowed, deposits, withdrawals, loans, and the amounts that the
// record's 32-bit fields cannot hold.
#include <gtest/gtest.h>

#include "play/bank.hpp"
#include "play/town_fixture.hpp"

namespace vorn {
namespace {

TEST(LoanAvailable, AQuarterOfAllMoneyLessTheLoanNeverBelowZero) {
    UserRecord u{};
    u.gold = 300;
    u.bank = 100;
    EXPECT_EQ(LoanAvailable(u), 100);
    u.loan = 100;
    EXPECT_EQ(LoanAvailable(u), 0);
    u.loan = -40;  // an old negative loan counts by its size
    EXPECT_EQ(LoanAvailable(u), 60);
    u.loan = 500;
    EXPECT_EQ(LoanAvailable(u), 0);
    u.gold = 2'147'483'647;
    u.bank = 2'147'483'647;
    u.loan = 0;
    EXPECT_EQ(LoanAvailable(u), 1'073'741'823);  // no wrap in the sum
    u.gold = -7;
    u.bank = 0;
    EXPECT_EQ(LoanAvailable(u), 0);
}

TEST(Deposit, AmountsPastSixteenBitsAreTakenWhole) {
    test::Town t;
    t.user().gold = 50'000;
    t.terminal.type(test::Field("40000"));
    Deposit(t.session);
    EXPECT_EQ(t.user().gold, 10'000);
    EXPECT_EQ(t.user().bank, 40'000);
    EXPECT_TRUE(t.sent("Thanks!"));
}

TEST(Deposit, RefusalsChangeNothing) {
    struct Case {
        std::int32_t gold;
        std::int32_t bank;
        const char* typed;
        const char* message;
    } cases[] = {
        {100, 0, "0", "Canceled"},
        {100, 0, "", "Canceled"},
        {100, 0, "101", "Not enough money"},
        {100, 0, "9999999999", "Not enough money"},
        {100, 2'147'483'600, "100", "What you think you're doing?"},
    };
    for (const Case& c : cases) {
        test::Town t;
        t.user().gold = c.gold;
        t.user().bank = c.bank;
        t.terminal.type(test::Field(c.typed));
        Deposit(t.session);
        EXPECT_EQ(t.user().gold, c.gold) << c.typed;
        EXPECT_EQ(t.user().bank, c.bank) << c.typed;
        EXPECT_NE(test::RowText(t.session.writer, 16).find(c.message), std::string::npos)
            << c.typed << ": " << t.screen();
    }
}

TEST(Withdraw, MovesMoneyAndRefusesWhatTheBankDoesNotHold) {
    test::Town t;
    t.user().gold = 5;
    t.user().bank = 70'000;
    t.terminal.type(test::Field("70001"));
    Withdraw(t.session);
    EXPECT_EQ(t.user().bank, 70'000);
    EXPECT_NE(test::RowText(t.session.writer, 18).find("Not enough money in bank"),
              std::string::npos);

    test::Town full;
    full.user().gold = 2'147'483'000;
    full.user().bank = 1000;
    full.terminal.type(test::Field("1000"));
    Withdraw(full.session);
    EXPECT_EQ(full.user().gold, 2'147'483'000);
    EXPECT_EQ(full.user().bank, 1000);

    test::Town ok;
    ok.user().bank = 70'000;
    ok.terminal.type("\r");  // the field starts with the whole balance
    Withdraw(ok.session);
    EXPECT_EQ(ok.user().gold, 70'000);
    EXPECT_EQ(ok.user().bank, 0);
}

TEST(Loans, TakingIsLimitedToTheAvailableAmount) {
    test::Town t;
    t.user().gold = 300;
    t.user().bank = 100;
    t.terminal.type("T" + test::Field("101"));
    Loans(t.session);
    EXPECT_EQ(t.user().gold, 300);
    EXPECT_EQ(t.user().loan, 0);
    EXPECT_TRUE(t.sent("You can't do that!"));

    test::Town ok;
    ok.user().gold = 300;
    ok.user().bank = 100;
    ok.terminal.type("T\r");  // pre-filled with the 100 available
    Loans(ok.session);
    EXPECT_EQ(ok.user().gold, 400);
    EXPECT_EQ(ok.user().loan, 100);
}

TEST(Loans, RepaymentStopsAtTheLoan) {
    test::Town t;
    t.user().gold = 1000;
    t.user().loan = 100;
    t.terminal.type("R" + test::Field("250"));
    Loans(t.session);
    EXPECT_EQ(t.user().loan, 0);
    EXPECT_EQ(t.user().gold, 900);

    test::Town poor;
    poor.user().gold = 10;
    poor.user().loan = 100;
    poor.terminal.type("R\r");
    Loans(poor.session);
    EXPECT_EQ(poor.user().loan, 100);
    EXPECT_EQ(poor.user().gold, 10);
    EXPECT_TRUE(poor.sent("Not enough money"));

    test::Town none;
    none.user().gold = 10;
    none.terminal.type("R" + test::Field("5"));
    Loans(none.session);
    EXPECT_EQ(none.user().loan, 0);
    EXPECT_EQ(none.user().gold, 10);
    EXPECT_TRUE(none.sent("Canceled"));
}

TEST(BankMenu, ComesBackAfterEachScreenUntilQuit) {
    test::Town t;
    t.user().gold = 100;
    t.terminal.type("D" + test::Field("60") + "W" + test::Field("10") + "Q");
    BankMenu(t.session);
    EXPECT_EQ(t.user().gold, 50);
    EXPECT_EQ(t.user().bank, 50);
    EXPECT_FALSE(t.session.time.ended);
    // Each word of the menu stands out from the black behind it (dark blue would not).
    for (int row = 20; row <= 23; ++row) {
        const int foreground = test::CellAttribute(t.session.writer, 32, row) & 15;
        EXPECT_TRUE(foreground != 0 && foreground != 1 && foreground != 8)
            << test::RowText(t.session.writer, row);
    }
}

}  // namespace
}  // namespace vorn
