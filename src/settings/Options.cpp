#include "settings/Options.h"

#include <QFile>
#include <QSaveFile>

Options::Options(const QString& path) : path_(path) {
    if (path_.isEmpty()) return;
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly) || file.size() > 64 * 1024) return;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0) values_.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
}

bool Options::setValue(const QString& key, const QString& value) {
    values_.insert(key, value);
    if (path_.isEmpty()) return false;
    QByteArray bytes;
    for (auto it = values_.cbegin(); it != values_.cend(); ++it) {
        QString v = it.value();
        v.replace(u'\n', u' ');
        bytes += (it.key() + QLatin1Char('=') + v).toUtf8() + '\n';
    }
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
