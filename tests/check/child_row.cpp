#include "child_row.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <dirent.h>
#include <fcntl.h>
#include <gnu/libc-version.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace quill::test {

namespace {

constexpr char kChildVariable[] = "QUILL_TEST_CHILD";
// The folder the child puts its own /etc in; set for OwnNames only.
constexpr char kOwnNamesVariable[] = "QUILL_TEST_OWN_NAMES";

[[noreturn]] void refuse(const std::string &need)
{
    std::fprintf(stderr, "FAIL!  : The tests' own names need %s: %s\n", need.c_str(), std::strerror(errno));
    std::_Exit(3);
}

void writeFile(const std::string &path, const std::string &text)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        refuse("to write " + path);
    ::close(fd);
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Where "/" is not a mount point of its own (a chroot in a folder), its
// propagation cannot be changed; what is mounted here stays here as long as
// every mount in sight is private, as in a root that `unshare --mount`
// made before chrooting.
bool visibleMountsArePrivate()
{
    std::ifstream mounts("/proc/self/mountinfo");
    std::string line;
    int seen = 0;
    while (std::getline(mounts, line)) {
        ++seen;
        if (line.find(" shared:") != std::string::npos)
            return false;
    }
    return seen > 0;
}

void bringLoopbackUp()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    if (fd < 0 || ::ioctl(fd, SIOCGIFFLAGS, &request) != 0)
        refuse("the loopback interface of a network namespace");
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
    if (::ioctl(fd, SIOCSIFFLAGS, &request) != 0)
        refuse("to bring the loopback interface up");
    ::close(fd);
}

// /etc as it is, entry by entry, but for the files that decide how names
// are resolved; whether those exist in the root or not.
void replaceNameFiles(const std::string &dir)
{
    const std::string asIs = dir + "/etc-as-is";
    const std::string etc = dir + "/etc";
    if (::mount("quill-names", dir.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "mode=0755") != 0)
        refuse("a tmpfs on " + dir);
    if (::mkdir(asIs.c_str(), 0755) != 0 || ::mkdir(etc.c_str(), 0755) != 0)
        refuse("folders in " + dir);
    if (::mount("/etc", asIs.c_str(), nullptr, MS_BIND | MS_REC, nullptr) != 0)
        refuse("a bind mount of /etc");
    const std::string names[] = {"hosts", "resolv.conf", "nsswitch.conf"};
    DIR *entries = ::opendir(asIs.c_str());
    if (!entries)
        refuse("to read /etc");
    while (const dirent *entry = ::readdir(entries)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || std::find(std::begin(names), std::end(names), name) != std::end(names))
            continue;
        if (::symlink((asIs + '/' + name).c_str(), (etc + '/' + name).c_str()) != 0)
            refuse("a link to /etc/" + name);
    }
    ::closedir(entries);

    writeFile(etc + "/hosts", std::string("127.0.0.1 localhost\n::1 localhost\n127.0.0.1 ") + kHostsFileName + '\n');
    writeFile(etc + "/resolv.conf", "nameserver 127.0.0.1\noptions timeout:10 attempts:1\n");
    // Every other database as the root has it.
    std::istringstream switches(readFile(asIs + "/nsswitch.conf"));
    std::string nsswitch;
    for (std::string line; std::getline(switches, line);)
        if (line.rfind("hosts:", 0) != 0)
            nsswitch += line + '\n';
    writeFile(etc + "/nsswitch.conf", nsswitch + "hosts: files dns\n");
    if (::mount(etc.c_str(), "/etc", nullptr, MS_BIND, nullptr) != 0)
        refuse("a bind mount over /etc");
    // A name service cache would answer from the machine's own files.
    struct stat nscd {};
    if (::stat("/run/nscd", &nscd) == 0 && S_ISDIR(nscd.st_mode)
        && ::mount("quill-no-nscd", "/run/nscd", "tmpfs", MS_NOSUID | MS_NODEV, nullptr) != 0)
        refuse("a tmpfs over /run/nscd");
}

// Runs before main, while the process has a single thread, as a new user
// namespace requires.
void enterOwnNames(const std::string &dir)
{
    // The kernel's ids, also under fakeroot, which only pretends to be root.
    const auto uid = static_cast<uid_t>(::syscall(SYS_geteuid));
    const auto gid = static_cast<gid_t>(::syscall(SYS_getegid));
    bool ownUsers = false;
    // As root (also in a chroot, where no user namespace may be made) the
    // namespaces come without one; otherwise the user's own, which lets it
    // mount there.
    if (uid != 0 || ::unshare(CLONE_NEWNS | CLONE_NEWNET) != 0) {
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS | CLONE_NEWNET) != 0)
            refuse("root, or a user namespace this user may make (unprivileged user namespaces, outside a "
                   "chroot)");
        ownUsers = true;
        writeFile("/proc/self/setgroups", "deny");
        writeFile("/proc/self/uid_map", std::to_string(uid) + ' ' + std::to_string(uid) + " 1\n");
        writeFile("/proc/self/gid_map", std::to_string(gid) + ' ' + std::to_string(gid) + " 1\n");
    }
    // In a user namespace of its own, mounts from outside only ever receive.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 && !ownUsers
        && !visibleMountsArePrivate())
        refuse("mounts that stay in this process (/ is no mount point here, and a mount in sight is shared)");
    bringLoopbackUp();
    replaceNameFiles(dir);
}

