#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

namespace quill::test {

// A DNS server of the tests' own on 127.0.0.1 port 53, for a child row with
// OwnNames, whose resolver asks it. It answers a name it was given with
// 127.0.0.1 (and no IPv6 address) once the name's delay has passed, and any
// other name at once with "no such name".
class ScriptedDns final {
public:
    ScriptedDns();
    ~ScriptedDns();
    ScriptedDns(const ScriptedDns &) = delete;
    ScriptedDns &operator=(const ScriptedDns &) = delete;

    bool isReady() const noexcept { return m_socket >= 0; }
    const QString &error() const noexcept { return m_error; }

    void answer(const QByteArray &name, std::chrono::milliseconds delay);
    // Queries for the name so far (any type, any letter case).
    int queries(const QByteArray &name) const;
    // An answer is due but held back.
    bool holding() const noexcept { return m_held > 0; }

private:
    void serve();

    int m_socket = -1;
    QString m_error;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_held{0};
    mutable std::mutex m_mutex;
    std::map<QByteArray, std::chrono::milliseconds> m_names;
    std::map<QByteArray, int> m_queries;
    std::thread m_thread;
};

} // namespace quill::test
