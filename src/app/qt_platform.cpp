#include "qt_platform.h"

#include "core/failure.h"
#include "modal_in_front.h"
#include "screen_centring.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QInputDialog>
#include <QGridLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QTime>
#include <QUrl>

#include <cstdint>

#include <time.h>

namespace quill {

QString displayText(const QString &text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');
    return shown;
}

namespace {

// The width a box's title bar needs to show its whole title: the title in
// a bold title font (Qt's stand-in for the window manager's, which is often
// bold), the window icon and three frame buttons, each about as wide as the
// bar is tall, and the frame's ends.
int titleBarWidth(const QString &title)
{
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    const QFontMetrics metrics(font);
    const int bar = metrics.height() + 8;
    return metrics.horizontalAdvance(title) + 4 * bar + 2 * metrics.height();
}

// A box whose parent window is not shown yet (during start-up) would be
// placed against where that window is going to be: it goes without one,
// centred on the screen.
QWidget *shownOrNone(QWidget *parent)
{
    return parent && parent->isVisible() ? parent : nullptr;
}

template <typename Box>
void placeWithoutParent(Box &box)
{
    if (!box.parentWidget())
        keepCentredOnScreen(box);
}

// A message box at least as wide as its title needs. Qt sizes the box from
// its layout when it is shown, and places it then: a row of that width in
// the layout takes part in both.
class TitledMessageBox final : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent *event) override
    {
        auto *grid = qobject_cast<QGridLayout *>(layout());
        if (grid && !m_titleRow) {
            const QMargins margins = grid->contentsMargins();
            m_titleRow = new QSpacerItem(titleBarWidth(windowTitle()) - margins.left() - margins.right(), 0,
                                         QSizePolicy::Fixed, QSizePolicy::Minimum);
            grid->addItem(m_titleRow, grid->rowCount(), 0, 1, grid->columnCount());
        }
        QMessageBox::showEvent(event);
        // The box has its size only now, just before it is mapped: placed
        // before showing, it would appear off centre until the first look
        // of its centring.
        if (!parentWidget())
            centreFrameOnScreen(*this);
    }

private:
    QSpacerItem *m_titleRow = nullptr; // owned by the layout
};

} // namespace

