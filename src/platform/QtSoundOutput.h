// The real sound output service behind the SoundOutput interface.
#pragma once

#include <memory>

#include "platform/SoundOutput.h"

// Made on the GUI thread, after the application object.
std::unique_ptr<SoundOutput> CreateSoundOutput();
