#include "plan/PlanWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <climits>

#include "core/Files.h"
#include "core/WorkThread.h"
#include "plan/PlanCsv.h"
#include "platform/Dialogs.h"
#include "platform/TTimer.h"
#include "platform/TimeSource.h"

namespace {

enum Column {
    kTitleCol,
    kDateCol,
    kStartCol,
    kDurationCol,
    kPrepCol,
    kWarningCol,
    kIntervalCol,
    kRoomsCol,
    kExtraCol,
    kColumns
};

const QString kNewTitle = QStringLiteral("新考试");
// A CSV file larger than this is no plan (the reader refuses it too).
constexpr qint64 kMaxCsvBytes = kMaxPlanBytes * 4;

QString TitleOf(const PlanSession& s) {
    return s.title.isEmpty() ? QStringLiteral("（无科目）") : s.title;
}

QString RepeatText(const PlanSession& s) {
    switch (s.repeat) {
        case PlanSession::Repeat::Daily:
            return QStringLiteral("每天");
        case PlanSession::Repeat::Weekdays:
            return QStringLiteral("工作日");
        case PlanSession::Repeat::Once:
            break;
    }
    return QDateTime::fromMSecsSinceEpoch(s.startMs).date().toString(Qt::ISODate);
}

// "12月10日 09:00:00"
QString WhenText(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("M月d日 HH:mm:ss"));
}

// A session for a question: "语文（12月10日 09:00:00）", "交班（每天 08:00:00）".
QString Described(const PlanSession& s) {
    const QString when = s.repeat == PlanSession::Repeat::Once
                             ? WhenText(s.startMs)
                             : RepeatText(s) + u' ' +
                                   QDateTime::fromMSecsSinceEpoch(s.startMs).time().toString(
                                       QStringLiteral("HH:mm:ss"));
    return QStringLiteral("“%1”（%2）").arg(TitleOf(s), when);
}

// The time until a start, as the next-session line says it: "2小时13分", "5分08秒", "42秒".
QString Remaining(qint64 ms) {
    const qint64 seconds = (std::max<qint64>(ms, 0) + 999) / 1000;
    const qint64 h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    if (h > 0) return QStringLiteral("%1小时%2分").arg(h).arg(m);
    if (m > 0) return QStringLiteral("%1分%2秒").arg(m).arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1秒").arg(s);
}

QString ErrnoText(int e) {
    switch (e) {
        case ENOENT:
        case ENOTDIR:
            return QStringLiteral("文件夹不存在");
        case EACCES:
        case EPERM:
            return QStringLiteral("没有权限");
        case ENOSPC:
            return QStringLiteral("磁盘已满");
        case EDQUOT:
            return QStringLiteral("超出了磁盘配额");
        case EROFS:
            return QStringLiteral("磁盘是只读的");
        case EISDIR:
            return QStringLiteral("这是一个文件夹");
        case EIO:
            return QStringLiteral("磁盘读写出错");
        default:
            return QStringLiteral("错误码%1：%2").arg(e).arg(qt_error_string(e));
    }
}

QString ReadProblem(const FileRead& read, const QString& path) {
    switch (read.status) {
        case FileRead::Status::Ok:
            return {};
        case FileRead::Status::Missing:
            return QStringLiteral("找不到文件“%1”").arg(path);
        case FileRead::Status::NotRegular:
            return QStringLiteral("“%1”不是普通文件").arg(path);
        case FileRead::Status::TooLarge:
            return QStringLiteral("文件太大，不是考试安排");
        case FileRead::Status::Failed:
            break;
    }
    return QStringLiteral("无法读取“%1”（%2）").arg(path, ErrnoText(read.error));
}

// The same sessions, whatever their order.
bool SameSessions(QList<PlanSession> a, QList<PlanSession> b) {
    const auto byId = [](const PlanSession& x, const PlanSession& y) { return x.id < y.id; };
    std::sort(a.begin(), a.end(), byId);
    std::sort(b.begin(), b.end(), byId);
    return a == b;
}

const PlanSession* FindSession(const QList<PlanSession>& list, const QString& id) {
    for (const PlanSession& s : list)
        if (s.id == id) return &s;
    return nullptr;
}

// A session whose start is new to the plan (a new session, or a start or repeat changed) must
// not start in the past.
QString NewStartProblem(const QList<PlanSession>& before, const PlanSession& s, qint64 nowMs) {
    const PlanSession* was = FindSession(before, s.id);
    if (was && was->startMs == s.startMs && was->repeat == s.repeat) return {};
    return PastProblem(s, nowMs);
}

}  // namespace

