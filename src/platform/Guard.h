// The one wrapper around every bound handler and timer slot: an error thrown inside shows its
// message in the standard error box and the command stops there. No exception ever crosses
// Qt's event loop.
#pragma once

#include <exception>

#include "platform/Dialogs.h"
#include "platform/Errors.h"

template <class F>
bool Guarded(Dialogs& dialogs, F&& f) {
    try {
        f();
        return true;
    } catch (const KvtmrError& e) {
        dialogs.error(e.message());
    } catch (const std::exception& e) {
        dialogs.error(QString::fromUtf8(e.what()));
    }
    return false;
}
