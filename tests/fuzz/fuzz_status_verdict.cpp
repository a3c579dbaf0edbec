// The probe's status-line cut and verdict against the rule they follow.
//
// Input: four control bytes, then header blocks separated by "|||".
//   byte 0: bits 0-1 pick the name IsURLValid is asked about (the first of
//           them is empty), bit 2 makes its request fail, bit 3 leaves the
//           header block empty after that failure, bit 4 makes reading the
//           block fail;
//   byte 1: CheckURL's maximum of attempts, -9 to 9;
//   byte 2: for attempt i, bit i modulo 8 makes the request fail;
//   byte 3: for attempt i, bit i modulo 8 leaves the block empty after a
//           failed request, and bit 7 - i modulo 8 makes reading it fail.
// IsURLValid gets the first block; CheckURL gets them all, round and round.

#include "check/valid.h"
#include "core/failure.h"
#include "core/platform.h"
#include "fuzz_check.h"

#include <cstdint>
#include <optional>

using namespace quill;
using namespace quill::fuzz;

namespace {

struct Reply {
    QByteArray block;
    bool requestFails = false;
    bool emptyAfterFailure = false;
    bool readFails = false;
};

// Hands out the replies in turn, the first again after the last.
class ScriptedTransfer final : public Transfer {
public:
    explicit ScriptedTransfer(QList<Reply> replies) : m_replies(std::move(replies)) {}

    void OpenURL(const QByteArray &url) override
    {
        m_current = m_replies.at(m_requested.size() % m_replies.size());
        m_requested.append(url);
        if (m_current.requestFails)
            throw Failure(QStringLiteral("Cannot connect to the server"));
    }

    QByteArray GetHeader() override
    {
        if (m_current.readFails)
            throw Failure(QStringLiteral("The header block cannot be read"));
        return m_current.requestFails && m_current.emptyAfterFailure ? QByteArray() : m_current.block;
    }

    const QList<QByteArray> &requested() const { return m_requested; }

private:
    QList<Reply> m_replies;
    Reply m_current;
    QList<QByteArray> m_requested;
};

// Answers every box with OK and keeps the step of each error report.
class ReportingBoxes final : public MessageBoxes {
public:
    Answer message(const QString &title, const QString &text, Buttons buttons, Icon icon) override
    {
        check(title == QLatin1String("Application Error") && buttons == Buttons::Ok && icon == Icon::Warning,
              "the probe shows error reports only", printable(title) + ' ' + printable(text));
        const QLatin1String where("in Tavrelle2021/08/31.Valid.CheckURL at line ");
        const qsizetype at = text.indexOf(where);
        check(at >= 0, "every report names CheckURL", printable(text));
        m_steps.append(text.mid(at + where.size()).section(u'\r', 0, 0).toInt());
        return Answer::Ok;
    }

    QString input(const QString &, const QString &) override
    {
        fail("the probe asks for no input", {});
    }

