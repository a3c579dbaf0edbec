#pragma once

#include <QHeaderView>

namespace quill {

// A list's column header that draws the part beside its last column as an
// empty column of the header itself, in the header's own colours: left to
// the style, that part takes the window's colour, a white block on a dark
// desktop.
class ListHeader final : public QHeaderView {
    Q_OBJECT

public:
    explicit ListHeader(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace quill
