#include "data/list_file_reader.h"
#include "data/list_file_writer.h"
#include "list_file_helpers.h"

#include <QTemporaryDir>
#include <QTest>

using namespace quill;
using namespace quill::test;

namespace {

QByteArray allHighBytes()
{
    QByteArray bytes;
    for (int b = 0x80; b <= 0xFF; ++b)
        bytes.append(char(b));
    return bytes;
}

Names loaded(const QString &path)
{
    FakeBoxes boxes;
    DomainList list;
    LoadListFile(boxes, QStringLiteral("title"), list, path);
    return boxes.shown().isEmpty() ? entries(list) : Names{"<a box was shown>"};
}

} // namespace

class ListFileFormatTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reads_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Names>("expected");
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << Names{"a", "b"};
        QTest::newRow("lone LF leaves an empty last entry") << QByteArray("a\nb\n") << Names{"a", "b", ""};
        QTest::newRow("lone CR") << QByteArray("a\rb\r") << Names{"a", "b"};
        QTest::newRow("no line end at the end") << QByteArray("a\r\nb") << Names{"a", "b"};
        QTest::newRow("blank line kept") << QByteArray("a\r\n\r\nb\r\n") << Names{"a", "", "b"};
        QTest::newRow("blanks and tabs kept") << QByteArray(" a \t\r\n\t\r\n") << Names{" a \t", "\t"};
        QTest::newRow("empty file") << QByteArray() << Names{};
        QTest::newRow("only CR") << QByteArray("\r") << Names{""};
        QTest::newRow("only CR LF") << QByteArray("\r\n") << Names{""};
        QTest::newRow("only LF") << QByteArray("\n") << Names{"", ""};
        QTest::newRow("LF pieces inside a CR line") << QByteArray("a\nb\rc") << Names{"a", "b", "c"};
        QTest::newRow("LF before CR LF") << QByteArray("a\n\r\n") << Names{"a", ""};
        QTest::newRow("LF CR is two ends") << QByteArray("a\n\rb") << Names{"a", "", "b"};
        QTest::newRow("CR CR LF") << QByteArray("a\r\r\n") << Names{"a", ""};
        QTest::newRow("mixed ends") << QByteArray("a\r\nb\rc\nd") << Names{"a", "b", "c", "d"};
        QTest::newRow("bytes 0x80 to 0xFF") << allHighBytes() + "\r\nx" << Names{allHighBytes(), "x"};
        QTest::newRow("UTF-8 byte-order mark is a byte like others")
            << QByteArray("\xEF\xBB\xBF" "a\r\nb\r\n") << Names{"\xEF\xBB\xBF" "a", "b"};
        QTest::newRow("NUL inside a name") << QByteArray("a\0b\r\n", 5) << Names{QByteArray("a\0b", 3)};
    }

    void reads()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Names, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("list.txt"));
        writeAll(path, bytes);
        QCOMPARE(loaded(path), expected);

        // The same bytes cut into two blocks anywhere give the same names.
        for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
            Names names;
            ListFileSplitter splitter([&](QByteArrayView name) { names.append(name.toByteArray()); });
            splitter.feed(QByteArrayView(bytes).first(cut));
            splitter.feed(QByteArrayView(bytes).sliced(cut));
            splitter.finish();
            QVERIFY2(names == expected, qPrintable(QStringLiteral("cut at %1").arg(cut)));
        }
    }

    void lineEndAcrossReadBlocks()
    {
        // A CR that ends one read block and the LF that starts the next.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("big.txt"));
        const QByteArray first((1 << 20) - 1, 'x');
        writeAll(path, first + "\r\ny\r\n");
        QCOMPARE(loaded(path), (Names{first, "y"}));
    }

    void writesAndReadsBack_data()
    {
        QTest::addColumn<Names>("names");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("two names") << Names{"a", "b"} << QByteArray("a\r\nb\r\n");
        QTest::newRow("empty list, zero bytes") << Names{} << QByteArray();
        QTest::newRow("empty and blank entries") << Names{"", " x\t"} << QByteArray("\r\n x\t\r\n");
        QTest::newRow("high bytes and a byte-order mark")
            << Names{allHighBytes(), "\xEF\xBB\xBF" "b"} << allHighBytes() + "\r\n\xEF\xBB\xBF" "b\r\n";
    }

    void writesAndReadsBack()
    {
        QFETCH(Names, names);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("saved"));
        ListFileWriter writer;
        writer.open(path);
        for (const QByteArray &name : names)
            writer.writeLine(name);
        QVERIFY(!QFile::exists(path)); // nothing in place before the close
        writer.close();
        QCOMPARE(readAll(path), bytes);
        QCOMPARE(loaded(path), names);
        QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("saved")});
    }
};

QTEST_GUILESS_MAIN(ListFileFormatTest)
#include "tst_list_file_format.moc"
