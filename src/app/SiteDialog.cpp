#include "app/SiteDialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Dialogs.h"
#include "platform/SiteLink.h"

namespace {

QLineEdit* Field(QWidget* parent, const QString& name, const QString& tip) {
    auto* edit = new QLineEdit(parent);
    edit->setAccessibleName(name);
    edit->setToolTip(tip);
    return edit;
}

}  // namespace

SiteDialog::SiteDialog(Dialogs& dialogs, LinkTester* tester, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), tester_(tester) {
    setWindowTitle(QStringLiteral("考点联网"));
    setAccessibleName(QStringLiteral("考点联网"));
    setObjectName(QStringLiteral("SiteDialog"));
    host = Field(this, QStringLiteral("服务器地址"),
                 QStringLiteral("考务中心消息服务器的主机名或IP地址"));
    port = Field(this, QStringLiteral("端口"),
                 QStringLiteral("1到65535；不加密一般为1883，加密为8883"));
    site = Field(this, QStringLiteral("考点编号"), QStringLiteral("字母、数字、-和_，如 s1"));
    room = Field(this, QStringLiteral("考场编号"),
                 QStringLiteral("字母、数字、-和_，如 A101；也是登录服务器的用户名"));
    password = Field(this, QStringLiteral("密码"), QStringLiteral("本考场登录服务器的密码"));
    password->setEchoMode(QLineEdit::Password);
    tls = new QCheckBox(QStringLiteral("加密连接（TLS）"), this);
    tls->setAccessibleName(QStringLiteral("加密连接"));
    ca = Field(this, QStringLiteral("CA证书文件"),
               QStringLiteral("考点的CA证书；不填时用系统信任的证书"));
    browseCa = new QPushButton(QStringLiteral("浏览..."), this);
    browseCa->setAccessibleName(QStringLiteral("选择CA证书文件"));
    enabled = new QCheckBox(QStringLiteral("启用"), this);
    enabled->setAccessibleName(QStringLiteral("启用考点联网"));
    enabled->setToolTip(QStringLiteral("不勾选时本机不连接考务中心，像单机一样计时"));
    test = new QPushButton(QStringLiteral("测试连接"), this);
    test->setAccessibleName(QStringLiteral("测试连接"));
    answer_ = new QLabel(this);
    answer_->setAccessibleName(QStringLiteral("测试结果"));
    answer_->setWordWrap(true);
    ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setAccessibleName(QStringLiteral("确定"));
    ok->setDefault(true);
    cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setAccessibleName(QStringLiteral("取消"));

    auto* form = new QFormLayout;
    form->addRow(enabled);
    form->addRow(QStringLiteral("服务器地址"), host);
    form->addRow(QStringLiteral("端口"), port);
    form->addRow(QStringLiteral("考点编号"), site);
    form->addRow(QStringLiteral("考场编号"), room);
    form->addRow(QStringLiteral("密码"), password);
    form->addRow(tls);
    auto* caRow = new QHBoxLayout;
    caRow->addWidget(ca);
    caRow->addWidget(browseCa);
    form->addRow(QStringLiteral("CA证书"), caRow);
    auto* testRow = new QHBoxLayout;
    testRow->addWidget(test);
    testRow->addWidget(answer_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* all = new QVBoxLayout(this);
    all->addLayout(form);
    all->addLayout(testRow);
    all->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &SiteDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(test, &QPushButton::clicked, this, &SiteDialog::runTest);
    connect(browseCa, &QPushButton::clicked, this, [this] {
        const auto file = dialogs_.openFile(
            ca->text(), {QStringLiteral("证书文件 (*.crt *.pem)"), QStringLiteral("所有文件 (*)")});
        if (file && !file->isEmpty()) ca->setText(*file);
    });
    // The usual port of each kind of connection, while the port is one of them.
    connect(tls, &QCheckBox::toggled, this, [this](bool on) {
        const QString p = port->text().trimmed();
        if (p.isEmpty() || p == QLatin1String("1883") || p == QLatin1String("8883"))
            port->setText(on ? QStringLiteral("8883") : QStringLiteral("1883"));
    });
}

void SiteDialog::setConfig(const RoomLinkConfig& c) {
    enabled->setChecked(c.enabled);
    host->setText(c.host);
    port->setText(QString::number(c.port));
    site->setText(c.site);
    room->setText(c.room);
    password->setText(c.password);
    {
        const QSignalBlocker quiet(tls);
        tls->setChecked(c.tls);
    }
    ca->setText(c.ca);
    answer_->clear();
}

RoomLinkConfig SiteDialog::config() const {
    RoomLinkConfig c;
    c.enabled = enabled->isChecked();
    c.host = host->text().trimmed();
    bool isNumber = false;
    const int p = port->text().trimmed().toInt(&isNumber);
    c.port = isNumber ? p : 0;
    c.site = site->text().trimmed();
    c.room = room->text().trimmed();
    c.password = password->text();
    c.tls = tls->isChecked();
    c.ca = ca->text().trimmed();
    return c;
}

QString SiteDialog::problem() const {
    const RoomLinkConfig c = config();
    if (c.enabled) return c.problem();
    if (c.port < 1 || c.port > 65535) return QStringLiteral("端口必须是1到65535之间的整数。");
    return {};
}

QString SiteDialog::testAnswer() const {
    return answer_->text();
}

void SiteDialog::accept() {
    const QString why = problem();
    if (!why.isEmpty()) {
        dialogs_.information(why);
        return;
    }
    if (onAccepted) onAccepted(config());
    QDialog::accept();
}

void SiteDialog::runTest() {
    RoomLinkConfig c = config();
    c.enabled = true;
    const QString why = c.problem();
    if (!why.isEmpty()) {
        answer_->setText(why);
        return;
    }
    if (!tester_) {
        answer_->setText(QStringLiteral("本机不能测试连接"));
        return;
    }
    answer_->setText(QStringLiteral("正在测试..."));
    test->setEnabled(false);
    tester_->test(c.linkSettings(), this, [this](bool good, const QString& message) {
        test->setEnabled(true);
        answer_->setText(good ? QStringLiteral("连接成功：%1").arg(message)
                              : QStringLiteral("连接失败：%1").arg(message));
    });
}
