// The filter composer and parser on fixed rows; every operator on every field is tst_filterfuzz's.
#include "FilterRows.h"
#include "db/DbError.h"
#include "framework/FilterStatement.h"

#include <QtTest>

using namespace filterrows;
using FilterStatement::Outcome;

namespace {

std::vector<Row> sampleRows() {
    auto t = [](const char* s) { return std::optional<QString>(QString::fromUtf8(s)); };
    return {
        {1, 5, 125000, t("2024-01-05 08:30:00"), t("张三"), QStringLiteral("0012"), 1},
        {2, 12, 1000, t("2024-01-05 00:00:00"), t("O'Brien"), QStringLiteral("0013"), 2},
        {3, -3, -30000, t("2024-02-01 12:00:00"), t("alice"), QStringLiteral("A01"), 3},
        {4, std::nullopt, std::nullopt, std::nullopt, std::nullopt, QStringLiteral("0012"), std::nullopt},
        {5, 1, 1000000, t("2024-03-10 18:45:10"), t("Alice Smith"), QStringLiteral("b02"), 4},
        {6, 125, 125000, t("2024-01-06 09:00:00"), t("50% off"), QStringLiteral("0100"), 5},
        {7, 0, 0, t("2023-12-31 23:59:59"), t("a[b]#'c"), QStringLiteral("0012x"), 6},
        {8, 12, 125500, t("2024-01-05 08:30:00"), t(""), QStringLiteral("X"), 9},
        {9, 100, 999999, t("2024-01-05 08:30:01"), t("Bob"), QStringLiteral("0012"), 3},
    };
}

} // namespace

class TestFilterStatement : public QObject {
    Q_OBJECT
    DataSet depts;
    DataSet ds;
    std::vector<Row> rows = sampleRows();

private slots:
    void initTestCase() { load(ds, depts, rows); }
    void init() { FilterStatement::clear(ds); }

    // No photo, no field of Tag 10; an operator the field does not offer is refused.
    void fieldsAndOperatorsOffered() {
        QStringList offered;
        for (const Field* f : FilterStatement::offeredFields(ds))
            offered << f->fieldName();
        QCOMPARE(offered, strings({"id", "qty", "amount", "at", "name", "emp_no", "dept_id", "dept_name"}));
        const FilterStatement::Choice c{&ds.fieldByName(QStringLiteral("emp_no")), QStringLiteral(">"),
                                        QStringLiteral("1"), QString()};
        QVERIFY_THROWS_EXCEPTION(DbError, FilterStatement::condition(ds, c, false));
    }

    void conditionsJoinByAndOrOr() {
        auto cond = [&](const char* field, const char* op, const char* value) {
            FilterStatement::Choice c{&ds.fieldByName(QString::fromLatin1(field)), QString::fromLatin1(op),
                                      QString::fromUtf8(value), QString()};
            return FilterStatement::condition(ds, c, true);
        };
        // Both joins: nothing is applied, the filter in force stays.
        QCOMPARE(FilterStatement::apply(ds, QStringLiteral("qty > 10")), Outcome::Applied);
        const QString memo = FilterStatement::addedToMemo(
            FilterStatement::addedToMemo(cond("qty", "=", "12"), cond("name", "like", "a"), true),
            cond("qty", "<", "100"), false);
        QCOMPARE(FilterStatement::apply(ds, FilterStatement::statementFromMemo(memo, ds)),
                 Outcome::MixedAndOr);
        QCOMPARE(ds.filter(), QStringLiteral("qty > 10"));
        // "between" is an "and": with an "or" it is refused too.
        FilterStatement::Choice b{&ds.fieldByName(QStringLiteral("qty")), FilterStatement::kBetween,
                                  QStringLiteral("1"), QStringLiteral("5")};
        QVERIFY(FilterStatement::mixesAndOr(FilterStatement::addedToMemo(
            cond("qty", "=", "0"), FilterStatement::condition(ds, b, false), true)));
        // Only the joining words count, not words inside values or names.
        const struct {
            const char* statement;
            bool mixed;
        } words[] = {{"(name = 'Sand or') and (qty = 1)", false},
                     {"(name = #O'Brien and or#) or (qty = 1)", false},
                     {"([and or] = 1) AND (qty = 1)", false},
                     {"(name = 'x') AND (qty = 1) Or (qty = 2)", true},
                     {"ordered = 1 and android = 2", false}};
        for (const auto& w : words)
            QVERIFY2(FilterStatement::mixesAndOr(QString::fromLatin1(w.statement)) == w.mixed, w.statement);
    }

