// The repair of joined paths against its rule, stated by runs of separators.
//
// Input: byte 0 even: each further byte is one character (so '/' is
// common); odd: the rest as UTF-16, little-endian, surrogates and all.

#include "data/fix_path_slashes.h"
#include "fuzz_check.h"

#include <cstdint>

using namespace quill;
using namespace quill::fuzz;

namespace {

constexpr QChar kSeparator = u'/';

// Length of the run of separators that starts at `at`.
qsizetype runAt(const QString &path, qsizetype at)
{
    qsizetype end = at;
    while (end < path.size() && path[end] == kSeparator)
        ++end;
    return end - at;
}

// A run of n separators becomes n/2 rounded up; the run that starts the path,
// whatever its length, becomes two. Everything else stays as it is.
QString rule(const QString &path)
{
    QString result;
    for (qsizetype at = 0; at < path.size();) {
        const qsizetype run = runAt(path, at);
        if (run == 0) {
            result.append(path[at++]);
            continue;
        }
        result.append(QString(at == 0 ? 2 : (run + 1) / 2, kSeparator));
        at += run;
    }
    return result;
}

// The longest run of separators after the one that starts the path.
qsizetype longestInnerRun(const QString &path)
{
    qsizetype longest = 0;
    for (qsizetype at = runAt(path, 0); at < path.size(); ++at) {
        const qsizetype run = runAt(path, at);
        longest = std::max(longest, run);
        at += run;
    }
    return longest;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path = textOf(data, size);
    const QString fixed = FixPathSlashes(path);
    checkEqual(fixed, rule(path), "each run of n separators becomes n/2 rounded up, a leading one two");

    // Only a path that starts with exactly one separator grows, by that one.
    const bool oneInFront = runAt(path, 0) == 1;
    check(fixed.size() <= path.size() + (oneInFront ? 1 : 0), "the repair never lengthens a path but for its front",
          printable(path) + " -> " + printable(fixed));
    checkEqual(QString(fixed).remove(kSeparator), QString(path).remove(kSeparator),
               "everything but the separators stays");
    checkEqual(collapsed(fixed), collapsed(path), "the repaired path names the same file");

    // One repair is final only where no run after the front is longer than
    // two; a longer one halves again on every further repair.
    const QString twice = FixPathSlashes(fixed);
    check((twice == fixed) == (longestInnerRun(path) <= 2),
          "a second repair changes the path exactly when a run of three or more was inside it",
          printable(path) + " -> " + printable(fixed) + " -> " + printable(twice));
    const bool unchanged = fixed == path;
    const bool alreadyRepaired = longestInnerRun(path) <= 1 && (runAt(path, 0) == 0 || runAt(path, 0) == 2);
    check(unchanged == alreadyRepaired,
          "the repair keeps exactly the paths with no inner pair and none or two in front",
          printable(path) + " -> " + printable(fixed));

    // Repeated, it settles within a logarithmic number of rounds on a path
    // with no pair of separators but at its front.
    QString settled = twice;
    int rounds = 0;
    for (QString next = FixPathSlashes(settled); next != settled; next = FixPathSlashes(settled)) {
        settled = next;
        check(++rounds <= 64, "repeated repairs settle", printable(path));
    }
    check(settled.indexOf(QStringLiteral("//"), 1) < 0, "a settled path has no pair of separators but at its front",
          printable(path) + " -> " + printable(settled));
    return 0;
}
