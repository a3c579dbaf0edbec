#pragma once

#include <QByteArray>

namespace quill {

// The name with a non-ASCII host written in its ASCII (IDNA) form, so that
// the request does not depend on the locale the program runs in; every
// other byte of the name stays as it was. A host that is ASCII already, not
// valid UTF-8 or not a valid international name leaves the name unchanged.
QByteArray withAsciiHost(const QByteArray &name);

} // namespace quill
