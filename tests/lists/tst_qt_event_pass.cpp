#include "app/qt_platform.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <QTimer>

using namespace quill;

// The save's event pass skips passes that come too close together; what is
// queued must still be handled, and soon.
class QtEventPassTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void handlesQueuedEventsAfterAQuietMoment()
    {
        QtEventPass pass;
        for (int round = 0; round < 3; ++round) {
            QThread::msleep(15);
            bool handled = false;
            QTimer::singleShot(0, this, [&] { handled = true; });
            pass.processEvents();
            QVERIFY(handled);
        }
    }

    void handlesEventsQueuedDuringABurst()
    {
        QtEventPass pass;
        bool handled = false;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 1000; ++i)
            pass.processEvents();
        QTimer::singleShot(0, this, [&] { handled = true; });
        while (!handled && clock.elapsed() < 5000)
            pass.processEvents();
        QVERIFY(handled);
    }
};

QTEST_GUILESS_MAIN(QtEventPassTest)
#include "tst_qt_event_pass.moc"
