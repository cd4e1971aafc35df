// Small files read and written safely: what is not a regular file of a sane size is refused
// at once (a FIFO without a writer, a device, a file too large), a replacement leaves the old
// file or the new one and never a temporary file, also when a file-size limit stops the
// write; the temporary files of interrupted saves are found by their names.
#include <sys/resource.h>
#include <sys/stat.h>
#include <QtTest>
#include <csignal>

#include "core/Files.h"

namespace {

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

QStringList Entries(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
}

}  // namespace

class FilesTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void reading_data();
    void reading();
    void replacing();
    void failedReplacementLeavesNothing_data();
    void failedReplacementLeavesNothing();
    void staleTemporaries_data();
    void staleTemporaries();
    void keyValues();
};

void FilesTest::reading_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("regular") << "regular" << int(FileRead::Status::Ok) << QByteArray("a\r\nb\r\n");
    QTest::newRow("empty") << "empty" << int(FileRead::Status::Ok) << QByteArray();
    QTest::newRow("at the limit") << "limit" << int(FileRead::Status::Ok) << QByteArray(4096, 'z');
    QTest::newRow("one byte over") << "over" << int(FileRead::Status::TooLarge) << QByteArray();
    QTest::newRow("missing") << "missing" << int(FileRead::Status::Missing) << QByteArray();
    QTest::newRow("FIFO without a writer")
        << "fifo" << int(FileRead::Status::NotRegular) << QByteArray();
    QTest::newRow("link to /dev/zero")
        << "zero" << int(FileRead::Status::NotRegular) << QByteArray();
    QTest::newRow("directory") << "directory" << int(FileRead::Status::Failed) << QByteArray();
}

void FilesTest::reading() {
    QFETCH(QString, kind);
    QFETCH(int, status);
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("kvtmr201.ini"));
    if (kind == QLatin1String("regular") || kind == QLatin1String("empty") ||
        kind == QLatin1String("limit"))
        Write(path, bytes);
    else if (kind == QLatin1String("over"))
        Write(path, QByteArray(4097, 'z'));
    else if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == QLatin1String("zero"))
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    else if (kind == QLatin1String("directory"))
        QVERIFY(QDir().mkdir(path));
    const FileRead r = ReadRegularFile(path, 4096);
    QCOMPARE(int(r.status), status);
    QCOMPARE(r.bytes, bytes);
    if (kind == QLatin1String("directory")) QCOMPARE(r.error, EISDIR);
}

void FilesTest::replacing() {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("kvtmr201.ini"));
    // A first file gets the usual permissions (as the umask leaves them).
    const mode_t mask = ::umask(022);
    QVERIFY(WriteFileAtomically(path, "first\r\n"));
    ::umask(mask);
    QCOMPARE(Read(path), QByteArray("first\r\n"));
    QCOMPARE(QFileInfo(path).permissions() & 0x7777,
             QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                 QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    // A replacement keeps the permissions the operator gave the file.
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0640) == 0);
    QVERIFY(WriteFileAtomically(path, "second\r\n"));
    QCOMPARE(Read(path), QByteArray("second\r\n"));
    struct stat st = {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 07777), 0640);
    QCOMPARE(Entries(dir.path()), QStringList{QStringLiteral("kvtmr201.ini")});
}

void FilesTest::failedReplacementLeavesNothing_data() {
    QTest::addColumn<QString>("fault");
    QTest::newRow("a file-size limit") << "limit";
    QTest::newRow("the folder is gone") << "gone";
    QTest::newRow("a directory in its place") << "directory";
}

