#pragma once

#include <array>

namespace quill {

// The example names: the maker's own web host, then two nonsense names that
// nobody is likely to own.
inline constexpr std::array<const char *, 3> kSampleNames = {
    "www.tavrelle.com",
    "www.qorvintaxuplem.com",
    "www.zk4v9qx7m2trw8.com",
};

} // namespace quill
