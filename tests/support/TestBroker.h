// A real mosquitto broker for the site link's tests: Debian's `mosquitto` on 127.0.0.1 at a
// free port, configured by the files a site installs, packaging/site/kvtmr.conf and the ACL
// packaging/site/kvtmr.acl for the test's site, with their paths in a temporary directory (no
// anonymous logins, a password file, the user name as client id, persistence there),
// optionally with the TLS listener, its certificates made for the test by `openssl`. It can be
// killed and started again on the same port; at the end it is stopped by its pid.
//
// Users: the rooms A101, A102 and A103, the office office1 (reads and writes the site) and the
// observer watch1 (reads it); each password is the user name and "-pw".
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "platform/SiteLink.h"

class TestBroker {
  public:
    struct Options {
        QString site = QStringLiteral("s1");
        bool tls = false;  // a second listener with TLS (needs openssl)
        // Rooms beyond A101 … A103 (a benchmark's many rooms), each with its password.
        QStringList moreRooms;
    };
    TestBroker();
    explicit TestBroker(const Options& options);
    ~TestBroker();
    TestBroker(const TestBroker&) = delete;
    TestBroker& operator=(const TestBroker&) = delete;

    // Whether the broker and its password tool are installed (tests skip without them).
    static bool Installed();
    // Whether the TLS listener's certificates can be made.
    static bool CanMakeCertificates();
    static QStringList Users();
    static QString Password(const QString& user) { return user + QStringLiteral("-pw"); }

    // Writes the configuration, starts the broker and waits until it takes connections.
    bool start(QString* error = nullptr);
    // Kills it at once (SIGKILL): its clients see the connection drop, no goodbye.
    void kill();
    // Starts it again on the same port(s).
    bool restart(QString* error = nullptr);
    // Ends it by its pid (SIGTERM, then SIGKILL).
    void stop();
    bool running() const { return process_.state() != QProcess::NotRunning; }

    QString site() const { return options_.site; }
    int port() const { return port_; }
    int tlsPort() const { return tlsPort_; }
    QString caFile() const;  // the CA that signed the broker's certificate
    QString otherCaFile() const {
        return path(QStringLiteral("other-ca.crt"));
    }  // one that did not
    // The topic under the test's site: topic("room/A101/cmd").
    QString topic(const QString& rest) const;
    // A user's settings for the plain listener (client id = user name).
    LinkSettings settings(const QString& user) const;
    // The same over TLS with the given CA file.
    LinkSettings tlsSettings(const QString& user, const QString& caFile) const;
    // What the broker wrote to its log.
    QString log() const;
    QString directory() const { return dir_.path(); }

  private:
    bool writeConfiguration(QString* error);
    bool makeCertificates(QString* error);
    bool writeBrokerConfiguration(QString* error);
    bool launch(QString* error);
    QString path(const QString& name) const { return dir_.filePath(name); }

    Options options_;
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
    int tlsPort_ = 0;
};

// A TCP port on 127.0.0.1 that nothing listens on (at the moment it is asked for).
int FreeLocalPort();
// True once something accepts TCP connections on 127.0.0.1:port, or false at the deadline.
bool WaitUntilAccepting(int port, int timeoutMs, const QProcess* whileRunning = nullptr);
