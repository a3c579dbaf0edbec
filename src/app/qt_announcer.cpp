#include "qt_announcer.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>

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
