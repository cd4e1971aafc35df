#include "plan/PlanCsv.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

const QString kTitle = QStringLiteral("科目");
const QString kDate = QStringLiteral("日期");
const QString kStart = QStringLiteral("开始时间");
const QString kDuration = QStringLiteral("时长");
const QString kPrep = QStringLiteral("预备");
const QString kWarning = QStringLiteral("预警");
const QString kInterval = QStringLiteral("间隔");
const QString kRooms = QStringLiteral("考场");
const QString kExtra = QStringLiteral("加时");
const QString kEveryDay = QStringLiteral("每天");
const QString kWeekdays = QStringLiteral("工作日");
constexpr int kMaxCsvLines = 1000;

// The text of the file: UTF-8 when it is valid UTF-8, GBK otherwise.
std::optional<QString> Decode(const QByteArray& bytes) {
    QByteArray b = bytes;
    if (b.startsWith("\xEF\xBB\xBF")) b = b.mid(3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(b);
    if (!utf8.hasError()) return text;
    QStringDecoder gbk("GB18030");
    if (!gbk.isValid()) return std::nullopt;
    text = gbk.decode(b);
    if (gbk.hasError()) return std::nullopt;
    return text;
}

// The records of CSV text: fields apart by commas, a field in double quotes may hold commas,
// line breaks and doubled quotes. Each record with the number of the line it began on.
struct Record {
    int line;
    QStringList fields;
};
std::optional<QList<Record>> Records(const QString& text, QString& error) {
    QList<Record> records;
    Record current{1, {}};
    QString field;
    bool quoted = false, fieldStarted = false;
    int line = 1;
    auto endField = [&] {
        current.fields << field;
        field.clear();
        fieldStarted = false;
    };
    auto endRecord = [&] {
        endField();
        const bool blank = current.fields.size() == 1 && current.fields[0].trimmed().isEmpty();
        if (!blank) records << current;
        current = Record{line, {}};
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < text.size() && text[i + 1] == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == u'\n') ++line;
                field += c;
            }
            continue;
        }
        if (c == u'"' && !fieldStarted && field.trimmed().isEmpty()) {
            quoted = true;
            fieldStarted = true;
            field.clear();
        } else if (c == u',') {
            endField();
        } else if (c == u'\r') {
            // CR LF or a lone CR ends the line.
            if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            ++line;
            endRecord();
        } else if (c == u'\n') {
            ++line;
            endRecord();
        } else {
            field += c;
        }
        if (records.size() > kMaxCsvLines) {
            error = QStringLiteral("文件超过%1行").arg(kMaxCsvLines);
            return std::nullopt;
        }
    }
    if (quoted) {
        error = QStringLiteral("第%1行：引号没有配对").arg(current.line);
        return std::nullopt;
    }
    if (!field.isEmpty() || !current.fields.isEmpty()) endRecord();
    return records;
}

std::optional<QDate> ParseDate(const QString& text) {
    static const QRegularExpression re(
        QStringLiteral("^(\\d{4})[-/.年](\\d{1,2})[-/.月](\\d{1,2})日?$"));
    const auto m = re.match(text);
    if (!m.hasMatch()) return std::nullopt;
    const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    return d.isValid() ? std::optional<QDate>(d) : std::nullopt;
}

