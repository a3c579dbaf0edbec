#include "app/form1.h"
#include "app/qt_platform.h"
#include "app/failure.h"

#include <QApplication>

#include <cstdint>

namespace {

// Stand-ins until the transfer object and the skin engine arrive.
class NoTransfer final : public quill::Transfer {
public:
    void OpenURL(const QByteArray &) override { throw quill::Failure(QStringLiteral("No HTTP transfer available")); }
    QByteArray GetHeader() override { return {}; }
};

class NoSkin final : public quill::SkinEngine {
public:
    bool LoadSkin(const QString &, const QString &) override { return false; }
    std::uint32_t applyOptions() const override { return 0; }
    void setApplyOptions(std::uint32_t) override {}
    void setAutoApplyNewWindows(bool) override {}
    void setAutoApplyNewThreads(bool) override {}
    void ApplyWindow(QWidget *) override {}
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillmere-tandrovel"));

    quill::QtMessageBoxes boxes;
    quill::QtFileDialogs files;
    quill::DesktopLauncher launcher;
    quill::QtEventPass events;
    quill::SystemChance chance;
    NoTransfer inet;
    NoSkin skin;
    const quill::Platform platform{boxes, files, launcher, events, chance, inet, skin,
                                   QCoreApplication::applicationDirPath()};

    quill::Form1 window(platform);
    boxes.setParentWindow(&window);
    files.setParentWindow(&window);
    window.Form_Load();
    window.showCentered();
    return app.exec();
}
