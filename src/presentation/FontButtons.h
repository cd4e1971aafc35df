// The six font buttons and the font sample window that a button shows while the mouse rests
// on it.
#pragma once

#include <QList>
#include <QPointer>
#include <QString>

class Dialogs;
class FrameWatch;
class QRect;
class QWidget;
class ScreenList;
class TForm4;

class FontButtons {
  public:
    // window: the main window, whose frame the sample's place is counted from; panel1 and
    // panel2: the display and the settings panel, whose places are part of that sum; screens:
    // the desktop's screens, the sample stays on the main window's one.
    FontButtons(QWidget* window, QWidget* panel1, QWidget* panel2, Dialogs& dialogs,
                const ScreenList* screens = nullptr)
        : window_(window), panel1_(panel1), panel2_(panel2), dialogs_(dialogs), screens_(screens) {}
    void setSampleWindow(TForm4* sample);

    // The font dialog opened on the source's font; the chosen font onto every target.
    void ChooseFont(QWidget* source, const QList<QWidget*>& targets);
    // The sample window beside a font button: kind word, sample text, the source's font.
    void ShowFontSample(const QString& kind, const QString& sample, QWidget* groupBox,
                        QWidget* button, QWidget* source);
    void HideSample();

    // A font button whose resting mouse shows the sample: its kind word, its sample text, its
    // group box and the control whose font it shows.
    struct Sample {
        QWidget* button;
        QString kind;
        QString text;
        QWidget* groupBox;
        QWidget* source;
    };
    void setSamples(const QList<Sample>& samples) { samples_ = samples; }
    void ShowSampleOf(QWidget* button);

    // Where the sample's frame goes beside a font button, on the main window's screen.
    QRect SamplePlace(QWidget* groupBox, QWidget* button) const;

  private:
    void placeSample();

    QWidget* window_;
    QWidget* panel1_;
    QWidget* panel2_;
    Dialogs& dialogs_;
    const ScreenList* screens_;
    QPointer<TForm4> sample_;
    FrameWatch* watch_ = nullptr;  // the sample's frame
    QList<Sample> samples_;
    // The group and the button the sample shows beside now.
    QPointer<QWidget> group_;
    QPointer<QWidget> button_;
};
