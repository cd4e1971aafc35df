#include "console/ConsoleWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "console/RoomViews.h"
#include "core/Files.h"
#include "plan/PlanWindow.h"
#include "platform/AudioPlayer.h"
#include "platform/Dialogs.h"
#include "platform/TTimer.h"

namespace {

QString Clock(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("HH:mm:ss"));
}

// "A101、A102、A103" or "A101、A102 等12个考场".
QString RoomsText(const QStringList& rooms) {
    if (rooms.size() <= 6) return rooms.join(QStringLiteral("、"));
    return QStringLiteral("%1 等%2个考场")
        .arg(rooms.mid(0, 5).join(QStringLiteral("、")))
        .arg(rooms.size());
}

QPushButton* Button(const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setAccessibleName(text);
    return b;
}

// The alarm sounds at most this often, however many rooms come into trouble at once.
constexpr qint64 kAlarmSoundGapMs = 5000;

}  // namespace

// ---- the login form ---------------------------------------------------------------------------

LoginDialog::LoginDialog(const ConsoleLogin& l, LinkTester* tester, QWidget* parent)
    : QDialog(parent), tester_(tester) {
    setWindowTitle(QStringLiteral("登录考点"));
    auto* form = new QFormLayout;
    host_ = new QLineEdit(l.host, this);
    host_->setAccessibleName(QStringLiteral("消息服务器地址"));
    port_ = new QSpinBox(this);
    port_->setRange(1, 65535);
    port_->setValue(l.port);
    port_->setAccessibleName(QStringLiteral("端口"));
    site_ = new QLineEdit(l.site, this);
    site_->setAccessibleName(QStringLiteral("考点编号"));
    user_ = new QLineEdit(l.user, this);
    user_->setAccessibleName(QStringLiteral("用户名"));
    password_ = new QLineEdit(l.password, this);
    password_->setEchoMode(QLineEdit::Password);
    password_->setAccessibleName(QStringLiteral("密码"));
    observer_ = new QCheckBox(QStringLiteral("观察者（只看，不下达指令）"), this);
    observer_->setChecked(l.observer);
    observer_->setAccessibleName(QStringLiteral("观察者"));
    tls_ = new QCheckBox(QStringLiteral("加密连接（TLS）"), this);
    tls_->setChecked(l.tls);
    tls_->setAccessibleName(QStringLiteral("加密连接"));
    ca_ = new QLineEdit(l.ca, this);
    ca_->setAccessibleName(QStringLiteral("CA证书文件"));
    ca_->setPlaceholderText(QStringLiteral("留空：使用系统信任的证书"));
    auto* browse = Button(QStringLiteral("浏览…"), this);
    browse->setAccessibleName(QStringLiteral("选择CA证书文件"));
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString f = QFileDialog::getOpenFileName(
            this, QStringLiteral("CA证书文件"), ca_->text(), QStringLiteral("证书 (*.crt *.pem)"));
        if (!f.isEmpty()) ca_->setText(f);
    });
    connect(tls_, &QCheckBox::toggled, this, [this](bool on) {
        if (on && port_->value() == 1883) port_->setValue(8883);
        if (!on && port_->value() == 8883) port_->setValue(1883);
    });
    auto* caRow = new QHBoxLayout;
    caRow->addWidget(ca_);
    caRow->addWidget(browse);
    form->addRow(QStringLiteral("消息服务器"), host_);
    form->addRow(QStringLiteral("端口"), port_);
    form->addRow(QStringLiteral("考点编号"), site_);
    form->addRow(QStringLiteral("用户名"), user_);
    form->addRow(QStringLiteral("密码"), password_);
    form->addRow(QString(), observer_);
    form->addRow(QString(), tls_);
    form->addRow(QStringLiteral("CA证书"), caRow);
    message_ = new QLabel(this);
    message_->setWordWrap(true);
    message_->setAccessibleName(QStringLiteral("登录提示"));
    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(QStringLiteral("登录"), QDialogButtonBox::AcceptRole);
    ok->setAccessibleName(QStringLiteral("登录"));
    auto* cancel = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    cancel->setAccessibleName(QStringLiteral("取消"));
    if (tester_) {
        auto* test = buttons->addButton(QStringLiteral("测试连接"), QDialogButtonBox::ActionRole);
        test->setAccessibleName(QStringLiteral("测试连接"));
        connect(test, &QPushButton::clicked, this, &LoginDialog::testLink);
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &LoginDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &LoginDialog::reject);
    auto* v = new QVBoxLayout(this);
    v->addLayout(form);
    v->addWidget(message_);
    v->addWidget(buttons);
}

