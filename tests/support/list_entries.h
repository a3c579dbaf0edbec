#pragma once

#include "data/domain_list.h"

#include <QByteArray>
#include <QList>

namespace quill::test {

using Names = QList<QByteArray>;

// A list's entries, first to last.
inline Names entries(const DomainList &list)
{
    Names result;
    for (int i = 1; i <= list.Count(); ++i)
        result.append(list.Item(i));
    return result;
}

inline void fill(DomainList &list, const Names &names)
{
    for (const QByteArray &name : names)
        list.Add(QByteArrayView(name));
}

} // namespace quill::test
