#pragma once
// A record window over tables of its own for the export, import and find suites.
#include "FrameworkFixture.h"
#include "ModalDialog.h"
#include "framework/RecordWindowRules.h"
#include "framework/ui/RecordBaseClass.h"
#include "util/ui/Progress.h"

#include <QAction>
#include <QPushButton>

class FilesWindow : public TfrmRecordBaseClass {
public:
    FilesWindow(ModuleContext& c, const QString& table, const QString& caption)
        : TfrmRecordBaseClass(c, caption) {
        ownDataSet(QStringLiteral("dsFiles"));
        baseSql = QStringLiteral("select * from %1 order by id").arg(table);
    }
    using TfrmRecordBaseClass::batchUpdates;
};

// Cancels the next export at its first report and confirms it (queue this after earlier answers).
inline void cancelNextExport(ScriptedPrompter& prompter) {
    prompter.answer(PromptAnswer::Yes);
    onModal<TdlgProgress>([](TdlgProgress* d) { d->cancelButton()->click(); }, 0);
}

struct RecordFilesFixture {
    FrameworkFixture fx;
    QTemporaryDir out;

    // rec_files and other_files share their columns; emp_files holds personnel rows.
    void start(const QString& suite) {
        QVERIFY(out.isValid());
        fx.start(suite, QStringLiteral("OPER1"));
        const QString columns =
            QStringLiteral("(id int auto_increment primary key, code varchar(10) not null unique, qty int, "
                           "amount decimal(12,2), name varchar(50), born datetime, remark varchar(20))");
        fx.db->exec(QStringLiteral("create table rec_files ") + columns);
        fx.db->exec(QStringLiteral("create table other_files ") + columns);
        fx.db->exec(QStringLiteral("create table emp_files (emp_id varchar(10) primary key, card_id int, "
                                   "issued bit(1), empname varchar(20), id int)"));
    }
    void reset() {
        for (const char* t : {"rec_files", "other_files", "emp_files", "OpLog"})
            fx.db->exec(QStringLiteral("delete from %1").arg(QLatin1String(t)));
        fx.db->exec(QStringLiteral("insert into rec_files (code, qty, amount, name, born, remark) values "
                                   "('A', 1, 10.10, 'Alice', '2024-01-05 08:00:00', 'rmk1'), "
                                   "('B', 2, 0.20, 'O''Brien%', '2024-01-06 00:00:00', 'rmk2'), "
                                   "('C', 3, 5.00, '鲍勃', '2024-02-01 12:30:00', 'rmk3')"));
        fx.prompter.clear();
    }

    std::unique_ptr<FilesWindow> open(const QString& table = QStringLiteral("rec_files"),
                                      int tag = RecordRights::Insert | RecordRights::Find,
                                      bool batch = false) {
        auto w = std::make_unique<FilesWindow>(
            *fx.context, table, table == QLatin1String("rec_files") ? QStringLiteral("文件记录") : table);
        w->batchUpdates = batch;
        w->setTag(tag);
        w->activate();
        WAIT_LOADED(*w);
        return w;
    }
    // Deletes rec_files rows meeting `where`, reloads the window and forgets the prompts so far.
    void emptyAndReload(FilesWindow& w, const QString& where = QStringLiteral("1=1")) {
        fx.db->exec(QStringLiteral("delete from rec_files where ") + where);
        w.actDataRefreshExecute();
        WAIT_LOADED(w);
        fx.prompter.clear();
    }
    // Exports through the action with the filter index chosen; the path named, without the extension.
    QString exportAs(FilesWindow& w, const QString& name, int filterIndex) {
        fx.prompter.answerFile(out.filePath(name), filterIndex);
        runAction(w, TfrmRecordBaseClass::DataAction::Export);
        return out.filePath(name);
    }
    // The texts of the message boxes and questions so far.
    QStringList messages() const {
        QStringList list;
        for (const PromptCall& c : fx.prompter.calls())
            if (c.kind == PromptCall::Message || c.kind == PromptCall::Question)
                list << c.text;
        return list;
    }
};