PlanWindow::PlanWindow(Dialogs& dialogs, TimeSource& time, QWidget* parent)
    : QDialog(parent),
      dialogs_(dialogs),
      time_(time),
      tick_(std::make_unique<TTimer>(time, TTimer::Mode::WallSecond,
                                     QStringLiteral("PlanWindowTick"))),
      work_(std::make_unique<WorkThread>()),
      alive_(std::make_shared<PlanWindow*>(this)) {
    build();
    tick_->OnTimer = [this] {
        refreshNext();
        refreshMessage();
    };
    setPlan(Plan(), true, QString());
}

PlanWindow::~PlanWindow() {
    tick_->setEnabled(false);
    alive_.reset();
}

void PlanWindow::build() {
    setObjectName(QStringLiteral("PlanWindow"));
    setWindowTitle(QStringLiteral("考试安排"));
    setAccessibleName(QStringLiteral("考试安排"));
    setModal(false);
    setSizeGripEnabled(true);

    auto* outer = new QVBoxLayout(this);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("planScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* page = new QWidget(scroll);
    scroll->setWidget(page);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);

    // The switch and the next session.
    enabled_ = new QCheckBox(QStringLiteral("启用考试安排"), page);
    enabled_->setObjectName(QStringLiteral("planEnabled"));
    enabled_->setAccessibleName(QStringLiteral("启用考试安排"));
    enabled_->setToolTip(QStringLiteral("不勾选时考试安排保留，但不会自动开始计时"));
    next_ = new QLabel(page);
    next_->setObjectName(QStringLiteral("nextSession"));
    next_->setAccessibleName(QStringLiteral("下一场考试"));
    next_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* top = new QHBoxLayout;
    top->addWidget(enabled_);
    top->addSpacing(24);
    top->addWidget(next_, 1);
    column->addLayout(top);

    // The sessions.
    table_ = new QTableWidget(0, kColumns, page);
    table_->setObjectName(QStringLiteral("sessionTable"));
    table_->setAccessibleName(QStringLiteral("考试列表"));
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("科目"), QStringLiteral("日期/重复"), QStringLiteral("开始"),
         QStringLiteral("时长"), QStringLiteral("预备"), QStringLiteral("预警"),
         QStringLiteral("间隔"), QStringLiteral("考场"), QStringLiteral("加时")});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setTabKeyNavigation(false);
    table_->verticalHeader()->setVisible(false);
    table_->horizontalHeader()->setSectionsClickable(true);
    table_->horizontalHeader()->setSortIndicatorShown(true);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->horizontalHeader()->setToolTip(QStringLiteral("单击列标题按该列排序"));
    table_->setMinimumHeight(150);
    column->addWidget(table_, 1);

    auto button = [page](const QString& text, const QString& name, const QString& tip) {
        auto* b = new QPushButton(text, page);
        b->setObjectName(name);
        b->setAccessibleName(text.endsWith(u'…') ? text.chopped(1) : text);
        b->setToolTip(tip);
        b->setAutoDefault(false);
        return b;
    };
    add_ = button(QStringLiteral("添加"), QStringLiteral("addSession"),
                  QStringLiteral("添加一场考试，放在下一个空闲的整点"));
    remove_ = button(QStringLiteral("删除"), QStringLiteral("removeSession"),
                     QStringLiteral("删除所选的考试"));
    import_ = button(QStringLiteral("导入CSV…"), QStringLiteral("importCsv"),
                     QStringLiteral("从表格软件保存的CSV文件（UTF-8或GBK）导入考试"));
    export_ = button(QStringLiteral("导出CSV…"), QStringLiteral("exportCsv"),
                     QStringLiteral("把考试保存为CSV文件，可用表格软件打开"));
    auto* listButtons = new QHBoxLayout;
    listButtons->addWidget(add_);
    listButtons->addWidget(remove_);
    listButtons->addStretch(1);
    listButtons->addWidget(import_);
    listButtons->addWidget(export_);
    column->addLayout(listButtons);

    // The selected session.
    form_ = new QGroupBox(QStringLiteral("所选考试"), page);
    form_->setObjectName(QStringLiteral("sessionForm"));
    form_->setAccessibleName(QStringLiteral("所选考试"));
    auto* grid = new QGridLayout(form_);
    auto line = [this](const QString& name, const QString& accessible, const QString& tip) {
        auto* e = new QLineEdit(form_);
        e->setObjectName(name);
        e->setAccessibleName(accessible);
        e->setToolTip(tip);
        return e;
    };
    const QString durationTip =
        QStringLiteral("写作 2:30:00、2:30（时:分）、150分钟、90秒或2小时；不写为0");
    title_ = line(QStringLiteral("titleEdit"), QStringLiteral("科目"),
                  QStringLiteral("显示在计时屏上的科目名称"));
    title_->setMaxLength(40);
    date_ = new QDateEdit(form_);
    date_->setObjectName(QStringLiteral("dateEdit"));
    date_->setAccessibleName(QStringLiteral("日期"));
    date_->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    date_->setCalendarPopup(true);
    repeat_ = new QComboBox(form_);
    repeat_->setObjectName(QStringLiteral("repeatBox"));
    repeat_->setAccessibleName(QStringLiteral("重复"));
    repeat_->addItems({QStringLiteral("单次"), QStringLiteral("每天"), QStringLiteral("工作日")});
    repeat_->setToolTip(QStringLiteral("每天或工作日（周一至周五）重复时，日期是第一天"));
    start_ = new QTimeEdit(form_);
    start_->setObjectName(QStringLiteral("startEdit"));
    start_->setAccessibleName(QStringLiteral("开始时间"));
    start_->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    duration_ = line(QStringLiteral("durationEdit"), QStringLiteral("时长"), durationTip);
    prep_ = line(QStringLiteral("prepEdit"), QStringLiteral("预备时间"),
                 QStringLiteral("开始前的预备计时；") + durationTip);
    warning_ = line(QStringLiteral("warningEdit"), QStringLiteral("预警提前量"),
                    QStringLiteral("结束前多久预警；") + durationTip);
    interval_ = line(QStringLiteral("intervalEdit"), QStringLiteral("间隔"),
                     QStringLiteral("间隔提示音的间隔；") + durationTip);
    duration_->setPlaceholderText(QStringLiteral("如 2:30:00 或 150分钟"));
    for (QLineEdit* e : {prep_, warning_, interval_})
        e->setPlaceholderText(QStringLiteral("不写为无"));
    rooms_ = line(QStringLiteral("roomsEdit"), QStringLiteral("考场"),
                  QStringLiteral("* 为全部考场；或写考场号，用空格或逗号分开，如 A101 A102"));
    extra_ = line(QStringLiteral("extraEdit"), QStringLiteral("加时"),
                  QStringLiteral("个别考场的加时，如 A103=30分钟; A104=0:15:00"));

    rooms_->setPlaceholderText(QStringLiteral("* 为全部考场"));
    extra_->setPlaceholderText(QStringLiteral("如 A103=30分钟; A104=0:15:00"));

    auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, form_);
        l->setBuddy(buddy);
        return l;
    };
    dateLabel_ = label(QStringLiteral("日期"), date_);
    grid->addWidget(label(QStringLiteral("科目"), title_), 0, 0);
    grid->addWidget(title_, 0, 1, 1, 3);
    grid->addWidget(dateLabel_, 1, 0);
    grid->addWidget(date_, 1, 1);
    grid->addWidget(label(QStringLiteral("重复"), repeat_), 1, 2);
    grid->addWidget(repeat_, 1, 3);
    grid->addWidget(label(QStringLiteral("开始"), start_), 2, 0);
    grid->addWidget(start_, 2, 1);
    grid->addWidget(label(QStringLiteral("时长"), duration_), 2, 2);
    grid->addWidget(duration_, 2, 3);
    grid->addWidget(label(QStringLiteral("预备"), prep_), 3, 0);
    grid->addWidget(prep_, 3, 1);
    grid->addWidget(label(QStringLiteral("预警"), warning_), 3, 2);
    grid->addWidget(warning_, 3, 3);
    grid->addWidget(label(QStringLiteral("间隔"), interval_), 4, 0);
    grid->addWidget(interval_, 4, 1);
    grid->addWidget(label(QStringLiteral("考场"), rooms_), 4, 2);
    grid->addWidget(rooms_, 4, 3);
    grid->addWidget(label(QStringLiteral("加时"), extra_), 5, 0);
    grid->addWidget(extra_, 5, 1, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    column->addWidget(form_);

    outer->addWidget(scroll, 1);
    // The message line stays in sight below the form, however the page is scrolled.
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("planMessage"));
    message_->setAccessibleName(QStringLiteral("检查结果"));
    message_->setWordWrap(true);
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    message_->setMinimumHeight(message_->fontMetrics().height() * 2);
    message_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    message_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    ok_ = new QPushButton(QStringLiteral("确定"), this);
    ok_->setObjectName(QStringLiteral("okButton"));
    ok_->setAccessibleName(QStringLiteral("确定"));
    ok_->setAutoDefault(false);
    cancel_ = new QPushButton(QStringLiteral("取消"), this);
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    cancel_->setAccessibleName(QStringLiteral("取消"));
    cancel_->setAutoDefault(false);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(message_, 1);
    bottom->addWidget(ok_);
    bottom->addWidget(cancel_);
    outer->addLayout(bottom);

    QWidget* order[] = {enabled_, table_,    add_,    remove_, import_,   export_,
                        title_,   date_,     repeat_, start_,  duration_, prep_,
                        warning_, interval_, rooms_,  extra_,  ok_,       cancel_};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    connect(enabled_, &QCheckBox::toggled, this, [this] { refreshNext(); });
    connect(table_, &QTableWidget::currentCellChanged, this, [this] { rowChanged(); });
    connect(table_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int c) { sortBy(c); });
    connect(add_, &QPushButton::clicked, this, [this] { addSession(); });
    connect(remove_, &QPushButton::clicked, this, [this] { removeSession(); });
    connect(import_, &QPushButton::clicked, this, [this] { importCsv(); });
    connect(export_, &QPushButton::clicked, this, [this] { exportCsv(); });
    connect(ok_, &QPushButton::clicked, this, [this] { accept(); });
    connect(cancel_, &QPushButton::clicked, this, [this] { reject(); });
    for (QLineEdit* e : {title_, duration_, prep_, warning_, interval_, rooms_, extra_})
        connect(e, &QLineEdit::textChanged, this, [this, e] { fieldEdited(e); });
    connect(date_, &QDateEdit::dateChanged, this, [this] { fieldEdited(date_); });
    connect(start_, &QTimeEdit::timeChanged, this, [this] { fieldEdited(start_); });
    connect(repeat_, &QComboBox::currentIndexChanged, this, [this] { fieldEdited(repeat_); });

    resize(900, 660);
}

