#include "app/cursor_file.h"
#include "window_fixture.h"

#include <QIcon>
#include <QPixmap>
#include <QTest>

using namespace quill;
using namespace quill::test;

// The pictures we ship: the hand pointer, a valid cursor file whose hotspot
// is the tip of the pointing finger, in the source tree and beside the built
// program; and the application icon that start-up gives the window.
class ShippedImagesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void handCursor_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("source tree") << QStringLiteral(QUILL_SOURCE_DIR "/data/HAND-M.CUR");
        QTest::newRow("beside the built program") << QStringLiteral(QUILL_BINARY_DIR "/HAND-M.CUR");
    }

    void handCursor()
    {
        QFETCH(QString, path);
        const QCursor cursor = loadCursorFile(path);
        const QImage image = cursor.pixmap().toImage();
        QCOMPARE(image.size(), QSize(32, 32));
        QCOMPARE(cursor.hotSpot(), QPoint(9, 0));

        // The hotspot is the topmost opaque pixel: the finger's tip.
        int top = -1;
        for (int y = 0; y < image.height() && top < 0; ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y).alpha() > 0) {
                    top = y;
                    break;
                }
        QCOMPARE(top, cursor.hotSpot().y());
        QCOMPARE(image.pixelColor(cursor.hotSpot()).alpha(), 255);
        // A dark outline around a white hand on a clear ground.
        QVERIFY(image.pixelColor(cursor.hotSpot()).lightness() < 64);
        QCOMPARE(image.pixelColor(9, 4), QColor(Qt::white));
        QCOMPARE(image.pixelColor(0, 31).alpha(), 0);
        QCOMPARE(image.pixelColor(31, 0).alpha(), 0);
    }

    void windowIcon_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("menu") << 16;
        QTest::newRow("large") << 256;
    }

    void windowIcon()
    {
        QFETCH(int, size);
        WindowUnderTest t;
        const QIcon icon = t.window->windowIcon();
        QVERIFY(!icon.isNull());
        // Drawn from the SVG at every size: a rounded tile, clear corners.
        const QImage image = icon.pixmap(size, size).toImage();
        QCOMPARE(image.size(), QSize(size, size));
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
        QCOMPARE(image.pixelColor(size / 2, size / 10).alpha(), 255);
    }
};

QTEST_MAIN(ShippedImagesTest)
#include "tst_shipped_images.moc"
