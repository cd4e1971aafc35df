// Small files read and written safely: what is not a regular file of a sane size is refused
// at once (a FIFO without a writer, a device, a file too large), a replacement leaves the old
// file or the new one and never a temporary file, also when a file-size limit stops the
// write, and a symbolic link stays a link to the file replaced; the temporary files of
// interrupted saves are found by their exact names and nothing else is; a file kept in the
// background tells how each write went and marks itself stale when one fails.
#include <sys/resource.h>
#include <sys/stat.h>
#include <QtTest>
#include <csignal>

#include "FileSizeLimit.h"
#include "core/Files.h"
#include "core/Options.h"
#include "core/WorkThread.h"

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
    QStringList e = QDir(dir).entryList(QDir::Files | QDir::System | QDir::Hidden);
    e.sort();
    return e;
}

bool IsLink(const QString& path) {
    struct stat st = {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
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
    void writingThroughLinks_data();
    void writingThroughLinks();
    void probingTheFolder();
    void backgroundFileMarksStale_data();
    void backgroundFileMarksStale();
    void keyValues();
    void privateFile();
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
        << QStringList{"kvtmr201.ini", ".kvtmr-tmp-kvtmr201.ini.Ab3dE9",
                       ".kvtmr-tmp-kvtmr201.ini.zzzzzz"}
        << 2 << QStringList{"kvtmr201.ini"};
    // Whatever a person may call a copy stays, also six letters or digits after the name.
    QTest::newRow("the operator's backups stay")
        << QStringList{"kvtmr201.ini.backup", "kvtmr201.ini.exam01", "kvtmr201.ini.Monday",
                       "kvtmr201.ini.Ab3dE9", "kvtmr201.ini.bak"}
        << 0
        << QStringList{"kvtmr201.ini.Ab3dE9", "kvtmr201.ini.Monday", "kvtmr201.ini.backup",
                       "kvtmr201.ini.bak", "kvtmr201.ini.exam01"};
    QTest::newRow("near misses stay")
        << QStringList{".kvtmr-tmp-kvtmr201.ini.Ab3dE9x", ".kvtmr-tmp-kvtmr201.ini.Ab3-E9",
                       ".kvtmr-tmp-kvtmr201.ini.AB3DE",   ".kvtmr-tmp-kvtmr-state.ini.Ab3dE9",
                       "x.kvtmr-tmp-kvtmr201.ini.Ab3dE9", ".kvtmr-tmp-kvtmr201.iniXAb3dE9"}
        << 0 << QStringList{".kvtmr-tmp-kvtmr-state.ini.Ab3dE9", ".kvtmr-tmp-kvtmr201.ini.AB3DE",
                            ".kvtmr-tmp-kvtmr201.ini.Ab3-E9",    ".kvtmr-tmp-kvtmr201.ini.Ab3dE9x",
                            ".kvtmr-tmp-kvtmr201.iniXAb3dE9",    "x.kvtmr-tmp-kvtmr201.ini.Ab3dE9"};
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
    left.sort();
    QCOMPARE(Entries(dir.path()), left);
}

// A file kept as a symbolic link (to a folder of the operator's, or on another disk) stays a
// link: the file it leads to gets the new content, in its own folder, and keeps its
// permissions; the temporaries of a killed save there are found through the link.
void FilesTest::writingThroughLinks_data() {
    QTest::addColumn<QString>("link");   // the link's text; "chain" for a link to a link
    QTest::addColumn<bool>("existing");  // the target is there before the write
    QTest::newRow("absolute link") << "ABS" << true;
    QTest::newRow("relative link") << "real/kvtmr201.ini" << true;
    QTest::newRow("relative link with ..") << "../settings/real/kvtmr201.ini" << true;
    QTest::newRow("a link to a link") << "chain" << true;
    QTest::newRow("a link to a file not made yet") << "real/kvtmr201.ini" << false;
}

void FilesTest::writingThroughLinks() {
    QFETCH(QString, link);
    QFETCH(bool, existing);
    QTemporaryDir top;
    const QString dir = QDir(top.path()).filePath(QStringLiteral("settings"));
    const QString real = QDir(dir).filePath(QStringLiteral("real"));
    QVERIFY(QDir().mkpath(real));
    const QString target = QDir(real).filePath(QStringLiteral("kvtmr201.ini"));
    const QString path = QDir(dir).filePath(QStringLiteral("kvtmr201.ini"));
    if (existing) {
        Write(target, "old\r\n");
        QVERIFY(::chmod(QFile::encodeName(target).constData(), 0640) == 0);
    }
    if (link == QLatin1String("chain")) {
        const QString middle = QDir(real).filePath(QStringLiteral("middle.ini"));
        QVERIFY(QFile::link(QStringLiteral("kvtmr201.ini"), middle));
        QVERIFY(QFile::link(middle, path));
    } else {
        const QString text = link == QLatin1String("ABS") ? target : link;
        QCOMPARE(
            ::symlink(QFile::encodeName(text).constData(), QFile::encodeName(path).constData()), 0);
    }
    // The file the link leads to (its folder's ".." left to the system).
    const QFileInfo resolved(ResolveLinks(path));
    QVERIFY(resolved.isAbsolute());
    QCOMPARE(resolved.fileName(), QStringLiteral("kvtmr201.ini"));
    QCOMPARE(QFileInfo(resolved.absolutePath()).canonicalFilePath(),
             QFileInfo(real).canonicalFilePath());
    QVERIFY(WriteFileAtomically(path, "new\r\n"));
    QVERIFY(IsLink(path));
    QCOMPARE(Read(path), QByteArray("new\r\n"));
    QCOMPARE(Read(target), QByteArray("new\r\n"));
    if (existing) {
        struct stat st = {};
        QCOMPARE(::stat(QFile::encodeName(target).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 07777), 0640);
    }
    // Nothing was left in either folder.
    QCOMPARE(Entries(dir), QStringList{QStringLiteral("kvtmr201.ini")});
    QStringList inReal = Entries(real);
    inReal.removeAll(QStringLiteral("middle.ini"));
    QCOMPARE(inReal, QStringList{QStringLiteral("kvtmr201.ini")});
    // A killed save's temporary file beside the target is found through the link.
    Write(QDir(real).filePath(QStringLiteral(".kvtmr-tmp-kvtmr201.ini.Ab3dE9")), "half");
    QCOMPARE(RemoveStaleTemporaries(path), 1);
    // Removing the file removes what the link leads to; the link stays, for the next write.
    QVERIFY(RemoveResolvedFile(path));
    QVERIFY(IsLink(path));
    QVERIFY(!QFile::exists(target));
    QVERIFY(RemoveResolvedFile(path));  // nothing there: done all the same
}

// The probe of a folder tells whether a save could be made, and leaves nothing behind.
void FilesTest::probingTheFolder() {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("kvtmr201.ini"));
    QCOMPARE(ProbeWritable(path), 0);
    {
        const FileSizeLimit limit(1024);
        QCOMPARE(ProbeWritable(path, 4096), EFBIG);
    }
    QCOMPARE(ProbeWritable(QDir(dir.path()).filePath(QStringLiteral("gone/kvtmr201.ini"))), ENOENT);
    QCOMPARE(Entries(dir.path()), QStringList());
    QCOMPARE(WriteErrorText(ENOSPC), QStringLiteral("磁盘已满"));
    QCOMPARE(WriteErrorText(EFBIG), QStringLiteral("超过了文件大小的限制"));
    QCOMPARE(WriteErrorText(EACCES), QStringLiteral("没有写入权限"));
}