// ---- the plan in and out --------------------------------------------------------------------

void PlanWindow::setPlan(const Plan& plan, bool enabled, const QString& room) {
    ++importGeneration_;  // a file read for the plan before is not for this one
    original_ = plan;
    originalEnabled_ = enabled;
    room_ = room;
    sessions_ = plan.sessions;
    std::stable_sort(
        sessions_.begin(), sessions_.end(),
        [](const PlanSession& a, const PlanSession& b) { return a.startMs < b.startMs; });
    sortColumn_ = kStartCol;
    sortDescending_ = false;
    {
        const QSignalBlocker block(enabled_);
        enabled_->setChecked(enabled);
    }
    draftProblem_.clear();
    note_.clear();
    refused_ = false;
    rebuildTable();
    select(sessions_.isEmpty() ? QString() : sessions_.first().id);
    refreshMessage();
    refreshNext();
}

Plan PlanWindow::plan() const {
    Plan p = original_;
    p.sessions = sessions_;
    if (!SameSessions(original_.sessions, sessions_) && p.rev < INT_MAX) ++p.rev;
    return p;
}

bool PlanWindow::planEnabled() const {
    return enabled_->isChecked();
}

bool PlanWindow::changed() const {
    return !SameSessions(original_.sessions, sessions_) || planEnabled() != originalEnabled_ ||
           !draftProblem_.isEmpty();
}

