// Runs 2,000 names through "Start Checking", with the window shown (on the
// offscreen platform unless a display is named) and fakes for the dialogs
// but the real libcurl transfer, and compares the time with two baselines
// measured in the same run over the same URLs: a plain loop of libcurl easy
// requests (one handle, bodies read and thrown away), and `curl -s -o
// /dev/null` run once per name, as a user would script it. It does so twice:
// against a local nginx serving files (every other name missing), and
// against one that answers "200 OK" to everything straight from its
// configuration, where the run's own cost per name shows the most. Each
// figure is the best of a few rounds.

#include "bench_support.h"
#include "check_run_fixture.h"
#include "local_nginx.h"

#include <QApplication>
#include <QSet>

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

using namespace quill;
using namespace quill::bench;
using namespace quill::test;

namespace {

constexpr int kNames = 2000;
constexpr int kPages = kNames / 2; // every other name is missing
constexpr int kRounds = 9;

size_t discard(char *, size_t size, size_t count, void *)
{
    return size * count;
}

// Connections nginx saw for the log lines from `from` on.
int connectionsSince(const LocalNginx &nginx, qsizetype from)
{
    QSet<QString> connections;
    const QStringList log = nginx.accessLog();
    for (qsizetype i = from; i < log.size(); ++i)
        connections.insert(log[i].section(u' ', 0, 0));
    return static_cast<int>(connections.size());
}

// Wall-clock seconds, and the seconds of processor time this process spent
// meanwhile: the latter hardly changes with what else the machine runs.
struct Timing {
    double wall = 1e9;
    double processor = 1e9;
};

struct Stopwatch {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    double processor = processorSeconds();
    Timing elapsed() const { return {secondsSince(wall), processorSeconds() - processor}; }
};

Timing productRun(const QByteArrayList &urls, int *taken)
{
    CurlWindow t;
    t.window->show();
    QCoreApplication::processEvents();
    t.addPending(urls);
    QCoreApplication::processEvents();
    const Stopwatch stopwatch;
    t.window->PushButton4_Click();
    const Timing timing = stopwatch.elapsed();
    *taken = controls(*t.window).ListView2->ListItems().Count();
    const int available = controls(*t.window).ListView3->ListItems().Count();
    if (available + *taken != urls.size() || !t.fakes.boxes.shown().isEmpty())
        std::fprintf(stderr, "the run did not sort every name cleanly\n");
    return timing;
}

Timing easyLoop(const QByteArrayList &urls)
{
    CURL *easy = curl_easy_init();
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &discard);
    const Stopwatch stopwatch;
    for (const QByteArray &url : urls) {
        curl_easy_setopt(easy, CURLOPT_URL, url.constData());
        if (curl_easy_perform(easy) != CURLE_OK)
            std::fprintf(stderr, "easy request failed: %s\n", url.constData());
    }
    const Timing timing = stopwatch.elapsed();
    curl_easy_cleanup(easy);
    return timing;
}

double curlPerName(const QByteArrayList &urls)
{
    const auto start = std::chrono::steady_clock::now();
    for (const QByteArray &url : urls) {
        char *argv[] = {const_cast<char *>("curl"), const_cast<char *>("-s"), const_cast<char *>("-o"),
                        const_cast<char *>("/dev/null"), const_cast<char *>(url.constData()), nullptr};
        pid_t pid = 0;
        int status = 0;
        if (posix_spawnp(&pid, "curl", nullptr, nullptr, argv, environ) != 0 || waitpid(pid, &status, 0) < 0
            || status != 0)
            std::fprintf(stderr, "curl failed: %s\n", url.constData());
    }
    return secondsSince(start);
}

struct Figures {
    Timing run;
    Timing easy;
    double perName = 0;
    int taken = 0;
    int connections = 0;
};

Figures measure(const LocalNginx &nginx, const QByteArrayList &urls, bool curlPerNameToo)
{
    Figures f;
    easyLoop(urls.mid(0, 50)); // warm-up: page cache, nginx's open files
    for (int round = 0; round < kRounds; ++round) {
        const qsizetype logged = nginx.accessLog().size();
        const Timing run = productRun(urls, &f.taken);
        if (run.wall < f.run.wall)
            f.connections = connectionsSince(nginx, logged);
        const Timing easy = easyLoop(urls);
        f.run = {std::min(f.run.wall, run.wall), std::min(f.run.processor, run.processor)};
        f.easy = {std::min(f.easy.wall, easy.wall), std::min(f.easy.processor, easy.processor)};
    }
    if (curlPerNameToo)
        f.perName = curlPerName(urls);
    return f;
}

void print(const char *title, const Figures &f, double aim)
{
    std::printf("check run benchmark: %d names against %s (%d taken, %d available)\n", kNames, title, f.taken,
                kNames - f.taken);
    std::printf("  Start Checking (PushButton4_Click)     %8.3f s  %7.1f us/name  %7.1f us CPU/name  (%d connections)\n",
                f.run.wall, f.run.wall / kNames * 1e6, f.run.processor / kNames * 1e6, f.connections);
    std::printf("  plain libcurl easy loop (baseline)     %8.3f s  %7.1f us/name  %7.1f us CPU/name\n", f.easy.wall,
                f.easy.wall / kNames * 1e6, f.easy.processor / kNames * 1e6);
    if (f.perName > 0)
        std::printf("  curl -s -o /dev/null once per name     %8.3f s  %7.1f us/name\n", f.perName,
                    f.perName / kNames * 1e6);
    std::printf("  ratio run / easy loop:    %.2fx (aim: within %.2fx), processor time %.2fx\n",
                f.run.wall / f.easy.wall, aim, f.run.processor / f.easy.processor);
    if (f.perName > 0)
        std::printf("  ratio run / curl per name: %.4fx\n", f.run.wall / f.perName);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    curl_global_init(CURL_GLOBAL_DEFAULT);

    QMap<QString, QByteArray> files;
    for (int i = 0; i < kPages; ++i)
        files.insert(QStringLiteral("p%1.html").arg(i), "<p>page " + QByteArray::number(i) + "</p>\n");
    LocalNginx nginx(files);
    LocalNginx quick({}, {QString(), QString(), true});
    for (const LocalNginx *server : {&nginx, &quick})
        if (!server->isRunning()) {
            std::fprintf(stderr, "nginx did not start: %s\n", qPrintable(server->error()));
            return 1;
        }
    QByteArrayList urls;
    QByteArrayList quickUrls;
    for (int i = 0; i < kNames; ++i) {
        urls.append(i % 2 == 0 ? nginx.url("/p" + QByteArray::number(i / 2) + ".html")
                               : nginx.url("/missing" + QByteArray::number(i) + ".html"));
        quickUrls.append(quick.url("/n" + QByteArray::number(i)));
    }

    // The quick server's case runs first, while nginx's log is short.
    const Figures quickFigures = measure(quick, quickUrls, false);
    print("a local nginx serving files", measure(nginx, urls, true), 1.25);
    print("a local nginx answering 200 to everything", quickFigures, 1.10);
    curl_global_cleanup();
    return 0;
}
