// The public message areas of an installation, kept as a text file a sysop can edit and turned
// into msgarea.dat by mkareas. One area a line:
//     FILEBASE ; Area name ; read access ; post access ; most messages
// The last three may be left out (everyone reads and posts, 1000 messages); '#' starts a comment.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/message_area_record.hpp"

namespace vorn {

struct AreaListError {
    int line = 0;
    std::string message;
};

// The records of the listed areas, in order; every faulty line adds an error instead.
std::vector<MessageAreaRecord> ParseMessageAreaList(std::string_view text,
                                                    std::vector<AreaListError>& errors);

}  // namespace vorn