const bool g_ownNamesEntered = [] {
    if (const char *dir = std::getenv(kOwnNamesVariable); dir && *dir)
        enterOwnNames(dir);
    return true;
}();

// Makes tr_TR.UTF-8 in the folder; false, with localedef's words, if it cannot.
bool makeTurkishLocale(const QString &folder, QString *error)
{
    QProcess localedef;
    localedef.setProcessChannelMode(QProcess::MergedChannels);
    localedef.start(QStringLiteral("localedef"), {QStringLiteral("-i"), QStringLiteral("tr_TR"), QStringLiteral("-f"),
                                                  QStringLiteral("UTF-8"), folder + QStringLiteral("/tr_TR.UTF-8")});
    const bool ran = localedef.waitForFinished(300000);
    const QByteArray output = localedef.readAll();
    if (QFileInfo::exists(folder + QStringLiteral("/tr_TR.UTF-8/LC_CTYPE")))
        return true;
    *error = QStringLiteral("localedef could not make tr_TR.UTF-8 (it needs the locales package: "
                            "scripts/install-deps --test): %1")
                 .arg(ran ? QString::fromLocal8Bit(output) : localedef.errorString());
    return false;
}

// The LOCPATH of tr_TR.UTF-8, made once for the build tree and this C
// library, or for this run where the build tree is not to be written.
QString turkishLocalePath(QString *error)
{
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/test-locales/glibc-")
        + QString::fromLatin1(gnu_get_libc_version());
    if (QFileInfo::exists(path + QStringLiteral("/tr_TR.UTF-8/LC_CTYPE")))
        return path;
    QDir().mkpath(path);
    // Made aside and moved in whole, as another test program may be at it too.
    QTemporaryDir aside(path + QStringLiteral("/making-XXXXXX"));
    if (!aside.isValid()) {
        static QTemporaryDir forThisRun;
        return makeTurkishLocale(forThisRun.path(), error) ? forThisRun.path() : QString();
    }
    if (!makeTurkishLocale(aside.path(), error))
        return {};
    QDir().rename(aside.path() + QStringLiteral("/tr_TR.UTF-8"), path + QStringLiteral("/tr_TR.UTF-8"));
    return path;
}

// LeakSanitizer's suppressions for a child under a generated locale. glibc
// releases name the function __argz_add_sep or argz_add_sep; a suppression
// matches any frame whose name holds its text.
QString leakSuppressions()
{
    static QTemporaryDir folder;
    static const QString path = [] {
        const QString file = folder.path() + QStringLiteral("/lsan.supp");
        QFile out(file);
        if (out.open(QIODevice::WriteOnly))
            out.write("leak:argz_add_sep\n");
        return file;
    }();
    return path;
}

} // namespace

bool ranInChild(unsigned setting)
{
    (void)g_ownNamesEntered;
    if (qEnvironmentVariableIsSet(kChildVariable))
        return false;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kChildVariable), QStringLiteral("1"));
    if (setting & TurkishLocale) {
        QString error;
        const QString path = turkishLocalePath(&error);
        if (path.isEmpty()) {
            QTest::qFail(qPrintable(error), __FILE__, __LINE__);
            return true;
        }
        environment.insert(QStringLiteral("LOCPATH"), path);
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("tr_TR.UTF-8"));
        // glibc keeps the search path a locale from LOCPATH was found on for
        // good, where LeakSanitizer no longer sees it held.
        const QString lsan = environment.value(QStringLiteral("LSAN_OPTIONS"));
        environment.insert(QStringLiteral("LSAN_OPTIONS"),
                           lsan + QStringLiteral(":suppressions=") + leakSuppressions());
    }
    QTemporaryDir names;
    if (setting & OwnNames)
        environment.insert(QString::fromLatin1(kOwnNamesVariable), names.path());
    if (setting & NoAsyncResolver) {
        environment.insert(QStringLiteral("LD_PRELOAD"), QString::fromUtf8(QUILL_NO_ASYNC_DNS_SHIM));
        // Under AddressSanitizer its runtime would otherwise insist on coming first.
        const QString asan = environment.value(QStringLiteral("ASAN_OPTIONS"));
        environment.insert(QStringLiteral("ASAN_OPTIONS"), asan + QStringLiteral(":verify_asan_link_order=0"));
    }

    const QByteArray tag = QTest::currentDataTag();
    const QString row = QString::fromLatin1(QTest::currentTestFunction())
        + (tag.isNull() ? QString() : ':' + QString::fromUtf8(tag));
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {row});
    const bool finished = child.waitForFinished(100000);
    if (!finished)
        child.kill();
    child.waitForFinished();
    const QString output = QString::fromUtf8(child.readAll());
    // The row itself ran there and passed, not just the program.
    const QString passed = QStringLiteral("::%1(%2)")
                               .arg(QString::fromLatin1(QTest::currentTestFunction()), QString::fromUtf8(tag));
    bool rowPassed = false;
    for (const QString &line : output.split(u'\n'))
        rowPassed = rowPassed || (line.startsWith(QStringLiteral("PASS   : ")) && line.endsWith(passed));
    if (!finished || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0 || !rowPassed)
        QTest::qFail(qPrintable(QStringLiteral("The row failed in its child (%1):\n%2")
                                    .arg(finished ? QStringLiteral("exit code %1").arg(child.exitCode())
                                                  : QStringLiteral("it did not finish"),
                                         output)),
                     __FILE__, __LINE__);
    return true;
}

} // namespace quill::test
