// A process that holds a site link, for the tests of what the broker does when a link ends:
//   kvtmr_link_holder HOST PORT USER PASSWORD PRESENCE_TOPIC [CA_FILE]
// It opens the link with the last will "offline" (retained) on the presence topic and a
// keepalive of a minute, publishes "online" there once connected, starts a child process that
// outlives it (as the room's pactl may) and prints "connected CHILD_PID". A line "close" on
// its input closes the link cleanly and ends the process; a kill ends it without a goodbye.
// With a CA file the link is over TLS.
#include <unistd.h>
#include <QCoreApplication>
#include <QProcess>
#include <QSocketNotifier>
#include <cstdio>

#include "platform/SiteLink.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 6 && args.size() != 7) {
        std::fprintf(stderr,
                     "usage: kvtmr_link_holder HOST PORT USER PASSWORD PRESENCE_TOPIC [CA_FILE]\n");
        return 2;
    }
    LinkSettings s;
    s.host = args[1];
    s.port = args[2].toInt();
    s.user = s.clientId = args[3];
    s.password = args[4];
    s.willTopic = args[5];
    s.willPayload = "offline";
    s.willRetain = true;
    // Long enough that a broker which only the keepalive told of the end would say it late.
    s.keepaliveSeconds = 60;
    if (args.size() == 7) {
        s.tls = true;
        s.caFile = args[6];
    }

    std::unique_ptr<SiteLink> link = CreateSiteLink();
    QObject::connect(link.get(), &SiteLink::stateChanged, link.get(),
                     [&](LinkState state, const QString& why) {
                         if (state == LinkState::Connected) {
                             link->publish(s.willTopic, "online", true);
                             qint64 child = 0;
                             QProcess::startDetached(QStringLiteral("sleep"),
                                                     {QStringLiteral("30")}, QString(), &child);
                             std::printf("connected %lld\n", child);
                         } else {
                             std::printf("state %d %s\n", int(state), qPrintable(why));
                         }
                         std::fflush(stdout);
                     });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char line[64];
        const ssize_t n = ::read(STDIN_FILENO, line, sizeof line - 1);
        if (n <= 0 || QByteArray(line, int(n)).trimmed() == "close") {
            input.setEnabled(false);
            link->close();
            link.reset();  // waits for the goodbye to go out
            std::printf("closed\n");
            std::fflush(stdout);
            app.quit();
        }
    });
    link->open(s);
    return app.exec();
}
