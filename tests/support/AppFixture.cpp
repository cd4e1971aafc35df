#include "AppFixture.h"

#include <QFile>

QStringList DefaultSoundNames() {
    return {QStringLiteral("Zbksly.wav"), QStringLiteral("Ksksly.wav"),
            QStringLiteral("Zdjgly.wav"), QStringLiteral("Zbjjly.wav"),
            QStringLiteral("Ksjsly.wav"), QStringLiteral("Bjyyly.wav")};
}

AppFixture::AppFixture(const QDateTime& start, bool runStartUp, Sounds sounds) {
    // The Windows face names map to the installed faces, as in the program.
    static const bool substituted = (RegisterFontSubstitutions(), true);
    Q_UNUSED(substituted);
    fake.time.setNow(start);
    oldCwd_ = QDir::currentPath();
    QDir::setCurrent(work.path());
    if (sounds == Sounds::InWorkingDir) {
        for (const QString& n : DefaultSoundNames())
            makeFile(n, "RIFF");
    } else if (sounds == Sounds::InSoundDir) {
        for (const QString& n : DefaultSoundNames()) {
            QFile f(QDir(soundDir.path()).filePath(n));
            if (f.open(QIODevice::WriteOnly)) f.write("RIFF");
        }
        fake.platform().soundDir = soundDir.path();
    }
    create(runStartUp);
}

AppFixture::~AppFixture() {
    destroy();
    QDir::setCurrent(oldCwd_);
}

void AppFixture::create(bool runStartUp) {
    app = std::make_unique<AppWindows>(fake.platform(), runStartUp);
}

void AppFixture::destroy() {
    app.reset();
}

QString AppFixture::makeFile(const QString& name, const QByteArray& content) {
    const QString path = QDir(work.path()).filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(content);
    return path;
}
