#include "style_sheet_skin.h"

#include "core/failure.h"
#include "core/no_wait_open.h"
#include "style_sheet_check.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGuiApplication>
#include <QStringDecoder>
#include <QWidget>

#include <memory>
#include <optional>
#include <utility>

namespace quill {

namespace {

// The file's text when it is a usable sheet: an ordinary file of at most
// MaxSheetSize bytes of UTF-8 that holds a well-formed style sheet.
std::optional<QString> usableSheetIn(const QString &path)
{
    std::unique_ptr<QFile> opened;
    try {
        opened = openWithoutWaiting(path, QIODevice::ReadOnly);
    } catch (const Failure &) {
        return std::nullopt;
    }
    QFile &file = *opened;
    if (!isRegularFile(file))
        return std::nullopt;
    const QByteArray bytes = file.read(SkinFramework1::MaxSheetSize + 1);
    if (bytes.size() > SkinFramework1::MaxSheetSize || file.error() != QFileDevice::NoError)
        return std::nullopt;
    QStringDecoder decode(QStringDecoder::Utf8);
    QString sheet = decode(bytes);
    if (decode.hasError() || !isUsableStyleSheet(sheet))
        return std::nullopt;
    return sheet;
}

} // namespace

SkinFramework1::SkinFramework1(QObject *parent) : QObject(parent) {}

SkinFramework1::~SkinFramework1() = default;

bool SkinFramework1::LoadSkin(const QString &path, const QString &section)
{
    Q_UNUSED(section);
    m_path = path;
    // Set first: Qt already looks for the sheet's pictures while checking it.
    QDir::setSearchPaths(QStringLiteral("skin"), {QFileInfo(path).absolutePath()});
    std::optional<QString> sheet = usableSheetIn(path);
    m_sheet = sheet.value_or(QString());
    watchSkinFile();
    return sheet.has_value();
}

void SkinFramework1::setApplyToNewWindows(bool on)
{
    if (on == m_applyToNewWindows)
        return;
    m_applyToNewWindows = on;
    if (on)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

void SkinFramework1::setFollowSkinFile(bool on)
{
    if (!on) {
        delete m_watcher;
        m_watcher = nullptr;
        return;
    }
    if (!m_watcher) {
        m_watcher = new QFileSystemWatcher(this);
        connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &SkinFramework1::reloadChangedFile);
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &SkinFramework1::reloadChangedFile);
    }
    watchSkinFile();
}

void SkinFramework1::ApplyWindow(QWidget *window)
{
    if (!window)
        throw Failure(QStringLiteral("Invalid window handle"));
    remember(window);
    applyTo(window);
}

void SkinFramework1::applyTo(QWidget *window)
{
    if (m_sheet.isEmpty())
        return;
    if (m_options & StyleWindowSurface) {
        window->setStyleSheet(m_sheet);
        return;
    }
    // A skinned window held inside another (the program's own frame) keeps
    // what it was given itself.
    for (QWidget *control : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (!control->isWindow() && !m_windows.contains(control))
            control->setStyleSheet(m_sheet);
}

void SkinFramework1::remember(QWidget *window)
{
    m_windows.removeAll(nullptr);
    if (!m_windows.contains(window))
        m_windows.append(window);
}

bool SkinFramework1::inheritsSkin(const QWidget *window) const
{
    for (const QWidget *w = window->parentWidget(); w; w = w->parentWidget())
        if (w->styleSheet() == m_sheet)
            return true;
    return false;
}

bool SkinFramework1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && !m_sheet.isEmpty()) {
        auto *window = qobject_cast<QWidget *>(watched);
        if (window && window->isWindow() && window->styleSheet().isEmpty() && !m_windows.contains(window)
            && !inheritsSkin(window)) {
            remember(window);
            applyTo(window);
        }
    }
    return QObject::eventFilter(watched, event);
}

void SkinFramework1::watchSkinFile()
{
    if (!m_watcher)
        return;
    const QStringList watched = m_watcher->files() + m_watcher->directories();
    if (!watched.isEmpty())
        m_watcher->removePaths(watched);
    if (m_path.isEmpty())
        return;
    // The folder too: a file saved by replacing it, or made later, is seen.
    const QFileInfo file(m_path);
    if (file.absoluteDir().exists())
        m_watcher->addPath(file.absolutePath());
    if (file.isFile())
        m_watcher->addPath(m_path);
}

void SkinFramework1::reloadChangedFile()
{
    if (!m_watcher->files().contains(m_path) && QFileInfo(m_path).isFile())
        m_watcher->addPath(m_path);
    // A half-saved or broken file keeps the look the windows have.
    const std::optional<QString> sheet = usableSheetIn(m_path);
    if (!sheet || *sheet == m_sheet)
        return;
    m_sheet = *sheet;
    m_windows.removeAll(nullptr);
    for (const QPointer<QWidget> &window : std::as_const(m_windows))
        applyTo(window);
}

} // namespace quill
