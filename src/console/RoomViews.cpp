#include "console/RoomViews.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

RoomShade ShadeOf(const SiteModel& model, const QString& id) {
    const RoomStatus* r = model.room(id);
    if (!r) return RoomShade::Unknown;
    if (r->presence == RoomStatus::Presence::Offline) return RoomShade::Offline;
    const unsigned p = model.problems(id);
    if (p & kAlarmProblems) return RoomShade::Alarm;
    if (p & (ProblemClock | ProblemOverride | ProblemScreen | ProblemAck)) return RoomShade::Warn;
    if (!r->report) return RoomShade::Unknown;
    const Anchor& a = r->report->anchor;
    switch (a.phase) {
        case CountPhase::Idle:
            return RoomShade::Idle;
        case CountPhase::TimeUp:
            return RoomShade::TimeUp;
        case CountPhase::Prep:
        case CountPhase::Main:
            if (a.paused) return RoomShade::Paused;
            return a.endedAt(model.nowMs()) ? RoomShade::TimeUp : RoomShade::Running;
    }
    return RoomShade::Unknown;
}

QColor ShadeColor(RoomShade shade) {
    switch (shade) {
        case RoomShade::Unknown:
            return QColor(0x9e, 0x9e, 0x9e);
        case RoomShade::Idle:
            return QColor(0xb0, 0xbe, 0xc5);
        case RoomShade::Running:
            return QColor(0x66, 0xbb, 0x6a);
        case RoomShade::Paused:
            return QColor(0x42, 0xa5, 0xf5);
        case RoomShade::TimeUp:
            return QColor(0x95, 0x75, 0xcd);
        case RoomShade::Warn:
            return QColor(0xff, 0xb3, 0x00);
        case RoomShade::Alarm:
            return QColor(0xe5, 0x39, 0x35);
        case RoomShade::Offline:
            return QColor(0xb7, 0x1c, 0x1c);
    }
    return Qt::gray;
}

bool HasProblem(const SiteModel& model, const QString& id) {
    const RoomStatus* r = model.room(id);
    return model.problems(id) != ProblemNone || !r || !r->report;
}

namespace {

QString OnlineText(const RoomStatus& r) {
    switch (r.presence) {
        case RoomStatus::Presence::Online:
            return r.stale ? QStringLiteral("在线（画面停止更新）") : QStringLiteral("在线");
        case RoomStatus::Presence::Offline:
            return r.presenceSinceMs > 0
                       ? QStringLiteral("离线，自 %1")
                             .arg(QDateTime::fromMSecsSinceEpoch(r.presenceSinceMs)
                                      .toString(QStringLiteral("HH:mm:ss")))
                       : QStringLiteral("离线");
        case RoomStatus::Presence::Unknown:
            break;
    }
    return QStringLiteral("未知");
}

QString SoundText(const Reported& rep) {
    QString t;
    switch (rep.output) {
        case OutputHealth::Ok:
            t = QStringLiteral("正常");
            break;
        case OutputHealth::Missing:
            t = QStringLiteral("无输出设备");
            break;
        case OutputHealth::Muted:
            t = QStringLiteral("已静音");
            break;
    }
    if (rep.lastPrompt && !rep.lastPrompt->ok)
        t += QStringLiteral("，提示音失败：%1").arg(rep.lastPrompt->file);
    return t;
}

QString ClockText(const Reported& rep) {
    const QString offset = rep.clockOffsetMs
                               ? QStringLiteral("%1 秒").arg(*rep.clockOffsetMs / 1000.0, 0, 'f', 2)
                               : QStringLiteral("未测");
    return rep.clockSynced ? offset : offset + QStringLiteral("（未同步）");
}

QString SourceText(CountSource s) {
    switch (s) {
        case CountSource::Local:
            return QStringLiteral("本地");
        case CountSource::Plan:
            return QStringLiteral("安排");
        case CountSource::Office:
            return QStringLiteral("考务办公室");
    }
    return {};
}

}  // namespace

// ---- the wall ---------------------------------------------------------------------------------

TileWall::TileWall(const SiteModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    setAccessibleName(QStringLiteral("考场墙"));
    setAccessibleDescription(QStringLiteral("每个考场一格，点击选中，按住Ctrl可多选"));
    setMinimumSize(320, 200);
    setAutoFillBackground(true);
}

void TileWall::setProblemsOnly(bool on) {
    problemsOnly_ = on;
    update();
}

QStringList TileWall::shownRooms() const {
    QStringList out;
    for (const QString& id : model_.roomIds())
        if (!problemsOnly_ || HasProblem(model_, id)) out << id;
    return out;
}

QStringList TileWall::selectedRooms() const {
    QStringList out;
    for (const QString& id : model_.roomIds())
        if (selected_.contains(id)) out << id;
    return out;
}

