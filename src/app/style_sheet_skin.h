#pragma once

#include "core/platform.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>

class QFileSystemWatcher;

namespace quill {

// The window's skin engine. A skin file is a Qt style sheet (UTF-8); a
// window given the skin takes the sheet. Image urls in a sheet may name
// files beside the skin file as "skin:name.png".
class SkinFramework1 final : public QObject, public SkinEngine {
public:
    // Option flag: the sheet styles the window's own surface too. Without it
    // the sheet goes to the window's controls only.
    static constexpr std::uint32_t StyleWindowSurface = 0x1;
    // The largest skin file taken, in bytes.
    static constexpr qint64 MaxSheetSize = 1024 * 1024;

    explicit SkinFramework1(QObject *parent = nullptr);
    ~SkinFramework1() override;

    // Loads the sheet; false, and no skin, when the file is not a usable
    // sheet. Our sheets have no sections: `section` is not used.
    bool LoadSkin(const QString &path, const QString &section) override;
    std::uint32_t applyOptions() const override { return m_options; }
    void setApplyOptions(std::uint32_t options) override { m_options = options; }
    // Windows that open later (boxes, dialogs) take the skin as they show.
    void setApplyToNewWindows(bool on) override;
    // The skin file is watched: saved changes restyle the skinned windows.
    void setFollowSkinFile(bool on) override;
    void ApplyWindow(QWidget *window) override;

    // The loaded sheet; empty while there is no usable skin.
    const QString &styleSheet() const noexcept { return m_sheet; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyTo(QWidget *window);
    void remember(QWidget *window);
    bool inheritsSkin(const QWidget *window) const;
    void watchSkinFile();
    void reloadChangedFile();

    QString m_path;
    QString m_sheet;
    std::uint32_t m_options = 0;
    bool m_applyToNewWindows = false;
    QList<QPointer<QWidget>> m_windows;
    QFileSystemWatcher *m_watcher = nullptr;
};

} // namespace quill
