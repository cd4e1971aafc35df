// The sound output as the operator needs to know it before an exam starts: whether the
// configured sound files will play, and whether the default output device is there and not
// muted.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// A sound file that cannot be played, with the platform's reason (ProbeSoundFile's or the
// decoder's words).
struct SoundProblem {
    QString path;
    QString reason;
    // Not decided within the check's time: the file may still play.
    bool undecided = false;
    bool operator==(const SoundProblem& o) const { return path == o.path && reason == o.reason; }
};

enum class OutputState {
    Ok,       // a default output that plays
    Missing,  // no sound output device at all
    Muted,    // the default output is muted, or its volume is 0
};

class SoundOutput {
  public:
    virtual ~SoundOutput() = default;

    // Opens each file once, without playing it, and calls `done` exactly once, on the GUI
    // thread, with the files that cannot be played, in the order given. Never blocks: the real
    // service reads the files off the GUI thread and leaves the others to the decoder
    // asynchronously, always answering after checkFiles has returned, and reports a file still
    // undecided after kCheckTimeoutMs as such. (The fake may answer inside the call: a caller
    // depends on neither.)
    virtual void checkFiles(const QStringList& paths,
                            std::function<void(const QList<SoundProblem>&)> done) = 0;
    static constexpr int kCheckTimeoutMs = 5000;

    // The default output device: its state and its name as the desktop shows it (empty when
    // there is none).
    virtual OutputState outputState() const = 0;
    virtual QString outputName() const = 0;

    // Run on the GUI thread when the state or the name of the default output changes: a device
    // added or removed, another default chosen, the default muted or unmuted.
    std::function<void()> OnOutputChanged;
};

// The one message listing the files that cannot be played (empty for none): for one file
// SoundFileErrorText's sentence, for several a heading and a line per file.
QString SoundProblemsText(const QList<SoundProblem>& problems);

// The status-line text for the output's state: empty when it is Ok.
QString OutputStateText(OutputState state, const QString& name);
