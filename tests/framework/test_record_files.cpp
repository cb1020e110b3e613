// A record window's export and find offscreen: every format read back, the remembered index, the
// overwrite question, cancelled, refused and failing writes, finds with hostile input.
#include "../export/MiniXlsReader.h"
#include "RecordFilesFixture.h"
#include "dataset/grid/DataSetExportSource.h"
#include "dataset/grid/ui/DBGrid.h"
#include "framework/PrintOutput.h"
#include "framework/RecordFiles.h"
#include "framework/ui/FindDialog.h"
#include "framework/ui/RecordFileActions.h"

#include <sys/resource.h>

#include <csignal>

#include <QComboBox>
#include <QDir>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

using DataAction = TfrmRecordBaseClass::DataAction;

class TestRecordFiles : public QObject {
    Q_OBJECT
    RecordFilesFixture rf;
    FrameworkFixture& fx = rf.fx;

    // Finds through the dialog.
    void find(FilesWindow& w, const QString& label, const QString& op, const QString& content) {
        onModal<TdlgFind>([=](TdlgFind* d) {
            d->fieldList()->setCurrentIndex(d->fieldList()->findText(label));
            d->kindList()->setCurrentIndex(d->kindList()->findText(op));
            d->contentEdit()->setText(content);
            d->findButton()->click();
        });
        runAction(w, DataAction::Find);
    }

private slots:
    void initTestCase() { rf.start(QStringLiteral("record_files")); }
    void init() { rf.reset(); }
    void cleanupTestCase() { fx.stop(); }

    // Indices past the list choose nothing (the listed ones are exported below).
    void filterIndexOutOfRange() {
        QCOMPARE(RecordFiles::targetForFilterIndex(7, false), RecordFiles::Target::None);
        QCOMPARE(RecordFiles::targetForFilterIndex(0, true), RecordFiles::Target::None);
    }

    void exportsEveryGridFormatWithTheVisibleColumnsInGridOrder() {
        auto w = rf.open();
        DataSet& ds = *w->dataSet();
        ds.findField(QStringLiteral("remark"))->setVisible(false);
        ds.findField(QStringLiteral("name"))->setDisplayLabel(QStringLiteral("姓名"));
        ds.moveField(ds.findField(QStringLiteral("name")), 0);
        w->grid()->refreshColumns();

        const QString csv = rf.exportAs(*w, QStringLiteral("all"), 6);
        QCOMPARE(rf.messages(), QStringList{QStringLiteral("数据导出完成!")});
        const QStringList lines = QString::fromUtf8(readAll(csv + QStringLiteral(".csv")))
                                      .remove(QChar(0xFEFF))
                                      .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QVERIFY(lines.size() >= 4);
        QVERIFY2(lines[0].startsWith(QStringLiteral("姓名,id,code,qty,amount,born")), qPrintable(lines[0]));
        QVERIFY(!lines[0].contains(QStringLiteral("remark")));
        QVERIFY2(lines[3].startsWith(QStringLiteral("鲍勃,")), qPrintable(lines[3]));
        QVERIFY(!lines.join(QString()).contains(QStringLiteral("rmk1")));

        const std::pair<int, const char*> formats[] = {{3, "txt"}, {5, "rtf"}, {7, "html"}};
        for (const auto& [index, ext] : formats) {
            fx.prompter.clear();
            const QString path =
                rf.exportAs(*w, QStringLiteral("all"), index) + QLatin1Char('.') + QLatin1String(ext);
            const QByteArray bytes = readAll(path);
            QVERIFY2(bytes.contains("Alice") && bytes.contains("code"), ext);
            QVERIFY2(!bytes.contains("rmk2"), ext);
            QCOMPARE(rf.messages(), QStringList{QStringLiteral("数据导出完成!")});
        }
        QVERIFY(QString::fromUtf8(readAll(rf.out.filePath(QStringLiteral("all.html"))))
                    .contains(QStringLiteral("鲍勃")));

        fx.prompter.clear();
        const QString xls = rf.exportAs(*w, QStringLiteral("all"), 4) + QStringLiteral(".xls");
        MiniBook book;
        QString error;
        QVERIFY2(readMiniXls(readAll(xls), book, error), qPrintable(error));
        const MiniSheet& sheet = book.sheets.first();
        QCOMPARE(sheet.cell(0, 0)->text, QStringLiteral("姓名"));
        QCOMPARE(sheet.cell(3, 0)->text, QStringLiteral("鲍勃"));
        QCOMPARE(sheet.cell(0, 3)->text, QStringLiteral("qty"));
        QCOMPARE(sheet.cell(2, 3)->number, 2.0);
    }

