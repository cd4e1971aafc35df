// The settings file: its exact bytes, reading it back, and every way reading or writing fails.
#include <sys/resource.h>
#include <unistd.h>
#include <QtTest>
#include <csignal>

#include "Golden.h"
#include "core/Errors.h"
#include "core/SettingsFile.h"

namespace {

// What a first start writes: the factory settings file.
QByteArray FirstStartBytes() {
    return FactorySettingsFile();
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

SettingsRecord Defaults() {
    SettingsRecord r;
    LoadFactoryDefaults(r);
    return r;
}

QString ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const KvtmrError& e) {
        return e.message();
    }
    return QString();
}

}  // namespace

class SettingsFileTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void firstStartBytes();
    void roundTrip_data();
    void roundTrip();
    void lineEndsAndEndOfFile_data();
    void lineEndsAndEndOfFile();
    void failedLoadKeepsEarlierFields_data();
    void failedLoadKeepsEarlierFields();
    void unreadableFile();
    void unwritableDirectoryKeepsOldFile();
    void fullDiskKeepsOldFile();
    void linkStaysALink();
};

void SettingsFileTest::firstStartBytes() {
    const QByteArray bytes = EncodeSettings(Defaults());
    QCOMPARE(bytes, FirstStartBytes());
    QCOMPARE(bytes.count("\r\n"), 139);
    QVERIFY(bytes.endsWith("255\r\n1\r\n"));
    // Line 122 (the program path, one blank by default) is empty once trimmed.
    const QList<QByteArray> lines = bytes.split('\n');
    QCOMPARE(lines.at(121), QByteArray("\r"));
    // Chinese text is in GBK bytes: "预备" is D4 A4 B1 B8.
    QCOMPARE(lines.at(32), QByteArray("\xd4\xa4\xb1\xb8\r"));
}

void SettingsFileTest::roundTrip_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("readBack");
    QTest::newRow("blanks at both ends") << QStringLiteral("  考试  ") << QStringLiteral("考试");
    QTest::newRow("inner blanks stay")
        << QStringLiteral("忠诚  精武  奉献") << QStringLiteral("忠诚  精武  奉献");
    QTest::newRow("control characters at the ends")
        << QStringLiteral("\t标题\x01") << QStringLiteral("标题");
    QTest::newRow("outside GBK") << QStringLiteral("€ 𠀀 😀 한국") << QStringLiteral("€ 𠀀 😀 한국");
    QTest::newRow("path with blanks")
        << QStringLiteral("/home/考场 1/开始.wav") << QStringLiteral("/home/考场 1/开始.wav");
    QTest::newRow("empty") << QString() << QString();
}

void SettingsFileTest::roundTrip() {
    QFETCH(QString, typed);
    QFETCH(QString, readBack);
    // Every field gets a value of its own, so a field read into the wrong place shows.
    SettingsRecord written;
    int n = 1000;
    for (const FieldDescriptor& f : SettingsFields()) {
        if (auto p = std::get_if<int SettingsRecord::*>(&f.member))
            written.*(*p) = (f.line % 3 == 0) ? -n++ : n++;
        else
            written.*(std::get<QString SettingsRecord::*>(f.member)) =
                typed + QString::number(f.line);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(kSettingsFileName);
    WriteSettingsFile(path, written);
    SettingsRecord read;
    ClearSettingsRecord(read);
    ReadSettingsFile(path, read);
    for (const FieldDescriptor& f : SettingsFields()) {
        if (IsTextKind(f.kind))
            QCOMPARE(FieldText(read, f), TrimControl(typed + QString::number(f.line)));
        else
            QCOMPARE(FieldText(read, f), FieldText(written, f));
    }
    // The field that carries the case on its own: trimmed at the ends only.
    written.titleText = typed;
    WriteSettingsFile(path, written);
    ReadSettingsFile(path, read);
    QCOMPARE(read.titleText, readBack);
}

void SettingsFileTest::lineEndsAndEndOfFile_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");
    const QByteArray crlf = FirstStartBytes();
    QByteArray lf = crlf;
    lf.replace("\r\n", "\n");
    QByteArray noFinalEnd = crlf;
    noFinalEnd.chop(2);
    QTest::newRow("CR LF") << crlf << QString();
    QTest::newRow("LF only") << lf << QString();
    QTest::newRow("no line end after the last line") << noFinalEnd << QString();
    QTest::newRow("extra lines ignored") << crlf + "junk\r\nmore junk\r\n" << QString();
    QTest::newRow("Ctrl-Z after the last line") << crlf + "\x1a" + "junk\r\n" << QString();
    // Ctrl-Z in the middle ends the file: line 51 (a colour) is then missing.
    const int cut = crlf.indexOf("0\r\n1\r\n\xca\xb1\xbc\xe4\xb5\xbd");
    QVERIFY(cut > 0);
    QTest::newRow("Ctrl-Z ends the file early")
        << crlf.left(cut) + "\x1a" + crlf.mid(cut)
        << QStringLiteral("'' is not a valid integer value");
}

