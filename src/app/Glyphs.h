// The small pictures of the tool-bar and panel buttons and the window icon, drawn by the
// program itself.
#pragma once

#include <QIcon>

enum class Glyph {
    App,
    Exit,
    Settings,
    Clock,
    Timer,
    Prep,
    Music,
    Concise,
    Calendar,
    Set,
    Clear,
    Reset,
    Pause,
    Start,
    Help,
    About
};

QIcon MakeGlyph(Glyph glyph);
