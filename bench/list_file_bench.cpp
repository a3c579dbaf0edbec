// Loads a generated list file of a million names into a shown list, and
// saves the same names from the taken list through "Save List", each beside
// a plain C++ baseline measured in the same run: std::getline into a
// std::vector<std::string>, and one std::ofstream. Each measurement runs in
// a process of its own so that none sees another's freed memory.

#include "app/form1.h"
#include "app/qt_platform.h"
#include "bench_support.h"
#include "data/domain_list.h"
#include "data/list_file_reader.h"
#include "fake_platform.h"
#include "form1_controls.h"
#include "view_paint.h"
#include "views/domain_list_view.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

using namespace quill::bench;

namespace {

constexpr int kNames = 1'000'000;

// The names of the run, each followed in the file by CR LF, LF or a lone CR
// in turn; the last one by CR LF.
std::vector<std::string> makeNames()
{
    std::vector<std::string> names;
    names.reserve(kNames);
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> length(6, 18);
    std::uniform_int_distribution<int> letter('a', 'z');
    for (int i = 0; i < kNames; ++i) {
        std::string name = "www.";
        for (int n = length(random); n > 0; --n)
            name += static_cast<char>(letter(random));
        names.push_back(name + ".com");
    }
    return names;
}

const char *lineEnd(int i)
{
    if (i == kNames - 1)
        return "\r\n";
    static const char *const ends[] = {"\r\n", "\n", "\r\n", "\r"};
    return ends[i % 4];
}

void writeListFile(const std::vector<std::string> &names, const std::string &path)
{
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < kNames; ++i)
        out << names[size_t(i)] << lineEnd(i);
}

struct Result {
    double seconds = 0;
    long long residentGrowth = 0;
    long long entries = 0;
    double rawPassNs = 0;   // QCoreApplication::processEvents(), nothing pending
    double gatedPassNs = 0; // the window's event pass, nothing pending
    long long listAloneGrowth = 0;
    ScrollSteps scroll;
};

Result baselineLoad(const std::string &path)
{
    const long long before = residentBytes();
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::string> list;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);)
        list.push_back(line);
    const double seconds = secondsSince(start);
    return {seconds, residentBytes() - before, static_cast<long long>(list.size())};
}

Result baselineSave(const std::vector<std::string> &names, const std::string &path)
{
    const auto start = std::chrono::steady_clock::now();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        for (const std::string &name : names)
            out << name << "\r\n";
    }
    return {secondsSince(start), 0, kNames};
}

// From the click to the first paint that shows the loaded rows, then scroll
// steps over the whole list.
Result load(const std::string &path, int argc, char **argv)
{
    QApplication app(argc, argv);
    quill::test::FakeBoxes boxes;
    quill::DomainListView view;
    view.addColumn(QStringLiteral("Domain(s)"));
    view.resize(520, 105);
    view.show();
    QApplication::processEvents();
    PaintWatch painted(view);

    const long long before = residentBytes();
    const auto start = std::chrono::steady_clock::now();
    quill::LoadListFile(boxes, QStringLiteral("bench"), view.ListItems(), QString::fromStdString(path));
    const long long listAlone = residentBytes() - before; // the view does not know of the rows yet
    painted.waitForRows(view.ListItems().Count());
    const double seconds = secondsSince(start);
    Result r{seconds, residentBytes() - before, view.ListItems().Count()};
    r.listAloneGrowth = listAlone;
    r.scroll = scrollSteps(view);
    // What scrolling over every row left behind counts too.
    r.residentGrowth = residentBytes() - before;
    return r;
}

template <typename F>
double nanosecondsPerCall(int calls, F &&call)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i)
        call();
    return secondsSince(start) * 1e9 / calls;
}