ConsoleLogin LoginDialog::login() const {
    ConsoleLogin l;
    l.enabled = true;
    l.host = host_->text().trimmed();
    l.port = port_->value();
    l.site = site_->text().trimmed();
    l.user = user_->text().trimmed();
    l.password = password_->text();
    l.observer = observer_->isChecked();
    l.tls = tls_->isChecked();
    l.ca = ca_->text().trimmed();
    return l;
}

void LoginDialog::accept() {
    const QString problem = LoginProblem(login());
    if (!problem.isEmpty()) {
        message_->setText(problem);
        return;
    }
    QDialog::accept();
}

void LoginDialog::testLink() {
    const ConsoleLogin l = login();
    const QString problem = LoginProblem(l);
    if (!problem.isEmpty()) return message_->setText(problem);
    message_->setText(QStringLiteral("正在测试连接…"));
    LinkSettings s = ConsoleLinkSettings(l);
    s.clientId.clear();  // beside the console's own connection, which has the user's id
    tester_->test(s, this, [this](bool ok, const QString& message) {
        message_->setText(ok ? QStringLiteral("连接成功") : message);
    });
}

// ---- the window -------------------------------------------------------------------------------

ConsoleWindow::ConsoleWindow(SiteModel& model, ConsoleRecord& record, const Services& services,
                             QWidget* parent)
    : QMainWindow(parent), model_(model), record_(record), services_(services) {
    askText = [this](const QString& prompt) -> std::optional<QString> {
        bool ok = false;
        const QString t = QInputDialog::getText(this, QStringLiteral("澄屿考务台"), prompt,
                                                QLineEdit::Normal, QString(), &ok);
        if (!ok) return std::nullopt;
        return t;
    };
    build();
    connect(&model_, &SiteModel::recorded, this, [this](const RecordEntry& e) {
        record_.append(e);
        showRecord(e);
    });
    connect(&model_, &SiteModel::alarm, this, &ConsoleWindow::sounded);
    connect(&model_, &SiteModel::linkChanged, this, &ConsoleWindow::updateHeader);
    connect(&model_, &SiteModel::planChanged, this, &ConsoleWindow::updateHeader);
    connect(&model_, &SiteModel::roomAdded, this, [this] {
        wall_->update();
        if (fitPending_) return;
        fitPending_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                fitPending_ = false;
                table_->resizeColumnsToContents();
            },
            Qt::QueuedConnection);
    });
    connect(&model_, &SiteModel::roomChanged, this, [this] { wall_->update(); });
    tick_ = std::make_unique<TTimer>(services_.time, TTimer::Mode::WallSecond,
                                     QStringLiteral("ConsoleTick"));
    tick_->OnTimer = [this] { tick(); };
    tick_->setEnabled(true);
    updateHeader();
    updateControls();
}

ConsoleWindow::~ConsoleWindow() = default;

