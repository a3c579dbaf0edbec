#pragma once

namespace quill {

// Lets assistive technology read a DomainListView as it reads Qt's own item
// views: the list with the header text as its name and every row of the list
// as its child at the row's own position, read as its entry's shown text. The
// list answers as a table (row count, the cell at any row, the column header,
// the selected rows) and, where Qt offers it, as a selection. A row's item is
// made when first asked for and kept while its row is there, so a list of a
// million names that no one reads costs nothing more.
void installDomainListAccessible();

} // namespace quill