std::optional<QTime> ParseTime(const QString& text) {
    static const QRegularExpression re(
        QStringLiteral("^(\\d{1,2})[:：](\\d{2})(?:[:：](\\d{2}))?$"));
    const auto m = re.match(text);
    if (!m.hasMatch()) return std::nullopt;
    const QTime t(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    return t.isValid() ? std::optional<QTime>(t) : std::nullopt;
}

QString CsvField(const QString& s) {
    if (!s.contains(u',') && !s.contains(u'"') && !s.contains(u'\n') && !s.contains(u'\r'))
        return s;
    QString q = s;
    q.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

}  // namespace

namespace {

// A duration's text as a number of seconds, however large; nothing when it is no duration.
std::optional<qint64> DurationSeconds(const QString& raw) {
    const QString text = raw.trimmed();
    if (text.isEmpty()) return 0;
    static const QRegularExpression clock(
        QStringLiteral("^(\\d{1,6})[:：](\\d{2})(?:[:：](\\d{2}))?$"));
    if (const auto m = clock.match(text); m.hasMatch()) {
        const qint64 a = m.captured(1).toLongLong(), b = m.captured(2).toLongLong();
        if (b > 59) return std::nullopt;
        if (m.captured(3).isEmpty()) return a * 3600 + b * 60;
        const qint64 c = m.captured(3).toLongLong();
        if (c > 59) return std::nullopt;
        return a * 3600 + b * 60 + c;
    }
    static const QRegularExpression number(
        QStringLiteral("^(\\d{1,6})\\s*(秒钟|秒|分钟|分|小时|时)?$"));
    const auto m = number.match(text);
    if (!m.hasMatch()) return std::nullopt;
    const qint64 n = m.captured(1).toLongLong();
    const QString unit = m.captured(2);
    const int factor = unit.startsWith(u'秒') ? 1 : unit.contains(u'时') ? 3600 : 60;
    return n * factor;
}

}  // namespace

std::optional<int> ParseDuration(const QString& raw) {
    const std::optional<qint64> seconds = DurationSeconds(raw);
    if (!seconds || *seconds > kMaxCountSeconds) return std::nullopt;
    return int(*seconds);
}

QString DurationProblem(const QString& field, const QString& text) {
    const std::optional<qint64> seconds = DurationSeconds(text);
    if (!seconds)
        return QStringLiteral("%1“%2”不正确（例：2:30:00、150分钟、90秒）")
            .arg(field, text.trimmed().left(32));
    if (*seconds > kMaxCountSeconds) return QStringLiteral("%1不能超过99∶59∶59").arg(field);
    return {};
}

QStringList ParseRooms(const QString& text) {
    static const QRegularExpression apart(QStringLiteral("[\\s,;，；、]+"));
    const QStringList rooms = text.split(apart, Qt::SkipEmptyParts);
    return rooms.isEmpty() ? QStringList{QStringLiteral("*")} : rooms;
}

QString RoomsText(const QStringList& rooms) {
    return rooms.join(u' ');
}

std::optional<QMap<QString, int>> ParseExtra(const QString& text, QString* badPair) {
    static const QRegularExpression apart(QStringLiteral("[;；]"));
    QMap<QString, int> extra;
    for (const QString& pair : text.split(apart, Qt::SkipEmptyParts)) {
        if (pair.trimmed().isEmpty()) continue;
        const qsizetype eq = pair.indexOf(u'=');
        const std::optional<int> d = eq > 0 ? ParseDuration(pair.mid(eq + 1)) : std::nullopt;
        if (!d) {
            if (badPair) *badPair = pair.trimmed();
            return std::nullopt;
        }
        extra.insert(pair.left(eq).trimmed(), *d);
    }
    return extra;
}

QString ExtraText(const QMap<QString, int>& extra) {
    QStringList pairs;
    for (auto it = extra.begin(); it != extra.end(); ++it)
        pairs << QStringLiteral("%1=%2").arg(it.key(), DurationText(it.value()));
    return pairs.join(QStringLiteral("; "));
}

QString DurationText(int seconds, bool blankZero) {
    if (seconds == 0 && blankZero) return {};
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

CsvRead ReadPlanCsv(const QByteArray& bytes, qint64 nowMs) {
    CsvRead r;
    if (bytes.size() > kMaxPlanBytes * 4) {
        r.error = QStringLiteral("文件太大，不是考试安排");
        return r;
    }
    const std::optional<QString> text = Decode(bytes);
    if (!text) {
        r.error = QStringLiteral("文件既不是UTF-8也不是GBK编码的文本");
        return r;
    }
    const std::optional<QList<Record>> records = Records(*text, r.error);
    if (!records) return r;
    if (records->isEmpty()) {
        r.error = QStringLiteral("文件是空的");
        return r;
    }
    // The columns by their headings.
    const QStringList heading = [&] {
        QStringList h;
        for (const QString& f : records->first().fields)
            h << f.trimmed();
        return h;
    }();
    QHash<QString, int> column;
    for (const QString& name :
         {kTitle, kDate, kStart, kDuration, kPrep, kWarning, kInterval, kRooms, kExtra})
        column.insert(name, int(heading.indexOf(name)));
    for (const QString& needed : {kTitle, kDate, kStart, kDuration})
        if (column.value(needed) < 0) {
            r.error = QStringLiteral("第1行：标题行缺少“%1”列（需要：科目,日期,开始时间,时长）")
                          .arg(needed);
            return r;
        }
    QList<PlanSession> sessions;
    for (qsizetype i = 1; i < records->size(); ++i) {
        const Record& rec = records->at(i);
        auto cell = [&](const QString& name) {
            const int c = column.value(name, -1);
            return c >= 0 && c < rec.fields.size() ? rec.fields[c].trimmed() : QString();
        };
        auto fail = [&](const QString& what) {
            r.error = QStringLiteral("第%1行：%2").arg(rec.line).arg(what);
            return r;
        };
        PlanSession s;
        s.title = cell(kTitle);
        const QString dateText = cell(kDate);
        std::optional<QDate> date;
        if (dateText == kEveryDay || dateText == kWeekdays) {
            s.repeat =
                dateText == kEveryDay ? PlanSession::Repeat::Daily : PlanSession::Repeat::Weekdays;
            date = QDateTime::fromMSecsSinceEpoch(nowMs).date();
        } else {
            date = ParseDate(dateText);
            if (!date)
                return fail(
                    QStringLiteral("日期“%1”不正确（例：2026-12-10、每天、工作日）").arg(dateText));
        }
        const std::optional<QTime> time = ParseTime(cell(kStart));
        if (!time)
            return fail(
                QStringLiteral("开始时间“%1”不正确（例：09:00或09:00:00）").arg(cell(kStart)));
        s.startMs = QDateTime(*date, *time).toMSecsSinceEpoch();
        struct Field {
            const QString& name;
            int& target;
        } durations[] = {{kDuration, s.duration},
                         {kPrep, s.prep},
                         {kWarning, s.warning},
                         {kInterval, s.interval}};
        for (const Field& f : durations) {
            const std::optional<int> d = ParseDuration(cell(f.name));
            if (!d) return fail(DurationProblem(f.name, cell(f.name)));
            f.target = *d;
        }
        s.rooms = ParseRooms(cell(kRooms));
        QString badPair;
        const std::optional<QMap<QString, int>> extra = ParseExtra(cell(kExtra), &badPair);
        if (!extra) return fail(QStringLiteral("加时“%1”不正确（例：A103=30分钟）").arg(badPair));
        s.extra = *extra;
        s.id = QStringLiteral("%1-%2-%3")
                   .arg(s.repeat == PlanSession::Repeat::Once
                            ? date->toString(QStringLiteral("yyyyMMdd"))
                        : s.repeat == PlanSession::Repeat::Daily ? QStringLiteral("daily")
                                                                 : QStringLiteral("weekdays"),
                        time->toString(QStringLiteral("HHmmss")))
                   .arg(rec.line);
        QString problem = SessionProblem(s);
        if (problem.isEmpty()) problem = PastProblem(s, nowMs);
        if (!problem.isEmpty()) return fail(problem);
        sessions << s;
    }
    if (sessions.isEmpty()) {
        r.error = QStringLiteral("文件中没有考试（第1行是标题行）");
        return r;
    }
    const QString problem = PlanProblem(Plan{0, QString(), sessions});
    if (!problem.isEmpty()) {
        r.error = problem;
        return r;
    }
    r.sessions = sessions;
    return r;
}

QByteArray WritePlanCsv(const QList<PlanSession>& sessions, CsvEncoding encoding) {
    QStringList lines;
    lines << QStringList{kTitle,   kDate,     kStart, kDuration, kPrep,
                         kWarning, kInterval, kRooms, kExtra}
                 .join(u',');
    for (const PlanSession& s : sessions) {
        const QDateTime start = QDateTime::fromMSecsSinceEpoch(s.startMs);
        const QString date = s.repeat == PlanSession::Repeat::Daily ? kEveryDay
                             : s.repeat == PlanSession::Repeat::Weekdays
                                 ? kWeekdays
                                 : start.date().toString(Qt::ISODate);
        QStringList extra;
        for (auto it = s.extra.begin(); it != s.extra.end(); ++it)
            extra << QStringLiteral("%1=%2").arg(it.key(), DurationText(it.value()));
        const QStringList fields = {s.title,
                                    date,
                                    start.time().toString(QStringLiteral("HH:mm:ss")),
                                    DurationText(s.duration),
                                    DurationText(s.prep, true),
                                    DurationText(s.warning, true),
                                    DurationText(s.interval, true),
                                    s.rooms.join(u' '),
                                    extra.join(u';')};
        QStringList cells;
        for (const QString& f : fields)
            cells << CsvField(f);
        lines << cells.join(u',');
    }
    const QString text = lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    if (encoding == CsvEncoding::Gbk) {
        QStringEncoder gbk("GB18030");
        if (gbk.isValid()) return gbk.encode(text);
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}
