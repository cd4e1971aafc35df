// The plan as a spreadsheet keeps it: a CSV file with a heading line and one session a line,
//
//   科目,日期,开始时间,时长,预备,预警,间隔,考场,加时
//   语文,2026-12-10,09:00,2:30:00,15分钟,15分钟,,*,A103=30分钟
//   交班,每天,08:00:00,8:00:00,,5秒,,,
//
// in UTF-8 (with or without its byte-order mark) or GBK, as exam offices save them. 日期 is a
// date (2026-12-10 or 2026/12/10), "每天" or "工作日"; the durations are h:mm:ss, h:mm, or a
// number with 秒/分钟/小时 (a bare number is minutes); 考场 lists room ids apart by blanks, commas
// or semicolons ("*" or empty: every room); 加时 is "room=duration" pairs apart by semicolons. The
// columns are found by their headings, in any order; 科目, 日期, 开始时间 and 时长 are needed.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <optional>

#include "plan/Plan.h"

struct CsvRead {
    QList<PlanSession> sessions;
    QString error;  // the first bad line by its number, in Chinese; then no session is taken
    bool ok() const { return error.isEmpty(); }
};

// Reads a CSV file's bytes. nowMs: sessions that start before it (and do not repeat) are
// refused. Each session gets an id made of its date, its time and its line.
CsvRead ReadPlanCsv(const QByteArray& bytes, qint64 nowMs);

enum class CsvEncoding { Utf8, Gbk };
// The sessions as a CSV file (UTF-8 with its byte-order mark, so that spreadsheets read it, or
// GBK for older ones), lines ending in CR LF.
QByteArray WritePlanCsv(const QList<PlanSession>& sessions, CsvEncoding encoding);

// A duration as the CSV and the editor take it: "2:30:00", "2:30", "150", "150分钟", "90秒",
// "2小时"; nothing for anything else. Empty text is 0.
std::optional<int> ParseDuration(const QString& text);
// And back: "h:mm:ss" (empty for 0 when blankZero).
QString DurationText(int seconds, bool blankZero = false);
// Why a duration field's text does not read, in Chinese, the field named by `field`: "时长不能超过
// 99∶59∶59" for a duration too long, "时长“abc”不正确（例：2:30:00、150分钟、90秒）" for anything
// else. Empty when ParseDuration takes it.
QString DurationProblem(const QString& field, const QString& text);

// 考场: room ids apart by blanks, commas or semicolons; "*" or empty text is every room.
QStringList ParseRooms(const QString& text);
// And back, apart by blanks: "A101 A102", "*".
QString RoomsText(const QStringList& rooms);
// 加时: "room=duration" pairs apart by semicolons ("A103=30分钟; A104=0:15:00"). Nothing when
// a pair does not read; then badPair holds it.
std::optional<QMap<QString, int>> ParseExtra(const QString& text, QString* badPair = nullptr);
// And back: "A103=0:30:00; A104=0:15:00".
QString ExtraText(const QMap<QString, int>& extra);