void TileWall::clearSelection() {
    selected_.clear();
    update();
    Q_EMIT selectionChanged();
}

TileWall::Grid TileWall::GridFor(int count, QSizeF area) {
    Grid best;
    if (count <= 0 || area.width() <= 0 || area.height() <= 0) return best;
    // The tiles are about 1.6 times as wide as high; the grid that gives the largest tile.
    constexpr double kAspect = 1.6;
    double bestScore = -1;
    for (int c = 1; c <= count; ++c) {
        const int rows = (count + c - 1) / c;
        const double w = area.width() / c;
        const double h = area.height() / rows;
        const double score = std::min(w, h * kAspect);
        if (score > bestScore) {
            bestScore = score;
            best.columns = c;
            best.rows = rows;
        }
    }
    // A few rooms do not get tiles as large as the screen.
    const double w = std::min(area.width() / best.columns, 480.0);
    const double h = std::min(area.height() / best.rows, w / kAspect * 1.2);
    best.tile = QSizeF(w, h);
    return best;
}

QString TileWall::roomAt(QPointF p) const {
    const QStringList rooms = shownRooms();
    const Grid g = GridFor(int(rooms.size()), size());
    if (g.tile.isEmpty()) return {};
    const int col = int(p.x() / g.tile.width());
    const int row = int(p.y() / g.tile.height());
    if (col < 0 || col >= g.columns || row < 0) return {};
    return rooms.value(row * g.columns + col);
}

void TileWall::mousePressEvent(QMouseEvent* e) {
    const QString id = roomAt(e->position());
    if (!(e->modifiers() & Qt::ControlModifier)) selected_.clear();
    if (!id.isEmpty()) {
        if (selected_.contains(id))
            selected_.remove(id);
        else
            selected_.insert(id);
    }
    update();
    Q_EMIT selectionChanged();
}

void TileWall::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(0x26, 0x32, 0x38));
    const QStringList rooms = shownRooms();
    if (rooms.isEmpty()) {
        p.setPen(Qt::white);
        p.drawText(
            rect(), Qt::AlignCenter,
            problemsOnly_ ? QStringLiteral("没有异常的考场") : QStringLiteral("还没有考场的消息"));
        return;
    }
    const Grid g = GridFor(int(rooms.size()), size());
    const double w = g.tile.width(), h = g.tile.height();
    const double pad = std::max(1.0, std::min(w, h) * 0.03);
    // One set of fonts for every tile, fitted to the tile's size.
    QFont idFont = font();
    idFont.setBold(true);
    idFont.setPixelSize(std::max(8, int(h * 0.17)));
    QFont digitFont = font();
    digitFont.setBold(true);
    digitFont.setPixelSize(std::max(8, int(h * 0.3)));
    // The digits are drawn inside the tile's own margin: the cell less a pad each side, and
    // the tile less a pad each side again; a little room is left for the glyphs' bearings.
    const double digitsWidth =
        QFontMetricsF(digitFont).horizontalAdvance(QStringLiteral("00∶00∶00"));
    const double digitsRoom = (w - 4 * pad) * 0.95;
    if (digitsWidth > digitsRoom)
        digitFont.setPixelSize(std::max(6, int(digitFont.pixelSize() * digitsRoom / digitsWidth)));
    QFont smallFont = font();
    smallFont.setPixelSize(std::max(7, int(h * 0.12)));

    const qint64 now = model_.nowMs();
    for (int i = 0; i < rooms.size(); ++i) {
        const QString& id = rooms[i];
        const QRectF cell(double(i % g.columns) * w, double(i / g.columns) * h, w, h);
        const QRectF tile = cell.adjusted(pad, pad, -pad, -pad);
        const RoomStatus* r = model_.room(id);
        const RoomShade shade = ShadeOf(model_, id);
        const QColor color = ShadeColor(shade);
        p.fillRect(tile, color);
        if (selected_.contains(id)) {
            p.setPen(QPen(Qt::white, std::max(2.0, pad)));
            p.drawRect(tile);
        }
        const QColor ink = color.lightness() > 140 ? Qt::black : Qt::white;
        p.setPen(ink);
        const QRectF inner = tile.adjusted(pad, 0, -pad, 0);
        const double line = h * 0.2;
        p.setFont(idFont);
        p.drawText(QRectF(inner.left(), inner.top(), inner.width(), line),
                   Qt::AlignLeft | Qt::AlignVCenter, id);
        QString digits = QStringLiteral("--∶--∶--");
        QString phase;
        QString title;
        if (r && r->report) {
            digits = DisplayText(r->report->anchor.valueAt(now));
            phase = PhaseWords(r->report->anchor);
            title = r->report->title;
        }
        p.setFont(smallFont);
        p.drawText(QRectF(inner.left(), inner.top(), inner.width(), line),
                   Qt::AlignRight | Qt::AlignVCenter, phase);
        p.setFont(digitFont);
        p.drawText(QRectF(inner.left(), inner.top() + line, inner.width(), h * 0.36),
                   Qt::AlignCenter, digits);
        p.setFont(smallFont);
        const QString problems = ProblemWords(model_.problems(id));
        // Texts longer than the tile are cut at its edge (drawText clips to its rectangle).
        p.drawText(QRectF(inner.left(), inner.top() + line + h * 0.36, inner.width(), h * 0.17),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title);
        p.drawText(QRectF(inner.left(), inner.top() + line + h * 0.53, inner.width(), h * 0.17),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, problems);
    }
}

