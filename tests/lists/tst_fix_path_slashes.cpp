#include "data/fix_path_slashes.h"

#include <QTest>

using namespace quill;

class FixPathSlashesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void repairs_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("no separator") << QStringLiteral("list.txt") << QStringLiteral("list.txt");
        QTest::newRow("run of 1") << QStringLiteral("a/b") << QStringLiteral("a/b");
        QTest::newRow("run of 2") << QStringLiteral("a//b") << QStringLiteral("a/b");
        QTest::newRow("run of 3") << QStringLiteral("a///b") << QStringLiteral("a//b");
        QTest::newRow("run of 4") << QStringLiteral("a////b") << QStringLiteral("a//b");
        QTest::newRow("run of 5") << QStringLiteral("a/////b") << QStringLiteral("a///b");
        QTest::newRow("runs at the end") << QStringLiteral("a//b//") << QStringLiteral("a/b/");
        QTest::newRow("leading 1 becomes 2") << QStringLiteral("/home//a.txt") << QStringLiteral("//home/a.txt");
        QTest::newRow("leading 2 stays 2") << QStringLiteral("//srv//share/a") << QStringLiteral("//srv/share/a");
        QTest::newRow("leading 3 becomes 2") << QStringLiteral("///a") << QStringLiteral("//a");
        QTest::newRow("leading 4 becomes 2") << QStringLiteral("////a///b") << QStringLiteral("//a//b");
        QTest::newRow("separators only") << QStringLiteral("///") << QStringLiteral("//");
        QTest::newRow("backslashes untouched") << QStringLiteral("a\\\\b") << QStringLiteral("a\\\\b");
    }

    void repairs()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(FixPathSlashes(path), expected);
    }
};

QTEST_APPLESS_MAIN(FixPathSlashesTest)
#include "tst_fix_path_slashes.moc"