void PlanWindow::accept() {
    const QString p = problem();
    if (!p.isEmpty()) {
        refused_ = true;
        refreshMessage();
        return;
    }
    const Plan taken = plan();
    const bool on = planEnabled();
    // What was accepted is the plan the next changes are counted from.
    original_ = taken;
    originalEnabled_ = on;
    note_.clear();
    refused_ = false;
    ++importGeneration_;
    Q_EMIT planAccepted(taken, on);
    QDialog::accept();
}

void PlanWindow::reject() {
    if (changed() && !dialogs_.confirm(QStringLiteral("放弃对考试安排的修改吗？"))) return;
    ++importGeneration_;
    setPlan(original_, originalEnabled_, room_);
    QDialog::reject();
}

// ---- the table ------------------------------------------------------------------------------

void PlanWindow::rebuildTable() {
    {
        const QSignalBlocker block(table_);
        table_->setRowCount(int(sessions_.size()));
        for (int row = 0; row < sessions_.size(); ++row)
            fillRow(row);
        table_->horizontalHeader()->setSortIndicator(
            sortColumn_, sortDescending_ ? Qt::DescendingOrder : Qt::AscendingOrder);
    }
    table_->resizeColumnsToContents();
}

void PlanWindow::fillRow(int row) {
    const PlanSession& s = sessions_[row];
    const QDateTime start = QDateTime::fromMSecsSinceEpoch(s.startMs);
    const QString texts[kColumns] = {
        s.title,
        RepeatText(s),
        start.time().toString(QStringLiteral("HH:mm:ss")),
        DurationText(s.duration),
        DurationText(s.prep, true),
        DurationText(s.warning, true),
        DurationText(s.interval, true),
        s.rooms == QStringList{QStringLiteral("*")} ? QStringLiteral("全部") : RoomsText(s.rooms),
        ExtraText(s.extra)};
    const QSignalBlocker block(table_);
    for (int c = 0; c < kColumns; ++c) {
        QTableWidgetItem* item = table_->item(row, c);
        if (!item) {
            item = new QTableWidgetItem;
            table_->setItem(row, c, item);
        }
        item->setText(texts[c]);
        item->setToolTip(texts[c]);
    }
}

