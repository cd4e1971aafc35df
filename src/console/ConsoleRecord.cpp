#include "console/ConsoleRecord.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "core/Files.h"
#include "core/WorkThread.h"

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

// A field as spreadsheets read it: quoted when it holds a comma, a quote or a line break; a
// text from outside that starts like a formula is kept as text.
QByteArray Field(const QString& text) {
    QString t = text;
    if (!t.isEmpty() && QStringLiteral("=+-@\t\r").contains(t.front()))
        t.prepend(QLatin1Char('\''));
    if (t.contains(QLatin1Char(',')) || t.contains(QLatin1Char('"')) ||
        t.contains(QLatin1Char('\n')) || t.contains(QLatin1Char('\r'))) {
        t.replace(QLatin1String("\""), QLatin1String("\"\""));
        t = QLatin1Char('"') + t + QLatin1Char('"');
    }
    return t.toUtf8();
}

}  // namespace

struct ConsoleRecord::Shared {
    QString path;
};

QString ConsoleRecordPath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dir.isEmpty()) dir = QDir::home().filePath(QStringLiteral(".local/share"));
    return QDir(dir).filePath(QStringLiteral("kvtmr/kvtmr-console-log.csv"));
}

ConsoleRecord::ConsoleRecord(const QString& path)
    : path_(path), shared_(std::make_shared<Shared>()), work_(std::make_unique<WorkThread>()) {
    shared_->path = path;
    // Exports finish in the order they were asked for.
    exported_.setHandler([this](const std::pair<bool, QString>& r) {
        if (exportsWaiting_.empty()) return;
        auto done = std::move(exportsWaiting_.front());
        exportsWaiting_.pop_front();
        if (done) done(r.first, r.second);
    });
}

ConsoleRecord::~ConsoleRecord() = default;

QByteArray ConsoleRecord::CsvHeading() {
    return QByteArray("时间,人员,操作或事件,考场,详情\r\n");
}

QByteArray ConsoleRecord::CsvLine(const RecordEntry& e) {
    const QString when =
        QDateTime::fromMSecsSinceEpoch(e.atMs).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    QList<QByteArray> fields = {Field(when), Field(e.who), Field(e.what),
                                Field(e.rooms.join(QLatin1Char(' '))), Field(e.detail)};
    return fields.join(',') + "\r\n";
}

void ConsoleRecord::append(const RecordEntry& entry) {
    entries_ << entry;
    if (entries_.size() > kKeptEntries) entries_.removeFirst();
    if (path_.isEmpty()) return;
    work_->post([shared = shared_, line = CsvLine(entry)] {
        QDir().mkpath(QFileInfo(shared->path).absolutePath());
        QFile f(shared->path);
        const bool fresh = !f.exists() || f.size() == 0;
        if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) {
            qWarning("kvtmr-console: the record cannot be written to %s: %s",
                     qPrintable(shared->path), qPrintable(f.errorString()));
            return;
        }
        if (fresh) f.write(CsvHeading());
        if (f.write(line) != line.size())
            qWarning("kvtmr-console: a line of the record was not written: %s",
                     qPrintable(f.errorString()));
    });
}

void ConsoleRecord::exportCsv(const QString& target,
                              std::function<void(bool ok, QString message)> done) {
    exportsWaiting_.push_back(std::move(done));
    work_->post([source = path_, target, send = exported_.sender()] {
        const FileRead read = ReadRegularFile(source, 512LL * 1024 * 1024);
        QByteArray bytes;
        if (read.ok())
            bytes = read.bytes;
        else if (read.status != FileRead::Status::Missing)
            return send({false, QStringLiteral("无法读取记录文件 %1：%2")
                                    .arg(source, WriteErrorText(read.error))});
        if (bytes.isEmpty()) bytes = CsvHeading();
        if (!bytes.startsWith(kBom)) bytes.prepend(kBom);
        int error = 0;
        if (!WriteFileAtomically(target, bytes, &error))
            return send(
                {false, QStringLiteral("无法写入 %1：%2").arg(target, WriteErrorText(error))});
        send({true, QStringLiteral("记录已导出到 %1").arg(target)});
    });
}

bool ConsoleRecord::flush(int timeoutMs) {
    const bool done = work_->flush(timeoutMs);
    exported_.deliver();
    return done;
}