    const QList<int> &steps() const { return m_steps; }

private:
    QList<int> m_steps;
};

struct Outcome {
    QByteArray status;
    QList<int> reportSteps;
    qsizetype requests = 0;
};

// The rule, stated on its own. Each attempt requests the URL, reads the
// block even when the request failed, and cuts the status line before the
// first CR from the tenth character on; the status text is the line without
// its first nine characters. Without such a CR, or with a line shorter than
// nine, the attempt reports (at 110, at 112) and keeps the earlier values.
// Attempts end at the maximum or after a status text that starts with 200.
Outcome checkUrlRule(const QList<Reply> &replies, int maxAttempts)
{
    Outcome outcome;
    QByteArray statusLine;
    bool success = false;
    for (int attempt = 0; attempt < maxAttempts && !success; ++attempt) {
        const Reply &reply = replies.at(attempt % replies.size());
        ++outcome.requests;
        if (reply.requestFails)
            outcome.reportSteps.append(108);
        qsizetype cr = -1;
        const QByteArray block = reply.requestFails && reply.emptyAfterFailure ? QByteArray() : reply.block;
        for (qsizetype i = 9; !reply.readFails && i < block.size() && cr < 0; ++i) {
            if (block[i] == '\r')
                cr = i;
        }
        if (cr < 0)
            outcome.reportSteps.append(110);
        else
            statusLine = block.first(cr);
        if (statusLine.size() < 9)
            outcome.reportSteps.append(112);
        else
            outcome.status = statusLine.sliced(9);
        success = outcome.status.startsWith("200");
    }
    return outcome;
}

QByteArray asciiLower(QByteArray text)
{
    for (char &c : text) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return text;
}

// Taken exactly when the status text is longer than four characters and,
// ASCII letters lower-cased, lacks "404 not found".
bool verdictRule(const QByteArray &status)
{
    return status.size() > 4 && !asciiLower(status).contains("404 not found");
}

QByteArray verdictText(const std::optional<bool> &verdict)
{
    return verdict ? (*verdict ? "true" : "false") : "no value";
}

void checkIsUrlValid(const QByteArray &name, const Reply &reply)
{
    ScriptedTransfer inet({reply});
    ReportingBoxes boxes;
    const std::optional<bool> verdict = Valid::IsURLValid(inet, boxes, name);

    const Outcome expected = name.isEmpty() ? Outcome() : checkUrlRule({reply}, 1);
    const std::optional<bool> expectedVerdict =
        name.isEmpty() ? std::nullopt : std::optional(verdictRule(expected.status));
    const QByteArray details = "  name: " + printable(name) + "\n  block: " + printable(reply.block)
        + "\n  verdict: " + verdictText(verdict) + ", expected " + verdictText(expectedVerdict)
        + "\n  reports: " + printable(boxes.steps()) + ", expected " + printable(expected.reportSteps);
    check(verdict == expectedVerdict, "IsURLValid's verdict follows the rule", details);
    check(boxes.steps() == expected.reportSteps, "IsURLValid reports at the steps the rule gives", details);
    check(inet.requested() == QList<QByteArray>(expected.requests, name),
          "IsURLValid requests a name once, as it is, and an empty one never", details);
}

void checkCheckUrl(const QList<Reply> &replies, int maxAttempts)
{
    const QByteArray url = "quill.example";
    ScriptedTransfer inet(replies);
    ReportingBoxes boxes;
    const QByteArray status = Valid::CheckURL(inet, boxes, url, maxAttempts);

    const Outcome expected = checkUrlRule(replies, maxAttempts);
    QByteArray blocks;
    for (const Reply &reply : replies)
        blocks.append("\n    ").append(printable(reply.block));
    const QByteArray details = "  attempts: " + QByteArray::number(maxAttempts) + "\n  blocks:" + blocks
        + "\n  status: " + printable(status) + ", expected " + printable(expected.status)
        + "\n  reports: " + printable(boxes.steps()) + ", expected " + printable(expected.reportSteps)
        + "\n  requests: " + QByteArray::number(inet.requested().size()) + ", expected "
        + QByteArray::number(expected.requests);
    check(status == expected.status, "CheckURL returns the last status text the rule cuts", details);
    check(boxes.steps() == expected.reportSteps, "CheckURL reports at the steps the rule gives", details);
    check(inet.requested() == QList<QByteArray>(expected.requests, url),
          "CheckURL requests the URL as often as the rule says", details);
}

QList<QByteArray> splitAt(const QByteArray &bytes, const QByteArray &separator)
{
    QList<QByteArray> parts;
    qsizetype from = 0;
    for (qsizetype at = 0; (at = bytes.indexOf(separator, from)) >= 0; from = at + separator.size())
        parts.append(bytes.mid(from, at - from));
    parts.append(bytes.mid(from));
    return parts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 4)
        return 0;
    const QList<QByteArray> names{QByteArray(), "quill.example", " quill.example ", "HTTP://Quill.Example/x"};
    const QByteArray blocks(reinterpret_cast<const char *>(data) + 4, qsizetype(size - 4));
    QList<Reply> replies;
    for (const QByteArray &block : splitAt(blocks, "|||"))
        replies.append({block});

    Reply first = replies.first();
    first.requestFails = data[0] & 0x04;
    first.emptyAfterFailure = data[0] & 0x08;
    first.readFails = data[0] & 0x10;
    checkIsUrlValid(names[data[0] & 0x03], first);

    for (qsizetype i = 0; i < replies.size(); ++i) {
        replies[i].requestFails = data[2] & (1u << (i % 8));
        replies[i].emptyAfterFailure = data[3] & (1u << (i % 8));
        replies[i].readFails = data[3] & (0x80u >> (i % 8));
    }
    checkCheckUrl(replies, static_cast<std::int8_t>(data[1]) % 10);
    return 0;
}