    void unreadableStatementLeavesTheFilterInForce() {
        QCOMPARE(FilterStatement::apply(ds, QStringLiteral("qty > 10")), Outcome::Applied);
        const QList<int> before = idsOf(ds);
        const char* bad[] = {
            "qty >",      "nosuch = 1",        "(qty = 1",      "qty = 'abc'",      "name = 'x",
            "qty > Null", "at = #2024-13-45#", "qty = 1 extra", "amount = 1e999999"};
        for (const char* text : bad) {
            QVERIFY2(FilterStatement::apply(ds, QString::fromLatin1(text)) == Outcome::Refused, text);
            QVERIFY2(ds.filter() == QStringLiteral("qty > 10") && ds.filtered() && idsOf(ds) == before, text);
        }
        QCOMPARE(FilterStatement::apply(ds, QStringLiteral(" \n")), Outcome::Cleared);
        QVERIFY(!ds.filtered());
        QCOMPARE(ds.recordCount(), int(rows.size()));
    }

    void formsRewriteNamesNotValues() {
        const struct {
            const char* fields;
            const char* labels;
        } cases[] = {
            {"(name = 'name') and (qty > '1')", "([姓名] = 'name') and ([数量] > '1')"},
            {"(name = #qty's#) or (dept_name like '[[]x%')", "([姓名] = #qty's#) or ([部门] like '[[]x%')"},
            // A label that cannot stand in brackets keeps the field name.
            {"(amount >= '1')", "(amount >= '1')"},
            {"not (emp_no = '0012') and unknown = 1", "not ([工号] = '0012') and unknown = 1"},
        };
        for (const auto& c : cases) {
            const QString fields = QString::fromUtf8(c.fields), labels = QString::fromUtf8(c.labels);
            QCOMPARE(FilterStatement::toLabelForm(fields, ds), labels);
            QCOMPARE(FilterStatement::toFieldForm(labels, ds), fields);
        }
        // A label two fields show names neither of them.
        ds.fieldByName(QStringLiteral("photo")).setDisplayLabel(QStringLiteral("数量"));
        QCOMPARE(FilterStatement::toLabelForm(QStringLiteral("qty > 1"), ds), QStringLiteral("qty > 1"));
        ds.fieldByName(QStringLiteral("photo")).setDisplayLabel(QStringLiteral("照片"));
    }

    void theCurrentCellFiltersEqualOrOtherRows() {
        for (const Field* f : FilterStatement::offeredFields(ds)) {
            const QString field = f->fieldName();
            for (const Row& r : rows) {
                FilterStatement::clear(ds);
                const Bookmark b = Bookmark(r.id - 1);
                const RowCell here = cellOf(r, field);
                QList<int> same, others;
                for (const Row& o : rows) {
                    const RowCell c = cellOf(o, field);
                    const bool equal = here.null() ? c.null()
                                                   : !c.null() && (here.kind == RowCell::Text
                                                                       ? folded(*c.text) == folded(*here.text)
                                                                       : c.number == here.number);
                    (equal ? same : others) << o.id;
                }
                for (bool exclude : {false, true}) {
                    const QString condition = FilterStatement::cellCondition(ds, *f, b, exclude);
                    QVERIFY2(FilterStatement::apply(ds, condition) == Outcome::Applied,
                             qPrintable(condition));
                    QVERIFY2(idsOf(ds) == (exclude ? others : same), qPrintable(condition));
                }
            }
        }
        // A cell's filter narrows the one in force, also one joined by "or".
        FilterStatement::apply(ds, QStringLiteral("(qty > '1') or (qty = Null)"));
        const QString narrowed = FilterStatement::narrowed(
            ds, FilterStatement::cellCondition(ds, ds.fieldByName(QStringLiteral("emp_no")), 0, false));
        QCOMPARE(FilterStatement::set(ds, narrowed), Outcome::Applied);
        QCOMPARE(idsOf(ds), (QList<int>{1, 4, 9}));
    }
};

QTEST_MAIN(TestFilterStatement)
#include "test_filter_statement.moc"
