#include "platform/AudioDevices.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QMediaDevices>
#include <QPointer>
#include <utility>
#include <vector>

#include "platform/MediaThread.h"

namespace {

struct Lookup {
    bool known = false;
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> waiting;
    // From the first call until the application object goes; left to the process's exit when
    // it is stuck in a server that does not answer.
    MediaThread* thread = nullptr;
};

Lookup& TheLookup() {
    static Lookup lookup;
    return lookup;
}

void Known() {
    Lookup& l = TheLookup();
    l.known = true;
    auto waiting = std::move(l.waiting);
    l.waiting.clear();
    for (auto& [context, job] : waiting)
        if (context) job();
}

}  // namespace

bool EndAudioDevicesLookup() {
    Lookup& l = TheLookup();
    if (l.thread && !l.thread->finish(1000)) return false;
    delete l.thread;
    l.thread = nullptr;
    l.waiting.clear();
    return true;
}

void WhenAudioDevicesKnown(QObject* context, std::function<void()> job) {
    Lookup& l = TheLookup();
    if (l.known) {
        job();
        return;
    }
    l.waiting.emplace_back(context, std::move(job));
    if (l.thread) return;
    l.thread = new MediaThread(QStringLiteral("kvtmr-devices"));
    qAddPostRoutine([] { (void)EndAudioDevicesLookup(); });
    QObject* app = QCoreApplication::instance();
    l.thread->post([app] {
        (void)QMediaDevices::defaultAudioOutput();
        QMetaObject::invokeMethod(app, Known, Qt::QueuedConnection);
    });
}
