#pragma once

namespace quill {

class DomainListView;

// Lets assistive technology read a DomainListView as it reads Qt's own item
// views: the list with the header text as its name, the column header as its
// first child and then every row of the list, each at its position, read as
// its entry's shown text. The list answers as a table (row count, the cell at
// any row, the selected rows) and, where Qt offers it, as a selection.
// Row items are made only when asked for and only a few hundred are kept, so
// a list of a million names costs no more to read than a short one.
void installDomainListAccessible();

// The accessible child that stands for `row` (from 0): the rows follow the
// header when it is shown.
int accessibleChildOfRow(const DomainListView &view, int row);

} // namespace quill
