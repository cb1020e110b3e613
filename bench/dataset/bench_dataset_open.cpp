// Opens a statement into the data set and compares with the mariadb client
// fetching the same statement in batch mode, in the same run; then filters,
// sorts and locates in the loaded rows and saves and loads them as ADTG and
// XML files. Every figure is a median of --runs runs and a ratio to the
// client; memory is set against the size of the client's output.
//
//   bench_dataset_open [--month yyyy-MM | --all-records | --sql TEXT] [--database NAME]
//                      [--rows N] [--runs K] [--work-only] [--no-files] [--files DIR]
//
// Connects through MEAL_DB_SOCKET, MEAL_DB_USER and MEAL_DB_PASSWORD
// (`eval "$(scripts/db env)"`). --month and --all-records read the demo
// database mealdemo; without a statement the table bench_consume of the
// scratch database bench_dataset is generated with N rows (default 1,000,000)
// when it does not hold them yet.
#include "BenchStatement.h"
#include "BenchSupport.h"

#include "dataset/DataSet.h"
#include "dataset/persist/DataSetFile.h"
#include "db/DatabaseConnection.h"
#include "db/DbError.h"
#include "framework/FilterStatement.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

using namespace bench;

namespace {

QTextStream out(stdout);

void exec(QSqlQuery& q, const QString& sql) {
    if (!q.exec(sql))
        throw DbError(sql + QStringLiteral(": ") + q.lastError().text());
}

// 14 columns shaped like the consumption list: texts (some Chinese), integers,
// a date-time and two money columns.
void generate(QSqlDatabase& db, int rows) {
    QSqlQuery q(db);
    exec(q, QStringLiteral("drop table if exists bench_consume"));
    exec(
        q,
        QStringLiteral(
            "create table bench_consume (sys_id int auto_increment primary key, emp_id varchar(12), "
            "card_id int, empname varchar(20), deptno varchar(30), deptname varchar(40), sign_time datetime, "
            "card_consume decimal(12,2), card_balance decimal(12,2), Card_Sequ int, clock_id int, "
            "Pos_Sequ int, flag int, kind varchar(50), opcard_id varchar(50))"));
    exec(
        q,
        QStringLiteral(
            "insert into bench_consume (emp_id, card_id, empname, deptno, deptname, sign_time, card_consume, "
            "card_balance, Card_Sequ, clock_id, Pos_Sequ, flag, kind, opcard_id) "
            "select lpad(seq % 20000, 6, '0'), 100000 + seq % 20000, "
            "concat(elt(1 + seq % 7, '张', '李', '王', '赵', '陈', '刘', '欧阳'), "
            "       elt(1 + (seq div 7) % 6, '伟', '芳', '娜', '秀英', '强', '磊')), "
            "concat('0', 1 + seq % 9, lpad(seq % 13, 2, '0')), "
            "elt(1 + seq % 5, '财务部', '生产一车间', '后勤保障部', '研发中心', '销售部'), "
            "timestamp('2024-03-01') + interval (seq * 2.6) second, "
            "(seq % 2500) / 100, (seq * 7 % 100000) / 100, seq div 20000, 1 + seq % 40, seq % 65000, "
            "elt(1 + seq % 4, 1, 2, 3, 5), 1 + seq % 4, if(seq % 10 = 0, 'op01', null) "
            "from seq_1_to_%1")
            .arg(rows));
}

// The scratch table, generated when it does not hold `rows` rows yet.
QString scratchStatement(QSqlDatabase& db, int rows) {
    QSqlQuery q(db);
    const bool have = q.exec(QStringLiteral("select count(*) from bench_consume")) && q.next() &&
                      q.value(0).toInt() == rows;
    q.finish();
    if (!have) {
        out << "generating " << rows << " rows ..." << Qt::endl;
        QElapsedTimer t;
        t.start();
        generate(db, rows);
        out << "generated in " << double(t.elapsed()) / 1000.0 << " s" << Qt::endl;
    }
    return QStringLiteral("SELECT emp_id, card_id, empname, deptno, deptname, clock_id, Pos_Sequ, Card_Sequ, "
                          "sign_time, flag, card_consume, card_balance, kind, opcard_id FROM bench_consume "
                          "order by emp_id, sys_id, card_sequ");
}

QString ratio(double seconds, double client) {
    return QStringLiteral("%1 s  (%2 x client)").arg(seconds, 0, 'f', 3).arg(seconds / client, 0, 'f', 2);
}

QString timingText(const Timing& t, double client) {
    return ratio(t.wall, client) + QStringLiteral(", cpu %1 s").arg(t.cpu, 0, 'f', 3);
}

void compareOpen(QSqlDatabase& db, const BenchStatement& st, const ClientReference& client, int runs) {
    std::vector<double> dataSet, firstRows;
    std::size_t memory = 0;
    long rssDelta = 0;
    int loaded = 0;
    for (int run = 0; run < runs; ++run) {
        const long rssBefore = residentBytes();
        DataSet ds;
        QElapsedTimer t;
        double first = -1;
        DataSet::OpenOptions options;
        options.progress = [&](std::uint32_t) {
            if (first < 0)
                first = double(t.nsecsElapsed()) / 1e9;
            return true;
        };
        t.start();
        ds.open(db, st.sql, st.params, options);
        dataSet.push_back(double(t.nsecsElapsed()) / 1e9);
        firstRows.push_back(first);
        memory = ds.memoryBytes();
        rssDelta = residentBytes() - rssBefore;
        loaded = ds.recordCount();
    }
    double qtPath = 0;
    {
        DataSet ds;
        DataSet::OpenOptions options;
        options.forceQtDriver = true;
        QElapsedTimer t;
        t.start();
        ds.open(db, st.sql, st.params, options);
        qtPath = double(t.nsecsElapsed()) / 1e9;
    }
    // The first rows of a statement the server need not sort first.
    double firstUnsorted = -1;
    {
        QString unsorted = st.sql;
        const int order = int(unsorted.lastIndexOf(QLatin1String("order by"), -1, Qt::CaseInsensitive));
        if (order > 0)
            unsorted.truncate(order);
        DataSet ds;
        QElapsedTimer t;
        DataSet::OpenOptions options;
        options.progress = [&](std::uint32_t) {
            if (firstUnsorted < 0)
                firstUnsorted = double(t.nsecsElapsed()) / 1e9;
            return false; // the first batch is all this measures
        };
        t.start();
        ds.open(db, unsorted, st.params, options);
    }
    const double d = median(dataSet);
    out << "rows loaded:                    " << loaded << Qt::endl;
    out << "data set open (C API):          " << ratio(d, client.batch) << ", " << d / client.quick
        << " x --quick" << Qt::endl;
    out << "first rows after:               " << median(firstRows) << " s" << Qt::endl;
    out << "first rows, without ORDER BY:   " << firstUnsorted << " s" << Qt::endl;
    out << "data set open (QSqlQuery path): " << ratio(qtPath, client.batch) << " (one run)" << Qt::endl;
    out << "data set memory:                " << double(memory) / 1e6 << " MB ("
        << double(memory) / double(client.outputBytes) << " x client output), process RSS grew "
        << double(rssDelta) / 1e6 << " MB" << Qt::endl;
}

// A case that does not apply to the statement's columns is reported and skipped.
void measure(const char* what, DataSet& ds, double client, int runs, const std::function<void()>& work) {
    try {
        const Timing t = timeRuns(runs, work);
        out << what << timingText(t, client) << ", " << ds.recordCount() << " rows in view" << Qt::endl;
    } catch (const DbError& e) {
        out << what << "skipped: " << e.message() << Qt::endl;
    }
}

void workOnLoadedRows(DataSet& ds, double client, int runs) {
    measure("filter card_consume > 10 AND flag = 2:        ", ds, client, runs, [&] {
        ds.setFiltered(false);
        ds.setFilter(QStringLiteral("card_consume > 10 AND flag = 2"));
        ds.setFiltered(true);
    });
    measure("filter empname LIKE '李%' OR deptno = '0102':  ", ds, client, runs,
            [&] { ds.setFilter(QStringLiteral("empname LIKE '李%' OR deptno = '0102'")); });
    ds.setFiltered(false);
    // What the filter dialog does on OK: a memo of composed conditions in the
    // label form turned into the statement and applied.
    measure("filter dialog: between, like, <> (composed):  ", ds, client, runs, [&] {
        const Field* amount = ds.findField(QStringLiteral("card_consume"));
        const Field* name = ds.findField(QStringLiteral("empname"));
        const Field* clock = ds.findField(QStringLiteral("clock_id"));
        if (!amount || !name || !clock)
            throw DbError(QStringLiteral("no card_consume, empname or clock_id"));
        QString memo;
        for (const FilterStatement::Choice& c :
             {FilterStatement::Choice{amount, FilterStatement::kBetween, QStringLiteral("5"),
                                      QStringLiteral("15.5")},
              FilterStatement::Choice{name, QStringLiteral("like"), QStringLiteral("李"), QString()},
              FilterStatement::Choice{clock, QStringLiteral("<>"), QStringLiteral("3"), QString()}})
            memo = FilterStatement::addedToMemo(memo, FilterStatement::condition(ds, c, true), false);
        if (FilterStatement::apply(ds, FilterStatement::statementFromMemo(memo, ds)) !=
            FilterStatement::Outcome::Applied)
            throw DbError(QStringLiteral("not applied"));
    });
    FilterStatement::clear(ds);
    measure("sort card_balance DESC:                       ", ds, client, runs,
            [&] { ds.setSort(QStringLiteral("card_balance DESC")); });
    measure("sort deptname, sign_time DESC:                ", ds, client, runs,
            [&] { ds.setSort(QStringLiteral("deptname, sign_time DESC")); });
    measure("sort empname:                                 ", ds, client, runs,
            [&] { ds.setSort(QStringLiteral("empname")); });
    // Locate the last row of the view: a scan over every row.
    QVariantList last;
    if (ds.recordCount() > 0 && ds.findField(QStringLiteral("card_id")) &&
        ds.findField(QStringLiteral("clock_id")))
        last = {ds.valueAt(ds.bookmarkAt(ds.recordCount() - 1), QStringLiteral("card_id")),
                ds.valueAt(ds.bookmarkAt(ds.recordCount() - 1), QStringLiteral("clock_id"))};
    measure("locate card_id;clock_id of the last row:      ", ds, client, runs, [&] {
        if (last.isEmpty() || !ds.locate(QStringLiteral("card_id;clock_id"), last))
            throw DbError(QStringLiteral("no such row"));
    });
    measure("exact sum of card_consume:                    ", ds, client, runs,
            [&] { ds.sumFixed(ds.fieldByName(QStringLiteral("card_consume")).index()); });
    ds.setSort(QString());
}

// A check that a file loads the rows that were saved.
std::int64_t consumeSum(const DataSet& ds) {
    const Field* f = ds.findField(QStringLiteral("card_consume"));
    return f ? ds.sumFixed(f->index()) : 0;
}

void saveAndLoad(const DataSet& ds, const QString& folder, const ClientReference& client, int runs) {
    const struct {
        const char* name;
        DataSetFileFormat format;
        const char* file;
    } formats[] = {{"ADTG", DataSetFileFormat::Adtg, "bench_dataset.adtg"},
                   {"XML ", DataSetFileFormat::Xml, "bench_dataset.xml"}};
    for (const auto& f : formats) {
        const QString path = QDir(folder).filePath(QString::fromLatin1(f.file));
        QString error;
        const Timing save = timeRuns(runs, [&] {
            if (!SaveDataSetToFile(ds, path, f.format, &error))
                throw DbError(QStringLiteral("save: ") + error);
        });
        std::size_t memory = 0;
        int rows = 0;
        std::int64_t sum = 0;
        const Timing load = timeRuns(runs, [&] {
            DataSet loaded;
            if (!LoadDataSetFromFile(loaded, path, &error))
                throw DbError(QStringLiteral("load: ") + error);
            memory = loaded.memoryBytes();
            rows = loaded.recordCount();
            sum = consumeSum(loaded);
        });
        const double size = double(QFileInfo(path).size());
        out << f.name << " save: " << timingText(save, client.batch) << ", file " << size / 1e6 << " MB ("
            << size / double(client.outputBytes) << " x client output)" << Qt::endl;
        out << f.name << " load: " << timingText(load, client.batch) << ", " << rows << " rows, "
            << double(memory) / 1e6 << " MB in memory" << Qt::endl;
        if (rows != ds.recordCount() || sum != consumeSum(ds))
            throw DbError(QStringLiteral("the file loaded other rows than were saved"));
        QFile::remove(path);
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    addStatementOptions(parser);
    parser.addOption({QStringLiteral("rows"), QStringLiteral("rows of the scratch table"),
                      QStringLiteral("N"), QStringLiteral("1000000")});
    parser.addOption(
        {QStringLiteral("runs"), QStringLiteral("runs per case"), QStringLiteral("K"), QStringLiteral("3")});
    parser.addOption({QStringLiteral("work-only"), QStringLiteral("skip the open comparison")});
    parser.addOption({QStringLiteral("no-files"), QStringLiteral("skip saving and loading files")});
    parser.addOption({QStringLiteral("files"), QStringLiteral("folder for the ADTG and XML files"),
                      QStringLiteral("dir"), QDir::tempPath()});
    parser.process(app);
    const int runs = std::max(1, parser.value(QStringLiteral("runs")).toInt());
    try {
        BenchStatement st = statementFromOptions(parser, QStringLiteral("bench_dataset"));
        ConnectionSettings s = settingsFromEnvironment(QString());
        if (st.scratch()) {
            QSqlDatabase admin = openDatabase(s, QStringLiteral("admin"));
            QSqlQuery q(admin);
            exec(q,
                 QStringLiteral("create database if not exists `%1` character set utf8mb4").arg(st.database));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("admin"));
        s.DatabaseName = st.database;
        QSqlDatabase db = openDatabase(s, QStringLiteral("bench"));
        if (st.scratch()) {
            st.label = QStringLiteral("generated consumption rows");
            st.sql = scratchStatement(db, parser.value(QStringLiteral("rows")).toInt());
        }
        out << "case:         " << st.label << " (" << st.database << ")" << Qt::endl;
        out << "statement:    " << st.clientText() << Qt::endl;
        out << "load average: " << loadAverage() << " at start, runs per case " << runs << Qt::endl;

        const ClientReference client = measureClient(s, st.clientText(), runs);
        out << "mariadb -B > /dev/null:         " << client.batch << " s" << Qt::endl;
        out << "mariadb --quick -B > /dev/null: " << client.quick << " s" << Qt::endl;
        out << "mariadb's first row after:      " << client.firstRow << " s" << Qt::endl;
        out << "client output:                  " << double(client.outputBytes) / 1e6 << " MB" << Qt::endl;
        if (!parser.isSet(QStringLiteral("work-only")))
            compareOpen(db, st, client, runs);

        DataSet ds;
        ds.open(db, st.sql, st.params);
        workOnLoadedRows(ds, client.batch, runs);
        if (!parser.isSet(QStringLiteral("no-files")))
            saveAndLoad(ds, parser.value(QStringLiteral("files")), client, runs);
        out << "load average: " << loadAverage() << " at end" << Qt::endl;
    } catch (const DbError& e) {
        out << "error: " << e.message() << Qt::endl;
        return 1;
    }
    return 0;
}