int PlanWindow::indexOf(const QString& id) const {
    if (id.isEmpty()) return -1;
    for (int i = 0; i < sessions_.size(); ++i)
        if (sessions_[i].id == id) return i;
    return -1;
}

void PlanWindow::select(const QString& id) {
    editing_ = indexOf(id) >= 0 ? id : QString();
    showSelected();
    fillForm();
}

void PlanWindow::showSelected() {
    const QSignalBlocker block(table_);
    const int row = indexOf(editing_);
    if (row >= 0) {
        table_->setCurrentCell(row, 0);
        table_->selectRow(row);
    } else {
        table_->clearSelection();
        table_->setCurrentCell(-1, -1);
    }
}

void PlanWindow::rowChanged() {
    const int row = table_->currentRow();
    const QString id = row >= 0 && row < sessions_.size() ? sessions_[row].id : QString();
    if (id == editing_) return;
    if (!draftProblem_.isEmpty()) {
        const int i = indexOf(editing_);
        note_ = QStringLiteral("%1的修改有误，未采用：%2")
                    .arg(i >= 0 ? Described(sessions_[i]) : QString(), draftProblem_);
        draftProblem_.clear();
    }
    refused_ = false;
    editing_ = id;
    fillForm();
    refreshMessage();
}

void PlanWindow::sortBy(int column) {
    if (column < 0 || column >= kColumns) return;
    if (column == sortColumn_)
        sortDescending_ = !sortDescending_;
    else
        sortDescending_ = false;
    sortColumn_ = column;
    sortSessions();
}

void PlanWindow::sortSessions() {
    auto key = [column = sortColumn_](const PlanSession& a, const PlanSession& b) {
        switch (column) {
            case kTitleCol:
                return QString::localeAwareCompare(a.title, b.title) < 0;
            case kDurationCol:
                return a.duration < b.duration;
            case kPrepCol:
                return a.prep < b.prep;
            case kWarningCol:
                return a.warning < b.warning;
            case kIntervalCol:
                return a.interval < b.interval;
            case kRoomsCol:
                return RoomsText(a.rooms) < RoomsText(b.rooms);
            case kExtraCol:
                return ExtraText(a.extra) < ExtraText(b.extra);
            default:
                return a.startMs < b.startMs;
        }
    };
    if (sortDescending_)
        std::stable_sort(sessions_.begin(), sessions_.end(),
                         [&key](const PlanSession& a, const PlanSession& b) { return key(b, a); });
    else
        std::stable_sort(sessions_.begin(), sessions_.end(), key);
    rebuildTable();
    showSelected();  // the form, and a draft in it, stay as they are
}

// ---- the form -------------------------------------------------------------------------------

void PlanWindow::fillForm() {
    filling_ = true;
    const int i = indexOf(editing_);
    form_->setEnabled(i >= 0);
    remove_->setEnabled(i >= 0);
    if (i < 0) {
        for (QLineEdit* e : {title_, duration_, prep_, warning_, interval_, rooms_, extra_})
            e->clear();
        repeat_->setCurrentIndex(0);
    } else {
        const PlanSession& s = sessions_[i];
        const QDateTime at = QDateTime::fromMSecsSinceEpoch(s.startMs);
        title_->setText(s.title);
        date_->setDate(at.date());
        start_->setTime(at.time());
        repeat_->setCurrentIndex(int(s.repeat));
        duration_->setText(DurationText(s.duration));
        prep_->setText(DurationText(s.prep, true));
        warning_->setText(DurationText(s.warning, true));
        interval_->setText(DurationText(s.interval, true));
        rooms_->setText(RoomsText(s.rooms));
        extra_->setText(ExtraText(s.extra));
    }
    dateLabel_->setText(repeat_->currentIndex() == 0 ? QStringLiteral("日期")
                                                     : QStringLiteral("首日"));
    filling_ = false;
}

PlanSession PlanWindow::formSession(QString* problem) const {
    PlanSession s = sessions_[indexOf(editing_)];
    QString first;
    s.title = title_->text().trimmed();
    const QTime t = start_->time();
    const qint64 at =
        QDateTime(date_->date(), QTime(t.hour(), t.minute(), t.second())).toMSecsSinceEpoch();
    // The form shows whole seconds: a start with milliseconds that the form did not move
    // stays as it was.
    if (at != s.startMs - s.startMs % 1000) s.startMs = at;
    s.repeat = PlanSession::Repeat(std::clamp(repeat_->currentIndex(), 0, 2));
    const struct {
        QLineEdit* edit;
        QString name;
        int* target;
    } durations[] = {{duration_, QStringLiteral("时长"), &s.duration},
                     {prep_, QStringLiteral("预备时间"), &s.prep},
                     {warning_, QStringLiteral("预警提前量"), &s.warning},
                     {interval_, QStringLiteral("间隔"), &s.interval}};
    for (const auto& d : durations) {
        const QString e = DurationProblem(d.name, d.edit->text());
        if (e.isEmpty())
            *d.target = *ParseDuration(d.edit->text());
        else if (first.isEmpty())
            first = e;
    }
    s.rooms = ParseRooms(rooms_->text());
    QString badPair;
    if (const auto extra = ParseExtra(extra_->text(), &badPair))
        s.extra = *extra;
    else if (first.isEmpty())
        first = QStringLiteral("加时“%1”不正确（例：A103=30分钟; A104=0:15:00）").arg(badPair);
    *problem = first;
    return s;
}

