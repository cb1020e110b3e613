#pragma once
// The two lists of the column chooser without the widgets: the fields not
// chosen and the fields chosen, filled from a data set (visible fields are
// chosen; fields tagged 10 never appear), the moves between them, and the
// visibility the choice gives the fields.
#include <QVector>

class DataSet;
class Field;

class ColumnChoice {
public:
    static constexpr int kHiddenTag = 10; // meal-period columns the chooser never offers

    void fill(const DataSet& dataSet);

    const QVector<Field*>& unchosen() const { return m_unchosen; }
    const QVector<Field*>& chosen() const { return m_chosen; }

    // Appends the items at `rows` of one list to the other, in list order,
    // and removes them from the first. Rows out of range are ignored.
    void choose(const QVector<int>& rows) { move(m_unchosen, m_chosen, rows); }
    void unchoose(const QVector<int>& rows) { move(m_chosen, m_unchosen, rows); }
    void chooseAll() { moveAll(m_unchosen, m_chosen); }
    void unchooseAll() { moveAll(m_chosen, m_unchosen); }

    // Hides every field not chosen and shows every field chosen.
    void apply() const;

private:
    static void move(QVector<Field*>& from, QVector<Field*>& to, QVector<int> rows);
    static void moveAll(QVector<Field*>& from, QVector<Field*>& to);

    QVector<Field*> m_unchosen;
    QVector<Field*> m_chosen;
};
