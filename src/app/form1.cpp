#include "form1.h"

#include "application_title.h"
#include "check/check_run.h"
#include "core/file_exists.h"
#include "core/procedure.h"
#include "cursor_file.h"
#include "data/domain_list.h"
#include "home_page.h"
#include "lists/list_commands.h"
#include "lists/remove_selected.h"
#include "screen_centring.h"
#include "skin_step.h"
#include "twips.h"
#include "views/domain_list_view.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QIcon>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>

#include <cstdlib>

namespace quill {

Form1::Form1(const Platform &platform, QWidget *parent)
    : QWidget(parent), m_platform(platform), m_applicationTitle(QCoreApplication::applicationName())
{
    createControls();
    connectControls();
    connect(&m_pointer, &PointerSetting::changed, this, &Form1::showPointer);
    connect(this, &Form1::aboutToUnload, &m_unload, &UnloadNotice::aboutToUnload);
}

ListCommandContext Form1::listCommands()
{
    return {m_platform,
            m_applicationTitle,
            m_busy,
            CommonDialog1,
            m_unload,
            ListView1->ListItems(),
            ListView2->ListItems(),
            ListView3->ListItems()};
}

CheckRunContext Form1::checkRun()
{
    return {m_platform,
            m_applicationTitle,
            m_busy,
            ListView1->ListItems(),
            ListView2->ListItems(),
            ListView3->ListItems(),
            CheckRunning};
}

void Form1::PushButton5_Click() { lists::PushButton5_Click(listCommands()); }
void Form1::PushButton7_Click() { lists::PushButton7_Click(listCommands()); }
void Form1::PushButton3_Click() { lists::PushButton3_Click(listCommands()); }
void Form1::PushButton4_Click() { check::PushButton4_Click(checkRun()); }
void Form1::PushButton1_Click() { lists::PushButton1_Click(listCommands()); }
void Form1::PushButton6_Click() { lists::PushButton6_Click(listCommands()); }
void Form1::PushButton11_Click() { lists::PushButton11_Click(listCommands()); }
void Form1::PushButton2_Click() { lists::PushButton2_Click(listCommands()); }
void Form1::PushButton9_Click() { lists::PushButton9_Click(listCommands()); }

void Form1::connectControls()
{
    const std::pair<QPushButton *, void (Form1::*)()> commands[] = {
        {PushButton5, &Form1::PushButton5_Click},   {PushButton7, &Form1::PushButton7_Click},
        {PushButton3, &Form1::PushButton3_Click},   {PushButton4, &Form1::PushButton4_Click},
        {PushButton1, &Form1::PushButton1_Click},   {PushButton6, &Form1::PushButton6_Click},
        {PushButton11, &Form1::PushButton11_Click}, {PushButton2, &Form1::PushButton2_Click},
        {PushButton9, &Form1::PushButton9_Click},
    };
    for (const auto &[button, command] : commands)
        connect(button, &QPushButton::clicked, this, command);
    for (DomainListView *view : {ListView1, ListView2, ListView3}) {
        connect(view, &DomainListView::doubleClickedAnywhere, this, [this, view] { ListView_DblClick(view); });
        connect(view, &DomainListView::deleteKeyPressed, this, [this, view] { ListView_KeyDown(view); });
    }
    // Every part of every control (a list's header, viewport and scroll
    // bars, a button's face) reports the pointer's moves to the rule; a part
    // without tracking would swallow them, and the pointer would stay as the
    // last control left it.
    for (QWidget *part : findChildren<QWidget *>()) {
        part->setMouseTracking(true);
        part->installEventFilter(this);
    }
}

void Form1::Form_Load()
{
    Procedure proc(m_platform.boxes, procedurePath(QStringLiteral("Form1"), QStringLiteral("Form_Load")));
    const QString handCursorPath = m_platform.installFolder + QStringLiteral("/HAND-M.CUR");

    proc.step(100, [&] { SkinStep(*this, m_platform.skin, m_platform.installFolder); });
    if (proc.metOrFailed(104, [&] { return FileExists(handCursorPath); }))
        proc.step(106, [&] { m_handCursor = loadCursorFile(handCursorPath); });
    proc.step(108, [&] { HomePageDraw(m_platform.chance, m_platform.launcher); });
    proc.step(126, [&] { setWindowTitle(QString::fromUtf16(kProductName)); });
    proc.step(126, [&] { setWindowIcon(QIcon(QStringLiteral(":/quillmere/icon.svg"))); });
    proc.step(126, [&] { m_applicationTitle = ApplicationTitle(QString::fromUtf16(kProductName)); });
    proc.step(128, [&] { ListView1->addColumn(QStringLiteral("Domain(s)")); });
    proc.step(130, [&] { ListView1->setColumnWidth(0, twips(7000)); });
    proc.step(132, [&] { ListView2->addColumn(QStringLiteral("Taken Domain(s)")); });
    proc.step(134, [&] { ListView2->setColumnWidth(0, twips(3500)); });
    proc.step(136, [&] { ListView3->addColumn(QStringLiteral("Available Domain(s)")); });
    proc.step(138, [&] { ListView3->setColumnWidth(0, twips(3500)); });
}

void Form1::showCentered()
{
    // Placed by hand: on a bare X server nobody else would centre it.
    keepCentredOnScreen(*this);
    show();
}

void Form1::showPointer(Pointer pointer)
{
    switch (pointer) {
    case Pointer::Default:
        setCursor(Qt::ArrowCursor);
        break;
    case Pointer::Hand:
        setCursor(m_handCursor ? *m_handCursor : QCursor(Qt::ArrowCursor));
        break;
    case Pointer::Busy:
        setCursor(Qt::WaitCursor);
        break;
    }
}

void Form1::ListView_DblClick(DomainListView *view)
{
    removeSelectedEntry(view->ListItems(), view->SelectedItemIndex(), isBusy());
}

void Form1::ListView_KeyDown(DomainListView *view)
{
    removeSelectedEntry(view->ListItems(), view->SelectedItemIndex(), isBusy());
}

void Form1::ListView_MouseMove()
{
    if (!isBusy())
        setMousePointer(Pointer::Default);
}

void Form1::PushButton_MouseMove()
{
    if (!isBusy())
        setMousePointer(Pointer::Hand);
}

void Form1::Form_MouseMove()
{
    if (!isBusy())
        setMousePointer(Pointer::Default);
}

Form1::Area Form1::areaOf(const QWidget *widget) const
{
    // The control is the window's own child that holds the widget.
    while (widget && widget != this && widget->parentWidget() != this)
        widget = widget->parentWidget();
    if (!widget || widget == this)
        return Area::Background;
    if (widget == ProgressBar1)
        return Area::ProgressBar;
    if (qobject_cast<const QPushButton *>(widget))
        return Area::Button;
    if (qobject_cast<const DomainListView *>(widget))
        return Area::List;
    return Area::Background;
}

void Form1::pointerMovedOver(Area area)
{
    switch (area) {
    case Area::Button:
        PushButton_MouseMove();
        break;
    case Area::List:
        ListView_MouseMove();
        break;
    case Area::Background:
        Form_MouseMove();
        break;
    case Area::ProgressBar:
        break;
    }
}

void Form1::mouseMoveEvent(QMouseEvent *event)
{
    // Moves that a control leaves unhandled travel on to here: the control
    // under the pointer decides, so its rule is not undone.
    pointerMovedOver(areaOf(childAt(event->position().toPoint())));
    QWidget::mouseMoveEvent(event);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove && watched->isWidgetType())
        pointerMovedOver(areaOf(static_cast<QWidget *>(watched)));
    return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent *event)
{
    event->accept();
    Form_Unload();
}

void Form1::Form_Unload()
{
    // Ends the program at once, also from inside a command's nested event
    // loop: nothing is asked and nothing is saved.
    Q_EMIT aboutToUnload();
    std::_Exit(EXIT_SUCCESS);
}

} // namespace quill
