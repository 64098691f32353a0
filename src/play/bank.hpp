// Vornville's bank: deposits, withdrawals and loans against the gold the player carries and
// keeps in the bank. Every amount that cannot be held in the record's 32-bit fields is refused.
#pragma once

#include <cstdint>

namespace vorn {

struct Session;
struct UserRecord;

// A quarter of gold and bank together (truncated toward zero) less the loan's size; never
// below 0.
std::int64_t LoanAvailable(const UserRecord& user);

void BankMenu(Session& session);
void Deposit(Session& session);
void Withdraw(Session& session);
void Loans(Session& session);

}  // namespace vorn
