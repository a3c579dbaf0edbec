// The ASCII form of a name's host: whatever the name, only its host may
// change, only from non-ASCII to ASCII, and a second pass changes nothing.
//
// Input: the name's bytes, exactly as a list file would hold them.

#include "fuzz_check.h"
#include "check/ascii_host.h"

#include <algorithm>
#include <cstdint>

using namespace quill;
using namespace quill::fuzz;

namespace {

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray name(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QByteArray sent = withAsciiHost(name);
    if (isAscii(name)) {
        checkEqual(sent, name, "an ASCII name goes out unchanged");
        return 0;
    }
    checkEqual(withAsciiHost(sent), sent, "a name whose host is ASCII already stays as it is");
    if (sent == name)
        return 0;

    // What changed lies between what the two share at either end.
    const qsizetype limit = std::min(name.size(), sent.size());
    qsizetype front = 0;
    while (front < limit && name[front] == sent[front])
        ++front;
    qsizetype back = 0;
    while (back < limit - front && name[name.size() - 1 - back] == sent[sent.size() - 1 - back])
        ++back;
    const QByteArray before = name.sliced(front, name.size() - front - back);
    const QByteArray after = sent.sliced(front, sent.size() - front - back);
    const QByteArray details = "  name: " + printable(name) + "\n  sent: " + printable(sent);
    check(isAscii(after), "the host goes out in ASCII", details);
    check(!isAscii(before) && before.isValidUtf8(), "only a host in UTF-8 with non-ASCII letters changes", details);
    check(std::none_of(after.begin(), after.end(), [](char c) { return QByteArrayView("/?#@:[]").contains(c); }),
          "the new host stays within the host", details);
    return 0;
}