Result save(const std::string &listPath, const std::string &savePath, int argc, char **argv)
{
    QApplication app(argc, argv);
    quill::test::FakePlatform fakes;
    quill::QtEventPass events;
    const quill::Platform base = fakes.platform();
    const quill::Platform platform{base.boxes, base.files, base.launcher, events,
                                   base.chance, base.inet,  base.skin,    base.announcer, base.installFolder};
    quill::Form1 window(platform);
    window.Form_Load();
    window.show();
    quill::DomainList &taken = quill::test::controls(window).ListView2->ListItems();
    quill::LoadListFile(fakes.boxes, window.applicationTitle(), taken, QString::fromStdString(listPath));
    QApplication::processEvents();
    QFile::remove(QString::fromStdString(savePath)); // a new file: no question
    fakes.boxes.answerSave(QString::fromStdString(savePath));

    const auto start = std::chrono::steady_clock::now();
    window.PushButton1_Click();
    Result r{secondsSince(start), 0, QFileInfo(QString::fromStdString(savePath)).size()};
    r.rawPassNs = nanosecondsPerCall(200'000, [] { QCoreApplication::processEvents(); });
    r.gatedPassNs = nanosecondsPerCall(kNames, [&] { events.processEvents(); });
    return r;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    const std::string listPath = QDir(dir.path()).filePath(QStringLiteral("names.txt")).toStdString();
    const std::string basePath = QDir(dir.path()).filePath(QStringLiteral("baseline.txt")).toStdString();
    const std::string savePath = QDir(dir.path()).filePath(QStringLiteral("saved.txt")).toStdString();
    const std::vector<std::string> names = makeNames();
    writeListFile(names, listPath);
    const double fileBytes = static_cast<double>(QFileInfo(QString::fromStdString(listPath)).size());
    double nameBytes = 0;
    for (const std::string &name : names)
        nameBytes += double(name.size());

    const Result readBase = best([&] { return baselineLoad(listPath); });
    const Result read = best([&] { return load(listPath, argc, argv); });
    const Result writeBase = best([&] { return baselineSave(names, basePath); });
    const Result written = best([&] { return save(listPath, savePath, argc, argv); });
    const bool sameBytes = QFileInfo(QString::fromStdString(savePath)).size()
                           == QFileInfo(QString::fromStdString(basePath)).size();

    std::printf("%d names, a list file of %.1f MB (CR LF, LF and lone CR line ends), Qt platform %s\n", kNames,
                fileBytes / 1e6, qgetenv("QT_QPA_PLATFORM").constData());
    std::printf("load  std::getline into std::vector<std::string>: %.3f s (%lld lines, as getline cuts them)\n",
                readBase.seconds, readBase.entries);
    std::printf("load  LoadListFile into a shown list, to its first paint: %.3f s (%lld entries)\n", read.seconds,
                read.entries);
    std::printf("save  one std::ofstream:                          %.3f s\n", writeBase.seconds);
    std::printf("save  PushButton1_Click with the real event pass: %.3f s (%s the baseline's bytes)\n",
                written.seconds, sameBytes ? "same size as" : "NOT the size of");
    std::printf("event pass with nothing pending: %.0f ns for QCoreApplication::processEvents(), %.1f ns for the "
                "window's pass\n",
                written.rawPassNs, written.gatedPassNs);
    std::printf("      a save passing every time would take about %.3f s\n",
                written.seconds + kNames * (written.rawPassNs - written.gatedPassNs) * 1e-9);
    std::printf("resident memory per entry beyond the name's %.1f bytes: %.1f in the list alone, %.1f shown and "
                "scrolled over (aim: under 16); %.1f per line in the vector\n",
                nameBytes / kNames, (read.listAloneGrowth - nameBytes) / double(read.entries),
                (read.residentGrowth - nameBytes) / double(read.entries),
                (readBase.residentGrowth - nameBytes) / double(readBase.entries));
    std::printf("scroll step right after the load: %.2f ms; over the list: median %.2f ms, worst %.2f ms, "
                "worst in processor time %.2f ms (aim: under 16)\n",
                read.scroll.firstMs, read.scroll.medianMs, read.scroll.worstMs, read.scroll.worstCpuMs);
    std::printf("load to first paint ratio: %.2fx the getline baseline (aim: within 0.8x)\n",
                read.seconds / readBase.seconds);
    std::printf("save ratio: %.2fx (aim: within 3x)\n", written.seconds / writeBase.seconds);
    return 0;
}
