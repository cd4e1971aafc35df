// The screens of the desktop: which there are, each by its identity (name, model, serial, not
// its place in the list), and the moves of a window onto one of them. The desktop may plug
// screens in and out and change their sizes at any time; changed() says so.
#pragma once

#include <QList>
#include <QObject>
#include <QRect>
#include <QString>

struct ScreenInfo {
    QString name;
    QString manufacturer;
    QString model;
    QString serial;
    QRect geometry;
    QRect available;  // without the desktop's own panels
    bool primary = false;

    // The same screen, whatever its place or size.
    bool sameScreen(const ScreenInfo& other) const {
        return name == other.name && model == other.model && serial == other.serial;
    }
    // How the operator knows it: the name, the model and the size.
    QString caption() const;
};

class ScreenList : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    virtual QList<ScreenInfo> screens() const = 0;
    // The screen that holds most of the window now.
    virtual ScreenInfo screenOf(const QWidget* window) const = 0;
    // Puts a window on a screen, filling it (maximised) or at a place of that screen.
    virtual void fill(QWidget* window, const ScreenInfo& screen) = 0;

  Q_SIGNALS:
    // A screen came or went, or one changed its size, its place or its turn.
    void changed();
};

// The screen of a list that is the given one, or the primary one when it is not there. Of two
// screens that tell the same identity (virtual screens without a model or serial), the one of
// the wanted size counts.
ScreenInfo ScreenOrPrimary(const QList<ScreenInfo>& screens, const ScreenInfo& wanted);

// A secondary window about to be shown comes onto the screen of the main window, at the same
// place of that screen as on the screen it was on.
void BringToScreenOf(const ScreenList& screens, QWidget* window, const QWidget* main);