QString PlanWindow::draftProblem(const PlanSession& draft) const {
    QString p = SessionProblem(draft);
    if (p.isEmpty())
        p = NewStartProblem(original_.sessions, draft, time_.now().toMSecsSinceEpoch());
    if (p.isEmpty()) {
        Plan trial = original_;
        trial.sessions = sessions_;
        trial.sessions[indexOf(draft.id)] = draft;
        p = PlanProblem(trial);
    }
    return p;
}

void PlanWindow::fieldEdited(QWidget* source) {
    if (filling_) return;
    edited_ = source;
    dateLabel_->setText(repeat_->currentIndex() == 0 ? QStringLiteral("日期")
                                                     : QStringLiteral("首日"));
    const int i = indexOf(editing_);
    if (i < 0) return;
    QString p;
    const PlanSession draft = formSession(&p);
    if (p.isEmpty()) p = draftProblem(draft);
    draftProblem_ = p;
    note_.clear();
    refused_ = false;
    if (p.isEmpty() && draft != sessions_[i]) {
        sessions_[i] = draft;
        fillRow(i);
    }
    refreshMessage();
    refreshNext();
}

// ---- problems and the lines below -----------------------------------------------------------

QString PlanWindow::wholeProblem() const {
    Plan p = original_;
    p.sessions = sessions_;
    const QString e = PlanProblem(p);
    if (!e.isEmpty()) return e;
    const qint64 now = time_.now().toMSecsSinceEpoch();
    for (const PlanSession& s : sessions_) {
        const QString past = NewStartProblem(original_.sessions, s, now);
        if (!past.isEmpty()) return QStringLiteral("%1：%2").arg(Described(s), past);
    }
    return {};
}

QString PlanWindow::problem() const {
    return draftProblem_.isEmpty() ? wholeProblem() : draftProblem_;
}

QWidget* PlanWindow::fieldOf(const QString& problem) const {
    if (problem.isEmpty()) return nullptr;
    const auto starts = [&problem](const char16_t* word) {
        return problem.startsWith(QString::fromUtf16(word));
    };
    if (starts(u"加时") || (starts(u"考场") && problem.contains(QStringLiteral("加时"))))
        return extra_;
    if (starts(u"考场号") || starts(u"至少要有一个考场")) return rooms_;
    if (starts(u"时长")) return duration_;
    if (starts(u"预备")) return prep_;
    if (starts(u"预警")) return warning_;
    if (starts(u"间隔")) return interval_;
    if (starts(u"科目")) return title_;
    // A start in the past, an overlap: where the operator typed last.
    for (QWidget* f :
         std::initializer_list<QWidget*>{date_, start_, duration_, prep_, rooms_, extra_})
        if (f == edited_) return f;
    return start_;
}

void PlanWindow::refreshMessage() {
    // The field the draft's problem is in is marked (a pale red ground).
    QWidget* const marked = fieldOf(draftProblem_);
    for (QWidget* f : std::initializer_list<QWidget*>{title_, date_, start_, duration_, prep_,
                                                      warning_, interval_, rooms_, extra_}) {
        const bool on = f == marked;
        f->setAccessibleDescription(on ? draftProblem_ : QString());
        if (f->property("problem").toBool() == on) continue;
        f->setProperty("problem", on);
        QPalette palette = form_->palette();
        if (on) palette.setColor(QPalette::Base, QColor(0xFF, 0xE0, 0xE0));
        f->setPalette(palette);
    }
    const QString p = problem();
    if (!p.isEmpty()) {
        message_->setStyleSheet(QStringLiteral("color: #c00000;"));
        message_->setText(refused_ ? QStringLiteral("不能确定：%1").arg(p) : p);
    } else {
        message_->setStyleSheet(QStringLiteral("color: #305030;"));
        message_->setText(note_);
    }
}

void PlanWindow::refreshNext() {
    const qint64 now = time_.now().toMSecsSinceEpoch();
    Plan p;
    p.sessions = sessions_;
    const std::optional<Occurrence> o = NextStart(p, room_, now);
    QString text =
        o ? QStringLiteral("下一场：%1  %2 开始，还有 %3")
                .arg(TitleOf(o->session), WhenText(o->startMs), Remaining(o->startMs - now))
          : QStringLiteral("没有待开始的考试");
    if (!planEnabled()) text = QStringLiteral("考试安排未启用。") + text;
    next_->setText(text);
}

