// Test names as ctest and a failure report show them: a parameterised case is named after what
// it checks, and its parameter prints as words, never as a dump of its bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

namespace {

TEST(TestNames, ParameterisedCasesHaveReadableNamesAndParameters) {
    const ::testing::UnitTest& unit = *::testing::UnitTest::GetInstance();
    for (int i = 0; i < unit.total_test_suite_count(); ++i) {
        const ::testing::TestSuite& suite = *unit.GetTestSuite(i);
        for (int j = 0; j < suite.total_test_count(); ++j) {
            const ::testing::TestInfo& test = *suite.GetTestInfo(j);
            if (test.value_param() == nullptr) continue;
            const std::string name = test.name();
            const std::string last = name.substr(name.rfind('/') + 1);
            const std::string where = std::string(suite.name()) + "." + name;
            EXPECT_FALSE(
                std::all_of(last.begin(), last.end(),
                            [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
                << where << " is numbered, not named";
            EXPECT_EQ(std::string(test.value_param()).find("-byte object"), std::string::npos)
                << where << " prints its parameter as bytes";
        }
    }
}

}  // namespace
