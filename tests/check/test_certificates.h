#pragma once

#include <QString>
#include <QTemporaryDir>

namespace quill::test {

// Certificates for a local TLS server, made by Debian's openssl in a folder
// of their own: a test CA, and for 127.0.0.1 one certificate of each kind
// that a careful client refuses. All share one key.
class TestCertificates final {
public:
    enum class Kind {
        Good,       // from the test CA, for 127.0.0.1 and localhost
        SelfSigned, // signed by its own key
        Expired,    // from the test CA, ran out long ago
        OtherHost,  // from the test CA, for other.example only
    };

    TestCertificates();

    static QString program();

    bool isReady() const { return m_error.isEmpty(); }
    const QString &error() const { return m_error; }
    QString authority() const { return m_folder.filePath(QStringLiteral("ca.pem")); }
    QString key() const { return m_folder.filePath(QStringLiteral("leaf.key")); }
    QString certificate(Kind kind) const;

private:
    bool openssl(const QStringList &arguments);

    QTemporaryDir m_folder;
    QString m_error;
};

} // namespace quill::test
