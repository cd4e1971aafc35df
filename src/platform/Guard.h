// The wrappers around every bound handler and timer slot: an error thrown inside shows its
// message and the command stops there. No exception ever crosses Qt's event loop.
#pragma once

#include <exception>

#include "platform/Dialogs.h"
#include "core/Errors.h"

// The text an error shows: the program's own message, the standard library's, or a general
// one for anything else.
template <class F>
bool CatchError(F&& f, QString& message) {
    try {
        f();
        return true;
    } catch (const KvtmrError& e) {
        message = e.message();
    } catch (const std::exception& e) {
        message = QString::fromUtf8(e.what());
    } catch (...) {
        message = QStringLiteral("程序内部错误");
    }
    return false;
}

// A command: its error is shown at once in the standard error box.
template <class F>
bool Guarded(Dialogs& dialogs, F&& f) {
    QString message;
    if (CatchError(std::forward<F>(f), message)) return true;
    dialogs.error(message);
    return false;
}
