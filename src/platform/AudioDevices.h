// Qt's list of sound devices comes from the sound server: the first call of any of Qt's device
// functions connects to the server and waits for its answers, without a limit of its own (a
// server that took the connection and never answered held that call for 30 s). That first call
// is made here, on a thread of its own, which then also carries Qt's reports of devices that
// come and go; the user-interface thread touches Qt's devices only once it is done.
#pragma once

#include <functional>

class QObject;

// Runs `job` on the GUI thread once Qt knows the sound devices: at once when it knows them
// already, otherwise later (the first call starts the lookup), unless `context` is gone by
// then. Call it on the GUI thread only.
void WhenAudioDevicesKnown(QObject* context, std::function<void()> job);

// Ends the lookup's thread (also done as the application object goes). False when it is still
// waiting for the server: Qt Multimedia's clean-up at the process's exit would then wait for it
// as long as the server keeps it.
bool EndAudioDevicesLookup();
