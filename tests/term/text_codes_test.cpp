// Value codes, parameters and widths.
#include "term/text_codes.hpp"

#include "support/session_fixture.hpp"

namespace vorn::test {
namespace {

class TextCodesTest : public SessionFixture {
  protected:
    TextCodesTest() {
        UserRecord& u = session.users.current;
        u.name = "Joe";
        u.real_name = "Joe Bloggs";
        u.sig_lines = 2;
        u.signature[0] = "first";
        u.signature[1] = "second";
        u.posts = 1234;
        u.emails = 5;
    }

    std::string value(std::string_view code) {
        return ExpandValueCode(session, code) ? session.codes.code_value : "<unknown>";
    }
};

TEST_F(TextCodesTest, PlayerAndSessionValues) {
    EXPECT_EQ(value("%UN"), "Joe");
    EXPECT_EQ(value("%un"), "Joe");
    EXPECT_EQ(value("%ZZ"), "<unknown>");
    EXPECT_EQ(value("%UZ"), "<unknown>");
    EXPECT_EQ(value("%A2"), "second");
    EXPECT_EQ(value("%A3"), "<unknown>");
    EXPECT_EQ(value("%AL"), "2");
    EXPECT_EQ(value("%UP"), "1,234");
    EXPECT_EQ(value("%UE"), "5");
    EXPECT_EQ(value("%LA"), "n/a");
    EXPECT_EQ(value("%PL"), "24");
    EXPECT_EQ(value("%IN"), "Vornhold");
    EXPECT_EQ(value("%VL"), "1.00 alpha 20 [Linux]");
    EXPECT_EQ(value("%IS"), "<unknown>");  // empty counts as unknown
    session.nodes.number = 7;
    EXPECT_EQ(value("%ND"), "7");
    EXPECT_EQ(WithThousands(1234567), "1,234,567");
    EXPECT_EQ(WithThousands(999), "999");
}

TEST_F(TextCodesTest, Initials) {
    UserRecord& u = session.users.current;
    u.name = "Joe Bloggs";
    EXPECT_EQ(value("%UI"), "JB");
    u.name = "Mary-Ann";
    EXPECT_EQ(value("%UI"), "MA");
    u.name = "Joe";
    EXPECT_EQ(value("%UI"), "Jo");
    u.name = "Joe  Double";  // the character after the space is a space
    EXPECT_EQ(value("%UI"), "Jo");
    u.name = "Al ";
    EXPECT_EQ(value("%UI"), "Al");
}

TEST_F(TextCodesTest, DatesAndTimes) {
    DateTime t;
    t.year = 2026;
    t.month = 3;
    t.day = 4;
    t.hour = 13;
    t.minute = 5;
    t.second = 9;
    clock.set(t);
    EXPECT_EQ(value("%TI"), "1:05pm");
    EXPECT_EQ(value("%TM"), "13:05:09");
    EXPECT_EQ(value("%DT"), "03/04/2026");
    t.hour = 0;
    t.minute = 30;
    clock.set(t);
    EXPECT_EQ(value("%TI"), "12:30am");
    t.hour = 12;
    clock.set(t);
    EXPECT_EQ(value("%TI"), "12:30pm");
}

TEST_F(TextCodesTest, Parameters) {
    EXPECT_EQ(FormatValue("Joe", "fU"), "JOE");
    EXPECT_EQ(FormatValue("JOE", "fl"), "joe");
    EXPECT_EQ(FormatValue("o'neil mc-DUFF 2nd", "fC"), "O'neil Mc-Duff 2nd");
    EXPECT_EQ(FormatValue("hello world", "fw"), "HeLLo WoRLD");
    EXPECT_EQ(FormatValue("Total Elite", "f3"), "70741 31i73");
    EXPECT_EQ(FormatValue("Joe", "c12,07"), "|12J|07oe");
    EXPECT_EQ(FormatValue("J", "c12,7,3"), "|12J|07|03");
    EXPECT_EQ(FormatValue("|04Joe", "c12"), "|04Joe");  // already coloured
    EXPECT_EQ(FormatValue("Joe", "m5"), "Joe  ");
    EXPECT_EQ(FormatValue("|12Joseph", "m3"), "|12Jos");
    EXPECT_EQ(FormatValue("  one two  three", "w3"), "three");
    EXPECT_EQ(FormatValue("one two", "w3"), "");
    EXPECT_EQ(FormatValue("one two", "w0"), "");
    EXPECT_EQ(FormatValue("Joe", "w1fU"), "JOE");
    EXPECT_EQ(FormatValue("Joe", "f"), "Joe");  // a command needs an argument
    EXPECT_EQ(FormatValue(std::string(300, 'a'), "m999").size(), 255u);
}

TEST_F(TextCodesTest, WidthsCountOnlyVisibleCharacters) {
    EXPECT_EQ(VisibleLength("|12Jo|b3e|"), 4u);
    EXPECT_EQ(ShapeToWidth("Joe", 10, true), "Joe       ");
    EXPECT_EQ(ShapeToWidth("Joe", 2, false), "Jo");
    EXPECT_EQ(ShapeToWidth("|12Joe", 2, true), "|12Jo");
    EXPECT_EQ(ShapeToWidth("Joe", 255, false), "Joe");
    std::string param;
    EXPECT_EQ(ParameterAt("(fU)rest", 0, param), 4u);
    EXPECT_EQ(param, "fU");
    EXPECT_EQ(ParameterAt("(f(U)", 0, param), 0u);
    EXPECT_EQ(ParameterAt("(fU", 0, param), 0u);
}

TEST_F(TextCodesTest, ExpandText) {
    EXPECT_EQ(ExpandText(session, "Hi %UN, %ZZ 100%", 0), "Hi Joe, %ZZ 100%");
    EXPECT_EQ(ExpandText(session, "|12%RN", 5), "|12Joe B");
}

}  // namespace
}  // namespace vorn::test
