// The filter composer and parser under the sanitizers on random rows and values, checked against the
// independent check. FILTER_FUZZ_ROUNDS (default 4000) and FILTER_FUZZ_SEED change the run.
#include "FilterRows.h"
#include "dataset/RowReader.h"
#include "db/DbError.h"
#include "framework/FilterStatement.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace filterrows;
using FilterStatement::Outcome;

// The rows are made here: the data set's database reader is not linked.
bool readStatement(const QSqlDatabase&, const QString&, const QVariantMap&, RowSink&, const SqlTrace*, bool,
                   const std::atomic<bool>*) {
    throw DbError(QStringLiteral("no database in this test"));
}

namespace {

const char* const kPieces[] = {"a",    "A",      "alice", "Bob", "O'Brien", "'", "''",  "#",    "%",  "*",
                               "[",    "]",      "[x]",   "(",   ")",       " ", "and", " or ", "_",  "\\",
                               "张三", "财务部", "sales", "1",   "12",      "-", ".",   "Null", "\"", "[%]"};

class Fuzz {
public:
    explicit Fuzz(quint32 seed) : m_rng(seed) {}

    int below(int n) { return int(m_rng.bounded(quint32(n))); }
    bool chance(int percent) { return below(100) < percent; }

    QString text() {
        if (chance(3))
            return QString(3000 + below(5000), QLatin1Char("a%'#["[below(5)]));
        QString t;
        for (int i = 0, n = below(5); i < n; ++i)
            t += QString::fromUtf8(kPieces[below(int(std::size(kPieces)))]);
        return t;
    }
    // One of nine date-times: 2024-01-01..03 at 00, 06 or 12 o'clock.
    QString hourOf() { return QString::asprintf("2024-01-0%d %02d:00:00", 1 + below(3), below(3) * 6); }
    QString integer() {
        static const char* const pool[] = {
            "0",   "1",   "-1",  "12", "+5", " 7 ",  "9223372036854775807", "99999999999999999999",
            "1.5", "1e3", "abc", "",   "-0", "00012"};
        return chance(70) ? QString::number(below(30) - 10)
                          : QString::fromLatin1(pool[below(int(std::size(pool)))]);
    }
    QString money() {
        static const char* const pool[] = {
            "0",   "0.1", "12.5", "12.55", "-3", "100", "1.23456",
            "abc", ".5",  "5.",   "+1",    "",   "1e2", "99999999999999999999"};
        return chance(60) ? QString::number(below(4000) - 1000, 'f', 0).insert(1, QLatin1Char('.'))
                          : QString::fromLatin1(pool[below(int(std::size(pool)))]);
    }
    QString dateTime() {
        static const char* const pool[] = {
            "2024-01-02", "2024-1-2 8:00:00", "2024-02-30",   "2024-01-02 25:00:00",
            "",           "yesterday",        "#2024-01-02#", "2024/01/02"};
        if (chance(70))
            return hourOf();
        return QString::fromLatin1(pool[below(int(std::size(pool)))]);
    }
    QString valueFor(const QString& field) {
        if (chance(5))
            return text();
        if (field == QLatin1String("id") || field == QLatin1String("qty") ||
            field == QLatin1String("dept_id"))
            return integer();
        if (field == QLatin1String("amount"))
            return money();
        if (field == QLatin1String("at"))
            return dateTime();
        if (field == QLatin1String("dept_name") && chance(50))
            return departments().value(1 + below(7));
        return text();
    }

    std::vector<Row> rows(int n) {
        std::vector<Row> out;
        for (int i = 0; i < n; ++i) {
            Row r;
            r.id = i + 1;
            if (!chance(10))
                r.qty = below(30) - 10;
            if (!chance(10))
                r.units = qint64(below(4000) - 1000) * 1000;
            if (!chance(10))
                r.at = hourOf();
            if (!chance(10))
                r.name = text().left(200);
            r.empNo = QString::number(below(20)).rightJustified(4, QLatin1Char('0'));
            if (!chance(10))
                r.dept = 1 + below(7);
            out.push_back(r);
        }
        return out;
    }

private:
    QRandomGenerator m_rng;
};

const int rounds = qEnvironmentVariableIsSet("FILTER_FUZZ_ROUNDS")
                       ? qEnvironmentVariableIntValue("FILTER_FUZZ_ROUNDS")
                       : 4000;

quint32 seed(quint32 fixed) {
    return qEnvironmentVariableIsSet("FILTER_FUZZ_SEED")
               ? quint32(qEnvironmentVariableIntValue("FILTER_FUZZ_SEED"))
               : fixed;
}

} // namespace