// ---- the table --------------------------------------------------------------------------------

RoomTableModel::RoomTableModel(const SiteModel& model, QObject* parent)
    : QAbstractTableModel(parent), model_(model) {
    connect(&model_, &SiteModel::roomAdded, this, [this] { rebuild(); });
    connect(&model_, &SiteModel::roomChanged, this, &RoomTableModel::roomChanged);
    rebuild();
}

void RoomTableModel::rebuild() {
    beginResetModel();
    ids_ = model_.roomIds();
    endResetModel();
}

void RoomTableModel::roomChanged(const QString& id) {
    const int row = int(ids_.indexOf(id));
    if (row < 0) return rebuild();
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void RoomTableModel::tick() {
    if (ids_.isEmpty()) return;
    Q_EMIT dataChanged(index(0, Remaining), index(int(ids_.size()) - 1, Remaining));
}

int RoomTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(ids_.size());
}

int RoomTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RoomTableModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* names[ColumnCount] = {"考场", "在线",     "阶段",     "科目", "剩余",
                                             "来源", "声音",     "时钟偏差", "屏幕", "版本",
                                             "调整", "最近回执", "最近事件", "问题"};
    return QString::fromUtf8(names[section]);
}

QVariant RoomTableModel::data(const QModelIndex& index, int role) const {
    const RoomStatus* r = model_.room(ids_.value(index.row()));
    if (!r || !index.isValid()) return {};
    const Reported* rep = r->report ? &*r->report : nullptr;
    const int col = index.column();
    if (role == Qt::BackgroundRole && (col == Room || col == Problems))
        return ShadeColor(ShadeOf(model_, r->id));
    if (role == Qt::UserRole) {  // the sort key
        switch (col) {
            case Remaining:
                return rep ? rep->anchor.valueAt(model_.nowMs()) : -1;
            case Clock:
                return rep && rep->clockOffsetMs ? std::abs(*rep->clockOffsetMs) : -1;
            case Problems:
                return model_.problems(r->id);
            default:
                return data(index, Qt::DisplayRole);
        }
    }
    if (role != Qt::DisplayRole) return {};
    switch (col) {
        case Room:
            return r->id;
        case Online:
            return OnlineText(*r);
        case Phase:
            return rep ? PhaseWords(rep->anchor) : QString();
        case Title:
            return rep ? rep->title : QString();
        case Remaining:
            return rep ? DisplayText(rep->anchor.valueAt(model_.nowMs())) : QString();
        case Source:
            return rep ? SourceText(rep->source) : QString();
        case Sound:
            return rep ? SoundText(*rep) : QString();
        case Clock:
            return rep ? ClockText(*rep) : QString();
        case Screen:
            if (!rep) return QString();
            return QStringLiteral("%1 %2×%3%4")
                .arg(rep->screen.name)
                .arg(rep->screen.width)
                .arg(rep->screen.height)
                .arg(rep->screen.full ? QStringLiteral(" 全屏") : QStringLiteral(" 非全屏"));
        case Version:
            return rep ? QStringLiteral("%1 %2").arg(rep->version, rep->host).trimmed() : QString();
        case Order:
            if (!r->desired) return QString();
            return QStringLiteral("第%1版 %2 %3%4")
                .arg(r->desired->rev)
                .arg(r->desired->by, PhaseWords(r->desired->anchor),
                     rep && rep->appliedRev >= r->desired->rev ? QStringLiteral("（已执行）")
                                                               : QStringLiteral("（待执行）"));
        case Ack:
            return r->lastAck;
        case Event:
            return r->lastEvent;
        case Problems:
            return ProblemWords(model_.problems(r->id));
        default:
            return {};
    }
}

RoomFilter::RoomFilter(const SiteModel& model, QObject* parent)
    : QSortFilterProxyModel(parent), model_(model) {
    setSortRole(Qt::UserRole);
}

void RoomFilter::setProblemsOnly(bool on) {
    problemsOnly_ = on;
    invalidateFilter();
}

bool RoomFilter::filterAcceptsRow(int row, const QModelIndex& parent) const {
    if (!problemsOnly_) return true;
    const auto* table = static_cast<const RoomTableModel*>(sourceModel());
    Q_UNUSED(parent);
    return HasProblem(model_, table->roomOf(row));
}
