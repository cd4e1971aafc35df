// What a timer tells about its count as it happens, through its changed() signal: the session
// log writes a line for most, the count state file is kept by them, the site link reports them.
#pragma once

enum class CountEvent {
    Start,   // a start from the display's value
    Resume,  // a start after a pause
    Pause,
    Reset,
    Clear,
    Warning,  // the remaining time reached the lead time
    TimeUp,
    HandOver,   // the preparation ran out; the main timer starts next
    Recovered,  // a count interrupted by a crash goes on where it would be
    Anchored,   // the count was taken from an anchor (the plan's session, the office's order)
    Changed,    // nothing to note, but the count's state is not what it was (the alert state,
                // a value set on the display)
    Step,       // the value moved one step; the display shows it
};