    void selectedRowsAloneAreExported() {
        auto w = rf.open();
        QTableView* view = w->grid()->view();
        view->selectionModel()->select(view->model()->index(1, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        const QString path = rf.exportAs(*w, QStringLiteral("sel"), 6) + QStringLiteral(".csv");
        const QString text = QString::fromUtf8(readAll(path));
        QVERIFY(text.contains(QStringLiteral("O'Brien%")));
        QVERIFY(!text.contains(QStringLiteral("Alice")) && !text.contains(QStringLiteral("鲍勃")));
    }

    void gridFormatsAloneAndTheRememberedIndex() {
        auto w = rf.open();
        w->fileActions().dataSetFormats = false;
        const QString path = rf.exportAs(*w, QStringLiteral("plain"), 1) + QStringLiteral(".txt");
        QCOMPARE(fx.prompter.calls().first().file.defaultExtension, QStringLiteral("txt"));
        QVERIFY(readAll(path).contains("Alice"));
        // The index chosen comes back in the next export of this window.
        fx.prompter.clear();
        fx.prompter.answerFile(rf.out.filePath(QStringLiteral("plain2")), 4);
        runAction(*w, DataAction::Export);
        fx.prompter.clear();
        fx.prompter.cancelFile();
        runAction(*w, DataAction::Export);
        QCOMPARE(fx.prompter.calls().first().file.filterIndex, 4);
        QCOMPARE(fx.prompter.calls().size(), 1); // cancelled: nothing else
    }

    void overwriteIsAskedAndNoKeepsTheFile() {
        auto w = rf.open();
        const QString path = rf.out.filePath(QStringLiteral("kept.csv"));
        QVERIFY(writeAll(path, "old"));
        fx.prompter.answerFile(path, 6);
        fx.prompter.answer(PromptAnswer::No);
        runAction(*w, DataAction::Export);
        QCOMPARE(readAll(path), QByteArray("old"));
        QCOMPARE(fx.prompter.calls().last().text, QStringLiteral("文件\"%1\"已经存在, 是否覆盖? ").arg(path));
        QVERIFY(!rf.messages().contains(QStringLiteral("数据导出完成!")));

        // Cancelled in the progress dialog: the file stays, no success is claimed.
        fx.prompter.clear();
        fx.prompter.answerFile(path, 6);
        fx.prompter.answer(PromptAnswer::Yes);
        cancelNextExport(fx.prompter);
        runAction(*w, DataAction::Export);
        QCOMPARE(readAll(path), QByteArray("old"));
        QCOMPARE(rf.messages().mid(1),
                 (QStringList{QStringLiteral("确认中断当前操作吗?"), QStringLiteral("数据导出已取消!")}));
        QCOMPARE(QDir(rf.out.path()).entryList({QStringLiteral("kept*")}, QDir::Files),
                 QStringList{QStringLiteral("kept.csv")});

        fx.prompter.clear();
        fx.prompter.answerFile(path, 6);
        fx.prompter.answer(PromptAnswer::Yes);
        runAction(*w, DataAction::Export);
        QVERIFY(readAll(path).contains("Alice"));
        QCOMPARE(rf.messages().last(), QStringLiteral("数据导出完成!"));
    }

    // An unwritable path claims no success; a cancelled, refused or failing write leaves an existing
    // file byte-identical and no file (nor a temporary one) where there was none.
    void failedAndCancelledWritesLeaveNoFile() {
        auto w = rf.open();
        fx.prompter.answerFile(rf.out.filePath(QStringLiteral("missing/dir/x.csv")), 6);
        runAction(*w, DataAction::Export);
        QCOMPARE(fx.prompter.calls().size(), 2);
        QCOMPARE(fx.prompter.calls().last().icon, PromptIcon::Error);
        QVERIFY(!rf.messages().contains(QStringLiteral("数据导出完成!")));

        using namespace gridexport;
        using RecordFiles::Target;
        QDir dir(rf.out.filePath(QStringLiteral("left")));
        QVERIFY(dir.mkpath(QStringLiteral(".")));
        const QString kept = dir.filePath(QStringLiteral("kept.csv"));
        QVERIFY(writeAll(kept, "old"));
        DataSetExportSource grid(*w->grid()->model(), &w->grid()->footer());
        QString error;
        // Every format cancelled at its first report and at its last.
        for (Target t : {Target::Adtg, Target::Xml, Target::Text, Target::Xls, Target::Rtf, Target::Csv,
                         Target::Html, Target::Xlsx})
            for (bool atEnd : {false, true})
                QCOMPARE(RecordFiles::writeExport(
                             t, *w->dataSet(), grid, kept, &error,
                             [atEnd](qint64 done, qint64 total) { return atEnd && done < total; })
                             .status,
                         ExportResult::Cancelled);
        QCOMPARE(PrintOutput::exportGrid(grid, ExportFormat::Xls, kept, &error,
                                         [](qint64, qint64) { return false; })
                     .status,
                 ExportResult::Cancelled);

        // Refused by the format once the file is open: more columns than a worksheet has.
        MemoryExportSource wide;
        for (int c = 0; c < 257; ++c)
            wide.addColumn({QString::number(c), FieldClass::Text, Alignment::Left, 4, true, {}});
        QCOMPARE(RecordFiles::writeExport(Target::Xls, *w->dataSet(), wide,
                                          dir.filePath(QStringLiteral("wide.xls")), &error)
                     .status,
                 ExportResult::Failed);
        QVERIFY(error.contains(QStringLiteral("256")));

        // A device that fails part-way: the file size limit stops the writes.
        MemoryExportSource big;
        big.addColumn({QStringLiteral("备注"), FieldClass::Text, Alignment::Left, 20, true, {}});
        for (int r = 0; r < 20000; ++r)
            big.addRow({QStringLiteral("第%1行的备注文字").arg(r)});
        rlimit saved;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit small = saved;
        small.rlim_cur = 64 * 1024;
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        error.clear();
        const ExportResult failed = RecordFiles::writeExport(Target::Csv, *w->dataSet(), big,
                                                             dir.filePath(QStringLiteral("big.csv")), &error);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
        QCOMPARE(failed.status, ExportResult::Failed);
        QVERIFY(!error.isEmpty());

        QCOMPARE(readAll(kept), QByteArray("old"));
        QCOMPARE(dir.entryList(QDir::Files), QStringList{QStringLiteral("kept.csv")});
    }

    void findsOnNumbersTextsAndDates() {
        auto w = rf.open();
        // The dialog leaves out the fields never searched.
        onModal<TdlgFind>([](TdlgFind* d) {
            QVERIFY(d->fieldList()->findText(QStringLiteral("remark")) < 0);
            QVERIFY(d->fieldList()->findText(QStringLiteral("qty")) >= 0);
            d->cancelButton()->click();
        });
        runAction(*w, DataAction::Find);
        QCOMPARE(w->dataSet()->recordCount(), 3);

        find(*w, QStringLiteral("qty"), QStringLiteral(">="), QStringLiteral("2"));
        QCOMPARE(w->dataSet()->recordCount(), 2);
        QCOMPARE(w->dataSet()->uniqueTable(), QStringLiteral("rec_files"));
        find(*w, QStringLiteral("born"), QStringLiteral("<"), QStringLiteral("2024-1-6"));
        QCOMPARE(w->dataSet()->recordCount(), 1);
        QCOMPARE(w->dataSet()->fieldByName(QStringLiteral("code")).asString(), QStringLiteral("A"));
        find(*w, QStringLiteral("name"), QStringLiteral("like"), QStringLiteral("O'B"));
        QCOMPARE(w->dataSet()->recordCount(), 1);
        QVERIFY(fx.prompter.calls().isEmpty());
        // The found rows can be edited: they go to the base table.
        w->dataSet()->edit();
        w->dataSet()->fieldByName(QStringLiteral("qty")).setValue(20);
        w->dataSet()->post();
        QCOMPARE(fx.count(QStringLiteral("select qty from rec_files where code='B'")), 20);
        // A refresh runs the window's own statement again.
        w->actDataRefreshExecute();
        WAIT_LOADED(*w);
        QCOMPARE(w->dataSet()->recordCount(), 3);
    }

    void aValueThatDoesNotConvertLeavesTheGrid() {
        auto w = rf.open();
        find(*w, QStringLiteral("qty"), QStringLiteral("="), QStringLiteral("2 or 1=1"));
        QCOMPARE(w->dataSet()->recordCount(), 3);
        QCOMPARE(fx.prompter.calls().size(), 1);
        QVERIFY(fx.prompter.calls().first().text.contains(QStringLiteral("不是有效的整数")));
        fx.prompter.clear();
        find(*w, QStringLiteral("born"), QStringLiteral("="), QStringLiteral("2024-02-31"));
        QCOMPARE(w->dataSet()->recordCount(), 3);
        QVERIFY(fx.prompter.calls().first().text.contains(QStringLiteral("日期时间")));
    }

    void hostileFindTextFindsNothingAndChangesNothing() {
        auto w = rf.open();
        for (const QString& text :
             {QStringLiteral("'; drop table rec_files; --"), QStringLiteral("x' or '1'='1"),
              QStringLiteral("%"), QStringLiteral("--")}) {
            fx.prompter.clear();
            find(*w, QStringLiteral("name"), QStringLiteral("like"), text);
            QCOMPARE(w->dataSet()->recordCount(), 0);
            QCOMPARE(fx.prompter.calls().size(), 1);
            QCOMPARE(fx.prompter.calls().first().text,
                     QStringLiteral("没有找到符合 namelike'%1' 的记录").arg(text));
        }
        fx.prompter.clear();
        find(*w, QStringLiteral("name"), QStringLiteral("="), QStringLiteral("O'Brien%"));
        QCOMPARE(w->dataSet()->recordCount(), 1);
        QCOMPARE(fx.count(QStringLiteral("select count(*) from rec_files")), 3);
    }

    void findNeedsTheRight() {
        auto w = rf.open(QStringLiteral("rec_files"), RecordRights::Insert);
        runAction(*w, DataAction::Find);
        QCOMPARE(rf.messages(), QStringList{QStringLiteral("无权限")});
    }
};

QTEST_MAIN(TestRecordFiles)
#include "test_record_files.moc"