void ConsoleWindow::build() {
    setWindowTitle(QStringLiteral("澄屿考务台"));
    auto* central = new QWidget(this);
    auto* v = new QVBoxLayout(central);

    // The header.
    auto* header = new QHBoxLayout;
    auto label = [central](const QString& name) {
        auto* l = new QLabel(central);
        l->setAccessibleName(name);
        l->setTextFormat(Qt::PlainText);
        return l;
    };
    linkLabel_ = label(QStringLiteral("消息服务器状态"));
    onlineLabel_ = label(QStringLiteral("在线考场"));
    planLabel_ = label(QStringLiteral("考试安排版本"));
    alarmLabel_ = label(QStringLiteral("警报"));
    userLabel_ = label(QStringLiteral("登录用户"));
    for (QLabel* l : {linkLabel_, onlineLabel_, planLabel_, alarmLabel_, userLabel_}) {
        QFont f = l->font();
        f.setPointSizeF(f.pointSizeF() * 1.2);
        l->setFont(f);
        header->addWidget(l);
        header->addSpacing(16);
    }
    header->addStretch();
    v->addLayout(header);

    // The orders (hidden for an observer).
    orders_ = new QWidget(central);
    auto* o = new QHBoxLayout(orders_);
    o->setContentsMargins(0, 0, 0, 0);
    scope_ = new QComboBox(orders_);
    scope_->addItems({QStringLiteral("所选考场"), QStringLiteral("全部考场")});
    scope_->setAccessibleName(QStringLiteral("指令对象"));
    o->addWidget(scope_);
    auto add = [this, o](const QString& text, auto slot) {
        QPushButton* b = Button(text, orders_);
        connect(b, &QPushButton::clicked, this, slot);
        o->addWidget(b);
        return b;
    };
    add(QStringLiteral("开始"), [this] { order(Steer::Start); });
    add(QStringLiteral("暂停"), [this] { order(Steer::Pause); });
    add(QStringLiteral("继续"), [this] { order(Steer::Resume); });
    minutes_ = new QSpinBox(orders_);
    minutes_->setRange(1, 600);
    minutes_->setValue(5);
    minutes_->setSuffix(QStringLiteral(" 分钟"));
    minutes_->setAccessibleName(QStringLiteral("加减的分钟数"));
    o->addWidget(minutes_);
    add(QStringLiteral("加时"), [this] { order(Steer::AddMinutes, 1); });
    add(QStringLiteral("减时"), [this] { order(Steer::AddMinutes, -1); });
    add(QStringLiteral("结束"), [this] { order(Steer::End); });
    add(QStringLiteral("复位"), [this] { order(Steer::Reset); });
    why_ = new QLineEdit(orders_);
    why_->setPlaceholderText(QStringLiteral("原因（可不填）"));
    why_->setAccessibleName(QStringLiteral("调整原因"));
    why_->setMaxLength(200);
    o->addWidget(why_);
    effective_ = new QLabel(orders_);
    effective_->setAccessibleName(QStringLiteral("指令生效时刻"));
    o->addWidget(effective_);
    o->addStretch();

    auto* second = new QHBoxLayout;
    auto more = [this, second](const QString& text, auto slot) {
        QPushButton* b = Button(text, orders_);
        connect(b, &QPushButton::clicked, this, slot);
        second->addWidget(b);
        return b;
    };
    auto* ordersTwo = new QWidget(central);
    ordersTwo->setLayout(second);
    second->setContentsMargins(0, 0, 0, 0);
    more(QStringLiteral("采纳本地调整"), [this] { adopt(); });
    more(QStringLiteral("重申考务调整"), [this] { reassert(); });
    more(QStringLiteral("声音测试"), [this] { command(Command::Kind::SoundTest); });
    more(QStringLiteral("识别考场"), [this] { command(Command::Kind::Identify); });
    more(QStringLiteral("发送文字"), [this] { command(Command::Kind::ShowText); });
    more(QStringLiteral("考试安排…"), [this] { openPlan(); });
    second->addStretch();
    // Both rows of orders go and come together.
    auto* ordersBox = new QWidget(central);
    auto* ob = new QVBoxLayout(ordersBox);
    ob->setContentsMargins(0, 0, 0, 0);
    ob->addWidget(orders_);
    ob->addWidget(ordersTwo);
    orders_ = ordersBox;
    v->addWidget(orders_);

    auto* viewRow = new QHBoxLayout;
    problemsOnly_ = new QCheckBox(QStringLiteral("只看异常"), central);
    problemsOnly_->setAccessibleName(QStringLiteral("只看异常"));
    viewRow->addWidget(problemsOnly_);
    viewRow->addStretch();
    auto* exportButton = Button(QStringLiteral("导出记录…"), central);
    connect(exportButton, &QPushButton::clicked, this, &ConsoleWindow::exportRecord);
    viewRow->addWidget(exportButton);
    auto* loginButton = Button(QStringLiteral("登录设置…"), central);
    connect(loginButton, &QPushButton::clicked, this, &ConsoleWindow::showLogin);
    viewRow->addWidget(loginButton);
    v->addLayout(viewRow);

    // The rooms and the record.
    auto* split = new QSplitter(Qt::Vertical, central);
    tabs_ = new QTabWidget(split);
    tabs_->setAccessibleName(QStringLiteral("考场视图"));
    wall_ = new TileWall(model_, tabs_);
    tabs_->addTab(wall_, QStringLiteral("考场墙"));
    tableModel_ = new RoomTableModel(model_, this);
    filter_ = new RoomFilter(model_, this);
    filter_->setSourceModel(tableModel_);
    table_ = new QTableView(tabs_);
    table_->setModel(filter_);
    table_->setSortingEnabled(true);
    table_->sortByColumn(RoomTableModel::Room, Qt::AscendingOrder);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    // The columns are fitted to their contents when rooms come, not at every second's change
    // (which would measure every cell of a site's 200 rooms each second).
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table_->setAccessibleName(QStringLiteral("考场列表"));
    tabs_->addTab(table_, QStringLiteral("考场列表"));
    recordView_ = new QPlainTextEdit(split);
    recordView_->setReadOnly(true);
    recordView_->setMaximumBlockCount(2000);
    recordView_->setAccessibleName(QStringLiteral("记录"));
    split->addWidget(tabs_);
    split->addWidget(recordView_);
    split->setStretchFactor(0, 4);
    split->setStretchFactor(1, 1);
    v->addWidget(split, 1);
    connect(problemsOnly_, &QCheckBox::toggled, this, [this](bool on) {
        wall_->setProblemsOnly(on);
        filter_->setProblemsOnly(on);
    });
    setCentralWidget(central);
    resize(1280, 800);
}

