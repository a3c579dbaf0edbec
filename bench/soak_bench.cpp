// Soak run of "Start Checking": 20,000 names (or as many as the first
// argument asks for) through the real window and the real libcurl transfer,
// against a local nginx, a scripted server with a dozen ways of answering
// and a port that refuses connections. Every error report is closed by the
// fakes. The run checks that each name lands in exactly one result list, in
// list order, with the verdict its server was scripted to give, while the
// pending list stays as it was; that the reports are exactly those the
// failing servers call for; and that memory stays flat from the first quarter
// of the run to its end. It prints the figures beside the checks.
//
//   soak_bench [names] [--hidden]
//
// The window is shown, as a user has it, unless --hidden says otherwise.
// Exits non-zero when a check fails.

#include "app/form1.h"
#include "bench_support.h"
#include "check/curl_transfer.h"
#include "core/error_report.h"
#include "data/domain_list.h"
#include "fake_platform.h"
#include "form1_controls.h"
#include "local_nginx.h"
#include "scripted_server.h"
#include "views/domain_list_view.h"

#include <QApplication>
#include <QMap>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <malloc.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quill;
using namespace quill::bench;
using namespace quill::test;

namespace {

constexpr int kDefaultNames = 20'000;
constexpr int kSampleEvery = 1'000;
constexpr int kPages = 50; // files nginx serves; names reach them with a query of their own

// Memory allowed to grow from the end of the first quarter to the end: what
// the growing result lists took, and a fixed MiB for caches that fill once
// (glyphs, libcurl's connection and name caches) and the allocator's spare
// blocks. The lists take the bytes of the names they gained and an offset
// each, and each time one of their buffers moved to a bigger block, the old
// block too, which the allocator may keep. Anything kept per request besides (a socket notifier,
// an error report's text, a curl handle) costs a hundred bytes or more a name
// and shows over the thousands of names after the first quarter.
constexpr long long kFlatBytes = 1024 * 1024;
// Resident memory cannot tell a small leak from the names rightly kept, but
// the heap in use can: the buffers that keep the names grow in a few large
// steps and stay put in between, so over most stretches of 1,000 names the
// heap does not change at all, while a leak raises every stretch alike. The
// median change per stretch is therefore held to 16 bytes a name.
constexpr long long kFlatHeapPerName = 16;

enum class Kind {
    Page,          // nginx, a file it serves
    Missing,       // nginx, a file it lacks
    Ok,            // "200 OK"
    Moved,         // "301 Moved Permanently"
    NotFound,      // "404 Not Found"
    NotFoundUpper, // "404 NOT FOUND"
    NoPhrase,      // "200" and nothing after it
    Unavailable,   // "503 Service Unavailable"
    LfOnly,        // lines ended by LF alone, read as CR LF
    ResetMidHeaders,
    HugeHeaders,   // more than the transfer accepts before the body
    Refused,       // nobody listens
};
constexpr int kKinds = 12;

struct KindInfo {
    const char *label;
    bool taken;
    std::vector<int> steps; // the probe's failing steps, in order
};

const std::array<KindInfo, kKinds> &kindInfo()
{
    static const std::array<KindInfo, kKinds> info{{
        {"nginx 200 OK", true, {}},
        {"nginx 404 Not Found", false, {}},
        {"200 OK", true, {}},
        {"301 Moved Permanently", true, {}},
        {"404 Not Found", false, {}},
        {"404 NOT FOUND", false, {}},
        {"200 without a phrase", false, {}},
        {"503 Service Unavailable", true, {}},
        {"200 OK, LF line ends", true, {}},
        {"reset mid-headers", true, {}},
        {"header block over 64 KiB", true, {}},
        {"connection refused", false, {108, 110, 112}},
    }};
    return info;
}

const KindInfo &infoOf(Kind kind)
{
    return kindInfo()[static_cast<size_t>(kind)];
}

bool isScripted(Kind kind)
{
    return kind != Kind::Page && kind != Kind::Missing && kind != Kind::Refused;
}

// A known order in which every kind follows every other many times, so that
// whatever a failure leaves behind meets each kind of reply after it. The
// engine's output is fixed by the standard, so the order is the same
// everywhere.
std::vector<Kind> kindsInOrder(int count)
{
    std::minstd_rand engine(20'000);
    std::vector<Kind> kinds(static_cast<size_t>(count));
    for (Kind &kind : kinds)
        kind = static_cast<Kind>(engine() % kKinds);
    return kinds;
}

ScriptedServer::Reply replyFor(Kind kind)
{
    using Ending = ScriptedServer::Ending;
    switch (kind) {
    case Kind::Ok:
        return {"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 40\r\nConnection: close\r\n\r\n", 40};
    case Kind::Moved:
        return {"HTTP/1.1 301 Moved Permanently\r\nLocation: http://127.0.0.1/elsewhere\r\n"
                "Content-Length: 0\r\nConnection: close\r\n\r\n"};
    case Kind::NotFound:
        return {"HTTP/1.1 404 Not Found\r\nContent-Length: 120\r\nConnection: close\r\n\r\n", 120};
    case Kind::NotFoundUpper:
        return {"HTTP/1.1 404 NOT FOUND\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"};
    case Kind::NoPhrase:
        return {"HTTP/1.1 200\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"};
    case Kind::Unavailable:
        return {"HTTP/1.1 503 Service Unavailable\r\nRetry-After: 120\r\nContent-Length: 0\r\n"
                "Connection: close\r\n\r\n"};
    case Kind::LfOnly:
        return {"HTTP/1.1 200 OK\nContent-Length: 0\nConnection: close\n\n"};
    case Kind::ResetMidHeaders:
        return {"HTTP/1.1 200 OK\r\nServer: soak\r\nX-Half: ", 0, false, false, Ending::Reset};
    case Kind::HugeHeaders: {
        // Lines of 100 bytes: each one short, together 80 KiB.
        static const QByteArray head = [] {
            QByteArray block = "HTTP/1.1 200 OK\r\n";
            for (int i = 0; i < 820; ++i)
                block += "X-Filler-" + QByteArray::number(i).rightJustified(4, '0') + ": "
                    + QByteArray(85, 'f') + "\r\n";
            return block + "\r\n";
        }();
        return {head};
    }
    case Kind::Page:
    case Kind::Missing:
    case Kind::Refused:
        break;
    }
    return {};
}

// The scripted server and the refusing port run in a child process: the
// server keeps every request it was sent, and that record must not count
// against the window's memory.
class ServerProcess final {
public:
    explicit ServerProcess(const std::vector<Kind> &kinds)
    {
        int down[2];
        int up[2];
        // Close-on-exec: nginx, started later, must not keep the server up.
        if (pipe2(down, O_CLOEXEC) != 0 || pipe2(up, O_CLOEXEC) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            close(down[1]);
            close(up[0]);
            _exit(serve(kinds, down[0], up[1]));
        }
        close(down[0]);
        close(up[1]);
        m_down = down[1];
        m_up = up[0];
        quint16 ports[2] = {};
        if (m_pid > 0 && read(m_up, ports, sizeof ports) == sizeof ports) {
            m_scripted = ports[0];
            m_refusing = ports[1];
        }
    }

    ~ServerProcess() { finish(); }
    ServerProcess(const ServerProcess &) = delete;
    ServerProcess &operator=(const ServerProcess &) = delete;

    bool isRunning() const { return m_scripted != 0 && m_refusing != 0; }
    QByteArray scriptedUrl(const QByteArray &path) const
    {
        return "http://127.0.0.1:" + QByteArray::number(m_scripted) + path;
    }
    QByteArray refusingUrl(const QByteArray &path) const
    {
        return "http://127.0.0.1:" + QByteArray::number(m_refusing) + path;
    }

    // Stops the server; the requests it was sent, or -1.
    int finish()
    {
        if (m_pid <= 0)
            return -1;
        close(m_down);
        int requests = -1;
        if (read(m_up, &requests, sizeof requests) != sizeof requests)
            requests = -1;
        close(m_up);
        waitpid(m_pid, nullptr, 0);
        m_pid = 0;
        return requests;
    }

private:
    static int serve(const std::vector<Kind> &kinds, int down, int up)
    {
        ScriptedServer server;
        RefusingPort refusing;
        for (const Kind kind : kinds)
            if (isScripted(kind))
                server.push(replyFor(kind));
        const quint16 ports[2] = {server.port(), refusing.port()};
        if (write(up, ports, sizeof ports) != sizeof ports)
            return 1;
        char ignored;
        while (read(down, &ignored, 1) > 0) {
        }
        const int requests = server.requestCount();
        return write(up, &requests, sizeof requests) == sizeof requests ? 0 : 1;
    }

    pid_t m_pid = -1;
    int m_down = -1;
    int m_up = -1;
    quint16 m_scripted = 0;
    quint16 m_refusing = 0;
};

// The real transfer, with a look in before each request: every name is
// requested once, so the request count tells which name is under way.
class WatchedTransfer final : public Transfer {
public:
    using Watch = std::function<void(int request, const QByteArray &url)>;
    WatchedTransfer(Transfer &real, Watch watch) : m_real(real), m_watch(std::move(watch)) {}

    void OpenURL(const QByteArray &url) override
    {
        m_watch(++m_requests, url);
        m_real.OpenURL(url);
    }
    QByteArray GetHeader() override { return m_real.GetHeader(); }
    int requests() const { return m_requests; }

private:
    Transfer &m_real;
    Watch m_watch;
    int m_requests = 0;
};

// What each of the three lists holds (its entries' bytes and their offsets)
// and what it has allocated to hold them, room to grow included.
struct ListMemory {
    std::array<long long, 3> held{};
    std::array<long long, 3> allocated{};
};

struct Sample {
    int names; // names done
    long long resident;
    ListMemory lists;
    long long heap; // bytes malloc has handed out and not had back
    std::chrono::steady_clock::time_point at;
};

long long heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long long>(info.uordblks + info.hblkhd);
}

// The soak's running account: reports checked name by name against what the
// name's server calls for, and the memory series.
class Account final {
public:
    Account(const std::vector<Kind> &kinds, const QByteArrayList &names, FakeBoxes &boxes)
        : m_kinds(kinds), m_names(names), m_boxes(boxes)
    {
        m_samples.reserve(static_cast<size_t>(names.size() / kSampleEvery + 2));
    }

