// The desktop's screens as Qt sees them.
#pragma once

#include "platform/Screens.h"

class QScreen;

class RealScreens : public ScreenList {
    Q_OBJECT
  public:
    explicit RealScreens(QObject* parent = nullptr);
    QList<ScreenInfo> screens() const override;
    ScreenInfo screenOf(const QWidget* window) const override;
    void fill(QWidget* window, const ScreenInfo& screen) override;

  private:
    void watch(QScreen* screen);
};