void ConsoleWindow::start(Options& options) {
    options_ = &options;
    login_ = ReadConsoleLogin(options);
    if (login_.enabled && LoginProblem(login_).isEmpty())
        login(login_);
    else
        QMetaObject::invokeMethod(this, &ConsoleWindow::showLogin, Qt::QueuedConnection);
}

void ConsoleWindow::login(const ConsoleLogin& l) {
    login_ = l;
    login_.enabled = true;
    if (options_) {
        const int error = WriteConsoleLogin(*options_, login_);
        if (error)
            services_.dialogs.error(QStringLiteral("登录信息没有保存到 %1：%2")
                                        .arg(options_->path(), WriteErrorText(error)));
    }
    model_.sayGoodbye();
    services_.link.open(ConsoleLinkSettings(login_));
    model_.watch(login_.site, login_.user, login_.observer);
    setWindowTitle(QStringLiteral("澄屿考务台 — 考点 %1").arg(login_.site));
    updateControls();
    updateHeader();
}

void ConsoleWindow::showLogin() {
    LoginDialog d(login_, services_.tester, this);
    if (d.exec() == QDialog::Accepted) login(d.login());
}

void ConsoleWindow::updateControls() {
    orders_->setVisible(model_.canSteer());
    userLabel_->setText(model_.user().isEmpty()
                            ? QStringLiteral("未登录")
                            : (model_.canSteer() ? QStringLiteral("用户 %1").arg(model_.user())
                                                 : QStringLiteral("观察者 %1").arg(model_.user())));
}

