#include "common/file_calls.hpp"

namespace vorn {

namespace sys::detail {
FileCalls* installed = nullptr;
}  // namespace sys::detail

void SetFileCalls(FileCalls* calls) {
    sys::detail::installed = calls;
}

}  // namespace vorn
