#include "console/ConsoleLogin.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "console/SiteModel.h"
#include "site/Protocol.h"

QString ConsoleOptionsPath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (dir.isEmpty()) dir = QDir::home().filePath(QStringLiteral(".config"));
    return QDir(dir).filePath(QStringLiteral("kvtmr/") + kConsoleOptionsFileName);
}

namespace {
QString Key(const char* name) {
    return QStringLiteral("site/") + QLatin1String(name);
}
QString Bool(bool b) {
    return b ? QStringLiteral("true") : QStringLiteral("false");
}
}  // namespace

ConsoleLogin ReadConsoleLogin(const Options& o) {
    ConsoleLogin l;
    l.enabled = o.value(Key("enabled")) == QLatin1String("true");
    l.host = o.value(Key("host")).trimmed();
    l.tls = o.value(Key("tls")) == QLatin1String("true");
    bool ok = false;
    const int port = o.value(Key("port")).toInt(&ok);
    l.port = ok && port > 0 && port < 65536 ? port : (l.tls ? 8883 : 1883);
    l.site = o.value(Key("site")).trimmed();
    l.user = o.value(Key("user")).trimmed();
    l.password = o.value(Key("password"));
    l.ca = o.value(Key("ca")).trimmed();
    l.observer = o.value(Key("observer")) == QLatin1String("true");
    return l;
}

int WriteConsoleLogin(Options& o, const ConsoleLogin& l) {
    QDir().mkpath(QFileInfo(o.path()).absolutePath());
    return o.setValues({{Key("enabled"), Bool(l.enabled)},
                        {Key("host"), l.host},
                        {Key("port"), QString::number(l.port)},
                        {Key("site"), l.site},
                        {Key("user"), l.user},
                        {Key("password"), l.password},
                        {Key("tls"), Bool(l.tls)},
                        {Key("ca"), l.ca},
                        {Key("observer"), Bool(l.observer)}});
}

QString LoginProblem(const ConsoleLogin& l) {
    if (l.host.isEmpty()) return QStringLiteral("请填写消息服务器的地址");
    if (l.port <= 0 || l.port > 65535) return QStringLiteral("端口必须在1到65535之间");
    if (!ValidSiteId(l.site))
        return QStringLiteral("考点编号只能由字母、数字、“-”和“_”组成，最多32个字符");
    if (l.user.isEmpty()) return QStringLiteral("请填写用户名");
    if (l.tls && !l.ca.isEmpty() && !QFileInfo(l.ca).isFile())
        return QStringLiteral("找不到CA证书文件 %1").arg(l.ca);
    return {};
}

LinkSettings ConsoleLinkSettings(const ConsoleLogin& l) {
    LinkSettings s;
    s.host = l.host;
    s.port = l.port;
    s.clientId = l.user;
    s.user = l.user;
    s.password = l.password;
    s.tls = l.tls;
    s.caFile = l.ca;
    if (!l.observer) SiteModel::SetOfficeWill(s, l.site);
    return s;
}
