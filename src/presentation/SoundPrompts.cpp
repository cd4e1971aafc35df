#include "presentation/SoundPrompts.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include "core/Errors.h"
#include "platform/AudioPlayer.h"
#include "platform/Dialogs.h"
#include "platform/Reports.h"
#include "platform/SoundFile.h"
#include "platform/SoundOutput.h"
#include "presentation/OpenDialog.h"
#include "widgets/Controls.h"

namespace {
const QString kDefaultBackground = QStringLiteral("Bjyyly.wav");

// A file as it is now: its size and the time it was written.
QString FileState(const QFileInfo& file) {
    return QStringLiteral("%1 %2").arg(file.size()).arg(file.lastModified().toMSecsSinceEpoch());
}
// The record's paths of the prompt slots, in the order of Controls::promptOn.
constexpr std::array<QString SettingsRecord::*, 5> kPromptFiles = {
    &SettingsRecord::prepSoundFile, &SettingsRecord::startSoundFile,
    &SettingsRecord::intervalSoundFile, &SettingsRecord::warningSoundFile,
    &SettingsRecord::timeUpSoundFile};
}  // namespace

SoundPrompts::SoundPrompts(const Services& services, SettingsRecord& settings,
                           const Controls& controls)
    : prompts_(services.prompts),
      music_(services.music),
      dialogs_(services.dialogs),
      reports_(services.reports),
      openDialog_(services.openDialog),
      soundDir_(services.soundDir),
      output_(services.output),
      settings_(settings),
      c_(controls) {
    for (AudioPlayer* player : {&prompts_, &music_})
        player->OnError = [this, player](const QString& text) { PlayerFailed(player, text); };
    if (output_) output_->OnOutputChanged = [this] { ShowOutputState(); };
}

SoundPrompts::~SoundPrompts() {
    // The players and the output outlive the window.
    prompts_.OnError = nullptr;
    music_.OnError = nullptr;
    if (output_) output_->OnOutputChanged = nullptr;
}

bool SoundPrompts::promptPlaying() const {
    return prompts_.state() == PlayerState::Playing;
}

QString SoundPrompts::SoundPath(const QString& path) const {
    // A relative name is looked up in the working directory first, then in the program's
    // own sound directory.
    if (path.isEmpty() || QFileInfo(path).isAbsolute() || QFileInfo(path).exists() ||
        soundDir_.isEmpty())
        return path;
    const QString inSoundDir = QDir(soundDir_).filePath(path);
    return QFileInfo(inSoundDir).exists() ? inSoundDir : path;
}

bool SoundPrompts::SoundExists(const QString& path) const {
    const QString trimmed = TrimControl(path);
    return !trimmed.isEmpty() && QFileInfo(SoundPath(trimmed)).isFile();
}

void SoundPrompts::PlayPromptSound(AudioPlayer* player, const QString& path, SoundFlags flags) {
    try {
        StartSound(player, path, flags);
    } catch (const PlayerError& e) {
        const QString file = SoundPath(TrimControl(path));
        NoteFailed(file, e.message());
        ReportSoundProblem(file, e.message());
        if (onPrompt && player == &prompts_) onPrompt(file, false, e.message());
        return;
    }
    if (onPrompt && player == &prompts_ && !closing_) onPrompt(player->fileName(), true, {});
}

void SoundPrompts::ReportSoundProblem(const QString& path, const QString& text) {
    if (NoteReported(path)) reports_.later(text);
}

bool SoundPrompts::NoteReported(const QString& path) {
    // The same file as it was when it was last reported is not reported again.
    const QFileInfo file(path);
    const QString key = file.absoluteFilePath();
    const QString state = FileState(file);
    if (soundProblems_.value(key) == state) return false;
    soundProblems_.insert(key, state);
    return true;
}

void SoundPrompts::NoteFailed(const QString& path, const QString& text) {
    const QFileInfo file(path);
    failed_.insert(file.absoluteFilePath(), {FileState(file), text});
}

QString SoundPrompts::KnownFailure(const QString& path) {
    if (failed_.isEmpty()) return QString();
    const QFileInfo file(path);
    const auto it = failed_.constFind(file.absoluteFilePath());
    if (it == failed_.constEnd()) return QString();
    if (it->state == FileState(file)) return it->text;
    failed_.erase(it);  // changed since: it is tried again
    return QString();
}

void SoundPrompts::PlayerFailed(AudioPlayer* player, const QString& text) {
    // The file is not given to the player again until it changes.
    NoteFailed(player->fileName(), text);
    // A test button's sound says what is wrong every time; a prompt's once per file.
    if (lastTest_ == player) {
        reports_.later(text);
        return;
    }
    ReportSoundProblem(player->fileName(), text);
    if (onPrompt && player == &prompts_) onPrompt(player->fileName(), false, text);
}

