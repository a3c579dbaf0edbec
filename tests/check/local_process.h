#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

namespace quill::test {

// A server program from Debian run by a test on free loopback ports: it is
// started with what `configure` gives for a set of ports that were free a
// moment ago (trying new ones when somebody else took one first), counts as
// running once every port accepts, and is stopped when this goes.
class LocalProcess final {
public:
    // Writes the configuration for these ports; returns the program's
    // arguments, or an empty list with `error` set.
    using Configure = std::function<QStringList(const QList<quint16> &ports, QString *error)>;

    LocalProcess(const QString &program, qsizetype portCount, const Configure &configure,
                 const QString &errorLogPath);
    ~LocalProcess();
    LocalProcess(const LocalProcess &) = delete;
    LocalProcess &operator=(const LocalProcess &) = delete;

    // The program's full path, or empty when it is not installed.
    static QString find(const QString &name);

    bool isRunning() const { return !m_ports.isEmpty(); }
    // Why it did not start.
    const QString &error() const { return m_error; }
    quint16 port(qsizetype index = 0) const { return m_ports.value(index); }

private:
    bool start(const QString &program, const QList<quint16> &ports, const Configure &configure,
               const QString &errorLogPath);

    QProcess m_process;
    QList<quint16> m_ports;
    QString m_error;
};

} // namespace quill::test
