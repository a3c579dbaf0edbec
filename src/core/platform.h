#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

class QWidget;

namespace quill {

// Everything the program needs from a person or from the outside world.
// The window receives one Platform at construction: real runs get Qt and
// libcurl, tests get scripted fakes. Any call may throw quill::Failure.

enum class Buttons { Ok, YesNo };
enum class Icon { None, Warning };
enum class Answer { Ok, Yes, No };

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // `text` is the program's own text: CR LF and lone CR are line breaks.
    virtual Answer message(const QString &title, const QString &text, Buttons buttons, Icon icon) = 0;
    // Returns the typed text, or an empty text on Cancel and close.
    virtual QString input(const QString &title, const QString &prompt) = 0;
};

struct FileDialogRequest {
    QString title;
    QStringList filters; // "Text Files (*.txt)" style, the first one selected
    QString fileName;    // proposed name, usually empty
    bool multiSelect = false;
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The chosen files' full paths in the dialog's order; empty on cancel.
    virtual QStringList open(const FileDialogRequest &request) = 0;
    // The chosen full path exactly as entered; empty on cancel.
    virtual QString save(const FileDialogRequest &request) = 0;
};

class Launcher {
public:
    virtual ~Launcher() = default;
    // Hands an address to the user's web browser without waiting for it.
    virtual void openInBrowser(const QString &address) = 0;
};

class EventPass {
public:
    virtual ~EventPass() = default;
    // Lets the user interface handle what is pending, once.
    virtual void processEvents() = 0;
};

class Chance {
public:
    virtual ~Chance() = default;
    virtual int secondsSinceMidnight() = 0;
    virtual void seed(std::uint32_t seed) = 0;
    // A fraction r with 0 <= r < 1.
    virtual double draw() = 0;
};

// The HTTP transfer object: one synchronous request at a time.
class Transfer {
public:
    virtual ~Transfer() = default;
    // Requests the URL; returns once the reply's header block is in.
    virtual void OpenURL(const QByteArray &url) = 0;
    // The last reply's header block, CR LF line ends, status line first.
    virtual QByteArray GetHeader() = 0;
};

// The window's skin engine.
class SkinEngine {
public:
    virtual ~SkinEngine() = default;
    // False when the file is not a usable skin.
    virtual bool LoadSkin(const QString &path, const QString &section) = 0;
    virtual std::uint32_t applyOptions() const = 0;
    virtual void setApplyOptions(std::uint32_t options) = 0;
    // Windows that open later take the skin too.
    virtual void setApplyToNewWindows(bool on) = 0;
    // Changes saved to the skin file restyle the skinned windows.
    virtual void setFollowSkinFile(bool on) = 0;
    virtual void ApplyWindow(QWidget *window) = 0;
};

// Tells assistive technology (a screen reader) what a command did, in the
// program's own words, politely: after what it is saying. Nothing shows on
// the screen, and nothing is told while a dialog waits for its answer.
class Announcer {
public:
    virtual ~Announcer() = default;
    virtual void announce(const QString &words) noexcept = 0;
};

struct Platform {
    MessageBoxes &boxes;
    FileDialogs &files;
    Launcher &launcher;
    EventPass &events;
    Chance &chance;
    Transfer &inet;
    SkinEngine &skin;
    Announcer &announcer;
    QString installFolder; // the program's folder, no trailing separator
};

} // namespace quill