class TestFilterFuzz : public QObject {
    Q_OBJECT
private slots:
    void composedConditionsSelectWhatTheyMean() {
        Fuzz fuzz(seed(20261207));
        const std::vector<Row> rows = fuzz.rows(60);
        DataSet depts, ds;
        load(ds, depts, rows);
        const QList<Field*> fields = FilterStatement::offeredFields(ds);
        int checked = 0, refusedByComposer = 0, joined = 0;
        QString previous; // the last condition checked, and its rows
        QList<int> previousRows;
        for (int round = 0; round < rounds; ++round) {
            FilterStatement::clear(ds);
            const Field* f = fields[fuzz.below(fields.size())];
            const QStringList ops = FilterStatement::operatorsFor(*f);
            FilterStatement::Choice c;
            c.field = f;
            c.op = ops[fuzz.below(ops.size())];
            c.value = fuzz.valueFor(f->fieldName());
            c.maxValue = fuzz.valueFor(f->fieldName());
            const bool useLabel = fuzz.chance(50);
            QString condition;
            try {
                condition = FilterStatement::condition(ds, c, useLabel);
            } catch (const DbError&) {
                // Refused only when a typed value is no value of the field's type.
                QVERIFY2(!expectedIds(rows, f->fieldName(), c.op, c.value, c.maxValue),
                         qPrintable(f->fieldName() + QLatin1Char(' ') + c.op + QLatin1Char(' ') + c.value));
                ++refusedByComposer;
                continue;
            }
            if (condition.isEmpty())
                continue; // "between" with a blank bound
            const QString what =
                QStringLiteral("%1 %2 [%3] [%4]: %5")
                    .arg(f->fieldName(), c.op, c.value.left(80), c.maxValue.left(80), condition.left(200));
            // The forms turn into each other.
            const QString fieldForm = FilterStatement::toFieldForm(condition, ds);
            QVERIFY2(FilterStatement::toFieldForm(FilterStatement::toLabelForm(fieldForm, ds), ds) ==
                         fieldForm,
                     qPrintable(what));
            QString reason;
            const Outcome outcome = FilterStatement::apply(
                ds, FilterStatement::statementFromMemo(condition, ds), QString(), &reason);
            const bool nullOrder = c.value.trimmed().isEmpty() && c.op != QLatin1String("=") &&
                                   c.op != QLatin1String("<>") && c.op != QLatin1String("like");
            if (nullOrder) {
                QVERIFY2(outcome == Outcome::Refused, qPrintable(what));
                continue;
            }
            QVERIFY2(outcome == Outcome::Applied, qPrintable(what + QStringLiteral(" -> ") + reason));
            // The independent check, where it reads the typed values.
            const auto want = expectedIds(rows, f->fieldName(), c.op, c.value, c.maxValue);
            QVERIFY2(want && idsOf(ds) == *want, qPrintable(what));
            ++checked;
            // Joined with the previous one by "and" or "or", as the memo joins them.
            if (!previous.isEmpty() && c.op != FilterStatement::kBetween) {
                const bool orJoin = fuzz.chance(50);
                const QString memo = FilterStatement::addedToMemo(previous, condition, orJoin);
                QList<int> both;
                for (const Row& r : rows)
                    if (orJoin ? (previousRows.contains(r.id) || want->contains(r.id))
                               : (previousRows.contains(r.id) && want->contains(r.id)))
                        both << r.id;
                QVERIFY2(FilterStatement::apply(ds, FilterStatement::statementFromMemo(memo, ds)) ==
                             Outcome::Applied,
                         qPrintable(memo));
                QVERIFY2(idsOf(ds) == both, qPrintable(memo));
                ++joined;
            }
            if (c.op != FilterStatement::kBetween) {
                previous = condition;
                previousRows = *want;
            }
        }
        qInfo("%d checked, %d joined, %d refused by the composer", checked, joined, refusedByComposer);
        QVERIFY(checked > rounds / 3);
    }

    void damagedStatementsAreReadOrRefused() {
        Fuzz fuzz(seed(7));
        const std::vector<Row> rows = fuzz.rows(30);
        DataSet depts, ds;
        load(ds, depts, rows);
        const QStringList seeds = {
            QStringLiteral("([数量] >= '2') and ([姓名] like 'O''B[%]%')"),
            QStringLiteral("(at = #2024-01-02 06:00:00#) or not (dept_name = #O'Neil#)"),
            QStringLiteral("[部门] like '[[]x%' and amount <> Null"),
            QStringLiteral("((qty > -1.5e1) and (emp_no < 'z')) or name is not null")};
        int read = 0, refused = 0;
        for (int round = 0; round < rounds; ++round) {
            QString text = seeds[fuzz.below(seeds.size())];
            for (int i = 0, n = 1 + fuzz.below(4); i < n; ++i) {
                const int at = fuzz.below(text.size() + 1);
                switch (fuzz.below(4)) {
                case 0:
                    text.insert(at, fuzz.text());
                    break;
                case 1:
                    text.remove(at, fuzz.below(6));
                    break;
                case 2:
                    text.truncate(at);
                    break;
                default:
                    text.insert(at, text.mid(fuzz.below(text.size() + 1), 8));
                }
            }
            FilterStatement::set(ds, QStringLiteral("qty > 0"));
            const QList<int> before = idsOf(ds);
            const QString label = FilterStatement::toLabelForm(text, ds);
            switch (FilterStatement::set(ds, FilterStatement::toFieldForm(label, ds))) {
            case Outcome::Refused:
                QVERIFY2(ds.filter() == QStringLiteral("qty > 0") && ds.filtered() && idsOf(ds) == before,
                         qPrintable(text));
                ++refused;
                break;
            case Outcome::Applied:
            case Outcome::Cleared:
                ++read;
                break;
            case Outcome::MixedAndOr:
                QFAIL("set never refuses for the joining words");
            }
            // The dialog's refusal of mixed joins changes nothing either.
            if (FilterStatement::mixesAndOr(text)) {
                const QString inForce = ds.filter();
                QCOMPARE(FilterStatement::apply(ds, text), Outcome::MixedAndOr);
                QCOMPARE(ds.filter(), inForce);
            }
        }
        qInfo("%d damaged statements read, %d refused", read, refused);
        QVERIFY(read > 0 && refused > 0);
    }
};

QTEST_GUILESS_MAIN(TestFilterFuzz)
#include "tst_filterfuzz.moc"