    void beforeRequest(int request, const QByteArray &url)
    {
        if (request > 1)
            settle(request - 2);
        m_started = std::chrono::steady_clock::now();
        if (url != m_names[request - 1])
            ++m_wrongRequests;
        if ((request - 1) % kSampleEvery == 0)
            sample(request - 1);
    }

    // The reports shown since the last request were the previous name's, and
    // so was the time.
    void settle(int index)
    {
        const Kind kind = m_kinds[static_cast<size_t>(index)];
        m_seconds[static_cast<size_t>(kind)] += secondsSince(m_started);
        static const QString probe = procedurePath(QStringLiteral("Valid"), QStringLiteral("CheckURL"));
        static const QString line = probe + QStringLiteral("at line ");
        // Only the figures of libcurl's connect time differ between otherwise
        // equal descriptions.
        static const QRegularExpression connectTime(QStringLiteral("after \\d+ ms"));
        std::vector<int> steps;
        bool foreign = false;
        for (const ShownBox &box : m_boxes.shown()) {
            if (box.title != QLatin1String("Application Error")) {
                ++m_otherBoxes;
                continue;
            }
            ++m_reports;
            // Description, CR LF, the probe's path, the step, CR CR, the rest.
            const qsizetype end = box.text.indexOf(QStringLiteral("\r\n"));
            const QString description = box.text.left(end);
            const qsizetype at = box.text.indexOf(line, end);
            const int step = at < 0 ? 0 : box.text.mid(at + line.size()).section(u'\r', 0, 0).toInt();
            foreign = foreign || end < 0 || box.text != errorReportText(probe, step, description);
            steps.push_back(step);
            ++m_byStep[step];
            ++m_descriptions[QString(description).replace(connectTime, QStringLiteral("after N ms"))];
        }
        m_boxes.clearRecord();
        if (foreign || steps != infoOf(kind).steps) {
            if (m_wrongReportNames++ < 5)
                std::fprintf(stderr, "name %d (%s): reports at steps %s\n", index + 1, infoOf(kind).label,
                             stepsText(steps).constData());
        }
    }