void FilesTest::failedReplacementLeavesNothing() {
    QFETCH(QString, fault);
    QTemporaryDir dir;
    QString path = QDir(dir.path()).filePath(QStringLiteral("kvtmr201.ini"));
    Write(path, "old\r\n");
    int error = 0;
    bool written = true;
    if (fault == QLatin1String("limit")) {
        // As the program does: the limit makes the write fail instead of ending the process.
        const auto previous = ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit old = {};
        ::getrlimit(RLIMIT_FSIZE, &old);
        struct rlimit small = old;
        small.rlim_cur = 1024;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        written = WriteFileAtomically(path, QByteArray(4096, 'n'), &error);
        ::setrlimit(RLIMIT_FSIZE, &old);
        ::signal(SIGXFSZ, previous);
        QCOMPARE(error, EFBIG);
    } else if (fault == QLatin1String("gone")) {
        path = QDir(dir.path()).filePath(QStringLiteral("gone/kvtmr201.ini"));
        written = WriteFileAtomically(path, "new\r\n", &error);
        QCOMPARE(error, ENOENT);
    } else {
        const QString inPlace = QDir(dir.path()).filePath(QStringLiteral("kvtmr-options.ini"));
        QVERIFY(QDir().mkdir(inPlace));
        Write(QDir(inPlace).filePath(QStringLiteral("x")), "x");
        written = WriteFileAtomically(inPlace, "new\r\n", &error);
        QCOMPARE(error, EISDIR);
        QCOMPARE(Entries(inPlace), QStringList{QStringLiteral("x")});
    }
    QVERIFY(!written);
    QCOMPARE(Read(QDir(dir.path()).filePath(QStringLiteral("kvtmr201.ini"))),
             QByteArray("old\r\n"));
    QCOMPARE(Entries(dir.path()), QStringList{QStringLiteral("kvtmr201.ini")});
}

void FilesTest::staleTemporaries_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("left by killed saves")
        << QStringList{"kvtmr201.ini", "kvtmr201.ini.Ab3dE9", "kvtmr201.ini.zzzzzz"} << 2
        << QStringList{"kvtmr201.ini"};
    QTest::newRow("other names stay")
        << QStringList{"kvtmr201.ini.bak",   "kvtmr201.ini.Ab3dE9x", "kvtmr201.ini.Ab3d-9",
                       "kvtmr201.ini.AB3DE", "kvtmr201.iniXAb3dE9",  "xkvtmr201.ini.Ab3dE9"}
        << 0 << QStringList{"kvtmr201.ini.AB3DE", "kvtmr201.ini.Ab3d-9", "kvtmr201.ini.Ab3dE9x",
                            "kvtmr201.ini.bak",   "kvtmr201.iniXAb3dE9", "xkvtmr201.ini.Ab3dE9"};
}

void FilesTest::staleTemporaries() {
    QFETCH(QStringList, files);
    QFETCH(int, removed);
    QFETCH(QStringList, left);
    QTemporaryDir dir;
    for (const QString& f : files)
        Write(QDir(dir.path()).filePath(f), "x");
    QCOMPARE(RemoveStaleTemporaries(QDir(dir.path()).filePath(QStringLiteral("kvtmr201.ini"))),
             removed);
    QCOMPARE(Entries(dir.path()), left);
}

void FilesTest::keyValues() {
    const QMap<QString, QString> values = {
        {QStringLiteral("screen.name"), QStringLiteral("HDMI-1")},
        {QStringLiteral("note"), QStringLiteral("两行\n文字")},
        {QStringLiteral("empty"), QString()}};
    const QByteArray bytes = EncodeKeyValues(values);
    QCOMPARE(bytes, QByteArray("empty=\nnote=两行 文字\nscreen.name=HDMI-1\n"));
    QMap<QString, QString> back = values;
    back[QStringLiteral("note")] = QStringLiteral("两行 文字");
    QCOMPARE(ParseKeyValues(bytes), back);
    QCOMPARE(ParseKeyValues(" a = b \r\n\nno equals\n=no key\n"),
             (QMap<QString, QString>{{QStringLiteral("a"), QStringLiteral("b")}}));
}

QTEST_GUILESS_MAIN(FilesTest)
#include "unit_files.moc"
