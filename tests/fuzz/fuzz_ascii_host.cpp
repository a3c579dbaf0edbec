// The ASCII form of a name's host: whatever the name, only its host may
// change, only to lower-case letters or from non-ASCII to ASCII, and a
// second pass changes nothing.
//
// Input: the name's bytes, exactly as a list file would hold them.

#include "fuzz_check.h"
#include "check/ascii_host.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

using namespace quill;
using namespace quill::fuzz;

namespace {

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// A host ends at these; brackets, too, where a new host is written.
bool staysInHost(QByteArrayView changed, QByteArrayView ends = "/?#@:[]")
{
    return std::none_of(changed.begin(), changed.end(), [ends](char c) { return ends.contains(c); });
}

// The span of bytes that differ, when the two differ only in letters that
// went from upper to lower case; empty when they differ otherwise.
std::optional<std::pair<qsizetype, qsizetype>> loweredSpan(const QByteArray &name, const QByteArray &sent)
{
    if (name.size() != sent.size())
        return std::nullopt;
    qsizetype first = -1;
    qsizetype last = -1;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] == sent[i])
            continue;
        if (name[i] < 'A' || name[i] > 'Z' || sent[i] != name[i] - 'A' + 'a')
            return std::nullopt;
        if (first < 0)
            first = i;
        last = i;
    }
    return std::make_pair(first, last);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray name(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QByteArray sent = withAsciiHost(name);
    checkEqual(withAsciiHost(sent), sent, "a name whose host is lower-case ASCII already stays as it is");
    const QByteArray details = "  name: " + printable(name) + "\n  sent: " + printable(sent);
    if (const auto lowered = loweredSpan(name, sent)) {
        const auto [first, last] = *lowered;
        check(first < 0 || staysInHost(QByteArrayView(sent).sliced(first, last - first + 1), "/?#@:"),
              "only the host's letters are lower-cased", details);
        return 0;
    }
    check(!isAscii(name), "an ASCII name changes only in the case of its host's letters", details);

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
    check(isAscii(after), "the host goes out in ASCII", details);
    check(!isAscii(before) && before.isValidUtf8(), "only a host in UTF-8 with non-ASCII letters changes", details);
    check(staysInHost(after), "the new host stays within the host", details);
    return 0;
}
