// The allowance import on 10,000 rows of each file kind (.csv, .xlsx, .xls)
// for the 3,000 card holders of a scale-M population, in the scratch database
// bench_allowance_import (made from the host schema, replaced on every run).
// Prints seconds and rows per second of each import; the target is under 10 s.
// Then the manual issue to all 3,000 holders (target under 10 s too).
// The .xls file is converted from the CSV by LibreOffice (soffice) when it is
// installed, else that case is skipped.
#include "BenchSupport.h"
#include "allowance/AllowanceImport.h"
#include "allowance/AllowanceIssue.h"
#include "db/DbError.h"
#include "db/QueryRunner.h"
#include "db/SchemaUpgrade.h"
#include "db/SqlScript.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <zip.h>

using namespace bench;

namespace {
constexpr int kPeople = 3000;
constexpr int kRows = 10000;

void exec(QSqlQuery& q, const QString& sql) {
    if (!q.exec(sql))
        throw DbError(sql.left(80) + QStringLiteral(": ") + q.lastError().text());
}

QString empNo(int i) {
    return QStringLiteral("E%1").arg(i % kPeople, 5, 10, QLatin1Char('0'));
}

void writeCsv(const QString& path) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    QByteArray b("工号,卡号,补贴金额,补贴有效期,姓名,部门名称\n");
    for (int i = 0; i < kRows; ++i)
        b += empNo(i).toUtf8() + ',' + QByteArray::number(100000 + i % kPeople) + ",12.50,2026-12-31,,\n";
    f.write(b);
}

