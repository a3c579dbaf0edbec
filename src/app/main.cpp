#include "app/form1.h"
#include "app/message_throttle.h"
#include "app/own_title_bar.h"
#include "app/qt_announcer.h"
#include "app/qt_platform.h"
#include "app/style_sheet_skin.h"
#include "app/window_frame.h"
#include "check/curl_transfer.h"

#include <QApplication>

#include <csignal>
#include <optional>

int main(int argc, char *argv[])
{
    // A write to a connection or pipe whose other end has gone fails with
    // EPIPE, which every write reports; the signal that would come with it
    // would end the program instead. libcurl cannot hold it back for every
    // connection, so it is ignored once, for the whole program.
    std::signal(SIGPIPE, SIG_IGN);
    quill::installMessageThrottle();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillmere-tandrovel"));
    // Lets the desktop match the window to its installed entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.tavrelle.QuillmereTandrovel"));

    quill::QtMessageBoxes boxes;
    quill::QtFileDialogs files;
    quill::DesktopLauncher launcher;
    quill::QtEventPass events;
    quill::SystemChance chance;
    quill::CurlTransfer inet;
    quill::SkinFramework1 skin;
    quill::QtAnnouncer announcer;
    const quill::Platform platform{boxes, files, launcher, events, chance, inet, skin, announcer,
                                   QCoreApplication::applicationDirPath()};

    quill::Form1 window(platform);
    boxes.setParentWindow(&window);
    files.setParentWindow(&window);
    announcer.setWindow(&window);
    window.Form_Load();
    // Where the window must draw its own decoration, it is ours rather than
    // Qt's, which would offer to maximise a window of one size. Centring is
    // then the compositor's business.
    std::optional<quill::WindowFrame> frame;
    if (quill::windowDrawsItsOwnTitleBar()) {
        frame.emplace(&window);
        frame->show();
    } else {
        window.showCentered();
    }
    return app.exec();
}
