#include "qt_announcer.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>

#include <utility>

namespace quill {

namespace {

#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
const char *const kNoticeName = "quill-announcement";

// The notice as assistive technology sees it: a notification whose name is
// the words.
QAccessibleInterface *noticeAccessible(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget || className != QLatin1String("QWidget") || widget->objectName() != QLatin1String(kNoticeName))
        return nullptr;
    return new QAccessibleWidget(widget, QAccessible::Notification);
}

QWidget *makeNotice(QWidget *window)
{
    static const bool installed = (QAccessible::installFactory(noticeAccessible), true);
    Q_UNUSED(installed);
    auto *notice = new QWidget(window);
    notice->setObjectName(QLatin1String(kNoticeName));
    notice->setGeometry(0, 0, 0, 0);
    notice->setAttribute(Qt::WA_TransparentForMouseEvents);
    notice->setFocusPolicy(Qt::NoFocus);
    return notice;
}
#endif

} // namespace

QtAnnouncer::QtAnnouncer()
{
    m_lookAgain.setSingleShot(true);
    m_lookAgain.setInterval(kLookAgainMs);
    QObject::connect(&m_lookAgain, &QTimer::timeout, &m_lookAgain, [this] { tellWaiting(); });
}

void QtAnnouncer::setWindow(QWidget *window)
{
    m_window = window;
}

void QtAnnouncer::announce(const QString &words) noexcept
{
    // Never between a report and its OK: a reader would speak it over the
    // report, or the user would take it for the report's outcome.
    if (!m_window || !QAccessible::isActive() || QApplication::activeModalWidget())
        return;
    if (m_waiting.isEmpty())
        m_waitingSince.start();
    m_waiting.append(words);
    tellWaiting();
}

void QtAnnouncer::tellWaiting()
{
    if (!m_window || QApplication::activeModalWidget() || m_waitingSince.elapsed() > kWaitForWindowMs) {
        m_waiting.clear(); // the user is elsewhere: old news would mislead
        return;
    }
    if (!m_window->isActiveWindow()) {
        m_lookAgain.start();
        return;
    }
    for (const QString &words : std::exchange(m_waiting, {}))
        tell(words);
}

void QtAnnouncer::tell(const QString &words)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent event(m_window, words);
    event.setPoliteness(QAccessible::AnnouncementPoliteness::Polite);
    QAccessible::updateAccessibility(&event);
#else
    if (!m_notice)
        m_notice = makeNotice(m_window);
    m_notice->hide();
    m_notice->setAccessibleName(words);
    m_notice->show();
#endif
}

} // namespace quill
