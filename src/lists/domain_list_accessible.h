#pragma once

namespace quill {

class DomainListView;

// Lets assistive technology read a DomainListView: the list with the header
// text as its name, and as its children the column header and then each row
// on the screen, read as its entry's shown text. Rows off the screen are not
// offered, so a list of a million names costs no more to read than a short one.
void installDomainListAccessible();

// The accessible child that stands for `row` (from 0), or -1 when the row is
// not on the screen.
int accessibleChildOfRow(const DomainListView &view, int row);

} // namespace quill
