// The options that the settings file of 139 lines has no place for (the screen the display
// fills, ...): a small file "kvtmr-options.ini" beside it, one "key=value" line each, UTF-8.
// The settings file itself never changes for them.
#pragma once

#include <QMap>
#include <QString>

inline const QString kOptionsFileName = QStringLiteral("kvtmr-options.ini");

class Options {
  public:
    // path: the options file; it is read now, if it is there.
    explicit Options(const QString& path = QString());
    QString path() const { return path_; }
    QString value(const QString& key) const { return values_.value(key); }
    // Sets a value and writes the file at once, atomically; false when it cannot be written
    // (the value is kept for this run all the same).
    bool setValue(const QString& key, const QString& value);

  private:
    QString path_;
    QMap<QString, QString> values_;
};
