#pragma once

#include <optional>

namespace quill {

class DomainList;

// The double-click and Delete gestures: removes the selected entry, unless
// the window is busy, the list is empty or nothing is selected.
void removeSelectedEntry(DomainList &list, std::optional<int> selected, bool busy);

} // namespace quill
