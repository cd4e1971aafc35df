// The factory settings file, byte for byte: what a first start writes (139 lines of GBK text,
// each ending in CR LF). Every test that needs the factory defaults as a file reads it here.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

inline QString FactorySettingsPath() {
    return QStringLiteral(KVTMR_SOURCE_DIR "/tests/data/kvtmr201-factory.ini");
}

inline QByteArray FactorySettingsFile() {
    QFile f(FactorySettingsPath());
    if (!f.open(QIODevice::ReadOnly)) qFatal("the factory settings file is missing");
    return f.readAll();
}
