#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace quill {

class FileDialogs;

// The window's open and save dialog, driven through properties as the list
// commands expect: set them, show the dialog, then read FileName for the
// result. Every showing reads the properties afresh.
class CommonDialog final {
public:
    // Several files may be chosen.
    static constexpr std::uint32_t kAllowMultiSelect = 0x200;
    // The failure number of a selection that does not fit the result.
    static constexpr int kBufferTooSmall = 20476;
    // The settings the list-file commands show it with: long names, explorer
    // style, several files, read-only box ticked; text files first.
    static constexpr std::uint32_t kListFileFlags = 0x280201;
    static constexpr char16_t kListFileFilter[] = u"Text Files (*.txt)|*.txt|All Files (*.*)|*.*|";
    // Characters the result may hold: folder, names and separators.
    static constexpr qsizetype kMaxFileSize = 30000;

    explicit CommonDialog(FileDialogs &dialogs) : m_dialogs(dialogs) {}
    CommonDialog(const CommonDialog &) = delete;
    CommonDialog &operator=(const CommonDialog &) = delete;

    QString FileName() const { return m_fileName; }
    void setFileName(const QString &name) { m_fileName = name; }
    std::uint32_t Flags() const noexcept { return m_flags; }
    void setFlags(std::uint32_t flags) noexcept { m_flags = flags; }
    QString DialogTitle() const { return m_title; }
    void setDialogTitle(const QString &title) { m_title = title; }
    QString Filter() const { return m_filter; }
    void setFilter(const QString &filter) { m_filter = filter; }

    // Shows the open dialog. FileName becomes empty on cancel, the full path
    // for one file, and for several the folder and each name, NUL between
    // them. Throws Failure kBufferTooSmall when that does not fit.
    void ShowOpen();
    // Shows the save dialog; FileName becomes the chosen path, exactly as
    // entered, or empty on cancel.
    void ShowSave();

private:
    FileDialogs &m_dialogs;
    QString m_fileName;
    std::uint32_t m_flags = 0;
    QString m_title;
    QString m_filter;
};

// "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|" as the dialog's name
// filters, in the same order. "*.*" matches every name here, also those
// without a dot, as it does where such filters come from.
QStringList nameFilters(const QString &filter);

// The one result text of an open dialog for the chosen full paths.
QString openResult(const QStringList &paths);

// That result cut at every NUL: the one path, or the folder and then the
// names. An empty result has no parts.
QStringList openResultParts(const QString &result);

} // namespace quill