// A background write that fails (here: a file-size limit, as a full disk) is told with its
// errno, and the file left, now older than asked for, is moved aside as stale; where it cannot
// be moved, the marker is made. The next write that succeeds clears both.
void FilesTest::backgroundFileMarksStale_data() {
    QTest::addColumn<QString>("before");  // "file", "none", "unmovable"
    QTest::newRow("the old file is moved aside") << "file";
    QTest::newRow("no file yet") << "none";
    QTest::newRow("the old file cannot be moved") << "unmovable";
}

void FilesTest::backgroundFileMarksStale() {
    QFETCH(QString, before);
    QTemporaryDir dir, runtime;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("kvtmr-state.ini"));
    const QString stale = path + QStringLiteral(".stale");
    const QString marker = QDir(runtime.path()).filePath(QStringLiteral("state.stale"));
    QCOMPARE(BackgroundFile::StalePathOf(path), stale);
    if (before != QLatin1String("none")) Write(path, "old\n");
    if (before == QLatin1String("unmovable")) {
        // A folder in the way of the move, as a folder that cannot be written.
        QVERIFY(QDir().mkpath(stale));
        Write(QDir(stale).filePath(QStringLiteral("x")), "x");
    }
    BackgroundFile file(path, marker);
    QList<int> results;
    file.onDone([&](int error) { results << error; });
    {
        const FileSizeLimit limit(8);
        file.write("a state longer than eight bytes\n");
        QVERIFY(file.flush(5000));
    }
    QCOMPARE(results, QList<int>{EFBIG});
    if (before == QLatin1String("file")) {
        QVERIFY(!QFile::exists(path));
        QCOMPARE(Read(stale), QByteArray("old\n"));
        QVERIFY(!QFile::exists(marker));
    } else if (before == QLatin1String("unmovable")) {
        QCOMPARE(Read(path), QByteArray("old\n"));
        QVERIFY(QFile::exists(marker));
    } else {
        QVERIFY(!QFile::exists(path));
        QVERIFY(!QFile::exists(stale));
        QVERIFY(!QFile::exists(marker));
    }
    if (before == QLatin1String("unmovable")) QVERIFY(QDir(stale).removeRecursively());
    file.write("new\n");
    QVERIFY(file.flush(5000));
    QCOMPARE(results, (QList<int>{EFBIG, 0}));
    QCOMPARE(Read(path), QByteArray("new\n"));
    QVERIFY(!QFile::exists(stale));
    QVERIFY(!QFile::exists(marker));
    file.remove();
    QVERIFY(file.flush(5000));
    QCOMPARE(results, (QList<int>{EFBIG, 0, 0}));
    QVERIFY(!QFile::exists(path));
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
    // Groups: the site's link lives under "[site]", written by a script or by the program.
    const QMap<QString, QString> grouped = {{QStringLiteral("screen.name"), QStringLiteral("VGA")},
                                            {QStringLiteral("site/host"), QStringLiteral("h")},
                                            {QStringLiteral("site/room"), QStringLiteral("A101")}};
    const QByteArray groupedBytes = EncodeKeyValues(grouped);
    QCOMPARE(groupedBytes, QByteArray("screen.name=VGA\n[site]\nhost=h\nroom=A101\n"));
    QCOMPARE(ParseKeyValues(groupedBytes), grouped);
    QCOMPARE(ParseKeyValues("[site]\r\nenabled = true\r\n[ ]\r\nx=1\r\n"),
             (QMap<QString, QString>{{QStringLiteral("site/enabled"), QStringLiteral("true")},
                                     {QStringLiteral("x"), QStringLiteral("1")}}));
}

void FilesTest::privateFile() {
    // A file that holds a password is its owner's alone, also when it was readable before.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kvtmr-options.ini"));
    QVERIFY(WriteFileAtomically(path, "a=1\n"));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    Options options(path);
    QCOMPARE(options.setValues({{QStringLiteral("site/password"), QStringLiteral("pw")}}), 0);
    QCOMPARE(QFile::permissions(path) & 0x0777,
             QFile::Permissions(QFile::ReadUser | QFile::WriteUser) & 0x0777);
    QCOMPARE(Options(path).value(QStringLiteral("site/password")), QStringLiteral("pw"));
    QCOMPARE(Options(path).value(QStringLiteral("a")), QStringLiteral("1"));
}

QTEST_GUILESS_MAIN(FilesTest)
#include "unit_files.moc"
