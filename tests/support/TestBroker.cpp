#include "TestBroker.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>

namespace {

// How long the broker may take to start.
constexpr int kStartMs = 15000;

bool WriteFile(const QString& path, const QByteArray& text) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
}

// Runs a tool to its end; false (with what it said) when it fails.
bool Run(const QString& program, const QStringList& args, QString* error) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted(10000) || !p.waitForFinished(30000) ||
        p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (error)
            *error = QStringLiteral("%1 %2: %3")
                         .arg(program, args.join(u' '), QString::fromLocal8Bit(p.readAll()));
        return false;
    }
    return true;
}

sockaddr_in Loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(quint16(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

}  // namespace

int FreeLocalPort() {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return 0;
    sockaddr_in a = Loopback(0);
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

bool WaitUntilAccepting(int port, int timeoutMs, const QProcess* whileRunning) {
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (whileRunning && whileRunning->state() == QProcess::NotRunning) return false;
        const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (s < 0) return false;
        const sockaddr_in a = Loopback(port);
        const bool up = ::connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
        ::close(s);
        if (up) return true;
        QTest::qWait(20);  // a poll with a deadline; the events of the test go on meanwhile
    }
    return false;
}

TestBroker::TestBroker() : TestBroker(Options()) {}

TestBroker::TestBroker(const Options& options) : options_(options) {
    // It writes its log to a file of its own; what it says before the file is open goes there
    // too.
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.setStandardOutputFile(path(QStringLiteral("mosquitto.log")), QIODevice::Append);
}

TestBroker::~TestBroker() {
    stop();
}

bool TestBroker::Installed() {
    return !QStandardPaths::findExecutable(
                QStringLiteral("mosquitto"),
                {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"), QStringLiteral("/usr/bin")})
                .isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("mosquitto_passwd")).isEmpty();
}

bool TestBroker::CanMakeCertificates() {
    return !QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty();
}

QStringList TestBroker::Users() {
    return {QStringLiteral("A101"), QStringLiteral("A102"), QStringLiteral("A103"),
            QStringLiteral("office1"), QStringLiteral("watch1")};
}

QString TestBroker::caFile() const {
    return path(QStringLiteral("ca_certificates/kvtmr-ca.crt"));
}

QString TestBroker::topic(const QString& rest) const {
    return QStringLiteral("kvtmr/v1/%1/%2").arg(options_.site, rest);
}

LinkSettings TestBroker::settings(const QString& user) const {
    LinkSettings s;
    s.host = QStringLiteral("127.0.0.1");
    s.port = port_;
    s.clientId = user;
    s.user = user;
    s.password = Password(user);
    return s;
}

LinkSettings TestBroker::tlsSettings(const QString& user, const QString& ca) const {
    LinkSettings s = settings(user);
    s.host = QStringLiteral("localhost");  // the name in the broker's certificate
    s.port = tlsPort_;
    s.tls = true;
    s.caFile = ca;
    return s;
}

QString TestBroker::log() const {
    QFile f(path(QStringLiteral("mosquitto.log")));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

bool TestBroker::start(QString* error) {
    if (!dir_.isValid()) {
        if (error) *error = QStringLiteral("no temporary directory");
        return false;
    }
    if (!writeConfiguration(error)) return false;
    if (options_.tls && !makeCertificates(error)) return false;
    // Another program may take the port between the question and the start: try others.
    for (int tries = 0; tries < 3; ++tries) {
        port_ = FreeLocalPort();
        tlsPort_ = options_.tls ? FreeLocalPort() : 0;
        if (launch(error)) return true;
    }
    return false;
}

bool TestBroker::writeConfiguration(QString* error) {
    // The password file, made by the broker's own tool.
    const QString passwords = path(QStringLiteral("kvtmr.passwd"));
    QFile::remove(passwords);
    for (const QString& user : Users() + options_.moreRooms) {
        QStringList args;
        if (!QFile::exists(passwords)) args << QStringLiteral("-c");
        args << QStringLiteral("-b") << passwords << user << Password(user);
        if (!Run(QStringLiteral("mosquitto_passwd"), args, error)) return false;
    }
    // The ACL as the site's package ships it, for the test's site.
    QFile acl(QStringLiteral(KVTMR_SOURCE_DIR "/packaging/site/kvtmr.acl"));
    if (!acl.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("cannot read %1").arg(acl.fileName());
        return false;
    }
    QByteArray aclText = acl.readAll();
    aclText.replace("SITE", options_.site.toUtf8());
    if (!WriteFile(path(QStringLiteral("kvtmr.acl")), aclText)) {
        if (error) *error = QStringLiteral("cannot write the ACL");
        return false;
    }
    return true;
}

bool TestBroker::makeCertificates(QString* error) {
    QDir().mkpath(path(QStringLiteral("ca_certificates")));
    QDir().mkpath(path(QStringLiteral("certs")));
    const QString openssl = QStringLiteral("openssl");
    const QStringList ec = {
        QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
        QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    // The site's CA, and another one.
    for (const QString& crt : {caFile(), otherCaFile()}) {
        if (!Run(openssl,
                 QStringList{QStringLiteral("req"), QStringLiteral("-x509")}
                     << ec
                     << QStringList{QStringLiteral("-keyout"), crt + QStringLiteral(".key"),
                                    QStringLiteral("-out"), crt, QStringLiteral("-days"),
                                    QStringLiteral("30"), QStringLiteral("-subj"),
                                    QStringLiteral("/CN=kvtmr test CA ") +
                                        QFileInfo(crt).baseName()},
                 error))
            return false;
    }
    // The broker's certificate, for the names a room may use.
    if (!WriteFile(path(QStringLiteral("server.ext")),
                   "subjectAltName=DNS:localhost,IP:127.0.0.1\n"))
        return false;
    return Run(openssl,
               QStringList{QStringLiteral("req")}
                   << ec
                   << QStringList{QStringLiteral("-keyout"),
                                  path(QStringLiteral("certs/kvtmr-server.key")),
                                  QStringLiteral("-out"), path(QStringLiteral("server.csr")),
                                  QStringLiteral("-subj"), QStringLiteral("/CN=localhost")},
               error) &&
           Run(openssl,
               {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                path(QStringLiteral("server.csr")), QStringLiteral("-CA"), caFile(),
                QStringLiteral("-CAkey"), caFile() + QStringLiteral(".key"),
                QStringLiteral("-CAcreateserial"), QStringLiteral("-out"),
                path(QStringLiteral("certs/kvtmr-server.crt")), QStringLiteral("-days"),
                QStringLiteral("30"), QStringLiteral("-extfile"),
                path(QStringLiteral("server.ext"))},
               error);
}

// The broker's configuration: a main file as Debian's (the persistence's place, the log)
// that includes the site's drop-in as the package ships it, with its paths under the test's
// directory and its listeners on the test's ports, on 127.0.0.1 only.
bool TestBroker::writeBrokerConfiguration(QString* error) {
    QFile packaged(QStringLiteral(KVTMR_SOURCE_DIR "/packaging/site/kvtmr.conf"));
    if (!packaged.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("cannot read %1").arg(packaged.fileName());
        return false;
    }
    QByteArrayList lines;
    int listeners = 0;
    for (QByteArray line : packaged.readAll().split('\n')) {
        line.replace("/etc/mosquitto/", dir_.path().toUtf8() + "/");
        const QByteArray key = line.split(' ').constFirst();
        if (line == "listener 8883") {
            ++listeners;
            if (!options_.tls) continue;
            line = "listener " + QByteArray::number(tlsPort_) + " 127.0.0.1";
        } else if (line == "listener 1883 localhost") {
            ++listeners;
            line = "listener " + QByteArray::number(port_) + " 127.0.0.1";
        } else if (!options_.tls && (key == "cafile" || key == "certfile" || key == "keyfile")) {
            continue;
        }
        lines << line;
    }
    if (listeners != 2) {
        if (error) *error = QStringLiteral("kvtmr.conf no longer has the listeners 8883 and 1883");
        return false;
    }
    QDir().mkpath(path(QStringLiteral("conf.d")));
    QByteArray conf;
    conf += "persistence_location " + dir_.path().toUtf8() + "/\n";
    conf += "log_dest file " + path(QStringLiteral("mosquitto.log")).toUtf8() + "\n";
    conf += "log_type all\n";
    // Run as root, the broker would change to the user "mosquitto", who cannot read the test's
    // private directory.
    if (::geteuid() == 0) {
        if (const passwd* pw = ::getpwuid(0)) conf += QByteArray("user ") + pw->pw_name + "\n";
    }
    conf += "include_dir " + path(QStringLiteral("conf.d")).toUtf8() + "\n";
    if (!WriteFile(path(QStringLiteral("conf.d/kvtmr.conf")), lines.join('\n')) ||
        !WriteFile(path(QStringLiteral("mosquitto.conf")), conf)) {
        if (error) *error = QStringLiteral("cannot write the configuration");
        return false;
    }
    return true;
}

bool TestBroker::launch(QString* error) {
    if (!writeBrokerConfiguration(error)) return false;
    QString program = QStandardPaths::findExecutable(
        QStringLiteral("mosquitto"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    if (program.isEmpty()) program = QStringLiteral("mosquitto");
    process_.start(program, {QStringLiteral("-c"), path(QStringLiteral("mosquitto.conf"))});
    if (!process_.waitForStarted(kStartMs)) {
        if (error)
            *error = QStringLiteral("mosquitto did not start: %1").arg(process_.errorString());
        return false;
    }
    const bool up = WaitUntilAccepting(port_, kStartMs, &process_) &&
                    (!options_.tls || WaitUntilAccepting(tlsPort_, kStartMs, &process_));
    if (!up) {
        stop();
        if (error) *error = QStringLiteral("mosquitto did not take connections:\n%1").arg(log());
        return false;
    }
    return true;
}

void TestBroker::kill() {
    if (process_.state() == QProcess::NotRunning) return;
    const qint64 pid = process_.processId();
    if (pid > 0) ::kill(pid_t(pid), SIGKILL);
    process_.waitForFinished(10000);
}

bool TestBroker::restart(QString* error) {
    kill();
    return launch(error);
}

void TestBroker::stop() {
    if (process_.state() == QProcess::NotRunning) return;
    const qint64 pid = process_.processId();
    if (pid > 0) ::kill(pid_t(pid), SIGTERM);
    if (!process_.waitForFinished(5000)) kill();
}
