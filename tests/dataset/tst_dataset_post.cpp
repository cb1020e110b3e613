// Posting data set changes to the base table: bound INSERT, UPDATE and
// DELETE keyed on the key fields or the original values, conflicts, and the
// batch-optimistic mode with its single transaction.
#include "TestDatabase.h"
#include "dataset/BaseTableWriter.h"
#include "dataset/DataSet.h"
#include "db/DbError.h"

#include <QtTest>

class DataSetPostTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void immediateWrites();
    void withoutKeyUsesOriginalValues();
    void conflictsKeepEditing();
    void batchOptimistic();
    void noBaseTableRefused();

private:
    QString table(const QString& sql) const { return m_db->scalar(sql).toString(); }
    std::unique_ptr<TestDatabase> m_db;
};

void DataSetPostTest::initTestCase() {
    m_db = std::make_unique<TestDatabase>(QStringLiteral("dataset_post"), false);
    m_db->exec(QStringLiteral(
        "create table emp (sys_id int auto_increment primary key, emp_id varchar(12) not null, "
        "empname varchar(40), money decimal(12,2), sign_time datetime, unique (emp_id))"));
}

void DataSetPostTest::init() {
    m_db->exec(QStringLiteral("delete from emp"));
    m_db->exec(QStringLiteral("insert into emp values (1, '001', '张三', 12.50, '2024-01-01 08:00:00'), "
                              "(2, '002', 'O''Brien', null, null)"));
}

void DataSetPostTest::cleanupTestCase() {
    m_db.reset();
}

void DataSetPostTest::immediateWrites() {
    DataSet ds;
    ds.open(m_db->db(), QStringLiteral("select * from emp order by sys_id"));
    BaseTableWriter writer(m_db->db(), SqlDialect(false, true));
    writer.attach(ds, BaseTableWriter::Mode::Immediate);

    ds.append();
    ds.fieldByName(QStringLiteral("emp_id")).setValue(QStringLiteral("003"));
    ds.fieldByName(QStringLiteral("empname")).setValue(QStringLiteral("王五'; drop table emp; --"));
    ds.fieldByName(QStringLiteral("money")).setValue(QStringLiteral("0.10"));
    ds.post();
    const qint64 id = ds.fieldByName(QStringLiteral("sys_id")).asInteger();
    QVERIFY(id > 2); // the server's number came back into the row
    QCOMPARE(
        table(QStringLiteral("select concat(emp_id, '|', empname, '|', money) from emp where sys_id = %1")
                  .arg(id)),
        QStringLiteral("003|王五'; drop table emp; --|0.10"));

    QVERIFY(ds.locate(QStringLiteral("emp_id"), QStringLiteral("001")));
    ds.edit();
    ds.fieldByName(QStringLiteral("money")).setValue(12.35);
    ds.fieldByName(QStringLiteral("sign_time")).setValue(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)));
    ds.post();
    QCOMPARE(table(QStringLiteral("select concat(money, '|', sign_time) from emp where sys_id = 1")),
             QStringLiteral("12.35|2024-05-06 07:08:09"));
    // Writing the value a row already holds is not a conflict.
    ds.edit();
    ds.fieldByName(QStringLiteral("money")).setValue(QStringLiteral("12.35"));
    ds.post();

    QVERIFY(ds.locate(QStringLiteral("emp_id"), QStringLiteral("002")));
    ds.deleteRecord();
    QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from emp")).toInt(), 2);
    QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from emp where sys_id = 2")).toInt(), 0);
    QCOMPARE(ds.recordCount(), 2);

    // A refused insert leaves the record in the Insert state and the table unchanged.
    ds.append();
    ds.fieldByName(QStringLiteral("emp_id")).setValue(QStringLiteral("001"));
    QVERIFY_THROWS_EXCEPTION(DbError, ds.post());
    QCOMPARE(ds.state(), DataSet::State::Insert);
    ds.cancel();
    QCOMPARE(ds.recordCount(), 2);
    QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from emp")).toInt(), 2);
}

void DataSetPostTest::withoutKeyUsesOriginalValues() {
    DataSet ds;
    ds.open(m_db->db(), QStringLiteral("select emp_id, empname, money from emp order by emp_id"));
    QVERIFY(!ds.fieldByName(QStringLiteral("emp_id")).isKey());
    BaseTableWriter writer(m_db->db(), SqlDialect(false, true));
    writer.attach(ds, BaseTableWriter::Mode::Immediate);
    const BaseTableWriter::Statement st = [&] {
        ds.last();
        DataSet::Change change{};
        change.kind = DataSet::Change::Delete;
        for (int c = 0; c < ds.fieldCount(); ++c)
            change.oldValues.push_back(ds.cellAt(ds.bookmark(), c));
        return writer.build(ds, change);
    }();
    QCOMPARE(st.sql,
             QStringLiteral("DELETE FROM `emp` WHERE `emp_id` = ? AND `empname` = ? AND `money` IS NULL"));
    QCOMPARE(st.values, QVariantList({QStringLiteral("002"), QStringLiteral("O'Brien")}));
    ds.edit();
    ds.fieldByName(QStringLiteral("money")).setValue(1);
    ds.post();
    QCOMPARE(table(QStringLiteral("select cast(money as char) from emp where emp_id = '002'")),
             QStringLiteral("1.00"));
}

