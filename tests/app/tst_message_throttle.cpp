#include "app/message_throttle.h"

#include <QTest>

using namespace quill;

namespace {

struct Message {
    const char *category;
    QString text;
    qint64 atMs;
};

const char *const kBridge = "qt.accessibility.atspi";
const QString kGone = QStringLiteral("Could not find accessible on path \"/org/a11y/atspi/accessible/42\"");

} // namespace

Q_DECLARE_METATYPE(QList<Message>)

class MessageThrottleTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What goes out of a run of messages: the gone-object warning at most
    // once a second, with the count held back; anything else, every time.
    void pass_data()
    {
        QTest::addColumn<QList<Message>>("messages");
        QTest::addColumn<QStringList>("out");
        QList<Message> flood;
        for (int i = 0; i < 5000; ++i)
            flood.append({kBridge, kGone, i / 10});
        QTest::newRow("a flood within a second") << flood << QStringList{kGone};
        flood.append({kBridge, kGone, 1000});
        QTest::newRow("a flood, then a second later")
            << flood << QStringList{kGone, kGone + QStringLiteral(" (and 4999 more like it held back)")};
        QTest::newRow("other warnings of the bridge pass")
            << QList<Message>{{kBridge, QStringLiteral("Could not find accessible on path \"/a\""), 0},
                              {kBridge, QStringLiteral("Something else"), 1},
                              {kBridge, QStringLiteral("Something else"), 2}}
            << QStringList{QStringLiteral("Could not find accessible on path \"/a\""), QStringLiteral("Something else"),
                           QStringLiteral("Something else")};
        QTest::newRow("the same text in another category passes")
            << QList<Message>{{"default", kGone, 0}, {nullptr, kGone, 1}, {"qt.widgets", kGone, 2}}
            << QStringList{kGone, kGone, kGone};
        QTest::newRow("a second apart, nothing held")
            << QList<Message>{{kBridge, kGone, 0}, {kBridge, kGone, 1000}, {kBridge, kGone, 2500}}
            << QStringList{kGone, kGone, kGone};
    }

    void pass()
    {
        QFETCH(QList<Message>, messages);
        QFETCH(QStringList, out);
        MessageThrottle throttle;
        QStringList passed;
        for (const Message &m : std::as_const(messages))
            if (const std::optional<QString> text = throttle.pass(m.category, m.text, m.atMs))
                passed.append(*text);
        QCOMPARE(passed, out);
    }
};

QTEST_GUILESS_MAIN(MessageThrottleTest)
#include "tst_message_throttle.moc"