// ---- add and remove -------------------------------------------------------------------------

QString PlanWindow::newId() const {
    const QString stamp = time_.now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString id;
    do {
        id = QStringLiteral("s%1-%2").arg(stamp).arg(++idCounter_);
    } while (indexOf(id) >= 0 || FindSession(original_.sessions, id));
    return id;
}

void PlanWindow::addSession() {
    if (sessions_.size() >= kMaxPlanSessions) {
        dialogs_.information(
            QStringLiteral("考试安排最多%1场考试，不能再添加").arg(kMaxPlanSessions));
        return;
    }
    PlanSession s;
    s.id = newId();
    s.title = kNewTitle;
    s.duration = 3600;
    // The first whole hour from now on at which an hour meets no other session.
    Plan trial = original_;
    trial.sessions = sessions_;
    const QString before = PlanProblem(trial);
    trial.sessions << s;
    const QDateTime now = time_.now();
    const QDateTime firstHour = QDateTime(now.date(), QTime(now.time().hour(), 0)).addSecs(3600);
    bool found = false;
    for (int h = 0; h < 24 * 7 && !found; ++h) {
        trial.sessions.last().startMs = firstHour.addSecs(h * 3600).toMSecsSinceEpoch();
        const QString p = PlanProblem(trial);
        found = p.isEmpty() || p == before;
    }
    if (!found) {
        dialogs_.information(QStringLiteral("一周之内没有空闲的一小时，不能添加考试"));
        return;
    }
    if (!draftProblem_.isEmpty()) {
        const int i = indexOf(editing_);
        note_ = QStringLiteral("%1的修改有误，未采用：%2")
                    .arg(i >= 0 ? Described(sessions_[i]) : QString(), draftProblem_);
        draftProblem_.clear();
    } else {
        note_.clear();
    }
    refused_ = false;
    sessions_ << trial.sessions.last();
    rebuildTable();
    select(sessions_.last().id);
    table_->scrollToItem(table_->item(int(sessions_.size()) - 1, 0));
    title_->setFocus();
    title_->selectAll();
    refreshMessage();
    refreshNext();
}

void PlanWindow::removeSession() {
    const int i = indexOf(editing_);
    if (i < 0) return;
    const QString id = editing_;
    const QString described = Described(sessions_[i]);
    if (!dialogs_.confirm(QStringLiteral("删除%1吗？").arg(described))) return;
    // The box let the clock and the file work run: look again.
    const int j = indexOf(id);
    if (j < 0) return;
    sessions_.removeAt(j);
    draftProblem_.clear();
    refused_ = false;
    note_ = QStringLiteral("已删除%1").arg(described);
    rebuildTable();
    select(sessions_.isEmpty() ? QString()
                               : sessions_[std::min<qsizetype>(j, sessions_.size() - 1)].id);
    refreshMessage();
    refreshNext();
}

// ---- CSV files ------------------------------------------------------------------------------

void PlanWindow::setBusy(bool busy) {
    busy_ = busy;
    import_->setEnabled(!busy);
    export_->setEnabled(!busy);
}

bool PlanWindow::finishFileWork(int timeoutMs) {
    const bool done = work_->flush(timeoutMs);
    QCoreApplication::sendPostedEvents(QCoreApplication::instance(), QEvent::MetaCall);
    return done && !busy_;
}

void PlanWindow::importCsv() {
    if (busy_) return;
    const std::optional<QString> path = dialogs_.openFile(
        lastFile_, {QStringLiteral("CSV 文件 (*.csv)"), QStringLiteral("所有文件 (*)")});
    if (!path) return;
    lastFile_ = *path;
    setBusy(true);
    const qint64 now = time_.now().toMSecsSinceEpoch();
    const quint64 generation = importGeneration_;
    work_->post([alive = std::weak_ptr<PlanWindow*>(alive_), path = *path, now, generation] {
        const FileRead read = ReadRegularFile(path, kMaxCsvBytes);
        QString error = ReadProblem(read, path);
        QList<PlanSession> sessions;
        if (error.isEmpty()) {
            const CsvRead csv = ReadPlanCsv(read.bytes, now);
            error = csv.error;
            sessions = csv.sessions;
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [alive, generation, path, error, sessions] {
                if (const auto window = alive.lock())
                    (*window)->imported(generation, path, error, sessions);
            },
            Qt::QueuedConnection);
    });
}

