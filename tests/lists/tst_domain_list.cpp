#include "core/failure.h"
#include "data/domain_list.h"
#include "list_entries.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using namespace quill;
using quill::test::entries;

class DomainListTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void entriesKeepTheirExactBytes_data()
    {
        QTest::addColumn<QList<QByteArray>>("added");
        QTest::newRow("plain names") << QList<QByteArray>{"a.com", "b.org"};
        QTest::newRow("empty and blank entries") << QList<QByteArray>{"", "   ", "\t x \t", ""};
        QTest::newRow("duplicates") << QList<QByteArray>{"dup", "dup", "dup"};
        QByteArray high;
        for (int b = 0x80; b <= 0xFF; ++b)
            high.append(char(b));
        QTest::newRow("bytes 0x80 to 0xFF") << QList<QByteArray>{high, "after"};
        QTest::newRow("UTF-8 byte-order mark") << QList<QByteArray>{"\xEF\xBB\xBFname.com"};
        QTest::newRow("embedded NUL") << QList<QByteArray>{QByteArray("a\0b", 3)};
    }

    void entriesKeepTheirExactBytes()
    {
        QFETCH(QList<QByteArray>, added);
        DomainList list;
        for (const QByteArray &text : added)
            list.Add(QByteArrayView(text));
        QCOMPARE(list.Count(), added.size());
        QCOMPARE(entries(list), added);
    }

    void typedNamesAreStoredAsUtf8AndShownDecoded()
    {
        DomainList list;
        list.Add(QStringLiteral("bücher.de"));
        QCOMPARE(list.Item(1), QByteArray("b\xC3\xBC" "cher.de"));
        list.publish();
        QCOMPARE(list.data(list.index(0), Qt::DisplayRole).toString(), QStringLiteral("bücher.de"));
    }

    void removeClosesTheGap()
    {
        DomainList list;
        for (const char *name : {"one", "two", "three", "four", "five"})
            list.Add(QByteArrayView(name));
        list.Remove(2);
        QCOMPARE(list.Count(), 4);
        QCOMPARE(entries(list), (QList<QByteArray>{"one", "three", "four", "five"}));
        list.Remove(4);
        list.Remove(1);
        QCOMPARE(entries(list), (QList<QByteArray>{"three", "four"}));
        list.Add(QByteArrayView("six"));
        QCOMPARE(entries(list), (QList<QByteArray>{"three", "four", "six"}));
    }

    void positionsOutsideTheListFail_data()
    {
        QTest::addColumn<int>("position");
        QTest::newRow("zero") << 0;
        QTest::newRow("negative") << -1;
        QTest::newRow("past the end") << 3;
    }

    void positionsOutsideTheListFail()
    {
        QFETCH(int, position);
        DomainList list;
        list.Add(QByteArrayView("a"));
        list.Add(QByteArrayView("b"));
        QVERIFY_THROWS_EXCEPTION(Failure, list.Item(position));
        QVERIFY_THROWS_EXCEPTION(Failure, list.Remove(position));
        QCOMPARE(list.Count(), 2);
    }

    void clearEmptiesAndTheListIsUsableAgain()
    {
        DomainList list;
        list.Add(QByteArrayView("a"));
        list.publish();
        list.Add(QByteArrayView("b"));
        list.Clear();
        QCOMPARE(list.Count(), 0);
        QCOMPARE(list.rowCount(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(list.rowCount(), 0);
        list.Add(QByteArrayView("c"));
        QCOMPARE(entries(list), QList<QByteArray>{"c"});
    }

    // Qt's model tester watches every signal and answer of the list through
    // a script of changes: n > 0 appends n names, which reach the views in
    // batches; -i removes entry i, publishing what waits first; 0 clears the
    // list, which resets it.
    void modelStaysConsistent_data()
    {
        QTest::addColumn<QList<int>>("script");
        QTest::addColumn<int>("left");
        QTest::newRow("appends in batches around a removal") << QList<int>{3, -1, 1, 500} << 503;
        QTest::newRow("removals: first, middle, last, the only one")
            << QList<int>{5, -1, -2, -3, 1, -1, -1, -1} << 0;
        QTest::newRow("clears, then appends again") << QList<int>{10, 0, 0, 3} << 3;
    }

    void modelStaysConsistent()
    {
        QFETCH(QList<int>, script);
        QFETCH(int, left);
        DomainList list;
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (const int step : script) {
            for (int i = 0; i < step; ++i)
                list.Add(QByteArrayView(QByteArray("n") + QByteArray::number(list.Count())));
            if (step < 0)
                list.Remove(-step);
            else if (step == 0)
                list.Clear();
            if (QTest::currentTestFailed())
                return;
        }
        QTRY_COMPARE(list.rowCount(), left);
    }

    void appendsReachViewsInOneBatchPerEventPass()
    {
        DomainList list;
        QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
        for (int i = 0; i < 1000; ++i)
            list.Add(QByteArrayView("name"));
        QCOMPARE(list.Count(), 1000);
        QCOMPARE(list.rowCount(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(list.rowCount(), 1000);
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(inserted.first().at(1).toInt(), 0);
        QCOMPARE(inserted.first().at(2).toInt(), 999);
    }

    // A check run adds one name per event pass: the views get at most one
    // batch per interval, however fast the names come, and all of them in the
    // end.
    void steadyAppendsArePacedButAllArrive()
    {
        DomainList list;
        QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
        QElapsedTimer clock;
        clock.start();
        int added = 0;
        while (clock.elapsed() < 3 * DomainList::kPublishInterval) {
            list.Add(QByteArrayView("name"));
            ++added;
            QCoreApplication::processEvents();
        }
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(inserted.size() <= elapsed / DomainList::kPublishInterval + 1,
                 qPrintable(QStringLiteral("%1 batches in %2 ms").arg(inserted.size()).arg(elapsed)));
        QVERIFY(added > inserted.size());
        QTRY_COMPARE(list.rowCount(), added);
    }

    void viewsShowTheStartOfAnOverlongEntry_data()
    {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<QString>("shown");
        const qsizetype max = DomainList::kMaxShownBytes;
        QTest::newRow("just fits") << QByteArray(max, 'a') << QString(max, u'a');
        QTest::newRow("one byte over") << QByteArray(max + 1, 'a') << QString(max, u'a') + QChar(0x2026);
        QTest::newRow("megabytes") << QByteArray(8 * 1024 * 1024, 'a') << QString(max, u'a') + QChar(0x2026);
        // A two-byte character across the cut is left out whole.
        QTest::newRow("cut inside a character") << QByteArray(max - 1, 'a') + "\xc3\xbc" + "tail"
                                                << QString(max - 1, u'a') + QChar(0x2026);
        QTest::newRow("cut inside a four-byte character") << QByteArray(max - 2, 'a') + "\xf0\x9f\x98\x80" + "tail"
                                                          << QString(max - 2, u'a') + QChar(0x2026);
    }

    void viewsShowTheStartOfAnOverlongEntry()
    {
        QFETCH(QByteArray, entry);
        QFETCH(QString, shown);
        DomainList list;
        list.Add(QByteArrayView(entry));
        list.publish();
        QCOMPARE(list.data(list.index(0), Qt::DisplayRole).toString(), shown);
        QCOMPARE(list.ItemView(1), QByteArrayView(entry));
    }

    void removalPublishesPendingAppendsFirst()
    {
        DomainList list;
        list.Add(QByteArrayView("a"));
        list.publish();
        list.Add(QByteArrayView("b"));
        list.Add(QByteArrayView("c"));
        list.Remove(3);
        QCOMPARE(list.rowCount(), 2);
        QCOMPARE(list.data(list.index(1), Qt::DisplayRole).toString(), QStringLiteral("b"));
    }

    // Type-ahead's search works on the stored bytes; it finds what Qt's own
    // search over the decoded entries finds, whatever the entries hold.
    void prefixSearchAgreesWithDecodedSearch_data()
    {
        QTest::addColumn<QList<QByteArray>>("added");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<QList<int>>("rows"); // all matches, in search order
        const QList<QByteArray> names{"alpha.com", "Beta.org", "bravo.net", "ALPHABET.de", "zulu"};
        QTest::newRow("any case, from the top") << names << "b" << 0 << false << QList<int>{1, 2};
        QTest::newRow("wraps round") << names << "al" << 2 << false << QList<int>{3, 0};
        QTest::newRow("case-sensitive") << names << "B" << 0 << true << QList<int>{1};
        QTest::newRow("no match") << names << "q" << 3 << false << QList<int>{};
        QTest::newRow("longer than every entry") << names << "zulu.example" << 0 << false << QList<int>{};
        QTest::newRow("empty text matches all") << QList<QByteArray>{"a", "b"} << "" << 1 << false << QList<int>{1, 0};
        QTest::newRow("Kelvin sign folds to k")
            << QList<QByteArray>{"\xE2\x84\xAAilo.com", "kilo.com"} << "k" << 0 << false << QList<int>{0, 1};
        QTest::newRow("non-ASCII after the prefix")
            << QList<QByteArray>{"b\xC3\xBC" "cher.de", "bu.de"} << "B" << 0 << false << QList<int>{0, 1};
        QTest::newRow("non-ASCII text") << QList<QByteArray>{"\xC3\xA4rger.de", "\xC3\x84pfel.de", "a.de"}
                                        << QStringLiteral("ä") << 0 << false << QList<int>{0, 1};
        // Letters beyond Latin-1 are no '?' to the search.
        QTest::newRow("Cyrillic, any case") << QList<QByteArray>{"?uk.ru", "\xD0\xB6uk.ru", "\xD0\x96ir.ru"}
                                            << QStringLiteral("\u0436") << 0 << false << QList<int>{1, 2};
        QTest::newRow("Cyrillic, case-sensitive") << QList<QByteArray>{"?ir.ru", "\xD0\xB6uk.ru", "\xD0\x96ir.ru"}
                                                  << QStringLiteral("\u0416") << 0 << true << QList<int>{2};
        QTest::newRow("Greek sigmas") << QList<QByteArray>{"\xCE\xA3ofia.gr", "?.gr", "\xCF\x82.gr", "\xCF\x83.gr"}
                                      << QStringLiteral("\u03c3") << 1 << false << QList<int>{2, 3, 0};
        QTest::newRow("CJK") << QList<QByteArray>{"\xE4\xB8\xAD\xE6\x96\x87.cn", "?.cn", "\xE4\xB8\xAD.cn"}
                             << QStringLiteral("\u4e2d") << 0 << false << QList<int>{0, 2};
        QTest::newRow("emoji") << QList<QByteArray>{"??.ws", "\xF0\x9F\x98\x80.ws", "\xF0\x9F\x98\x81.ws"}
                               << QStringLiteral("\U0001F600") << 0 << false << QList<int>{1};
        QTest::newRow("ASCII, then beyond Latin-1")
            << QList<QByteArray>{"a?.ru", "A\xD0\xB6.ru", "a\xD0\x96.ru"} << QStringLiteral("a\u0436") << 0 << false
            << QList<int>{1, 2};
        QTest::newRow("invalid UTF-8") << QList<QByteArray>{"\xFF" "a", "a\xFF"} << "a" << 0 << false
                                       << QList<int>{1};
        QTest::newRow("entry cut for the views")
            << QList<QByteArray>{QByteArray(5000, 'x')} << QString(4100, 'x') << 0 << false << QList<int>{};
    }

    void prefixSearchAgreesWithDecodedSearch()
    {
        QFETCH(QList<QByteArray>, added);
        QFETCH(QString, prefix);
        QFETCH(int, from);
        QFETCH(bool, caseSensitive);
        QFETCH(QList<int>, rows);
        DomainList list;
        for (const QByteArray &text : added)
            list.Add(QByteArrayView(text));
        list.publish();
        Qt::MatchFlags flags = Qt::MatchStartsWith | Qt::MatchWrap;
        flags.setFlag(Qt::MatchCaseSensitive, caseSensitive);
        const QModelIndex start = list.index(from);
        const QModelIndexList found = list.match(start, Qt::DisplayRole, prefix, -1, flags);
        QList<int> foundRows;
        for (const QModelIndex &index : found)
            foundRows.append(index.row());
        QCOMPARE(foundRows, rows);
        QCOMPARE(found, list.QAbstractItemModel::match(start, Qt::DisplayRole, prefix, -1, flags));
        QCOMPARE(list.match(start, Qt::DisplayRole, prefix, 1, flags), found.mid(0, 1));
    }
};

QTEST_MAIN(DomainListTest)
#include "tst_domain_list.moc"
