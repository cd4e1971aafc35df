// Sessions and instants for the plan's tests: an instant of the room's own zone, and a session
// of the plan with the fields most tests set.
#pragma once

#include <QDateTime>

#include "plan/Plan.h"

inline qint64 Local(int y, int mo, int d, int h, int mi, int s = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s)).toMSecsSinceEpoch();
}

inline PlanSession Session(const QString& id, const QString& title, qint64 start, int duration,
                           int prep = 0) {
    PlanSession s;
    s.id = id;
    s.title = title;
    s.startMs = start;
    s.duration = duration;
    s.prep = prep;
    return s;
}
