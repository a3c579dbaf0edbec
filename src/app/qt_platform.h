#pragma once

#include "core/platform.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <random>

namespace quill {

// The real facilities behind the window's seam.

class QtMessageBoxes final : public MessageBoxes {
public:
    void setParentWindow(QWidget *parent) { m_parent = parent; }
    Answer message(const QString &title, const QString &text, Buttons buttons, Icon icon) override;
    QString input(const QString &title, const QString &prompt) override;

private:
    QPointer<QWidget> m_parent;
};

class QtFileDialogs final : public FileDialogs {
public:
    void setParentWindow(QWidget *parent) { m_parent = parent; }
    QStringList open(const FileDialogRequest &request) override;
    QString save(const FileDialogRequest &request) override;

private:
    QPointer<QWidget> m_parent;
};

class DesktopLauncher final : public Launcher {
public:
    void openInBrowser(const QString &address) override;
};

class QtEventPass final : public EventPass {
public:
    void processEvents() override;

private:
    bool m_passed = false;
    std::int64_t m_lastPassNs = 0;
};

class SystemChance final : public Chance {
public:
    int secondsSinceMidnight() override;
    void seed(std::uint32_t seed) override;
    double draw() override;

private:
    std::mt19937 m_generator;
};

// Message texts use CR LF and lone CR as line breaks; a Qt box wants LF.
QString displayText(const QString &text);

} // namespace quill
