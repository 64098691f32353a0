// The heartbeat arithmetic of the node table and the reader of its live nodes.
#include "common/node_records.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "common/record_file.hpp"

namespace vorn {

namespace {

constexpr std::uint32_t kSecondsPerDay = 86400;

}  // namespace

std::uint32_t NodeSecondsStamp(const DateTime& t) {
    return static_cast<std::uint32_t>(t.day) * kSecondsPerDay +
           static_cast<std::uint32_t>(t.hour * 3600 + t.minute * 60 + t.second);
}

std::uint32_t NodeHeartbeatAge(std::uint32_t heartbeat, const DateTime& now) {
    const std::uint32_t stamp = NodeSecondsStamp(now);
    if (heartbeat <= stamp) return stamp - heartbeat;
    const std::uint32_t beat_day = heartbeat / kSecondsPerDay;
    if (beat_day <= static_cast<std::uint32_t>(now.day)) return 0;  // a clock slightly ahead
    // From the last month that had the stamp's day: the rest of that month, the whole months
    // after it, then this month's stamp. A 31st seen in a month after a 30-day one is two months
    // old, not alive.
    std::uint64_t between = 0;
    int year = now.year;
    int month = now.month;
    for (int back = 0; back < 12; ++back) {
        year -= month == 1 ? 1 : 0;
        month = month == 1 ? 12 : month - 1;
        const auto days = static_cast<std::uint32_t>(DaysInMonth(year, month));
        if (beat_day <= days) {
            const std::uint64_t age = std::uint64_t{days + 1} * kSecondsPerDay - heartbeat +
                                      between + stamp - kSecondsPerDay;
            return age > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(age);
        }
        between += std::uint64_t{days} * kSecondsPerDay;
    }
    return UINT32_MAX;  // a day no month has
}

bool NodeRecordAlive(const NodeInfoRecord& record, const DateTime& now) {
    return record.node != 0 && record.heartbeat != 0 &&
           NodeHeartbeatAge(record.heartbeat, now) < kNodeAliveSeconds;
}

std::int32_t NodeDayNumber(const DateTime& t) {
    namespace chrono = std::chrono;
    const unsigned month = t.month >= 1 && t.month <= 12 ? static_cast<unsigned>(t.month) : 1;
    const unsigned day = t.day >= 1 && t.day <= 31 ? static_cast<unsigned>(t.day) : 1;
    // Counted so 1 Jan 1985 is day 1; a day past the end of its month runs on into the next.
    const chrono::sys_days date{chrono::year{t.year} / chrono::month{month} / chrono::day{day}};
    const chrono::sys_days first{chrono::year{1985} / chrono::January / chrono::day{1}};
    return static_cast<std::int32_t>((date - first).count() + 1);
}

std::int64_t NodeSecondsOn(const NodeInfoRecord& record, const DateTime& now) {
    const std::int64_t days = static_cast<std::int64_t>(NodeDayNumber(now)) - record.logon_time[0];
    const std::int64_t seconds =
        days * kSecondsPerDay + now.hour * 3600 + now.minute * 60 + now.second -
        (static_cast<std::int64_t>(record.logon_time[1]) * 3600 +
         static_cast<std::int64_t>(record.logon_time[2]) * 60 + record.logon_time[3]);
    return seconds > 0 ? seconds : 0;
}

std::string NodeTimeOnText(std::int64_t seconds) {
    if (seconds < 0) seconds = 0;
    const std::int64_t hours = std::min<std::int64_t>(seconds / 3600, 99);
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(hours),
                  static_cast<int>(seconds / 60 % 60));
    return text;
}

std::string NodeDataFileName(int node) {
    char name[24];
    std::snprintf(name, sizeof name, "nodedata.%03d", node);
    return name;
}

namespace {

std::string NodeDirectory(const std::string& temp_path, int node) {
    char directory[16];
    std::snprintf(directory, sizeof directory, "NODE.%03d/", node);
    return temp_path + directory;
}

}  // namespace

std::string NodeControlSocketPath(const std::string& temp_path, int node) {
    return NodeDirectory(temp_path, node) + kNodeControlSocketName;
}

std::string NodeAddressPath(const std::string& temp_path, int node) {
    return NodeDirectory(temp_path, node) + kNodeAddressFileName;
}

std::vector<NodeInfoRecord> ReadLiveNodes(const std::string& path, const DateTime& now) {
    std::vector<NodeInfoRecord> live;
    RecordFile file;
    if (!file.open(path, sizeof(NodeInfoRecord), RecordFile::Access::kRead)) return live;
    const std::uint64_t count = file.record_count();
    for (std::uint64_t i = 0; i < count && i < 255; ++i) {
        NodeInfoRecord record{};
        if (file.read_record(i, record) && record.node == i + 1 && NodeRecordAlive(record, now)) {
            live.push_back(record);
        }
    }
    return live;
}

}  // namespace vorn
