#include "common/ranking_order.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <functional>

#include "common/file_lock.hpp"
#include "common/record_file.hpp"
#include "common/user_records.hpp"

namespace vorn {

std::vector<std::uint32_t> RankingOrder(const std::vector<std::int32_t>& experience) {
    const std::size_t n = experience.size();
    // Each place holds its record's experience beside the record's index, so a pass reads no
    // other array.
    struct Placed {
        std::int32_t experience;
        std::uint32_t index;
    };
    std::vector<Placed> at(n);
    for (std::size_t i = 0; i < n; ++i) at[i] = {experience[i], static_cast<std::uint32_t>(i)};
    const auto higher = [](const Placed& a, const Placed& b) {
        return a.experience > b.experience;
    };

    // One pass with gap g is an insertion sort of every chain of positions k, k+g, k+2g, ...:
    // each record moves back past every record whose experience is not greater than its own.
    // So a chain ends sorted highest first, and records of equal experience end in the reverse
    // of their order before the pass. A stable sort of the reversed chain gives exactly that;
    // short chains (most of them, in the early passes) are sorted by insertion, which is stable.
    std::vector<Placed> chain;
    for (std::size_t gap = n / 2; gap > 0; gap /= 2) {
        for (std::size_t start = 0; start < gap; ++start) {
            chain.clear();
            const std::size_t last = start + (n - 1 - start) / gap * gap;
            for (std::size_t p = last + gap; p > start;) {
                p -= gap;
                chain.push_back(at[p]);
            }
            if (chain.size() <= 32) {
                for (std::size_t i = 1; i < chain.size(); ++i) {
                    const Placed moving = chain[i];
                    std::size_t j = i;
                    for (; j > 0 && higher(moving, chain[j - 1]); --j) chain[j] = chain[j - 1];
                    chain[j] = moving;
                }
            } else {
                std::stable_sort(chain.begin(), chain.end(), higher);
            }
            std::size_t k = 0;
            for (std::size_t p = start; p < n; p += gap) at[p] = chain[k++];
        }
    }
    std::vector<std::uint32_t> order(n);
    for (std::size_t i = 0; i < n; ++i) order[i] = at[i].index;
    return order;
}

std::vector<std::uint32_t> RankingHead(const std::vector<std::int32_t>& experience,
                                       std::size_t places) {
    const std::size_t n = experience.size();
    if (places >= n || places == 0) return RankingOrder(experience);
    // The experience of the last place asked for: the head is every record at or above it.
    std::vector<std::int32_t> values(experience);
    const auto last = values.begin() + static_cast<std::ptrdiff_t>(places - 1);
    std::nth_element(values.begin(), last, values.end(), std::greater<>());
    const std::int32_t least = *last;
    struct Tracked {
        std::int32_t experience;
        std::uint32_t index;
        std::size_t position;
    };
    std::vector<Tracked> head;
    for (std::size_t i = 0; i < n; ++i) {
        if (experience[i] >= least)
            head.push_back({experience[i], static_cast<std::uint32_t>(i), i});
    }
    // Ties so many that the head is a good part of the file: the whole order costs no more.
    if (head.size() > n / 4) return RankingOrder(experience);

    // In each pass the head's records of a chain take its first positions (every other record
    // of the chain is lower), higher first, equal ones in the reverse of their order before the
    // pass, as in RankingOrder.
    for (std::size_t gap = n / 2; gap > 0; gap /= 2) {
        std::sort(head.begin(), head.end(), [gap](const Tracked& a, const Tracked& b) {
            const std::size_t chain_a = a.position % gap;
            const std::size_t chain_b = b.position % gap;
            if (chain_a != chain_b) return chain_a < chain_b;
            if (a.experience != b.experience) return a.experience > b.experience;
            return a.position > b.position;
        });
        for (std::size_t k = 0; k < head.size();) {
            const std::size_t chain = head[k].position % gap;
            for (std::size_t p = chain; k < head.size() && head[k].position % gap == chain;
                 ++k, p += gap) {
                head[k].position = p;
            }
        }
    }
    std::sort(head.begin(), head.end(),
              [](const Tracked& a, const Tracked& b) { return a.position < b.position; });
    std::vector<std::uint32_t> order(head.size());
    for (std::size_t p = 0; p < head.size(); ++p) order[p] = head[p].index;
    return order;
}

namespace {

// Places worked out at the opening: the first pages of the list, whatever records among them
// are left out of it (deleted players).
constexpr std::size_t kHeadPlaces = 256;

// The experience of each of `count` records: from a read-only mapping of the file when the
// system gives one, else by a read of the field per record.
bool ReadExperience(int fd, std::size_t count, std::vector<std::int32_t>& experience) {
    constexpr std::size_t kSize = sizeof(UserRecord);
    constexpr std::size_t kField = offsetof(UserRecord, experience);
    experience.resize(count);
    if (count == 0) return true;
    void* map = ::mmap(nullptr, count * kSize, PROT_READ, MAP_SHARED, fd, 0);
    if (map != MAP_FAILED) {
        const auto* bytes = static_cast<const char*>(map);
        for (std::size_t i = 0; i < count; ++i) {
            std::memcpy(&experience[i], bytes + i * kSize + kField, sizeof(std::int32_t));
        }
        ::munmap(map, count * kSize);
        return true;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (FullPread(fd, &experience[i], sizeof(std::int32_t),
                      static_cast<off_t>(i * kSize + kField)) != sizeof(std::int32_t)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool RankedUsers::open(const std::string& users_path) {
    order_.clear();
    experience_.clear();
    whole_ = false;
    if (!users_.open(users_path, sizeof(UserRecord), RecordFile::Access::kRead)) return false;
    LockWholeFile(users_.fd(), LockKind::kShared);
    const bool read = ReadExperience(users_.fd(), users_.record_count(), experience_);
    UnlockWholeFile(users_.fd());
    if (!read) {
        users_.close();
        experience_.clear();
        return false;
    }
    order_ = RankingHead(experience_, kHeadPlaces);
    whole_ = order_.size() == experience_.size();
    return true;
}

bool RankedUsers::read(std::uint64_t place, UserRecord& record) {
    if (place >= experience_.size()) return false;
    if (place >= order_.size() && !whole_) {
        order_ = RankingOrder(experience_);
        whole_ = true;
    }
    const std::uint64_t index = order_[place];
    const int fd = users_.fd();
    LockRange(fd, LockKind::kShared, index * sizeof(UserRecord), sizeof(UserRecord));
    const bool ok = users_.read_record(index, record);
    UnlockRange(fd, index * sizeof(UserRecord), sizeof(UserRecord));
    return ok;
}

}  // namespace vorn