    void watchLists(std::function<ListMemory()> lists) { m_lists = std::move(lists); }

    void sample(int namesDone)
    {
        m_samples.push_back({namesDone, residentBytes(), m_lists ? m_lists() : ListMemory{}, heapInUse(),
                             std::chrono::steady_clock::now()});
    }

    static QByteArray stepsText(const std::vector<int> &steps)
    {
        QByteArrayList parts;
        for (const int step : steps)
            parts.append(QByteArray::number(step));
        return parts.isEmpty() ? QByteArray("none") : parts.join(',');
    }

    const std::vector<Sample> &samples() const { return m_samples; }
    int reports() const { return m_reports; }
    int otherBoxes() const { return m_otherBoxes; }
    int wrongReportNames() const { return m_wrongReportNames; }
    int wrongRequests() const { return m_wrongRequests; }
    const QMap<int, int> &byStep() const { return m_byStep; }
    const QMap<QString, int> &descriptions() const { return m_descriptions; }
    // Time from one request to the next, or to the end, spent on names of a kind.
    double seconds(int kind) const { return m_seconds[static_cast<size_t>(kind)]; }

private:
    const std::vector<Kind> &m_kinds;
    const QByteArrayList &m_names;
    FakeBoxes &m_boxes;
    std::vector<Sample> m_samples;
    std::function<ListMemory()> m_lists;
    int m_reports = 0;
    int m_otherBoxes = 0;
    int m_wrongReportNames = 0;
    int m_wrongRequests = 0;
    QMap<int, int> m_byStep;
    QMap<QString, int> m_descriptions;
    std::array<double, kKinds> m_seconds{};
    std::chrono::steady_clock::time_point m_started;
};

// Counts failed checks and says what each was.
class Checks final {
public:
    void expect(bool ok, const char *what)
    {
        std::printf("  %-58s %s\n", what, ok ? "ok" : "FAILED");
        m_failed += ok ? 0 : 1;
    }
    int failed() const { return m_failed; }

private:
    int m_failed = 0;
};

bool sameEntries(const DomainList &list, const QByteArrayList &expected)
{
    if (list.Count() != expected.size())
        return false;
    for (int i = 1; i <= list.Count(); ++i)
        if (list.ItemView(i) != expected[i - 1])
            return false;
    return true;
}

double mib(long long bytes)
{
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

} // namespace

int main(int argc, char *argv[])
{
    int count = kDefaultNames;
    bool hidden = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--hidden") == 0)
            hidden = true;
        else
            count = std::atoi(argv[i]);
    }
    if (count < 4) {
        std::fprintf(stderr, "usage: soak_bench [names, at least 4] [--hidden]\n");
        return 2;
    }
    const std::vector<Kind> kinds = kindsInOrder(count);
    // Before any thread exists, so that the fork copies nothing half-done.
    ServerProcess servers(kinds);

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!servers.isRunning()) {
        std::fprintf(stderr, "the scripted server did not start\n");
        return 1;
    }
    QMap<QString, QByteArray> files;
    for (int i = 0; i < kPages; ++i)
        files.insert(QStringLiteral("p%1.html").arg(i), "<p>page " + QByteArray::number(i) + "</p>\n");
    LocalNginx nginx(files);
    if (!nginx.isRunning()) {
        std::fprintf(stderr, "nginx did not start: %s\n", qPrintable(nginx.error()));
        return 1;
    }

    QByteArrayList names;
    QByteArrayList taken;
    QByteArrayList available;
    std::array<int, kKinds> perKind{};
    int predictedReports = 0;
    int nginxNames = 0;
    int scriptedNames = 0;
    names.reserve(count);
    for (int i = 0; i < count; ++i) {
        const Kind kind = kinds[static_cast<size_t>(i)];
        const QByteArray n = QByteArray::number(i);
        QByteArray name;
        if (kind == Kind::Page)
            name = nginx.url("/p" + QByteArray::number(i % kPages) + ".html?n=" + n);
        else if (kind == Kind::Missing)
            name = nginx.url("/missing/" + n + ".html");
        else if (kind == Kind::Refused)
            name = servers.refusingUrl("/r" + n);
        else
            name = servers.scriptedUrl("/s" + n);
        names.append(name);
        (infoOf(kind).taken ? taken : available).append(name);
        ++perKind[static_cast<size_t>(kind)];
        predictedReports += static_cast<int>(infoOf(kind).steps.size());
        nginxNames += kind == Kind::Page || kind == Kind::Missing;
        scriptedNames += isScripted(kind);
    }

    FakePlatform fakes;
    fakes.boxes.answerReportsWithOk();
    Account account(kinds, names, fakes.boxes);
    CurlTransfer curl;
    WatchedTransfer inet(curl, [&](int request, const QByteArray &url) { account.beforeRequest(request, url); });
    const Platform fake = fakes.platform();
    Form1 window(Platform{fake.boxes, fake.files, fake.launcher, fake.events, fake.chance, inet, fake.skin,
                          fake.announcer, fake.installFolder});
    window.Form_Load();
    if (!hidden)
        window.showCentered();
    account.watchLists([&window] {
        ListMemory m;
        const Form1Controls ui(window);
        const DomainListView *views[] = {ui.ListView1, ui.ListView2, ui.ListView3};
        for (size_t i = 0; i < 3; ++i) {
            const DomainList &list = views[i]->ListItems();
            m.held[i] = list.byteSize() + list.Count() * static_cast<long long>(sizeof(qsizetype));
            m.allocated[i] = list.allocatedBytes();
        }
        return m;
    });
    DomainList &pending = controls(window).ListView1->ListItems();
    for (const QByteArray &name : names)
        pending.Add(QByteArrayView(name));
    QCoreApplication::processEvents();

    std::printf("soak run: %d names against a local nginx, a scripted server and a refusing port, window %s\n",
                count, hidden ? "hidden" : "shown");
    const auto start = std::chrono::steady_clock::now();
    window.PushButton4_Click();
    const double seconds = secondsSince(start);
    account.settle(count - 1);
    QCoreApplication::processEvents();
    account.sample(count);

    const int scriptedRequests = servers.finish();
    const qsizetype nginxRequests = nginx.accessLog(nginxNames).size();

    std::printf("\n  %-26s %7s  %-10s %-13s %s\n", "server's answer", "names", "verdict", "reports each",
                "us/name");
    for (int k = 0; k < kKinds; ++k) {
        const KindInfo &info = kindInfo()[static_cast<size_t>(k)];
        const int n = perKind[static_cast<size_t>(k)];
        std::printf("  %-26s %7d  %-10s %-13s %7.1f\n", info.label, n, info.taken ? "taken" : "available",
                    Account::stepsText(info.steps).constData(), n > 0 ? account.seconds(k) / n * 1e6 : 0.0);
    }

    std::printf("\n  time %.2f s, %.0f names/s, %.1f us/name\n", seconds, count / seconds, seconds / count * 1e6);
    std::printf("  taken %d, available %d, pending %d\n", controls(window).ListView2->ListItems().Count(),
                controls(window).ListView3->ListItems().Count(), pending.Count());
    std::printf("  requests: %d through the transfer, %d to the scripted server, %lld to nginx\n", inet.requests(),
                scriptedRequests, static_cast<long long>(nginxRequests));
    std::printf("  error reports: %d (predicted %d)", account.reports(), predictedReports);
    for (auto it = account.byStep().begin(); it != account.byStep().end(); ++it)
        std::printf(", step %d: %d", it.key(), it.value());
    std::printf("\n");
    for (auto it = account.descriptions().begin(); it != account.descriptions().end(); ++it)
        std::printf("    %6d x \"%s\"\n", it.value(), qPrintable(it.key()));

    std::printf("\n  by names done: resident memory and the heap in use, each with its change since the\n"
                "  sample before, and the time per name since then\n");
    const std::vector<Sample> &samples = account.samples();
    for (size_t i = 0; i < samples.size(); ++i) {
        const Sample &before = samples[i == 0 ? 0 : i - 1];
        const int done = samples[i].names - before.names;
        const double us = std::chrono::duration<double, std::micro>(samples[i].at - before.at).count();
        std::printf("    %6d: %8.2f MiB %+8.1f KiB   heap %8.2f MiB %+8.1f KiB   %7.1f us/name\n",
                    samples[i].names, mib(samples[i].resident),
                    static_cast<double>(samples[i].resident - before.resident) / 1024.0, mib(samples[i].heap),
                    static_cast<double>(samples[i].heap - before.heap) / 1024.0, done > 0 ? us / done : 0.0);
    }
    // The first sample at or after a quarter of the names: start-up and the
    // first connections are behind it.
    size_t quarter = 0;
    while (quarter + 1 < samples.size() && samples[quarter].names < count / 4)
        ++quarter;
    const Sample &from = samples[quarter];
    const Sample &to = samples.back();
    const int span = to.names - from.names;
    const long long growth = to.resident - from.resident;
    // What the lists took over the span: the entries they gained, and every
    // block a list left behind when its buffers moved to bigger ones.
    long long listsTook = 0;
    for (size_t list = 0; list < 3; ++list) {
        listsTook += to.lists.held[list] - from.lists.held[list];
        for (size_t i = quarter + 1; i < samples.size(); ++i)
            if (samples[i].lists.allocated[list] != samples[i - 1].lists.allocated[list])
                listsTook += samples[i - 1].lists.allocated[list];
    }
    const long long allowed = kFlatBytes + listsTook;
    std::vector<double> heapSteps; // bytes per name, stretch by stretch
    for (size_t i = quarter + 1; i < samples.size(); ++i)
        heapSteps.push_back(static_cast<double>(samples[i].heap - samples[i - 1].heap)
                            / std::max(1, samples[i].names - samples[i - 1].names));
    std::sort(heapSteps.begin(), heapSteps.end());
    const double heapMedian = heapSteps.empty() ? 0.0 : heapSteps[heapSteps.size() / 2];
    const bool flat = growth <= allowed && heapMedian <= kFlatHeapPerName;
    std::printf("  growth from %d to %d names: %lld bytes (%.1f bytes per name)\n", from.names, to.names, growth,
                span > 0 ? static_cast<double>(growth) / span : 0.0);
    std::printf("  heap in use over the same span: %+lld bytes; median change per stretch of names: %.1f bytes "
                "per name\n",
                to.heap - from.heap, heapMedian);
    std::printf("  memory flat: %s (tolerance: resident growth under 1 MiB plus the %lld bytes the lists took, "
                "%lld bytes here, and a median heap change under %lld bytes per name)\n",
                flat ? "yes" : "no", listsTook, allowed, kFlatHeapPerName);

    std::printf("\nchecks:\n");
    Checks checks;
    checks.expect(sameEntries(controls(window).ListView2->ListItems(), taken),
                  "taken list: the taken names, in list order");
    checks.expect(sameEntries(controls(window).ListView3->ListItems(), available),
                  "available list: the other names, in list order");
    checks.expect(sameEntries(pending, names), "pending list left as it was");
    checks.expect(inet.requests() == count && account.wrongRequests() == 0,
                  "one request per name, in list order");
    checks.expect(scriptedRequests == scriptedNames, "scripted server asked once per its name");
    checks.expect(nginxRequests == nginxNames, "nginx asked once per its name");
    checks.expect(account.reports() == predictedReports, "error reports as many as predicted");
    checks.expect(account.wrongReportNames() == 0, "each name's reports at the steps its server calls for");
    checks.expect(account.otherBoxes() == 0 && fakes.boxes.unexpected().isEmpty()
                      && fakes.boxes.pendingAnswers() == 0,
                  "no box but error reports");
    checks.expect(!window.CheckRunning && window.MousePointer() == Pointer::Default,
                  "run ended: not running, default pointer");
    checks.expect(flat, "memory flat");
    std::printf("%s\n", checks.failed() == 0 ? "soak run passed" : "soak run FAILED");
    return checks.failed() == 0 ? 0 : 1;
}