void SettingsFileTest::lineEndsAndEndOfFile() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    SettingsRecord r;
    ClearSettingsRecord(r);
    const QString message = ErrorOf([&] { DecodeSettings(bytes, r); });
    QCOMPARE(message, error);
    if (error.isEmpty()) QCOMPARE(EncodeSettings(r), FirstStartBytes());
}

void SettingsFileTest::failedLoadKeepsEarlierFields_data() {
    QTest::addColumn<int>("keepLines");  // lines kept of the first-start file (139 = all)
    QTest::addColumn<int>("badLine");    // line replaced by badText (0 = none)
    QTest::addColumn<QByteArray>("badText");
    QTest::addColumn<int>("failingLine");
    QTest::addColumn<QString>("error");
    QTest::newRow("line 2 abc") << 139 << 2 << QByteArray("abc") << 2
                                << QStringLiteral("'abc' is not a valid integer value");
    QTest::newRow("empty colour line")
        << 139 << 68 << QByteArray() << 68 << QStringLiteral("'' is not a valid integer value");
    QTest::newRow("number too large")
        << 139 << 138 << QByteArray("99999999999") << 138
        << QStringLiteral("'99999999999' is not a valid integer value");
    // The file ends after line 54: line 55 (a font size) is the first missing number.
    QTest::newRow("short file") << 54 << 0 << QByteArray() << 55
                                << QStringLiteral("'' is not a valid integer value");
}

void SettingsFileTest::failedLoadKeepsEarlierFields() {
    QFETCH(int, keepLines);
    QFETCH(int, badLine);
    QFETCH(QByteArray, badText);
    QFETCH(int, failingLine);
    QFETCH(QString, error);
    QList<QByteArray> lines = FirstStartBytes().split('\n').mid(0, keepLines);
    if (badLine > 0) lines[badLine - 1] = badText + "\r";
    QTemporaryDir dir;
    const QString path = dir.filePath(kSettingsFileName);
    WriteAll(path, lines.join('\n') + '\n');
    const QByteArray before = ReadAll(path);

    SettingsRecord r;
    ClearSettingsRecord(r);
    QCOMPARE(ErrorOf([&] { ReadSettingsFile(path, r); }), error);
    // What a complete first-start file gives, and the cleared values.
    SettingsRecord full;
    DecodeSettings(FirstStartBytes(), full);
    SettingsRecord cleared;
    ClearSettingsRecord(cleared);
    for (const FieldDescriptor& f : SettingsFields()) {
        const QString expected = f.line < failingLine ? FieldText(full, f) : FieldText(cleared, f);
        QVERIFY2(FieldText(r, f) == expected, f.name);
    }
    QCOMPARE(ReadAll(path), before);
}

