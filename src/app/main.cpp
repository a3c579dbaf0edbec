#include "app/form1.h"
#include "app/qt_platform.h"
#include "app/style_sheet_skin.h"
#include "check/curl_transfer.h"

#include <QApplication>

int main(int argc, char *argv[])
{
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
    const quill::Platform platform{boxes, files, launcher, events, chance, inet, skin,
                                   QCoreApplication::applicationDirPath()};

    quill::Form1 window(platform);
    boxes.setParentWindow(&window);
    files.setParentWindow(&window);
    window.Form_Load();
    window.showCentered();
    return app.exec();
}
