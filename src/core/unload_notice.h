#pragma once

#include <QObject>

namespace quill {

// Closing the window ends the program at once, also from inside a command's
// event pass; whatever must not be left behind half-done listens here.
class UnloadNotice final : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

Q_SIGNALS:
    void aboutToUnload();
};

} // namespace quill
