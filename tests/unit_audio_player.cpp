// The real audio player with files that will not play: open() returns at once (the file is
// read on the player's own thread, however big or broken it is), and the reason comes later
// through OnError, in Chinese with the decoder's words after it, while the sound reports
// Stopped. No sound server is needed: nothing here is heard.
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include "core/Errors.h"
#include "platform/AudioPlayer.h"
#include "platform/QtAudioPlayer.h"

namespace {

QByteArray U16(quint16 v) {
    QByteArray b(2, '\0');
    qToLittleEndian(v, b.data());
    return b;
}
QByteArray U32(quint32 v) {
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray Wav(quint16 channels, quint32 rate, const QByteArray& data) {
    const quint16 align = quint16(channels * 2);
    const QByteArray fmt =
        U16(1) + U16(channels) + U32(rate) + U32(rate * align) + U16(align) + U16(16);
    const QByteArray chunks =
        QByteArray("fmt ") + U32(16) + fmt + QByteArray("data") + U32(quint32(data.size())) + data;
    return QByteArray("RIFF") + U32(quint32(4 + chunks.size())) + QByteArray("WAVE") + chunks;
}

}  // namespace

class AudioPlayerTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void unplayableFileReportedLater_data();
    void unplayableFileReportedLater();
    void changedFileIsReadAgain();
};

void AudioPlayerTest::unplayableFileReportedLater_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("size");  // the file grown to this size with zeros (0: as it is)
    QTest::addColumn<QString>("reason");
    QTest::newRow("a text file named .wav")
        << QByteArray("no sound here\n") << qint64(0) << QStringLiteral("不是可识别的声音文件");
    QTest::newRow("96 channels") << Wav(96, 22050, QByteArray(96 * 2 * 100, '\x10')) << qint64(0)
                                 << QStringLiteral("96 个声道");
    // A writer that died after the header: no data chunk, 2 GB of nothing.
    const QByteArray header = Wav(1, 22050, QByteArray()).left(36);
    QTest::newRow("2 GB without a data chunk")
        << header << qint64(2) * 1024 * 1024 * 1024 << QStringLiteral("不是块头");
    QByteArray damaged("ID3\x03\0\0\0\0\0\0", 10);
    for (int i = 0; i < 20000; ++i)
        damaged += char((i * 7919 + 13) % 251);
    // The decoder says one of several things first; each comes in Chinese, its words after.
    QTest::newRow("a damaged MP3") << damaged << qint64(0) << QStringLiteral("^文件[^（]+（.+）$");
}

void AudioPlayerTest::unplayableFileReportedLater() {
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, size);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.wav"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        if (size > 0) QVERIFY(f.resize(size));  // sparse: no disk space taken
    }
    const std::unique_ptr<AudioPlayer> player = CreateAudioPlayer();
    QStringList errors;
    player->OnError = [&](const QString& text) { errors << text; };
    player->setFileName(path);
    // Nothing is read here: no error can be known yet.
    try {
        player->open();
    } catch (const PlayerError& e) {
        QFAIL(qPrintable(QStringLiteral("open() read the file: ") + e.message()));
    }
    player->play();
    QTRY_COMPARE_WITH_TIMEOUT(errors.size(), 1, 30000);
    QVERIFY2(errors.front().startsWith(QStringLiteral("无法播放声音文件“")), qPrintable(errors[0]));
    const QString given = errors.front().section(QStringLiteral("”："), 1);
    if (reason.startsWith(u'^'))
        QVERIFY2(QRegularExpression(reason).match(given).hasMatch(), qPrintable(errors[0]));
    else
        QVERIFY2(given.contains(reason), qPrintable(errors[0]));
    QCOMPARE(player->state(), PlayerState::Stopped);
    // Playing it again asks nothing more of the file.
    player->play();
    QCOMPARE(player->state(), PlayerState::Stopped);
}

// A chime opened again and again is not read again each time, but a file changed meanwhile is:
// replaced by one that cannot play, it is reported at a following open.
void AudioPlayerTest::changedFileIsReadAgain() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("chime.wav"));
    // Replaced at once, as an editor saves: never seen half written.
    const auto write = [&](const QByteArray& bytes) {
        QSaveFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        QVERIFY(f.commit());
    };
    write(Wav(1, 22050, QByteArray(2 * 2205, '\x10')));
    const std::unique_ptr<AudioPlayer> player = CreateAudioPlayer();
    QStringList errors;
    player->OnError = [&](const QString& text) { errors << text; };
    player->setFileName(path);
    player->open();
    player->play();
    QTRY_COMPARE_WITH_TIMEOUT(player->state(), PlayerState::Stopped, 30000);
    for (int i = 0; i < 3; ++i) {
        player->close();
        player->open();
        player->play();
    }
    QCoreApplication::processEvents();
    QVERIFY(errors.isEmpty());
    write("no sound any more\n");
    QTRY_VERIFY_WITH_TIMEOUT((player->close(), player->open(), player->play(), !errors.isEmpty()),
                             30000);
    QVERIFY2(errors.front().contains(QStringLiteral("不是可识别的声音文件")),
             qPrintable(errors[0]));
}

QTEST_GUILESS_MAIN(AudioPlayerTest)
#include "unit_audio_player.moc"
