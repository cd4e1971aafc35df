// Messages shown after the handler that asked for them has returned, for the timers' ticks:
// one box at a time, none over a box that is already open (a message of the start-up or a
// question stays on top until it is answered), and a message that is already waiting or on
// screen is not added again. The timers go on ticking while a box is open.
#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>

class Dialogs;

class Reports : public QObject {
    Q_OBJECT
  public:
    explicit Reports(Dialogs& dialogs, QObject* parent = nullptr);
    void later(const QString& text);
    // A failure that repeats every tick (a box that does not convert): reported once, and
    // again only when its text changes (the box holds another text) or after settled().
    void once(const QString& source, const QString& text);
    void settled(const QString& source) { once_.remove(source); }
    // The messages not yet answered, the one on screen first.
    const QStringList& waiting() const { return pending_; }

  private:
    void showNext();
    Dialogs& dialogs_;
    QStringList pending_;
    QHash<QString, QString> once_;
};
