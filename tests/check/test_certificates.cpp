#include "test_certificates.h"

#include "local_process.h"

#include <QFile>
#include <QProcess>

namespace quill::test {

namespace {

QString fileOf(TestCertificates::Kind kind)
{
    switch (kind) {
    case TestCertificates::Kind::Good:
        return QStringLiteral("good.pem");
    case TestCertificates::Kind::SelfSigned:
        return QStringLiteral("self-signed.pem");
    case TestCertificates::Kind::Expired:
        return QStringLiteral("expired.pem");
    case TestCertificates::Kind::OtherHost:
        return QStringLiteral("other-host.pem");
    }
    return QString();
}

} // namespace

QString TestCertificates::program()
{
    return LocalProcess::find(QStringLiteral("openssl"));
}

TestCertificates::TestCertificates()
{
    if (program().isEmpty()) {
        m_error = QStringLiteral("openssl is not installed");
        return;
    }
    const auto path = [this](const char *name) { return m_folder.filePath(QString::fromLatin1(name)); };
    const auto writeFile = [&](const char *name, const QByteArray &text) {
        QFile file(path(name));
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
    };
    const QStringList ecKey{QStringLiteral("genpkey"), QStringLiteral("-algorithm"), QStringLiteral("EC"),
                            QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:P-256"),
                            QStringLiteral("-out")};
    const QString here = QStringLiteral("/CN=127.0.0.1");
    // From the test CA, with the subject names of `extensions`, valid for `days`.
    const auto issue = [&](Kind kind, const char *extensions, const char *days, const char *serial) {
        return openssl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), path("leaf.csr"),
                        QStringLiteral("-CA"), authority(), QStringLiteral("-CAkey"), path("ca.key"),
                        QStringLiteral("-set_serial"), QString::fromLatin1(serial), QStringLiteral("-days"),
                        QString::fromLatin1(days), QStringLiteral("-extfile"), path(extensions),
                        QStringLiteral("-out"), certificate(kind)});
    };
    const bool made =
        writeFile("here.ext", "subjectAltName=IP:127.0.0.1,DNS:localhost\n")
        && writeFile("other.ext", "subjectAltName=DNS:other.example\n") && openssl(ecKey + QStringList{path("ca.key")})
        && openssl(ecKey + QStringList{key()})
        && openssl({QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-new"), QStringLiteral("-key"),
                    path("ca.key"), QStringLiteral("-subj"), QStringLiteral("/CN=Quill Test CA"),
                    QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-out"), authority()})
        && openssl({QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-new"), QStringLiteral("-key"),
                    key(), QStringLiteral("-subj"), here, QStringLiteral("-days"), QStringLiteral("2"),
                    QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1"), QStringLiteral("-out"),
                    certificate(Kind::SelfSigned)})
        && openssl({QStringLiteral("req"), QStringLiteral("-new"), QStringLiteral("-key"), key(),
                    QStringLiteral("-subj"), here, QStringLiteral("-out"), path("leaf.csr")})
        && issue(Kind::Good, "here.ext", "2", "2") && issue(Kind::OtherHost, "other.ext", "2", "4")
        // Dates in the past: `x509 -days -1` is refused from OpenSSL 3.4 on,
        // and `x509 -not_after` came only then; `ca` takes them everywhere.
        && writeFile("ca.cnf",
                     "[ca]\ndefault_ca = test\n[test]\ndatabase = " + path("index.txt").toUtf8()
                         + "\nserial = " + path("serial").toUtf8()
                         + "\nnew_certs_dir = " + m_folder.path().toUtf8()
                         + "\ndefault_md = sha256\npolicy = any\n[any]\ncommonName = supplied\n")
        && writeFile("index.txt", "") && writeFile("serial", "03\n")
        && openssl({QStringLiteral("ca"), QStringLiteral("-batch"), QStringLiteral("-notext"), QStringLiteral("-config"),
                    path("ca.cnf"), QStringLiteral("-cert"), authority(), QStringLiteral("-keyfile"), path("ca.key"),
                    QStringLiteral("-in"), path("leaf.csr"), QStringLiteral("-startdate"), QStringLiteral("000101000000Z"),
                    QStringLiteral("-enddate"), QStringLiteral("000102000000Z"), QStringLiteral("-extfile"),
                    path("here.ext"), QStringLiteral("-out"), certificate(Kind::Expired)});
    if (!made && m_error.isEmpty())
        m_error = QStringLiteral("cannot write the certificates' folder");
}

QString TestCertificates::certificate(Kind kind) const
{
    return m_folder.filePath(fileOf(kind));
}

bool TestCertificates::openssl(const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program(), arguments);
    if (process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    m_error = QStringLiteral("openssl %1: %2").arg(arguments.join(u' '), QString::fromUtf8(process.readAll()));
    return false;
}

} // namespace quill::test
