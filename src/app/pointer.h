#pragma once

namespace quill {

// The window's pointer setting. Busy doubles as the sign that a long
// command is at work.
enum class Pointer { Default, Hand, Busy };

} // namespace quill