void SettingsFileTest::unreadableFile() {
    QTemporaryDir dir;
    QCOMPARE(ErrorOf([&] {
                 SettingsRecord r;
                 ReadSettingsFile(dir.filePath(QStringLiteral("missing.ini")), r);
             }),
             QStringLiteral("File not found"));
    // A directory where the file should be cannot be read as a file.
    const QString asDir = dir.filePath(kSettingsFileName);
    QVERIFY(QDir().mkpath(asDir));
    QCOMPARE(ErrorOf([&] {
                 SettingsRecord r;
                 ReadSettingsFile(asDir, r);
             }),
             QStringLiteral("File access denied"));
    if (::geteuid() != 0) {
        const QString locked = dir.filePath(QStringLiteral("locked.ini"));
        WriteAll(locked, FirstStartBytes());
        QFile::setPermissions(locked, QFileDevice::Permissions());
        QCOMPARE(ErrorOf([&] {
                     SettingsRecord r;
                     ReadSettingsFile(locked, r);
                 }),
                 QStringLiteral("File access denied"));
    }
}

void SettingsFileTest::unwritableDirectoryKeepsOldFile() {
    QTemporaryDir dir;
    // The directory cannot hold files: it is a plain file.
    const QString notADir = dir.filePath(QStringLiteral("plain"));
    WriteAll(notADir, "x");
    const QString path = notADir + QStringLiteral("/") + kSettingsFileName;
    QCOMPARE(ErrorOf([&] { WriteSettingsFile(path, Defaults()); }),
             QStringLiteral("Cannot create file %1").arg(path));

    if (::geteuid() != 0) {
        const QString roDir = dir.filePath(QStringLiteral("ro"));
        QVERIFY(QDir().mkpath(roDir));
        const QString old = roDir + QStringLiteral("/") + kSettingsFileName;
        WriteAll(old, "old content\r\n");
        QFile::setPermissions(roDir, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QCOMPARE(ErrorOf([&] { WriteSettingsFile(old, Defaults()); }),
                 QStringLiteral("Cannot create file %1").arg(old));
        QCOMPARE(ReadAll(old), QByteArray("old content\r\n"));
        QFile::setPermissions(
            roDir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
}

void SettingsFileTest::fullDiskKeepsOldFile() {
    // A file-size limit makes every write beyond 64 bytes fail, as a full disk does.
    QTemporaryDir dir;
    const QString path = dir.filePath(kSettingsFileName);
    WriteAll(path, "old content\r\n");
    struct rlimit old {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 64;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    QString message;
    int error = 0;
    try {
        WriteSettingsFile(path, Defaults());
    } catch (const FileWriteError& e) {
        message = e.message();
        error = e.error();
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    QCOMPARE(message, QStringLiteral("Cannot create file %1").arg(path));
    // The reason goes with it, for the operator's message at the close.
    QCOMPARE(error, EFBIG);
    QCOMPARE(ReadAll(path), QByteArray("old content\r\n"));
    // No temporary file is left behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{kSettingsFileName});
}

// A settings file kept as a symbolic link (to a folder the operator backs up) stays one: the
// file it leads to gets the settings.
void SettingsFileTest::linkStaysALink() {
    QTemporaryDir dir, elsewhere;
    const QString target = elsewhere.filePath(kSettingsFileName);
    WriteAll(target, "old content\r\n");
    const QString path = dir.filePath(kSettingsFileName);
    QVERIFY(QFile::link(target, path));
    WriteSettingsFile(path, Defaults());
    QCOMPARE(QFileInfo(path).symLinkTarget(), target);
    QCOMPARE(ReadAll(target), FirstStartBytes());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
             QStringList{kSettingsFileName});
    QCOMPARE(QDir(elsewhere.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{kSettingsFileName});
}

QTEST_GUILESS_MAIN(SettingsFileTest)
#include "unit_settings_file.moc"
