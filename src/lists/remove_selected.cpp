#include "remove_selected.h"

#include "data/domain_list.h"

namespace quill {

void removeSelectedEntry(DomainList &list, std::optional<int> selected, bool busy)
{
    if (busy || list.Count() == 0 || !selected)
        return;
    list.Remove(*selected);
}

} // namespace quill
