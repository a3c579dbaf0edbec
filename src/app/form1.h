#pragma once

#include "core/busy.h"
#include "core/platform.h"
#include "core/pointer.h"
#include "core/unload_notice.h"
#include "lists/common_dialog.h"

#include <QCursor>
#include <QWidget>

#include <optional>

class QProgressBar;
class QPushButton;

namespace quill {

class DomainListView;
struct CheckRunContext;
struct ListCommandContext;

// The main window. Its controls carry the names the rest of the program
// knows them by; each button's command is a PushButtonN_Click procedure,
// written in the layer it belongs to against a context of its own, which
// holds only what the command may touch.
class Form1 final : public QWidget {
    Q_OBJECT

public:
    explicit Form1(const Platform &platform, QWidget *parent = nullptr);

    // Start-up: runs before the window is first shown.
    void Form_Load();
    // Shows the window centred on its screen.
    void showCentered();

    Pointer MousePointer() const noexcept { return m_pointer.current(); }
    void setMousePointer(Pointer pointer) { m_pointer.set(pointer); }
    bool isBusy() const noexcept { return m_busy.isBusy(); }
    // Whether the window is at a long command, which each one holds.
    BusyRecord &busyRecord() noexcept { return m_busy; }
    bool hasHandCursor() const noexcept { return m_handCursor.has_value(); }
    // The title every box without a title of its own shows.
    const QString &applicationTitle() const noexcept { return m_applicationTitle; }

    // Commands of the nine buttons.
    void PushButton5_Click(); // Add Domain
    void PushButton7_Click(); // Load Sample/Example Data
    void PushButton3_Click(); // Load Domains From File
    void PushButton4_Click(); // Start Checking
    void PushButton1_Click(); // Save List (taken)
    void PushButton6_Click(); // Save List (available)
    void PushButton11_Click(); // Clear List (pending)
    void PushButton2_Click(); // Clear List (taken)
    void PushButton9_Click(); // Clear List (available)

    // Gestures of the three lists and of the window.
    void ListView_DblClick(DomainListView *view);
    // The view reports the Delete key alone.
    void ListView_KeyDown(DomainListView *view);
    void ListView_MouseMove();
    void PushButton_MouseMove();
    void Form_MouseMove();

    // True while a check run is at work.
    bool CheckRunning = false;

Q_SIGNALS:
    // The program is about to end at once: the last moment to tidy up.
    void aboutToUnload();

protected:
    void closeEvent(QCloseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What the pointer is over, as the pointer rule tells them apart.
    enum class Area { Background, Button, List, ProgressBar };
    Area areaOf(const QWidget *widget) const;
    void pointerMovedOver(Area area);

    void createControls();
    void connectControls();
    void showPointer(Pointer pointer);
    [[noreturn]] void Form_Unload();
    ListCommandContext listCommands();
    CheckRunContext checkRun();

    DomainListView *ListView1; // pending
    DomainListView *ListView2; // taken
    DomainListView *ListView3; // available
    QPushButton *PushButton5;
    QPushButton *PushButton3;
    QPushButton *PushButton11;
    QPushButton *PushButton4;
    QPushButton *PushButton6;
    QPushButton *PushButton9;
    QPushButton *PushButton1;
    QPushButton *PushButton2;
    QPushButton *PushButton7;
    QProgressBar *ProgressBar1;

    Platform m_platform;
    BusyRecord m_busy;
    PointerSetting m_pointer{m_busy};
    UnloadNotice m_unload;
    std::optional<QCursor> m_handCursor;
    QString m_applicationTitle;
    // The open and save dialog the list commands share; it shows its
    // dialogs through the platform above, so it is declared after it.
    CommonDialog CommonDialog1{m_platform.files};
};

} // namespace quill
