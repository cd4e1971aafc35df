// The two views of the rooms: a wall of tiles, one a room, coloured by its state (200 rooms fit
// a 1920 × 1080 screen; fewer rooms get larger tiles), and a sortable table with a column for
// each thing a room reports. Both read the model; both are redrawn once a second (the
// remaining times) at the cost of one paint and one column's change.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QSet>
#include <QSortFilterProxyModel>
#include <QWidget>

#include "console/SiteModel.h"

// The colours of a room's state on the wall and in the table.
enum class RoomShade { Unknown, Idle, Running, Paused, TimeUp, Warn, Alarm, Offline };
RoomShade ShadeOf(const SiteModel& model, const QString& id);
QColor ShadeColor(RoomShade shade);
// The rooms a "problems only" view shows: any problem at all.
bool HasProblem(const SiteModel& model, const QString& id);

class TileWall : public QWidget {
    Q_OBJECT
  public:
    explicit TileWall(const SiteModel& model, QWidget* parent = nullptr);
    void setProblemsOnly(bool on);
    QStringList selectedRooms() const;
    void clearSelection();
    // The rooms shown, in order, and the tiles' grid for the present size.
    QStringList shownRooms() const;
    struct Grid {
        int columns = 1;
        int rows = 1;
        QSizeF tile;
    };
    static Grid GridFor(int count, QSizeF area);

  Q_SIGNALS:
    void selectionChanged();

  protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

  private:
    QString roomAt(QPointF p) const;
    const SiteModel& model_;
    bool problemsOnly_ = false;
    QSet<QString> selected_;
};

class RoomTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column {
        Room,
        Online,
        Phase,
        Title,
        Remaining,
        Source,
        Sound,
        Clock,
        Screen,
        Version,
        Order,
        Ack,
        Event,
        Problems,
        ColumnCount
    };
    explicit RoomTableModel(const SiteModel& model, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    QString roomOf(int row) const { return ids_.value(row); }
    // The remaining times have moved on a second.
    void tick();

  private:
    void roomChanged(const QString& id);
    void rebuild();
    const SiteModel& model_;
    QStringList ids_;
};

// The table's rows sorted by any column and, on request, only the rooms with a problem.
class RoomFilter : public QSortFilterProxyModel {
    Q_OBJECT
  public:
    RoomFilter(const SiteModel& model, QObject* parent = nullptr);
    void setProblemsOnly(bool on);

  protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override;

  private:
    const SiteModel& model_;
    bool problemsOnly_ = false;
};
