// The real sound output service behind the SoundOutput interface.
#pragma once

#include <memory>

#include "platform/SoundOutput.h"

// Made on the GUI thread, after the application object. The default output is known from the
// start; its mute (and another default chosen) is followed once BeginWatchingSoundOutput has
// been called, which the program does after its window's first frame (or two seconds after
// the start at the latest).
std::unique_ptr<SoundOutput> CreateSoundOutput();
void BeginWatchingSoundOutput(SoundOutput& output);