Answer QtMessageBoxes::message(const QString &title, const QString &text, Buttons buttons, Icon icon)
{
    TitledMessageBox box(icon == Icon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon, title,
                         displayText(text), QMessageBox::NoButton, shownOrNone(m_parent));
    placeWithoutParent(box);
    box.setTextFormat(Qt::PlainText);
    if (buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int result = execInFront(box);
    if (buttons == Buttons::YesNo)
        return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
    return Answer::Ok;
}

QString QtMessageBoxes::input(const QString &title, const QString &prompt)
{
    QInputDialog dialog(shownOrNone(m_parent));
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setMinimumWidth(titleBarWidth(title));
    placeWithoutParent(dialog);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(QString());
    if (execInFront(dialog) != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}

namespace {

// Qt's file dialog keeps its name field as a child of this name; nothing
// public reaches what was typed there. Everything that reads it goes
// through here, and the dialog tests fail at once when a Qt update renames
// it.
QLineEdit *fileNameEdit(const QFileDialog &dialog)
{
    return dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
}

// An open dialog that lets several files be chosen and still hands back a
// typed name of a file that does not exist, as the list commands expect.
// Qt's own multi-file mode refuses such names, and quietly drops them when
// another typed name exists, so the typed names are read here.
class OpenAnyFilesDialog final : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    const QStringList &chosen() const { return m_chosen; }

    void accept() override
    {
        const QLineEdit *edit = fileNameEdit(*this);
        const QString text = edit ? edit->text() : QString();
        // Nothing typed, or what Qt wrote there for files clicked in the
        // list: those files are the choice, whatever their names hold.
        if (text.isEmpty() || text == clickedText()) {
            m_chosen = selectedFiles();
            QFileDialog::accept();
            return;
        }
        QStringList typed = typedNames(text);
        if (typed.size() == 1 && QFileInfo(typed.first()).isDir()) {
            setDirectory(typed.first());
            fileNameEdit(*this)->clear();
            return;
        }
        for (const QString &name : std::as_const(typed)) {
            if (isPattern(name)) {
                filterBy(name);
                return;
            }
        }
        if (fileMode() != ExistingFiles)
            typed = typed.mid(0, 1);
        m_chosen = typed;
        QDialog::accept();
    }

private:
    // The name field's text for the selected files, as Qt writes it when
    // they are clicked: one name as it is, several in double quotes. Empty
    // when one of them is not there, so cannot have been clicked.
    QString clickedText() const
    {
        QStringList names;
        for (const QString &path : selectedFiles()) {
            const QFileInfo info(path);
            if (!info.exists())
                return QString();
            if (!info.isDir())
                names.append(info.fileName());
        }
        if (names.size() > 1)
            for (QString &name : names)
                name = u'"' + name + u'"';
        return names.join(u' ');
    }

    // The typed names as full paths against the folder shown: "a.txt", or
    // "a.txt" "b.txt" in double quotes as Qt writes several. A text that
    // does not begin with a quote is one name, quotes and all.
    QStringList typedNames(const QString &text) const
    {
        QStringList names;
        if (!text.startsWith(u'"')) {
            names.append(text);
        } else {
            const QStringList tokens = text.split(u'"');
            for (qsizetype i = 1; i < tokens.size(); i += 2)
                if (!tokens[i].isEmpty())
                    names.append(tokens[i]);
        }
        const QDir folder = directory();
        for (QString &name : names) {
            if (name == u'~' || name.startsWith(QLatin1String("~/")))
                name.replace(0, 1, QDir::homePath());
            name = folder.absoluteFilePath(name);
        }
        return names;
    }

    // A name with wildcards that names no file of its own. Brackets are
    // left out: "list[1].txt" is far more often a name than a pattern.
    static bool isPattern(const QString &path)
    {
        const QString name = QFileInfo(path).fileName();
        return (name.contains(u'*') || name.contains(u'?')) && !QFileInfo::exists(path);
    }

    // Shows only the names that match, in the pattern's folder, as one more
    // choice of the file type list; the dialog stays open.
    void filterBy(const QString &pattern)
    {
        if (m_givenFilters.isEmpty())
            m_givenFilters = nameFilters();
        const QFileInfo info(pattern);
        if (QFileInfo(info.path()).isDir())
            setDirectory(info.path());
        setNameFilters(m_givenFilters + QStringList{info.fileName()});
        selectNameFilter(info.fileName());
        fileNameEdit(*this)->clear();
    }

    QStringList m_chosen;
    QStringList m_givenFilters;
};

void applyCommonSettings(QFileDialog &dialog, const FileDialogRequest &request)
{
    // Qt's own dialog everywhere: what it checks and adds is known exactly.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilters(request.filters);
    if (!request.filters.isEmpty())
        dialog.selectNameFilter(request.filters.first());
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
}

} // namespace

QStringList QtFileDialogs::open(const FileDialogRequest &request)
{
    OpenAnyFilesDialog dialog(m_parent, request.title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.multiSelect ? QFileDialog::ExistingFiles : QFileDialog::AnyFile);
    applyCommonSettings(dialog, request);
    if (execInFront(dialog) != QDialog::Accepted)
        return {};
    return dialog.chosen();
}

QString QtFileDialogs::save(const FileDialogRequest &request)
{
    QFileDialog dialog(m_parent, request.title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The command asks about overwriting itself, and saves under the name
    // exactly as given: no prompt and no suffix of the dialog's own.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setDefaultSuffix(QString());
    applyCommonSettings(dialog, request);
    if (execInFront(dialog) != QDialog::Accepted)
        return QString();
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

void DesktopLauncher::openInBrowser(const QString &address)
{
    if (!QDesktopServices::openUrl(QUrl(address)))
        throw Failure(QStringLiteral("No web browser could be started for ") + address);
}

namespace {

// A pass asks the window system for news even when it has none, which costs
// about a microsecond, and a save passes here once per entry. Passes closer
// together than a person or a screen could tell apart are skipped: the
// coarse clock is read in a few nanoseconds and moves every few
// milliseconds, so at most one pass runs per tick of it.
constexpr std::int64_t kPassIntervalNs = 2'000'000;

std::int64_t coarseNowNs() noexcept
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

} // namespace

void QtEventPass::processEvents()
{
    if (m_passed && coarseNowNs() - m_lastPassNs < kPassIntervalNs)
        return;
    QCoreApplication::processEvents();
    m_passed = true;
    m_lastPassNs = coarseNowNs();
}

int SystemChance::secondsSinceMidnight()
{
    return QTime::currentTime().msecsSinceStartOfDay() / 1000;
}

void SystemChance::seed(std::uint32_t seed)
{
    m_generator.seed(seed);
}

double SystemChance::draw()
{
    return std::uniform_real_distribution<double>(0.0, 1.0)(m_generator);
}

} // namespace quill