void PlanWindow::imported(quint64 generation, const QString& path, const QString& error,
                          const QList<PlanSession>& sessions) {
    setBusy(false);
    if (generation != importGeneration_) return;  // the window was closed or given a new plan
    const QString name = QFileInfo(path).fileName();
    if (!error.isEmpty()) {
        dialogs_.information(
            QStringLiteral("导入“%1”失败，考试安排没有改动。\n%2").arg(name, error));
        return;
    }
    bool replace = true;
    if (!sessions_.isEmpty()) {
        const int choice = dialogs_.choose(
            QStringLiteral("“%1”中有%2场考试。\n替换现有的%3场考试，还是追加到现有的考试中？")
                .arg(name)
                .arg(sessions.size())
                .arg(sessions_.size()),
            {QStringLiteral("替换"), QStringLiteral("追加"), QStringLiteral("取消")});
        if (choice != 0 && choice != 1) return;
        if (generation != importGeneration_) return;  // closed while the box was open
        replace = choice == 0;
    }
    QList<PlanSession> next = replace ? QList<PlanSession>() : sessions_;
    QList<PlanSession> incoming = sessions;
    for (PlanSession& s : incoming) {
        // An id the sessions kept hold already (the same file appended twice) gets a new one;
        // otherwise the file's ids stay, so the same file taken again gives the same sessions.
        if (!FindSession(next, s.id)) continue;
        QString id;
        do {
            id = QStringLiteral("%1-%2").arg(s.id).arg(++idCounter_);
        } while (FindSession(next, id) || FindSession(incoming, id));
        s.id = id;
    }
    next += incoming;
    Plan trial = original_;
    trial.sessions = next;
    QString problem = PlanProblem(trial);
    const qint64 now = time_.now().toMSecsSinceEpoch();
    for (const PlanSession& s : incoming) {
        if (!problem.isEmpty()) break;
        const QString past = PastProblem(s, now);
        if (!past.isEmpty()) problem = QStringLiteral("%1：%2").arg(Described(s), past);
    }
    if (!problem.isEmpty()) {
        dialogs_.information(
            QStringLiteral("“%1”中的考试不能采用，考试安排没有改动。\n%2").arg(name, problem));
        return;
    }
    sessions_ = next;
    draftProblem_.clear();
    refused_ = false;
    sortSessions();  // in the order the table shows
    select(incoming.isEmpty() ? QString() : incoming.first().id);
    note_ = QStringLiteral("已从“%1”%2%3场考试")
                .arg(name, replace ? QStringLiteral("导入（替换）") : QStringLiteral("追加"))
                .arg(incoming.size());
    refreshMessage();
    refreshNext();
}

void PlanWindow::exportCsv() {
    if (busy_) return;
    if (sessions_.isEmpty()) {
        dialogs_.information(QStringLiteral("没有可以导出的考试"));
        return;
    }
    const std::optional<Dialogs::SaveChoice> choice =
        dialogs_.saveFile(lastFile_.isEmpty() ? QStringLiteral("考试安排.csv") : lastFile_,
                          {QStringLiteral("CSV 文件，UTF-8 编码 (*.csv)"),
                           QStringLiteral("CSV 文件，GBK 编码，供旧版表格软件 (*.csv)")});
    if (!choice) return;
    lastFile_ = choice->path;
    const QByteArray bytes =
        WritePlanCsv(sessions_, choice->filter == 1 ? CsvEncoding::Gbk : CsvEncoding::Utf8);
    const int count = int(sessions_.size());
    setBusy(true);
    work_->post([alive = std::weak_ptr<PlanWindow*>(alive_), path = choice->path, bytes, count] {
        int error = 0;
        const bool ok = WriteFileAtomically(path, bytes, &error);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [alive, path, count, ok, error] {
                if (const auto window = alive.lock()) (*window)->exported(path, count, ok, error);
            },
            Qt::QueuedConnection);
    });
}

void PlanWindow::exported(const QString& path, int count, bool ok, int error) {
    setBusy(false);
    if (!ok) {
        dialogs_.information(QStringLiteral("导出失败：无法写入“%1”（%2）。考试安排没有改动。")
                                 .arg(path, ErrnoText(error)));
        return;
    }
    note_ = QStringLiteral("已把%1场考试导出到“%2”").arg(count).arg(path);
    refreshMessage();
}

// ---- showing --------------------------------------------------------------------------------

void PlanWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // On a small screen the window takes what there is; the page scrolls.
    if (const QScreen* s = screen()) {
        const QRect room = s->availableGeometry();
        const QSize frame = frameGeometry().size() - size();
        const QSize fit(std::min(width(), room.width() - frame.width()),
                        std::min(height(), room.height() - frame.height()));
        if (fit != size()) resize(fit);
    }
    refreshNext();
    refreshMessage();
    tick_->setEnabled(true);
}

void PlanWindow::hideEvent(QHideEvent* event) {
    tick_->setEnabled(false);
    QDialog::hideEvent(event);
}
