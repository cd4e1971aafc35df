// How the console logs in to its site's broker, remembered in the group [site] of
// "kvtmr-console.ini" in the user's configuration folder (the file is for its owner only, as
// it holds the password):
//
//   [site]
//   enabled=true
//   host=10.1.0.2
//   port=8883
//   site=hz2026
//   user=office1
//   password=...
//   tls=true
//   ca=/etc/kvtmr/kvtmr-ca.crt
//   observer=false        (true: a user that may only watch; the console offers no orders)
#pragma once

#include <QString>

#include "core/Options.h"
#include "platform/SiteLink.h"

inline const QString kConsoleOptionsFileName = QStringLiteral("kvtmr-console.ini");

struct ConsoleLogin {
    bool enabled = false;
    QString host;
    int port = 1883;
    QString site;
    QString user;
    QString password;
    bool tls = false;
    QString ca;
    bool observer = false;
    bool operator==(const ConsoleLogin&) const = default;
};

// ~/.config/kvtmr/kvtmr-console.ini (the user's configuration folder).
QString ConsoleOptionsPath();

ConsoleLogin ReadConsoleLogin(const Options& options);
// Writes the group [site]; 0 or the errno of the failure.
int WriteConsoleLogin(Options& options, const ConsoleLogin& login);
// What is wrong with the login before it is tried, in Chinese; empty when nothing is.
QString LoginProblem(const ConsoleLogin& login);
// The link's settings: the user is also the client id; an office user's last will says the
// office is offline.
LinkSettings ConsoleLinkSettings(const ConsoleLogin& login);
