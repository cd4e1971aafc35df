// The real program as a process for the system tests: its own settings, runtime, data and
// working folders, the offscreen platform and no sound server, started and waited for with
// deadlines that only guard against a hang.
#pragma once

#include <linux/capability.h>
#include <sys/prctl.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

class Session {
  public:
    Session() {
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
        env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:/nonexistent"));
    }
    QString settings() const { return config.filePath(QStringLiteral("kvtmr201.ini")); }
    QString lockFile() const { return config.filePath(QStringLiteral("kvtmr.lock")); }

    std::unique_ptr<QProcess> start(const QProcessEnvironment& environment,
                                    const std::function<void()>& inChild = nullptr) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(environment);
        p->setWorkingDirectory(work.path());
        p->setProcessChannelMode(QProcess::MergedChannels);
        if (inChild) p->setChildProcessModifier(inChild);
        p->start(QStringLiteral(KVTMR_BINARY), QStringList());
        return p;
    }
    std::unique_ptr<QProcess> start(const std::function<void()>& inChild = nullptr) {
        return start(env, inChild);
    }

    // Started and through its start-up: it has written the settings file that was removed.
    bool startedUp(QProcess& p) {
        if (!p.waitForStarted(30000)) return false;
        QDeadlineTimer deadline(60000);
        while (!QFile::exists(settings()) && !deadline.hasExpired() &&
               p.state() == QProcess::Running)
            p.waitForFinished(50);
        return QFile::exists(settings()) && p.state() == QProcess::Running;
    }

    // The lines of the session log so far (all days).
    QStringList logLines() const {
        QStringList lines;
        const QDir dir(data.filePath(QStringLiteral("kvtmr")));
        for (const QString& name :
             dir.entryList({QStringLiteral("kvtmr-*.log")}, QDir::Files, QDir::Name)) {
            QFile f(dir.filePath(name));
            if (f.open(QIODevice::ReadOnly))
                lines += QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
        }
        return lines;
    }
    int logCount(const QString& event) const {
        int n = 0;
        for (const QString& line : logLines())
            if (line.mid(21) == event || line.mid(21).startsWith(event)) ++n;
        return n;
    }
    // Waits while the process runs until the log holds the event `count` times.
    bool logged(QProcess& p, const QString& event, int count = 1) {
        if (p.state() == QProcess::Starting) p.waitForStarted(30000);
        QDeadlineTimer deadline(60000);
        while (logCount(event) < count && !deadline.hasExpired() && p.state() == QProcess::Running)
            p.waitForFinished(20);
        return logCount(event) >= count;
    }

    QProcessEnvironment env;
    QTemporaryDir runtime, config, data, work;
};

// For a child process: file permissions bind it even when it runs as root (the capabilities
// that pass over them are dropped from what the program can ever have), so that a read-only
// folder is one for it too. Nothing changes for any other user.
inline void ObeyFilePermissions() {
    if (::geteuid() != 0) return;
    for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
        ::prctl(PR_CAPBSET_DROP, cap, 0, 0, 0);
}

// Makes a folder read-only (or writable again) for the programs started with
// ObeyFilePermissions.
inline bool SetReadOnly(const QString& dir, bool readOnly) {
    const QFileDevice::Permissions rx = QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                        QFileDevice::ReadUser | QFileDevice::ExeUser;
    return QFile::setPermissions(
        dir, readOnly ? rx : rx | QFileDevice::WriteOwner | QFileDevice::WriteUser);
}

inline bool EndsWithZero(QProcess& p) {
    const bool ok =
        p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!ok)
        qWarning() << "state" << p.state() << "status" << p.exitStatus() << "code" << p.exitCode()
                   << p.readAll();
    return ok;
}
