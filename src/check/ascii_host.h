#pragma once

#include <QByteArray>

namespace quill {

// The name with its host in lower-case ASCII, so that the request does not
// depend on the locale the program runs in: an ASCII host has its letters
// lower-cased, a non-ASCII one is written in its ASCII (IDNA) form. Every
// other byte of the name (scheme, user, port, path, query) stays as it was.
// An IP literal, or a host that is not valid UTF-8 or not a valid
// international name, leaves the name unchanged.
QByteArray withAsciiHost(const QByteArray &name);

} // namespace quill