void writeXlsx(const QString& path) {
    QByteArray sheet("<worksheet><sheetData><row><c t='inlineStr'><is><t>工号</t></is></c></row>");
    for (int i = 0; i < kRows; ++i)
        sheet += "<row><c t='inlineStr'><is><t>" + empNo(i).toUtf8() + "</t></is></c><c><v>" +
                 QByteArray::number(100000 + i % kPeople) +
                 "</v></c><c><v>12.5</v></c><c s='1'><v>46387</v></c></row>";
    sheet += "</sheetData></worksheet>";
    const QVector<QPair<QByteArray, QByteArray>> parts{
        {"xl/workbook.xml",
         "<workbook xmlns:r='http://schemas.openxmlformats.org/officeDocument/2006/relationships'>"
         "<sheets><sheet name='a' sheetId='1' r:id='rId1'/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships><Relationship Id='rId1' Target='worksheets/sheet1.xml'/>"
         "<Relationship Id='rId2' Target='styles.xml'/></Relationships>"},
        {"xl/styles.xml",
         "<styleSheet><cellXfs><xf numFmtId='0'/><xf numFmtId='14'/></cellXfs></styleSheet>"},
        {"xl/worksheets/sheet1.xml", sheet},
    };
    zipFile z = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    for (const auto& p : parts) {
        zipOpenNewFileInZip64(z, p.first.constData(), nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 6,
                              1);
        zipWriteInFileInZip(z, p.second.constData(), unsigned(p.second.size()));
        zipCloseFileInZip(z);
    }
    zipClose(z, nullptr);
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    try {
        ConnectionSettings s = settingsFromEnvironment(QString());
        {
            QSqlDatabase admin = openDatabase(s, QStringLiteral("admin"));
            QSqlQuery q(admin);
            exec(q, QStringLiteral("drop database if exists bench_allowance_import"));
            exec(q, QStringLiteral("create database bench_allowance_import character set utf8mb4"));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("admin"));
        s.DatabaseName = QStringLiteral("bench_allowance_import");
        QSqlDatabase db = openDatabase(s, QStringLiteral("bench"));
        runSqlScriptFile(db, QStringLiteral(MEAL_SOURCE_DIR "/src/host/schema/mysql.sql"));
        QSqlQuery q(db);
        for (int i = 0; i < kPeople; i += 500) {
            QStringList people, cards;
            for (int k = i; k < std::min(kPeople, i + 500); ++k) {
                people << QStringLiteral("('%1', '员工%2', '01', '食堂', %3, %4, 1)")
                              .arg(empNo(k), QString::number(k), QString::number(100000 + k),
                                   QString::number(k + 1));
                cards << QStringLiteral("('%1', %2, %3, 3)")
                             .arg(empNo(k), QString::number(k + 1), QString::number(100000 + k));
            }
            exec(q, QStringLiteral(
                        "insert into hum_employee (empno, empname, deptno, deptname, card_id, sys_id, "
                        "issued) values ") +
                        people.join(QLatin1Char(',')));
            exec(q, QStringLiteral("insert into cardinfo (empno, sys_id, card_id, CardStatus) values ") +
                        cards.join(QLatin1Char(',')));
        }
        QTemporaryDir dir;
        const SqlTrace trace(true, dir.path()); // statements to a file, not the console
        const QueryRunner runner(trace);
        QString note;
        AddAllowanceSerialKey(q, runner, &note);

        const QString csv = dir.filePath(QStringLiteral("allowances.csv"));
        const QString xlsx = dir.filePath(QStringLiteral("allowances.xlsx"));
        writeCsv(csv);
        writeXlsx(xlsx);
        QString xls;
        const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
        if (!soffice.isEmpty()) {
            QProcess::execute(soffice,
                              {QStringLiteral("--headless"),
                               QStringLiteral("-env:UserInstallation=file://") + dir.filePath("profile"),
                               QStringLiteral("--convert-to"), QStringLiteral("xls"),
                               QStringLiteral("--outdir"), dir.path(), csv});
            xls = dir.filePath(QStringLiteral("allowances.xls"));
        }
        AllowanceImportSettings settings;
        settings.maxAmountCents = 100000;
        settings.opUser = QStringLiteral("bench");
        out << "load average: " << loadAverage() << " at start; " << kRows << " rows for " << kPeople
            << " people" << Qt::endl;
        for (const QString& file : {csv, xlsx, xls}) {
            if (file.isEmpty() || !QFile::exists(file)) {
                out << "xls: skipped (no soffice to write it)" << Qt::endl;
                continue;
            }
            exec(q, QStringLiteral("delete from mallowance"));
            AllowanceImport run(db, runner, settings);
            QElapsedTimer t;
            t.start();
            const AllowanceImportResult r = run.run(file, {});
            const double seconds = double(t.elapsed()) / 1000.0;
            out << QFileInfo(file).suffix() << ": " << r.imported << " imported, " << r.refused
                << " refused in " << seconds << " s, " << int(r.imported / seconds) << " rows/s" << Qt::endl;
        }
        // The manual issue to every holder, in the issue window's 40 ms slices.
        {
            exec(q, QStringLiteral("delete from mallowance"));
            QElapsedTimer t;
            t.start();
            QVector<IssueEmployee> people;
            for (int k = 0; k < kPeople; ++k)
                people.append({empNo(k), QStringLiteral("员工"), 100000 + k, QStringLiteral("食堂"),
                               QString(), k + 1, QStringLiteral("01")});
            AllowanceIssueRun run(db, runner, Currency::fromInteger(25),
                                  QDateTime::currentDateTime().addMonths(1), QString(),
                                  QStringLiteral("bench"));
            int issued = 0;
            QString failure;
            while (issued < people.size() && failure.isEmpty())
                issued += run.issueSlice(people, issued, 40, &failure);
            const double seconds = double(t.elapsed()) / 1000.0;
            out << "issue: " << issued << " issued in " << seconds << " s, " << int(issued / seconds)
                << " people/s" << (failure.isEmpty() ? QString() : QStringLiteral(", failed: ") + failure)
                << Qt::endl;
        }
        out << "load average: " << loadAverage() << " at end" << Qt::endl;
    } catch (const DbError& e) {
        out << "error: " << e.message() << Qt::endl;
        return 1;
    }
    return 0;
}
