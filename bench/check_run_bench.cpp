// Runs 2,000 names through "Start Checking" against a local nginx, headless
// with fakes for the dialogs and the real libcurl transfer, and compares the
// time with two baselines measured in the same run over the same URLs: a
// plain loop of libcurl easy requests (one handle, bodies read and thrown
// away), and `curl -s -o /dev/null` run once per name, as a user would
// script it. Each figure is the best of a few rounds.

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
constexpr int kRounds = 5;

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

double productRun(const QByteArrayList &urls, int *taken)
{
    CurlWindow t;
    t.addPending(urls);
    const auto start = std::chrono::steady_clock::now();
    t.window->PushButton4_Click();
    const double seconds = secondsSince(start);
    *taken = t.window->ListView2->ListItems().Count();
    if (t.window->ListView3->ListItems().Count() + *taken != urls.size() || !t.fakes.boxes.shown().isEmpty())
        std::fprintf(stderr, "the run did not sort every name cleanly\n");
    return seconds;
}

double easyLoop(const QByteArrayList &urls)
{
    CURL *easy = curl_easy_init();
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &discard);
    const auto start = std::chrono::steady_clock::now();
    for (const QByteArray &url : urls) {
        curl_easy_setopt(easy, CURLOPT_URL, url.constData());
        if (curl_easy_perform(easy) != CURLE_OK)
            std::fprintf(stderr, "easy request failed: %s\n", url.constData());
    }
    const double seconds = secondsSince(start);
    curl_easy_cleanup(easy);
    return seconds;
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

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    curl_global_init(CURL_GLOBAL_DEFAULT);

    QMap<QString, QByteArray> files;
    for (int i = 0; i < kPages; ++i)
        files.insert(QStringLiteral("p%1.html").arg(i), "<p>page " + QByteArray::number(i) + "</p>\n");
    LocalNginx nginx(files);
    if (!nginx.isRunning()) {
        std::fprintf(stderr, "nginx did not start: %s\n", qPrintable(nginx.error()));
        return 1;
    }
    QByteArrayList urls;
    for (int i = 0; i < kNames; ++i)
        urls.append(i % 2 == 0 ? nginx.url("/p" + QByteArray::number(i / 2) + ".html")
                               : nginx.url("/missing" + QByteArray::number(i) + ".html"));

    easyLoop(urls.mid(0, 50)); // warm-up: page cache, nginx's open files
    double run = 1e9;
    double easy = 1e9;
    int taken = 0;
    int connections = 0;
    for (int round = 0; round < kRounds; ++round) {
        const qsizetype logged = nginx.accessLog().size();
        const double seconds = productRun(urls, &taken);
        if (seconds < run) {
            run = seconds;
            connections = connectionsSince(nginx, logged);
        }
        easy = std::min(easy, easyLoop(urls));
    }
    const double perName = curlPerName(urls);

    std::printf("check run benchmark: %d names against a local nginx (%d taken, %d available)\n", kNames, taken,
                kNames - taken);
    std::printf("  Start Checking (PushButton4_Click)     %8.3f s  %7.1f us/name  (%d connections)\n", run,
                run / kNames * 1e6, connections);
    std::printf("  plain libcurl easy loop (baseline)     %8.3f s  %7.1f us/name\n", easy, easy / kNames * 1e6);
    std::printf("  curl -s -o /dev/null once per name     %8.3f s  %7.1f us/name\n", perName,
                perName / kNames * 1e6);
    std::printf("  ratio run / easy loop:    %.2fx (aim: within 1.25x)\n", run / easy);
    std::printf("  ratio run / curl per name: %.4fx\n", run / perName);
    curl_global_cleanup();
    return 0;
}