void SoundPrompts::StartSound(AudioPlayer* player, const QString& path, SoundFlags flags,
                              bool retry) {
    if (closing_) return;
    if (lastTest_ == player) lastTest_ = nullptr;
    const QString file = SoundPath(TrimControl(path));
    player->setFileName(file);
    if (flags.testFlag(SoundFlag::StopBackgroundFirst) && music_.state() == PlayerState::Playing)
        music_.stop();
    if (player == &prompts_) promptsHoldChime_ = false;
    player->close();
    // A file that did not play is not opened again until it changes: it fails as it did.
    if (!retry) {
        const QString failure = KnownFailure(file);
        if (!failure.isEmpty()) throw PlayerError(failure);
    }
    player->open();
    player->play();
    if (flags.testFlag(SoundFlag::SuspendLoop)) settings_.musicLoopOn = 0;
}

void SoundPrompts::PlayIntervalChime() {
    // A chime never cuts off another prompt (start, warning, time-up, preparation, a test)
    // that is still playing on the prompt player.
    if (prompts_.state() == PlayerState::Playing && !promptsHoldChime_) return;
    PlayPromptSound(&prompts_, settings_.intervalSoundFile);
    promptsHoldChime_ = true;
}

void SoundPrompts::StopIfPlaying(AudioPlayer* player) {
    if (player->state() == PlayerState::Playing) player->stop();
}

void SoundPrompts::StartBackgroundMusic() {
    const QString box = c_.backgroundBox->text();
    if (!box.isEmpty() && QFileInfo(SoundPath(box)).isFile())
        settings_.backgroundSoundFile = box;
    else if (QFileInfo(SoundPath(kDefaultBackground)).isFile())
        settings_.backgroundSoundFile = kDefaultBackground;
    else
        return;
    if (c_.backgroundOn->isChecked() && SoundExists(settings_.backgroundSoundFile))
        PlayPromptSound(&music_, settings_.backgroundSoundFile);
}

void SoundPrompts::BackgroundLoopCheck() {
    if (c_.backgroundOn->isChecked() && settings_.musicLoopOn == 1 &&
        music_.state() == PlayerState::Stopped && prompts_.state() == PlayerState::Stopped &&
        SoundExists(settings_.backgroundSoundFile))
        PlayPromptSound(&music_, settings_.backgroundSoundFile);
}

void SoundPrompts::ToggleBackgroundMusic() {
    if (c_.backgroundOn->isChecked()) {
        c_.backgroundOn->setChecked(false);
        if (music_.state() == PlayerState::Playing) music_.stop();
    } else {
        c_.backgroundOn->setChecked(true);
        // No reopen: a stopped file continues where it stopped, a finished one starts again.
        if (!closing_ && music_.state() == PlayerState::Stopped) music_.play();
    }
}

void SoundPrompts::Browse(TEdit* box, QString SettingsRecord::*field) {
    // A cancelled dialog changes nothing; an empty box is reported.
    if (openDialog_.browseInto(box)) settings_.*field = box->text();
    if (box->text().isEmpty()) dialogs_.information(QStringLiteral("未选择声音文件！请重新选择！"));
}

void SoundPrompts::Test(TEdit* box, AudioPlayer* player) {
    const QString path = box->text();
    if (path.isEmpty()) {
        dialogs_.information(QStringLiteral("文件未选择！请重新选择！"));
        return;
    }
    if (!QFileInfo(SoundPath(path)).isFile()) {
        dialogs_.information(QStringLiteral("文件不存在！请重新选择！"));
        return;
    }
    if (closing_) return;
    // The test says what is wrong with the file every time it is asked.
    StartSound(player, path, {}, true);
    lastTest_ = player;
}

void SoundPrompts::CheckSoundFiles() {
    if (!output_) return;
    QStringList paths;
    const auto add = [&](const QString& file) {
        const QString path = SoundPath(TrimControl(file));
        if (!path.isEmpty() && !paths.contains(path)) paths << path;
    };
    for (size_t i = 0; i < kPromptFiles.size(); ++i)
        if (c_.promptOn[i]->isChecked()) add(settings_.*kPromptFiles[i]);
    if (c_.backgroundOn->isChecked()) add(settings_.backgroundSoundFile);
    const int check = ++*checks_;
    if (paths.isEmpty()) return;
    std::weak_ptr<int> checks = checks_;
    output_->checkFiles(paths, [this, checks, check](const QList<SoundProblem>& problems) {
        const auto latest = checks.lock();
        if (!latest || *latest != check) return;  // gone, or a later check was asked for
        // The files listed here are neither given to the players nor reported again when a
        // prompt asks for them, until they change.
        for (const SoundProblem& problem : problems) {
            NoteReported(problem.path);
            if (!problem.undecided)
                NoteFailed(problem.path, SoundFileErrorText(problem.path, problem.reason));
        }
        const QString text = SoundProblemsText(problems);
        if (!text.isEmpty()) reports_.later(text);
    });
}

void SoundPrompts::ShowOutputState() {
    if (!output_) return;
    c_.status->setNotice(OutputStateText(output_->outputState(), output_->outputName()));
}

void SoundPrompts::CloseSounds() {
    StopIfPlaying(&prompts_);
    StopIfPlaying(&music_);
    closing_ = true;
}
