#pragma once
// The candidate and chosen lists of the selection windows, side by side with
// the four move buttons between them (">>" all, "->" the selected rows, "<-"
// the selected chosen rows back, "<<" all back; a double click moves one row).
// A row is a list of cell texts; its first cell is its key, and the chosen
// list holds a key once: a candidate already chosen is not listed.
#include <QSet>
#include <QStringList>
#include <QVector>
#include <QWidget>

class QGroupBox;
class QStandardItemModel;
class QTableView;
class QToolButton;

class PickLists : public QWidget {
    Q_OBJECT
public:
    PickLists(const QStringList& columns, const QString& candidateCaption, const QString& chosenCaption,
              QWidget* parent = nullptr);

    // Replaces the candidates (those already chosen are left out).
    void setCandidates(const QVector<QStringList>& rows);
    // Adds rows to the chosen list, skipping keys already there.
    void addChosen(const QVector<QStringList>& rows);
    void clearChosen();

    int candidateCount() const;
    int chosenCount() const;
    // The chosen rows from the top, at most `limit` of them (all when negative).
    QVector<QStringList> chosenRows(int limit = -1) const;
    // Removes the first `count` chosen rows (those issued).
    void removeFirstChosen(int count);

    void moveAll();
    void moveSelected();
    void returnSelected();
    void returnAll();

    QTableView* candidateView() const { return m_candidates; }
    QTableView* chosenView() const { return m_chosen; }

signals:
    void countsChanged();

private:
    static QStringList rowAt(const QStandardItemModel* model, int row);
    static void appendRow(QStandardItemModel* model, const QStringList& cells);
    QVector<int> selectedRows(const QTableView* view) const;
    void updateCaptions();

    QString m_candidateCaption;
    QString m_chosenCaption;
    QGroupBox* m_candidateBox = nullptr;
    QGroupBox* m_chosenBox = nullptr;
    QTableView* m_candidates = nullptr;
    QTableView* m_chosen = nullptr;
    QStandardItemModel* m_candidateModel = nullptr;
    QStandardItemModel* m_chosenModel = nullptr;
    QSet<QString> m_chosenKeys;
};
