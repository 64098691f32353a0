// What the file layer makes of a call that fails: the file it was working on is left as it was,
// or as a whole step further, never in between; interruptions and short transfers are taken up
// where they stopped.
#include "common/file_calls.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/city_files.hpp"
#include "common/message_base.hpp"
#include "common/node_lock_table.hpp"
#include "common/record_file.hpp"
#include "support/file_faults.hpp"
#include "support/test_session.hpp"

namespace vorn {
namespace {

std::int32_t Found(const std::string& name) {
    CityBuffers c{};
    c.city = NewCityRecord();
    c.city.name = name;
    const CityFilesLock lock;
    return AppendCity(c, lock);
}

bool PostText(MessageBase& base, const std::string& subject, int lines, std::uint16_t status) {
    MessageHeader h{};
    h.subject = subject;
    h.status = status;
    return base.append(std::vector<std::string>(static_cast<std::size_t>(lines), subject), h,
                       MessageLimit{}) == StoreResult::kStored;
}

// The subjects of the area, each checked against the text its header points at.
std::string Subjects(const std::string& file_base) {
    MessageBase base;
    if (!base.open("", file_base) || !base.hold()) return "cannot read";
    std::string out;
    for (std::uint32_t n = 1; n <= base.count(); ++n) {
        MessageHeader h;
        std::vector<std::string> lines;
        if (!base.read_header(n, h) || !base.read_text(h, lines)) return "unreadable";
        for (const std::string& line : lines) {
            if (line != h.subject.view()) return "text of another message";
        }
        out += h.subject.str() + " ";
    }
    return out;
}

struct FailedCall {
    const char* name;
    std::function<void()> before;  // lays out the files
    test::FaultPlan fault;
    std::function<void()> act;    // runs with the fault in place
    std::function<void()> after;  // looks at the files with the fault gone
};

TEST(FileCalls, AFailedCallLeavesTheFileAsItWasOrAWholeStepOn) {
    const FailedCall cases[] = {
        {"the count of cities cannot be opened",
         [] { ASSERT_EQ(Found("Alpha"), 1); },
         // The lock's open of cities.dat comes first, the count's second.
         {.call = 2, .error = EIO, .on_call = "open", .on_file = "cities.dat"},
         [] { Found("Beta"); },
         [] {
             CityBuffers c{};
             ASSERT_TRUE(LoadCity(c, 1));
             EXPECT_EQ(c.city.name.view(), "Alpha");
             // The other two files end where cities.dat does.
             EXPECT_EQ(test::ReadFile(kCityArmiesFile).size() / sizeof(CityArmyRecord),
                       test::ReadFile(kCitiesFile).size() / sizeof(CityRecord));
             EXPECT_EQ(test::ReadFile(kCityBuildingsFile).size() / sizeof(CityBuildingsRecord),
                       test::ReadFile(kCitiesFile).size() / sizeof(CityRecord));
         }},
        {"the node lock table cannot be read",
         [] {
             std::string table(kNodeLockTableSize, '\0');
             table[3] = 1;
             test::WriteFile(kNodeLockFile, table);
         },
         {.call = 1, .error = EIO, .every = true, .on_call = "pread", .on_file = "lockfile.lck"},
         [] {
             EXPECT_FALSE(UpdateNodeLockTable([](NodeLockTable& t) {
                 t[5] = 1;
                 return true;
             }));
         },
         [] {
             const std::string table = test::ReadFile(kNodeLockFile);
             ASSERT_EQ(table.size(), kNodeLockTableSize);
             EXPECT_EQ(table[3], 1);
             EXPECT_EQ(table[5], 0);
         }},
        {"a pack cannot put its new header file in place",
         [] {
             MessageBase base;
             ASSERT_TRUE(base.open("", "GEN"));
             ASSERT_TRUE(PostText(base, "gone", 2, kMessageDeleted));
             ASSERT_TRUE(PostText(base, "kept", 1, 0));
         },
         {.call = 1, .error = EIO, .every = true, .on_call = "rename", .on_file = "GEN.jhr"},
         [] { PackMessageBase("", "GEN"); },
         // The journal stays until the pack is finished, by whoever reads the area next.
         [] { EXPECT_EQ(Subjects("GEN"), "kept "); }},
    };
    for (const FailedCall& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        c.before();
        {
            const test::FaultyFileCalls fault(c.fault);
            c.act();
            EXPECT_TRUE(fault.record().fired);
        }
        c.after();
    }
}

}  // namespace
}  // namespace vorn
