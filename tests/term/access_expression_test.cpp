// Access expressions: conditions, negation, "or" inside groups, "and" between neighbours.
#include "term/access_expression.hpp"

#include "support/session_fixture.hpp"

namespace vorn::test {
namespace {

class AccessTest : public SessionFixture {
  protected:
    AccessTest() {
        DateTime t;
        t.weekday = 2;  // Tuesday: W3
        t.hour = 22;
        t.minute = 15;
        clock.set(t);
        session.nodes.number = 2;
        session.users.current.posts = 10;
        session.users.current.number = 42;
    }
    bool ok(std::string_view e) { return CheckAccess(session, e); }
};

TEST_F(AccessTest, Conditions) {
    EXPECT_TRUE(ok(""));
    EXPECT_TRUE(ok("h22"));
    EXPECT_FALSE(ok("H21"));
    EXPECT_TRUE(ok("N2"));
    EXPECT_TRUE(ok("P10"));
    EXPECT_FALSE(ok("P11"));
    EXPECT_TRUE(ok("U42"));
    EXPECT_TRUE(ok("W3"));
    EXPECT_TRUE(ok("Y1335"));
    EXPECT_FALSE(ok("Y1336"));
    EXPECT_TRUE(ok("T59"));  // an hour before logon
    EXPECT_FALSE(ok("T61"));
    EXPECT_FALSE(ok("B"));
    EXPECT_FALSE(ok("=1"));
    session.line.remote = true;
    EXPECT_TRUE(ok("B"));
    EXPECT_TRUE(ok("=x"));
    EXPECT_FALSE(ok("*1"));
    EXPECT_FALSE(ok("Q5"));  // a letter without a meaning denies
    // N takes exactly one character: N22 is N2 followed by a stray digit.
    EXPECT_TRUE(ok("N22"));
}

TEST_F(AccessTest, Combinations) {
    EXPECT_TRUE(ok("N2&P5"));
    EXPECT_TRUE(ok("N2P5"));
    EXPECT_FALSE(ok("N2P50"));
    EXPECT_TRUE(ok("N1|N2"));
    EXPECT_FALSE(ok("N1|N3"));
    EXPECT_TRUE(ok("!N1"));
    EXPECT_FALSE(ok("!N2"));
    // "|" binds tighter than "and": N3 (N1 | N2) is false, (N3 N1) | N2 would be true.
    EXPECT_FALSE(ok("N3N1|N2"));
    EXPECT_TRUE(ok("(N3N1)|N2"));
    EXPECT_TRUE(ok("(H21|H22)&(N1|N2)"));
    EXPECT_FALSE(ok("!(N1|N2)"));
    EXPECT_TRUE(ok("!(N1|N3)"));
}

TEST_F(AccessTest, MalformedExpressionsStillAnswer) {
    EXPECT_TRUE(ok("((N2"));
    EXPECT_FALSE(ok("N1))"));
    EXPECT_TRUE(ok("||&&"));
    EXPECT_FALSE(ok("(N2|)N1"));
    EXPECT_EQ(AccessConditions(session, "N1|!N1&(P1)"), "%|^(^)");
    EXPECT_FALSE(FoldAccessConditions("^(%|%)^"));
}

}  // namespace
}  // namespace vorn::test