void DataSetPostTest::conflictsKeepEditing() {
    DataSet ds;
    ds.open(m_db->db(), QStringLiteral("select emp_id, empname, money from emp order by emp_id"));
    BaseTableWriter writer(m_db->db(), SqlDialect(false, true));
    writer.attach(ds, BaseTableWriter::Mode::Immediate);
    m_db->exec(QStringLiteral("update emp set money = 99 where emp_id = '001'")); // another user
    ds.first();
    ds.edit();
    ds.fieldByName(QStringLiteral("empname")).setValue(QStringLiteral("张三丰"));
    QVERIFY_THROWS_EXCEPTION(DbError, ds.post());
    QCOMPARE(ds.state(), DataSet::State::Edit);
    QCOMPARE(ds.fieldByName(QStringLiteral("empname")).asString(), QStringLiteral("张三丰"));
    ds.cancel();
    QCOMPARE(ds.fieldByName(QStringLiteral("empname")).asString(), QStringLiteral("张三"));
    QCOMPARE(table(QStringLiteral("select empname from emp where emp_id = '001'")), QStringLiteral("张三"));
    m_db->exec(QStringLiteral("delete from emp where emp_id = '002'"));
    ds.last();
    QVERIFY_THROWS_EXCEPTION(DbError, ds.deleteRecord());
    QCOMPARE(ds.recordCount(), 2);
}

void DataSetPostTest::batchOptimistic() {
    DataSet ds;
    ds.open(m_db->db(), QStringLiteral("select * from emp order by sys_id"));
    BaseTableWriter writer(m_db->db(), SqlDialect(false, true));
    writer.attach(ds, BaseTableWriter::Mode::BatchOptimistic);
    ds.first();
    ds.edit();
    ds.fieldByName(QStringLiteral("empname")).setValue(QStringLiteral("甲"));
    ds.post();
    ds.edit();
    ds.fieldByName(QStringLiteral("money")).setValue(QStringLiteral("7.5"));
    ds.post();
    ds.append();
    ds.fieldByName(QStringLiteral("emp_id")).setValue(QStringLiteral("005"));
    ds.post();
    ds.append();
    ds.fieldByName(QStringLiteral("emp_id")).setValue(QStringLiteral("006"));
    ds.post();
    ds.deleteRecord(); // inserted and deleted within the batch: never sent
    QVERIFY(ds.locate(QStringLiteral("emp_id"), QStringLiteral("002")));
    ds.deleteRecord();
    QCOMPARE(writer.pendingCount(), 3);
    QCOMPARE(m_db->scalar(QStringLiteral("select group_concat(emp_id order by emp_id) from emp")).toString(),
             QStringLiteral("001,002"));
    writer.updateBatch(ds);
    QCOMPARE(writer.pendingCount(), 0);
    QCOMPARE(m_db->scalar(QStringLiteral("select group_concat(concat(emp_id, ':', ifnull(empname, ''), ':', "
                                         "ifnull(money, '')) order by emp_id) from emp"))
                 .toString(),
             QStringLiteral("001:甲:7.50,005::"));

    // A batch that fails on its last row writes nothing at all and stays pending.
    ds.first();
    ds.edit();
    ds.fieldByName(QStringLiteral("empname")).setValue(QStringLiteral("乙"));
    ds.post();
    ds.append();
    ds.fieldByName(QStringLiteral("emp_id")).setValue(QStringLiteral("005")); // duplicate key
    ds.post();
    QVERIFY_THROWS_EXCEPTION(DbError, writer.updateBatch(ds));
    QCOMPARE(writer.pendingCount(), 2);
    QCOMPARE(table(QStringLiteral("select empname from emp where emp_id = '001'")), QStringLiteral("甲"));
    writer.cancelBatch();
    QCOMPARE(writer.pendingCount(), 0);
}

void DataSetPostTest::noBaseTableRefused() {
    m_db->exec(QStringLiteral("create table if not exists dept (deptno varchar(10) primary key)"));
    DataSet ds;
    ds.open(m_db->db(), QStringLiteral("select e.emp_id, d.deptno from emp e, dept d"));
    QCOMPARE(ds.uniqueTable(), QString());
    BaseTableWriter writer(m_db->db(), SqlDialect(false, true));
    writer.attach(ds, BaseTableWriter::Mode::Immediate);
    ds.append();
    ds.fieldByName(QStringLiteral("emp_id")).setValue(QStringLiteral("009"));
    QVERIFY_THROWS_EXCEPTION(DbError, ds.post());
    // Once the window names its table, the same post goes to it.
    ds.setUniqueTable(QStringLiteral("emp"));
    ds.post();
    QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from emp where emp_id = '009'")).toInt(), 1);
}

QTEST_GUILESS_MAIN(DataSetPostTest)
#include "tst_dataset_post.moc"