void ConsoleWindow::updateHeader() {
    QString link;
    switch (model_.linkState()) {
        case LinkState::Off:
            link = QStringLiteral("未连接");
            break;
        case LinkState::Connecting:
            link = QStringLiteral("正在连接");
            break;
        case LinkState::Connected:
            link = QStringLiteral("已连接");
            break;
        case LinkState::Disconnected:
            link = QStringLiteral("连接中断：%1").arg(model_.linkWhy());
            break;
    }
    linkLabel_->setText(QStringLiteral("消息服务器：%1").arg(link));
    linkLabel_->setStyleSheet(model_.linkState() == LinkState::Connected
                                  ? QString()
                                  : QStringLiteral("color: #b71c1c; font-weight: bold"));
    onlineLabel_->setText(
        QStringLiteral("在线 %1 / %2").arg(model_.onlineCount()).arg(model_.roomIds().size()));
    const auto plan = model_.plan();
    planLabel_->setText(plan ? QStringLiteral("安排 第%1版（%2）").arg(plan->rev).arg(plan->by)
                             : QStringLiteral("没有安排"));
    const int alarms = model_.alarmCount();
    alarmLabel_->setText(QStringLiteral("警报 %1").arg(alarms));
    alarmLabel_->setStyleSheet(alarms ? QStringLiteral("color: #b71c1c; font-weight: bold")
                                      : QString());
}

void ConsoleWindow::tick() {
    wall_->update();
    tableModel_->tick();
    effective_->setText(QStringLiteral("%1 生效").arg(Clock(EffectiveAt(model_.nowMs()))));
    updateHeader();
}

QStringList ConsoleWindow::targetRooms() const {
    if (scope_->currentIndex() == 1) return model_.roomIds();
    if (tabs_->currentWidget() == wall_) return wall_->selectedRooms();
    QStringList rooms;
    for (const QModelIndex& i : table_->selectionModel()->selectedRows())
        rooms << tableModel_->roomOf(filter_->mapToSource(i).row());
    rooms.sort();
    return rooms;
}

void ConsoleWindow::tell(const SiteModel::Sent& sent, const QString& what) {
    QString text = QStringLiteral("%1：已发给 %2 个考场").arg(what).arg(sent.rooms.size());
    if (!sent.refused.isEmpty()) {
        QStringList lines;
        for (auto it = sent.refused.cbegin(); it != sent.refused.cend(); ++it)
            lines << QStringLiteral("%1：%2").arg(it.key(), it.value());
        services_.dialogs.information(text + QStringLiteral("。\n没有发出：\n") +
                                      lines.join(QLatin1Char('\n')));
    }
    statusBar()->showMessage(text, 10000);
}

void ConsoleWindow::order(Steer s, int sign) {
    const QStringList rooms = targetRooms();
    if (rooms.isEmpty()) return services_.dialogs.information(QStringLiteral("请先选择考场。"));
    const int minutes = s == Steer::AddMinutes ? sign * minutes_->value() : 0;
    QString what = SteerName(s);
    if (s == Steer::AddMinutes)
        what = sign > 0 ? QStringLiteral("加时%1分钟").arg(minutes_->value())
                        : QStringLiteral("减时%1分钟").arg(minutes_->value());
    const bool wholeSite = scope_->currentIndex() == 1;
    qint64 at = EffectiveAt(model_.nowMs());
    const QString text = QStringLiteral("%1：%2，%3 生效。").arg(what, RoomsText(rooms), Clock(at));
    if (wholeSite && (s == Steer::End || s == Steer::Reset)) {
        const auto typed = askText(
            text + QStringLiteral("\n这会作用于全部考场。请输入“%1”以确认：").arg(SteerName(s)));
        if (!typed) return;
        if (typed->trimmed() != SteerName(s))
            return services_.dialogs.information(QStringLiteral("输入不符，指令没有发出。"));
    } else if (!services_.dialogs.confirm(text)) {
        return;
    }
    // The second named must still lie ahead when the order goes out.
    while (model_.nowMs() > at - 1000) {
        at = EffectiveAt(model_.nowMs());
        if (!services_.dialogs.confirm(
                QStringLiteral("确认用时较长，生效时刻改为 %1。仍然发出吗？").arg(Clock(at))))
            return;
    }
    tell(model_.steer(rooms, s, at, minutes, why_->text().trimmed()),
         QStringLiteral("%1（%2 生效）").arg(what, Clock(at)));
}

void ConsoleWindow::adopt() {
    const QStringList rooms = targetRooms();
    if (rooms.isEmpty()) return services_.dialogs.information(QStringLiteral("请先选择考场。"));
    if (!services_.dialogs.confirm(
            QStringLiteral("采纳 %1 的本地调整，作为考务办公室的调整？").arg(RoomsText(rooms))))
        return;
    tell(model_.adopt(rooms), QStringLiteral("采纳本地调整"));
}

