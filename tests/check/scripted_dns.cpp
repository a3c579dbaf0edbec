#include "scripted_dns.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace quill::test {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPollMs = 10;
constexpr int kHeaderBytes = 12;
constexpr quint16 kTypeA = 1;
constexpr quint8 kNoSuchName = 3;

struct Pending {
    Clock::time_point due;
    bool held;
    QByteArray reply;
    sockaddr_in client;
};

// The question's name in lower case, dotted, and where the question ends;
// an empty name for a query this server does not read.
QByteArray questionName(const QByteArray &query, qsizetype *end, quint16 *type)
{
    QByteArray name;
    qsizetype at = kHeaderBytes;
    while (at < query.size()) {
        const auto length = static_cast<quint8>(query[at]);
        if (length == 0 || length > 63 || at + 1 + length > query.size())
            break;
        if (!name.isEmpty())
            name += '.';
        name += query.mid(at + 1, length).toLower();
        at += 1 + length;
    }
    if (at + 5 > query.size() || query[at] != 0)
        return {};
    *type = static_cast<quint16>(static_cast<quint8>(query[at + 1]) << 8 | static_cast<quint8>(query[at + 2]));
    *end = at + 5;
    return name;
}

QByteArray replyTo(const QByteArray &query, qsizetype questionEnd, bool known, quint16 type)
{
    QByteArray reply = query.left(questionEnd);
    const bool address = known && type == kTypeA;
    reply[2] = static_cast<char>(0x84 | (query[2] & 0x79)); // an authoritative reply, same opcode and RD
    reply[3] = static_cast<char>(0x80 | (known ? 0 : kNoSuchName)); // recursion available
    reply[4] = 0; reply[5] = 1;                                      // one question
    reply[6] = 0; reply[7] = address ? 1 : 0;                        // answers
    std::memset(reply.data() + 8, 0, 4);                             // no authority, no additional
    if (address) {
        // The question's name, by pointer; A, IN, a TTL of 0, 127.0.0.1.
        const char record[] = {'\xc0', '\x0c', 0, 1, 0, 1, 0, 0, 0, 0, 0, 4, 127, 0, 0, 1};
        reply.append(record, sizeof record);
    }
    return reply;
}

} // namespace

ScriptedDns::ScriptedDns()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(53);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        m_error = QStringLiteral("The DNS server cannot listen on 127.0.0.1 port 53 (a row with OwnNames only): %1")
                      .arg(QString::fromLocal8Bit(std::strerror(errno)));
        if (fd >= 0)
            ::close(fd);
        return;
    }
    m_socket = fd;
    m_thread = std::thread([this] { serve(); });
}

ScriptedDns::~ScriptedDns()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_socket >= 0)
        ::close(m_socket);
}

void ScriptedDns::answer(const QByteArray &name, std::chrono::milliseconds delay)
{
    const std::lock_guard lock(m_mutex);
    m_names[name.toLower()] = delay;
}

int ScriptedDns::queries(const QByteArray &name) const
{
    const std::lock_guard lock(m_mutex);
    const auto found = m_queries.find(name.toLower());
    return found == m_queries.end() ? 0 : found->second;
}

void ScriptedDns::serve()
{
    std::vector<Pending> pending;
    char buffer[1500];
    while (!m_stop) {
        pollfd entry{m_socket, POLLIN, 0};
        if (::poll(&entry, 1, kPollMs) > 0) {
            sockaddr_in client{};
            socklen_t length = sizeof client;
            const ssize_t n =
                ::recvfrom(m_socket, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&client), &length);
            const QByteArray query(buffer, n > 0 ? n : 0);
            qsizetype end = 0;
            quint16 type = 0;
            const QByteArray name = query.size() > kHeaderBytes ? questionName(query, &end, &type) : QByteArray();
            if (!name.isEmpty()) {
                std::chrono::milliseconds delay{0};
                bool known = false;
                {
                    const std::lock_guard lock(m_mutex);
                    ++m_queries[name];
                    if (const auto found = m_names.find(name); found != m_names.end()) {
                        known = true;
                        delay = found->second;
                    }
                }
                const bool held = delay.count() > 0;
                pending.push_back({Clock::now() + delay, held, replyTo(query, end, known, type), client});
                if (held)
                    ++m_held;
            }
        }
        const auto now = Clock::now();
        for (auto it = pending.begin(); it != pending.end();) {
            if (it->due > now) {
                ++it;
                continue;
            }
            // No longer held by the time the client can have the answer.
            if (it->held)
                --m_held;
            ::sendto(m_socket, it->reply.constData(), static_cast<size_t>(it->reply.size()), 0,
                     reinterpret_cast<const sockaddr *>(&it->client), sizeof it->client);
            it = pending.erase(it);
        }
    }
}

} // namespace quill::test
