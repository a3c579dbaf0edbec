#pragma once

#include "core/platform.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <deque>
#include <functional>
#include <optional>
#include <variant>

namespace quill::test {

// One dialog as the program showed it.
struct ShownBox {
    enum class Kind { Message, Input, Open, Save };
    Kind kind;
    QString title;
    QString text; // message text, input prompt
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
    FileDialogRequest request; // file dialogs
};

// Answers every dialog from a queue, in the order the test expects them, and
// records every box shown. A dialog with no queued answer, or of another
// kind than the next answer, is recorded as unexpected.
class FakeBoxes final : public MessageBoxes, public FileDialogs {
public:
    using Action = std::function<void()>;

    void answerMessage(Answer answer, Action during = {});
    void answerInput(const QString &text, Action during = {});
    void answerOpen(const QStringList &paths, Action during = {});
    void answerSave(const QString &path, Action during = {});
    // The next dialog of that kind fails with this description.
    void failNext(ShownBox::Kind kind, const QString &description, int number = 0);
    // Closes every error report with OK by itself, without taking a queued
    // answer, as a user who dismisses each report would. For runs with too
    // many reports to script; the reports are still recorded.
    void answerReportsWithOk(bool on = true) { m_answerReports = on; }

    Answer message(const QString &title, const QString &text, Buttons buttons, Icon icon) override;
    QString input(const QString &title, const QString &prompt) override;
    QStringList open(const FileDialogRequest &request) override;
    QString save(const FileDialogRequest &request) override;

    const QList<ShownBox> &shown() const { return m_shown; }
    QList<ShownBox> messages() const; // message boxes only
    QStringList reports() const;      // texts of the error reports
    const QStringList &unexpected() const { return m_unexpected; }
    int pendingAnswers() const { return static_cast<int>(m_answers.size()); }
    void clearRecord();

private:
    struct Scripted {
        ShownBox::Kind kind;
        std::variant<Answer, QString, QStringList> value;
        Action during;
        std::optional<std::pair<QString, int>> failure;
    };
    Scripted take(ShownBox::Kind kind, const QString &what);

    std::deque<Scripted> m_answers;
    QList<ShownBox> m_shown;
    QStringList m_unexpected;
    bool m_answerReports = false;
};

class FakeLauncher final : public Launcher {
public:
    void openInBrowser(const QString &address) override;
    QStringList opened;
    std::optional<QString> failWith;
};

class FakeEventPass final : public EventPass {
public:
    void processEvents() override;
    int passes = 0;
    std::function<void(int pass)> onPass; // runs inside the given pass
};

class FakeChance final : public Chance {
public:
    int secondsSinceMidnight() override { return seconds; }
    void seed(std::uint32_t value) override { seeds.append(value); }
    double draw() override;
    int seconds = 3600;
    QList<std::uint32_t> seeds;
    std::deque<double> draws; // 0.5 once they run out
};

// Replies scripted per request: a header block, or a failure description.
class FakeTransfer final : public Transfer {
public:
    void OpenURL(const QByteArray &url) override;
    QByteArray GetHeader() override { return m_header; }
    void reply(const QByteArray &header) { m_replies.push_back(header); }
    void failWith(const QString &description) { m_replies.push_back(description); }
    QList<QByteArray> requested;
    std::function<void(const QByteArray &url)> during; // runs inside each request

private:
    std::deque<std::variant<QByteArray, QString>> m_replies;
    QByteArray m_header;
};

class FakeSkin final : public SkinEngine {
public:
    bool LoadSkin(const QString &path, const QString &section) override;
    std::uint32_t applyOptions() const override;
    void setApplyOptions(std::uint32_t options) override;
    void setApplyToNewWindows(bool on) override;
    void setFollowSkinFile(bool on) override;
    void ApplyWindow(QWidget *window) override;
    mutable QStringList calls; // reads of the options are calls too
    QWidget *appliedTo = nullptr; // the window ApplyWindow was given
    std::uint32_t options = 0x40;
    bool loadResult = true;
    QString failOn; // the call named here throws
};

// Records every announcement, with how many dialogs had been shown by then.
class FakeAnnouncer final : public Announcer {
public:
    explicit FakeAnnouncer(const FakeBoxes &boxes) : m_boxes(boxes) {}
    void announce(const QString &words) noexcept override;
    QStringList said;
    QList<qsizetype> boxesBefore; // boxesBefore[i]: dialogs shown before said[i]

private:
    const FakeBoxes &m_boxes;
};

// A full set of fakes with an installation folder of its own.
struct FakePlatform {
    FakePlatform();
    Platform platform();
    QString installFolder() const { return folder.path(); }

    QTemporaryDir folder;
    FakeBoxes boxes;
    FakeLauncher launcher;
    FakeEventPass events;
    FakeChance chance;
    FakeTransfer inet;
    FakeSkin skin;
    FakeAnnouncer announcer{boxes};
};

} // namespace quill::test