void ConsoleWindow::reassert() {
    const QStringList rooms = targetRooms();
    if (rooms.isEmpty()) return services_.dialogs.information(QStringLiteral("请先选择考场。"));
    if (!services_.dialogs.confirm(
            QStringLiteral("向 %1 重申考务办公室的调整？").arg(RoomsText(rooms))))
        return;
    tell(model_.reassert(rooms), QStringLiteral("重申考务调整"));
}

void ConsoleWindow::command(Command::Kind kind) {
    const QStringList rooms = targetRooms();
    if (rooms.isEmpty()) return services_.dialogs.information(QStringLiteral("请先选择考场。"));
    QString text;
    if (kind == Command::Kind::ShowText) {
        const auto typed = askText(
            QStringLiteral("在 %1 的屏幕上显示的文字（留空则撤下文字）：").arg(RoomsText(rooms)));
        if (!typed) return;
        text = typed->trimmed().left(200);
    }
    const QString what = kind == Command::Kind::SoundTest  ? QStringLiteral("声音测试")
                         : kind == Command::Kind::Identify ? QStringLiteral("识别考场")
                                                           : QStringLiteral("发送文字");
    tell(model_.command(rooms, kind, text), what);
}

void ConsoleWindow::openPlan() {
    if (!plan_) {
        plan_ = new PlanWindow(services_.dialogs, services_.time, this);
        connect(plan_, &PlanWindow::planAccepted, this, [this](const Plan& plan, bool) {
            QString why;
            if (!model_.pushPlan(plan, &why))
                services_.dialogs.error(QStringLiteral("考试安排没有发布：%1").arg(why));
            else
                statusBar()->showMessage(
                    QStringLiteral("考试安排第%1版已发布").arg(model_.plan()->rev), 10000);
        });
    }
    plan_->setPlan(model_.plan().value_or(Plan{}), true, QString());
    plan_->show();
    plan_->raise();
}

void ConsoleWindow::exportRecord() {
    const auto choice =
        services_.dialogs.saveFile(QStringLiteral("考务记录-%1.csv")
                                       .arg(QDateTime::fromMSecsSinceEpoch(model_.nowMs())
                                                .toString(QStringLiteral("yyyyMMdd"))),
                                   {QStringLiteral("CSV 文件，UTF-8 (*.csv)")});
    if (!choice) return;
    record_.exportCsv(choice->path, [this](bool ok, const QString& message) {
        if (ok)
            statusBar()->showMessage(message, 10000);
        else
            services_.dialogs.error(message);
    });
}

void ConsoleWindow::sounded(const QString& id, const QString& text) {
    Q_UNUSED(id);
    statusBar()->showMessage(QStringLiteral("警报：%1").arg(text), 15000);
    updateHeader();
    const qint64 now = services_.time.monotonicMs();
    if (!services_.alarmPlayer || services_.alarmSound.isEmpty()) return;
    if (lastAlarmSoundMs_ && now - lastAlarmSoundMs_ < kAlarmSoundGapMs) return;
    lastAlarmSoundMs_ = now;
    try {
        services_.alarmPlayer->close();
        services_.alarmPlayer->setFileName(services_.alarmSound);
        services_.alarmPlayer->open();
        services_.alarmPlayer->play();
    } catch (...) {
        qWarning("kvtmr-console: the alarm sound %s does not play",
                 qPrintable(services_.alarmSound));
    }
}

void ConsoleWindow::showRecord(const RecordEntry& e) {
    recordView_->appendPlainText(
        QStringLiteral("%1  %2  %3  %4  %5")
            .arg(Clock(e.atMs), e.who, e.what, e.rooms.join(QLatin1Char(' ')), e.detail)
            .trimmed());
}

void ConsoleWindow::closeEvent(QCloseEvent* e) {
    model_.sayGoodbye();
    services_.link.close();
    e->accept();
}
