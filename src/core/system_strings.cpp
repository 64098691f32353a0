#include "core/system_strings.hpp"

#include <cerrno>
#include <cstring>

namespace vorn {

namespace {

constexpr const char* kDefaults[kSystemStringCount] = {
#include "core/default_strings.inc"
};

using Record = std::array<std::uint8_t, kSystemStringRecordSize>;

Record RecordOf(std::string_view text) {
    Record r{};
    const std::size_t n = std::min<std::size_t>(text.size(), 255);
    r[0] = static_cast<std::uint8_t>(n);
    std::memcpy(r.data() + 1, text.data(), n);
    return r;
}

std::string TextOf(const Record& r) {
    return std::string(reinterpret_cast<const char*>(r.data() + 1), r[0]);
}

}  // namespace

std::string_view DefaultSystemString(int n) {
    if (n < 1 || n > kSystemStringCount) return {};
    return kDefaults[n - 1];
}

SystemStrings::Attempt SystemStrings::try_open(const std::string& path, bool& created) {
    if (file_.open(path, kSystemStringRecordSize, RecordFile::Access::kReadWrite)) {
        return Attempt::kOpened;
    }
    const int err = file_.error();
    if (err == ENOENT) {
        if (file_.create(path, kSystemStringRecordSize)) {
            created = true;
            return Attempt::kOpened;
        }
        return file_.error() == EACCES ? Attempt::kAccessDenied : Attempt::kFailed;
    }
    if (err == EACCES || err == EPERM) {
        // A table that is complete can be served read-only; only a repair needs to write.
        if (file_.open(path, kSystemStringRecordSize, RecordFile::Access::kRead) &&
            file_.record_count() >= kSystemStringCount) {
            return Attempt::kOpened;
        }
        file_.close();
        return Attempt::kAccessDenied;
    }
    return Attempt::kFailed;
}

void SystemStrings::repair(bool created) {
    const std::uint64_t count = file_.record_count();
    if (!created && count >= kSystemStringCount) return;
    for (std::uint64_t k = 0; k < count && k < kSystemStringCount; ++k) {
        Record r{};
        file_.read_checked(k, r.data());
        const std::string text = TextOf(r);
        if (text.find_first_not_of(' ') == std::string::npos) {
            const Record fixed = RecordOf(DefaultSystemString(static_cast<int>(k) + 1));
            file_.write_checked(k, fixed.data());
        }
    }
    for (std::uint64_t k = count; k < kSystemStringCount; ++k) {
        const Record fixed = RecordOf(DefaultSystemString(static_cast<int>(k) + 1));
        file_.write_checked(k, fixed.data());
    }
}

std::string SystemStrings::cached(std::uint16_t n) {
    if (n == 0 || n > kSystemStringCount) return {};
    for (std::size_t s = 0; s < slot_number_.size(); ++s) {
        if (slot_number_[s] == n) return TextOf(slot_text_[s]);
    }
    // A miss: every slot moves down one, the last is dropped, and the new text goes in slot 1.
    for (std::size_t s = slot_number_.size() - 1; s > 0; --s) {
        slot_number_[s] = slot_number_[s - 1];
        slot_text_[s] = slot_text_[s - 1];
    }
    slot_number_[0] = n;
    slot_text_[0] = Record{};
    file_.read_checked(n - 1u, slot_text_[0].data());
    return TextOf(slot_text_[0]);
}

}  // namespace vorn
