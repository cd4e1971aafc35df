// The options that the settings file of 139 lines has no place for (the screen the display
// fills, the site link, ...): a small file "kvtmr-options.ini" beside it, one "key=value" line
// each, UTF-8, grouped under "[group]" headings ("site/host" is "host=" under "[site]"). The
// file is readable by its owner only, as it may hold the site's password. The settings file
// itself never changes for them.
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
    // Sets the values and writes the file once, at once, atomically (a symbolic link is
    // followed). 0 when it is written, otherwise the errno of the failure; the values are kept
    // for this run all the same.
    int setValues(const QMap<QString, QString>& values);

  private:
    QString path_;
    QMap<QString, QString> values_;
};
