#include "common/ranking_order.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>

#include "common/file_calls.hpp"
#include "common/file_locks.hpp"
#include "common/record_file.hpp"
#include "common/user_records.hpp"

namespace vorn {

std::vector<std::uint32_t> RankingOrder(const std::vector<std::int32_t>& experience) {
    const std::size_t n = experience.size();
    std::vector<std::uint32_t> order(n);
    for (std::size_t i = 0; i < n; ++i) order[i] = static_cast<std::uint32_t>(i);

    // One pass with gap g is an insertion sort of every chain of positions k, k+g, k+2g, ...:
    // each record moves back past every record whose experience is not greater than its own.
    // So a chain ends sorted highest first, and records of equal experience end in the reverse
    // of their order before the pass. A stable sort of the reversed chain gives exactly that.
    std::vector<std::uint32_t> chain;
    for (std::size_t gap = n / 2; gap > 0; gap /= 2) {
        for (std::size_t start = 0; start < gap; ++start) {
            chain.clear();
            for (std::size_t p = start; p < n; p += gap) chain.push_back(order[p]);
            std::reverse(chain.begin(), chain.end());
            std::stable_sort(chain.begin(), chain.end(), [&](std::uint32_t a, std::uint32_t b) {
                return experience[a] > experience[b];
            });
            std::size_t k = 0;
            for (std::size_t p = start; p < n; p += gap) order[p] = chain[k++];
        }
    }
    return order;
}

namespace {

bool PreadAll(int fd, void* data, std::size_t size, off_t offset) {
    auto* bytes = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = sys::Pread(fd, bytes, size, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

}  // namespace

bool WriteRankedCopy(const std::string& users_path, const std::string& scratch_path) {
    constexpr std::size_t kSize = sizeof(UserRecord);
    constexpr std::size_t kExperience = offsetof(UserRecord, experience);
    const int in = sys::Open(users_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    const int out = sys::Open(scratch_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0664);
    if (out < 0) {
        sys::Close(in);
        return false;
    }
    LockWholeFile(in, F_RDLCK);

    const off_t end = ::lseek(in, 0, SEEK_END);
    const std::size_t count = end > 0 ? static_cast<std::size_t>(end) / kSize : 0;
    std::vector<std::int32_t> experience(count);
    bool ok = true;
    for (std::size_t i = 0; i < count && ok; ++i) {
        ok = PreadAll(in, &experience[i], sizeof(std::int32_t),
                      static_cast<off_t>(i * kSize + kExperience));
    }

    // Records go out in batches so the copy costs few system calls and little memory.
    constexpr std::size_t kBatch = 64;
    std::vector<char> buffer;
    buffer.reserve(kBatch * kSize);
    if (ok) {
        const std::vector<std::uint32_t> order = RankingOrder(experience);
        for (std::size_t p = 0; p < count && ok; ++p) {
            const std::size_t at = buffer.size();
            buffer.resize(at + kSize);
            ok = PreadAll(in, buffer.data() + at, kSize, static_cast<off_t>(order[p] * kSize));
            if (buffer.size() == kBatch * kSize || p + 1 == count) {
                ok = ok && WriteAll(out, std::string_view(buffer.data(), buffer.size()));
                buffer.clear();
            }
        }
    }
    sys::Close(in);
    ok = sys::Close(out) == 0 && ok;
    return ok;
}

}  // namespace vorn
