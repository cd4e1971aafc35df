// Sound prompts: the one way every sound starts, the background music and its loop, the
// browse and test buttons of the sound group, the background-music toggle.
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include "app/CCUnit.h"
#include "platform/Errors.h"

namespace {
const QString kDefaultBackground = QStringLiteral("Bjyyly.wav");
}

QString TForm1::SoundPath(const QString& path) const {
    // A relative name is looked up in the working directory first, then in the program's
    // own sound directory.
    if (path.isEmpty() || QFileInfo(path).isAbsolute() || QFileInfo(path).exists() ||
        platform.soundDir.isEmpty())
        return path;
    const QString inSoundDir = QDir(platform.soundDir).filePath(path);
    return QFileInfo(inSoundDir).exists() ? inSoundDir : path;
}

bool TForm1::SoundExists(const QString& path) const {
    const QString trimmed = TrimControl(path);
    return !trimmed.isEmpty() && QFileInfo(SoundPath(trimmed)).isFile();
}

void TForm1::PlayPromptSound(AudioPlayer* player, const QString& path, bool suspendLoop,
                             bool stopBackgroundFirst) {
    try {
        StartSound(player, path, suspendLoop, stopBackgroundFirst);
    } catch (const PlayerError& e) {
        ReportSoundProblem(SoundPath(TrimControl(path)), e.message());
    }
}

void TForm1::ReportSoundProblem(const QString& path, const QString& text) {
    // The same file as it was when it was last reported is not reported again.
    const QFileInfo file(path);
    const QString key = file.absoluteFilePath();
    const QString state =
        QStringLiteral("%1 %2").arg(file.size()).arg(file.lastModified().toMSecsSinceEpoch());
    if (soundProblems_.value(key) == state) return;
    soundProblems_.insert(key, state);
    ReportLater(text);
}

void TForm1::StartSound(AudioPlayer* player, const QString& path, bool suspendLoop,
                        bool stopBackgroundFirst) {
    player->setFileName(SoundPath(TrimControl(path)));
    if (stopBackgroundFirst && MediaPlayer2->state() == PlayerState::Playing) MediaPlayer2->stop();
    if (player == MediaPlayer1) player1HoldsChime_ = false;
    player->close();
    player->open();
    player->play();
    if (suspendLoop) Settings.musicLoopOn = 0;
}

void TForm1::PlayIntervalChime() {
    // A chime never cuts off another prompt (start, warning, time-up, preparation, a test)
    // that is still playing on the prompt player.
    if (MediaPlayer1->state() == PlayerState::Playing && !player1HoldsChime_) return;
    PlayPromptSound(MediaPlayer1, Settings.intervalSoundFile, false, false);
    player1HoldsChime_ = true;
}

void TForm1::StopIfPlaying(AudioPlayer* player) {
    if (player->state() == PlayerState::Playing) player->stop();
}

void TForm1::StartBackgroundMusic() {
    const QString box = Edit37->text();
    if (!box.isEmpty() && QFileInfo(SoundPath(box)).isFile())
        Settings.backgroundSoundFile = box;
    else if (QFileInfo(SoundPath(kDefaultBackground)).isFile())
        Settings.backgroundSoundFile = kDefaultBackground;
    else
        return;
    if (CheckBox6->isChecked() && SoundExists(Settings.backgroundSoundFile))
        PlayPromptSound(MediaPlayer2, Settings.backgroundSoundFile, false, false);
}

void TForm1::BackgroundLoopCheck() {
    if (CheckBox6->isChecked() && Settings.musicLoopOn == 1 &&
        MediaPlayer2->state() == PlayerState::Stopped &&
        MediaPlayer1->state() == PlayerState::Stopped && SoundExists(Settings.backgroundSoundFile))
        PlayPromptSound(MediaPlayer2, Settings.backgroundSoundFile, false, false);
}

void TForm1::SpeedButton18Click() {
    if (CheckBox6->isChecked()) {
        CheckBox6->setChecked(false);
        if (MediaPlayer2->state() == PlayerState::Playing) MediaPlayer2->stop();
    } else {
        CheckBox6->setChecked(true);
        // No reopen: a stopped file continues where it stopped, a finished one starts again.
        if (MediaPlayer2->state() == PlayerState::Stopped) MediaPlayer2->play();
    }
}

bool TForm1::BrowseInto(TEdit* box) {
    const std::optional<QString> chosen = platform.dialogs->openFile(OpenDialog1.FileName);
    if (!chosen) return false;
    OpenDialog1.FileName = *chosen;
    box->setText(OpenDialog1.FileName);
    return true;
}

void TForm1::BrowseSound(TEdit* box, QString SettingsRecord::*field) {
    // A cancelled dialog changes nothing; an empty box is reported.
    if (BrowseInto(box)) Settings.*field = box->text();
    if (box->text().isEmpty())
        platform.dialogs->information(QStringLiteral("未选择声音文件！请重新选择！"));
}

void TForm1::TestSound(TEdit* box, AudioPlayer* player) {
    const QString path = box->text();
    if (path.isEmpty()) {
        platform.dialogs->information(QStringLiteral("文件未选择！请重新选择！"));
        return;
    }
    if (!QFileInfo(SoundPath(path)).isFile()) {
        platform.dialogs->information(QStringLiteral("文件不存在！请重新选择！"));
        return;
    }
    // The test says what is wrong with the file every time it is asked.
    StartSound(player, path, false, false);
}
