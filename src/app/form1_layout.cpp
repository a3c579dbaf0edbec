#include "form1.h"

#include "enter_presses_button.h"
#include "system_colour_background.h"
#include "twips.h"
#include "views/domain_list_view.h"

#include <QFont>
#include <QProgressBar>
#include <QPushButton>

#include <utility>

namespace quill {

namespace {

constexpr int kClientWidth = 8040;
constexpr int kClientHeight = 6885;

void place(QWidget *control, int left, int top, int width, int height)
{
    control->setGeometry(twips(left), twips(top), twips(width), twips(height));
}

QFont arialBold(qreal points)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

QPushButton *button(QWidget *parent, const char *objectName, const QString &caption, const QFont &font)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(objectName));
    b->setFont(font);
    b->setAutoDefault(false);
    pressOnEnter(*b);
    return b;
}

DomainListView *listView(QWidget *parent, const char *objectName)
{
    auto *view = new DomainListView(parent);
    view->setObjectName(QLatin1String(objectName));
    return view;
}

} // namespace

void Form1::createControls()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(twips(kClientWidth), twips(kClientHeight));
    setFont(arialBold(9));
    setMouseTracking(true);

    // White on a light desktop; a dark desktop's own base colour on a dark
    // one, so that the lists and the window between them stay of a piece.
    followSystemColour(*this, QPalette::Base);
    setAutoFillBackground(true);

    const QFont buttonFont = arialBold(11.25);

    ListView1 = listView(this, "ListView1");
    ListView1->setToolTip(QStringLiteral(
        "Double-click item to remove it. Move | line to right and out of window to reveal full names."));
    ListView2 = listView(this, "ListView2");
    ListView3 = listView(this, "ListView3");
    PushButton5 = button(this, "PushButton5", QStringLiteral("Add Domain"), buttonFont);
    PushButton3 = button(this, "PushButton3", QStringLiteral("Load Domains From File"), buttonFont);
    PushButton11 = button(this, "PushButton11", QStringLiteral("Clear List"), buttonFont);
    PushButton4 = button(this, "PushButton4", QStringLiteral("Start Checking"), buttonFont);
    PushButton6 = button(this, "PushButton6", QStringLiteral("Save List"), buttonFont);
    PushButton9 = button(this, "PushButton9", QStringLiteral("Clear List"), buttonFont);
    PushButton1 = button(this, "PushButton1", QStringLiteral("Save List"), buttonFont);
    PushButton2 = button(this, "PushButton2", QStringLiteral("Clear List"), buttonFont);
    PushButton7 = button(this, "PushButton7", QStringLiteral("Load Sample/Example Data"), buttonFont);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);

    // What a screen reader adds to a control's caption. The buttons of the
    // three lists share two captions, so each is described by its list's
    // header; the pending list's item view reads no tooltip by itself, and
    // one who cannot double-click an entry hears of the key that removes it.
    ListView1->setAccessibleDescription(ListView1->toolTip()
                                        + QStringLiteral(" The Delete key removes the selected item."));
    const std::pair<QPushButton *, const char *> listButtons[] = {
        {PushButton11, "Domain(s)"},           {PushButton6, "Available Domain(s)"},
        {PushButton9, "Available Domain(s)"}, {PushButton1, "Taken Domain(s)"},
        {PushButton2, "Taken Domain(s)"},
    };
    for (const auto &[listButton, list] : listButtons)
        listButton->setAccessibleDescription(QLatin1String(list));
    ProgressBar1->setAccessibleName(QStringLiteral("Progress"));

    place(ListView1, 120, 120, 7800, 1575);
    place(ListView2, 4080, 3315, 3840, 1935);
    place(ListView3, 120, 3315, 3840, 1935);
    place(PushButton5, 120, 1790, 3840, 400);
    place(PushButton3, 4080, 1785, 3840, 405);
    place(PushButton11, 120, 2290, 3840, 405);
    place(PushButton4, 120, 2810, 7800, 405);
    place(PushButton6, 120, 5340, 3840, 405);
    place(PushButton9, 120, 5850, 3840, 405);
    place(PushButton1, 4080, 5340, 3840, 405);
    place(PushButton2, 4080, 5850, 3840, 405);
    place(PushButton7, 4080, 2310, 3840, 405);
    place(ProgressBar1, 120, 6360, 7800, 405);

    const QList<QWidget *> tabOrder = {ListView1,   ListView2,   ListView3,   PushButton5, PushButton3,
                                       PushButton11, PushButton4, PushButton6, PushButton9, PushButton1,
                                       PushButton2, PushButton7, ProgressBar1};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

} // namespace quill
