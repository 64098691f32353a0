// The order of the player ranking: users.dat by experience, highest first. The order it leaves
// equal players in is part of what players see, so it is exactly that of the ranking's own
// in-place Shell sort on the file (gap halved each pass, equal records exchanged too), computed
// on the experience values alone, in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/record_file.hpp"
#include "common/user_records.hpp"

namespace vorn {

// Position p of the result holds the index (into `experience`) of the record that ends up at
// position p.
std::vector<std::uint32_t> RankingOrder(const std::vector<std::int32_t>& experience);

// The first places of the same order (at least `places` of them, all of them when there are no
// more), computed from the records that can reach them alone: a record below every one of them
// only sinks to the end of each chain of the sort and never changes where they go.
std::vector<std::uint32_t> RankingHead(const std::vector<std::int32_t>& experience,
                                       std::size_t places);

// The players of users.dat in ranking order. Opening reads only the experience field of each
// record; a record itself is read when its row is shown, so the first rows of a list of a hundred
// thousand players cost little more than those of a list of ten.
class RankedUsers {
  public:
    // Reads the experience of every record under a shared lock of the whole file (a save by
    // another node at the same moment lands before or after, never in the middle) and computes
    // the order of the first pages. The field is read through a mapping of the file, so only the
    // pages holding it are touched. False when users.dat cannot be opened or read.
    bool open(const std::string& users_path);
    std::uint64_t count() const { return experience_.size(); }
    // The record at place `place` (from 0) as it stands now, read whole under a shared lock of
    // its bytes. The order of the places past the first pages is computed, from the experience
    // read at the opening, when the first of them is asked for. False when it cannot be read.
    bool read(std::uint64_t place, UserRecord& record);

  private:
    RecordFile users_;
    std::vector<std::int32_t> experience_;
    std::vector<std::uint32_t> order_;
    bool whole_ = false;  // order_ holds every place
};

}  // namespace vorn
