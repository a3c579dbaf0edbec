#pragma once

namespace quill {

// Layout lengths are given in twips: 15 twips make one pixel at 96 dpi.
constexpr int twips(int value) noexcept { return (2 * value + 15) / 30; }

} // namespace quill
