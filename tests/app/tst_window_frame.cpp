#include "app/title_bar.h"
#include "app/window_frame.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QCloseEvent>
#include <QIcon>
#include <QPixmap>
#include <QTest>

#include <memory>

using namespace quill;

namespace {

// A client that counts the requests to close it and may refuse them.
class Client final : public QWidget {
public:
    explicit Client(bool refuses) : m_refuses(refuses) { setFixedSize(536, 459); }
    int requests = 0;

protected:
    void closeEvent(QCloseEvent *event) override
    {
        ++requests;
        event->setAccepted(!m_refuses);
    }

private:
    bool m_refuses;
};

} // namespace

class WindowFrameTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void holdsTheClientBelowItsBarAndGivesItBack()
    {
        Client client(false);
        const QIcon before(QPixmap(16, 16)), after(QPixmap(24, 24));
        client.setWindowTitle(QStringLiteral("Before"));
        client.setWindowIcon(before);
        auto frame = std::make_unique<WindowFrame>(&client);

        QVERIFY(frame->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(!client.isWindow());
        QCOMPARE(client.size(), QSize(536, 459));
        const QRect bar = frame->titleBar()->geometry();
        QCOMPARE(bar.width(), client.width());
        QCOMPARE(bar.bottom() + 1, client.y());
        QVERIFY(frame->rect().contains(client.geometry().adjusted(-1, -1, 1, 1)));
        QCOMPARE(frame->minimumSize(), frame->maximumSize());

        QCOMPARE(frame->windowTitle(), QStringLiteral("Before"));
        QCOMPARE(frame->windowIcon().cacheKey(), before.cacheKey());
        client.setWindowTitle(QStringLiteral("After"));
        client.setWindowIcon(after);
        QCOMPARE(frame->windowTitle(), QStringLiteral("After"));
        QCOMPARE(frame->windowIcon().cacheKey(), after.cacheKey());

        frame.reset();
        QVERIFY(client.isWindow());
        QCOMPARE(client.size(), QSize(536, 459));
    }

    void buttons_data()
    {
        QTest::addColumn<bool>("close");
        QTest::addColumn<bool>("refuses");
        QTest::addColumn<int>("requests");
        QTest::addColumn<bool>("open");
        QTest::addColumn<bool>("minimised");
        QTest::newRow("close") << true << false << 1 << false << false;
        QTest::newRow("close, refused by the client") << true << true << 1 << true << false;
        QTest::newRow("minimise") << false << false << 0 << true << true;
    }

    void buttons()
    {
        QFETCH(bool, close);
        QFETCH(bool, refuses);
        QFETCH(int, requests);
        QFETCH(bool, open);
        QFETCH(bool, minimised);
        Client client(refuses);
        WindowFrame frame(&client);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        TitleBar *bar = frame.titleBar();
        QAbstractButton *button = close ? bar->closeButton() : bar->minimiseButton();
        QVERIFY(button->isVisible());
        QVERIFY(bar->rect().contains(button->geometry()));
        QCOMPARE(button->focusPolicy(), Qt::NoFocus);
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(button);
        QCOMPARE(accessible->role(), QAccessible::Button);
        QCOMPARE(accessible->text(QAccessible::Name), close ? QStringLiteral("Close") : QStringLiteral("Minimise"));
        QTest::mouseClick(button, Qt::LeftButton);

        QCOMPARE(client.requests, requests);
        QCOMPARE(frame.isVisible(), open);
        QCOMPARE(bool(frame.windowState() & Qt::WindowMinimized), minimised);
    }
};

QTEST_MAIN(WindowFrameTest)
#include "tst_window_frame.moc"
