#include "fake_platform.h"

#include "core/failure.h"

namespace quill::test {

namespace {

const QLatin1String kReportTitle("Application Error");

QString kindName(ShownBox::Kind kind)
{
    switch (kind) {
    case ShownBox::Kind::Message:
        return QStringLiteral("message box");
    case ShownBox::Kind::Input:
        return QStringLiteral("input box");
    case ShownBox::Kind::Open:
        return QStringLiteral("open dialog");
    case ShownBox::Kind::Save:
        return QStringLiteral("save dialog");
    }
    return {};
}

} // namespace

void FakeBoxes::answerMessage(Answer answer, Action during)
{
    m_answers.push_back({ShownBox::Kind::Message, answer, std::move(during), std::nullopt});
}

void FakeBoxes::answerInput(const QString &text, Action during)
{
    m_answers.push_back({ShownBox::Kind::Input, text, std::move(during), std::nullopt});
}

void FakeBoxes::answerOpen(const QStringList &paths, Action during)
{
    m_answers.push_back({ShownBox::Kind::Open, paths, std::move(during), std::nullopt});
}

void FakeBoxes::answerSave(const QString &path, Action during)
{
    m_answers.push_back({ShownBox::Kind::Save, path, std::move(during), std::nullopt});
}

void FakeBoxes::failNext(ShownBox::Kind kind, const QString &description, int number)
{
    m_answers.push_back({kind, QString(), {}, std::make_pair(description, number)});
}

FakeBoxes::Scripted FakeBoxes::take(ShownBox::Kind kind, const QString &what)
{
    if (m_answers.empty() || m_answers.front().kind != kind) {
        m_unexpected.append(kindName(kind) + QStringLiteral(": ") + what);
        return {kind, QString(), {}, std::nullopt};
    }
    Scripted next = std::move(m_answers.front());
    m_answers.pop_front();
    if (next.during)
        next.during();
    if (next.failure)
        throw Failure(next.failure->first, next.failure->second);
    return next;
}

Answer FakeBoxes::message(const QString &title, const QString &text, Buttons buttons, Icon icon)
{
    m_shown.append({ShownBox::Kind::Message, title, text, buttons, icon, {}});
    if (m_answerReports && title == kReportTitle)
        return Answer::Ok;
    const Scripted answer = take(ShownBox::Kind::Message, text);
    if (const auto *value = std::get_if<Answer>(&answer.value))
        return *value;
    return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
}

QString FakeBoxes::input(const QString &title, const QString &prompt)
{
    m_shown.append({ShownBox::Kind::Input, title, prompt, Buttons::Ok, Icon::None, {}});
    const Scripted answer = take(ShownBox::Kind::Input, prompt);
    if (const auto *value = std::get_if<QString>(&answer.value))
        return *value;
    return {};
}

QStringList FakeBoxes::open(const FileDialogRequest &request)
{
    m_shown.append({ShownBox::Kind::Open, request.title, {}, Buttons::Ok, Icon::None, request});
    const Scripted answer = take(ShownBox::Kind::Open, request.title);
    if (const auto *value = std::get_if<QStringList>(&answer.value))
        return *value;
    return {};
}

QString FakeBoxes::save(const FileDialogRequest &request)
{
    m_shown.append({ShownBox::Kind::Save, request.title, {}, Buttons::Ok, Icon::None, request});
    const Scripted answer = take(ShownBox::Kind::Save, request.title);
    if (const auto *value = std::get_if<QString>(&answer.value))
        return *value;
    return {};
}

QList<ShownBox> FakeBoxes::messages() const
{
    QList<ShownBox> result;
    for (const ShownBox &box : m_shown)
        if (box.kind == ShownBox::Kind::Message)
            result.append(box);
    return result;
}

QStringList FakeBoxes::reports() const
{
    QStringList result;
    for (const ShownBox &box : m_shown)
        if (box.kind == ShownBox::Kind::Message && box.title == kReportTitle)
            result.append(box.text);
    return result;
}

void FakeBoxes::clearRecord()
{
    m_shown.clear();
}

void FakeLauncher::openInBrowser(const QString &address)
{
    if (failWith)
        throw Failure(*failWith);
    opened.append(address);
}

void FakeEventPass::processEvents()
{
    ++passes;
    if (onPass)
        onPass(passes);
}

double FakeChance::draw()
{
    if (draws.empty())
        return 0.5;
    const double next = draws.front();
    draws.pop_front();
    return next;
}

void FakeTransfer::OpenURL(const QByteArray &url)
{
    requested.append(url);
    m_header.clear();
    if (during)
        during(url);
    if (m_replies.empty())
        throw Failure(QStringLiteral("No reply scripted for ") + QString::fromUtf8(url));
    auto next = std::move(m_replies.front());
    m_replies.pop_front();
    if (const auto *description = std::get_if<QString>(&next))
        throw Failure(*description);
    m_header = std::get<QByteArray>(next);
}

bool FakeSkin::LoadSkin(const QString &path, const QString &section)
{
    calls.append(QStringLiteral("LoadSkin(%1,%2)").arg(path, section));
    if (failOn == QLatin1String("LoadSkin"))
        throw Failure(QStringLiteral("skin engine failed"));
    return loadResult;
}

std::uint32_t FakeSkin::applyOptions() const
{
    calls.append(QStringLiteral("applyOptions()"));
    if (failOn == QLatin1String("applyOptions"))
        throw Failure(QStringLiteral("skin engine failed"));
    return options;
}

void FakeSkin::setApplyOptions(std::uint32_t value)
{
    calls.append(QStringLiteral("setApplyOptions(%1)").arg(value));
    if (failOn == QLatin1String("setApplyOptions"))
        throw Failure(QStringLiteral("skin engine failed"));
    options = value;
}

void FakeSkin::setApplyToNewWindows(bool on)
{
    calls.append(QStringLiteral("setApplyToNewWindows(%1)").arg(on));
    if (failOn == QLatin1String("setApplyToNewWindows"))
        throw Failure(QStringLiteral("skin engine failed"));
}

void FakeSkin::setFollowSkinFile(bool on)
{
    calls.append(QStringLiteral("setFollowSkinFile(%1)").arg(on));
    if (failOn == QLatin1String("setFollowSkinFile"))
        throw Failure(QStringLiteral("skin engine failed"));
}

void FakeSkin::ApplyWindow(QWidget *window)
{
    calls.append(QStringLiteral("ApplyWindow"));
    appliedTo = window;
    if (failOn == QLatin1String("ApplyWindow"))
        throw Failure(QStringLiteral("skin engine failed"));
}

FakePlatform::FakePlatform() = default;

Platform FakePlatform::platform()
{
    return Platform{boxes, boxes, launcher, events, chance, inet, skin, announcer, folder.path()};
}

void FakeAnnouncer::announce(const QString &words) noexcept
{
    said.append(words);
    boxesBefore.append(m_boxes.shown().size());
}

} // namespace quill::test
