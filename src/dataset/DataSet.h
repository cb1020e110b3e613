#pragma once
// The in-memory data set of every record window: rows held column by column
// (RowStore), typed fields, a cursor with record number and bookmarks, an
// ADO-syntax filter, a sort text, Locate, and clones that share the rows.
// Nothing here touches a widget; a grid model reads cells by position and
// converts only what it shows.
#include "dataset/Field.h"
#include "dataset/RowStore.h"
#include "dataset/SortOrder.h"

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class RowPredicate;
class SqlTrace;

constexpr Bookmark kNoBookmark = 0xFFFFFFFFu;
// The record being inserted, before it is posted.
constexpr Bookmark kInsertBookmark = 0xFFFFFFFEu;

// One cell in stored form (see FieldTypes.h), for the edit buffer and for
// conversions.
struct Cell {
    bool null = true;
    std::int64_t i = 0; // Int64 and Fixed4
    double d = 0;       // Double
    std::string s;      // Bytes
};

struct DataSetOpenOptions {
    // Called after each batch of rows with the rows loaded so far; return
    // false to cancel the load (the rows already loaded stay).
    std::function<bool(std::uint32_t rowsSoFar)> progress;
    // Read through QSqlQuery even on MariaDB (the path of other drivers).
    bool forceQtDriver = false;
    // When set, the statement is written to this trace before it runs.
    const SqlTrace* trace = nullptr;
};

class DataSet : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };
    enum LocateOption { CaseInsensitive = 1, PartialKey = 2 };
    Q_DECLARE_FLAGS(LocateOptions, LocateOption)

    using OpenOptions = DataSetOpenOptions;

    explicit DataSet(QObject* parent = nullptr);
    ~DataSet() override;

    // Runs `sql` on `db` with its ":name"/":@name" parameters bound from
    // `params` and loads every row. Throws DbError with the engine's message;
    // on failure the data set is left closed. Returns false when cancelled.
    bool open(const QSqlDatabase& db, const QString& sql, const QVariantMap& params = {},
              const OpenOptions& options = {});
    void close();
    bool isActive() const { return m_state != State::Inactive; }
    State state() const { return m_state; }
    bool isLoading() const { return m_loading; }

    // Loading in steps, for loaders that deliver rows from elsewhere (a worker
    // thread): begin with the columns, append batches, end.
    void beginLoad(std::vector<ColumnDef> columns);
    void appendRows(const RowBatch& batch);
    void endLoad(bool cancelled = false);

    const QString& commandText() const { return m_commandText; }
    void setCommandText(const QString& sql) { m_commandText = sql; }
    // The table edits are written to ("Unique Table"); by default the one
    // base table all columns come from, empty when they come from several.
    const QString& uniqueTable() const { return m_uniqueTable; }
    void setUniqueTable(const QString& table) { m_uniqueTable = table; }

    // Fields in index order.
    int fieldCount() const { return int(m_fields.size()); }
    Field* field(int index) const { return m_fields[std::size_t(index)].get(); }
    Field* findField(const QString& name) const;   // case-insensitive; nullptr when absent
    Field& fieldByName(const QString& name) const; // throws DbError when absent
    Field& addCalculatedField(const QString& name, FieldType type, Field::Calculation calculation);
    void moveField(Field* field, int newIndex);
    // A lookup field: the value of `resultField` in the row of `lookupDataSet`
    // whose `lookupKeyFields` equal this row's `keyFields` (names separated by
    // ";"); null when no row matches. The lookup rows are indexed on first use
    // and again after they change.
    Field& addLookupField(const QString& name, const QString& keyFields, DataSet* lookupDataSet,
                          const QString& lookupKeyFields, const QString& resultField);

    // Cursor. Positions are 0-based places in the current view (sorted and
    // filtered); the record number is 1-based, 0 when there is no record.
    int recordCount() const { return int(m_view.size()); }
    bool isEmpty() const { return m_view.empty(); }
    int recNo() const { return m_pos < 0 ? 0 : m_pos + 1; }
    void setRecNo(int recNo);
    int position() const { return m_pos; }
    bool bof() const { return m_bof; }
    bool eof() const { return m_eof; }
    void first();
    void last();
    void next();
    void prior();
    void moveBy(int distance);

    // Bookmarks name a row whatever the sort and filter.
    Bookmark bookmark() const { return m_pos < 0 ? kNoBookmark : m_view[std::size_t(m_pos)]; }
    Bookmark bookmarkAt(int position) const { return m_view[std::size_t(position)]; }
    int positionOf(Bookmark bookmark) const; // -1 when the row is not in the view
    bool bookmarkValid(Bookmark bookmark) const { return positionOf(bookmark) >= 0; }
    bool gotoBookmark(Bookmark bookmark);

    // Cells by position in the view (a grid) or by bookmark.
    bool isNull(int position, int field) const { return isNullAt(bookmarkAt(position), field); }
    QVariant value(int position, int field) const { return valueAt(bookmarkAt(position), field); }
    QString displayText(int position, int field) const { return displayTextAt(bookmarkAt(position), field); }
    bool isNullAt(Bookmark bookmark, int field) const;
    QVariant valueAt(Bookmark bookmark, int field) const;
    QString textAt(Bookmark bookmark, int field) const;        // plain text, no format or handler
    QString displayTextAt(Bookmark bookmark, int field) const; // handler, else display format
    QVariant valueAt(Bookmark bookmark, const QString& fieldName) const;

    // A numeric cell as fixed-point (value * 10^4); 0 for null.
    std::int64_t fixedAt(Bookmark bookmark, int field) const;
    // The current record, or the record being inserted or edited.
    Bookmark currentRecordBookmark() const;

    // Editing. Edit and Append put the data set into the Edit or Insert state
    // with an edit buffer; Post writes the buffer into the rows (and hands the
    // change to the poster when one is set), Cancel drops it. Delete removes
    // the current row. Hooks run in the order of the names.
    void edit();
    void append();
    void post();
    void cancel();
    void deleteRecord();
    bool isModified() const { return m_modified; }
    // Called with the data set after Append/Insert has set up the new record.
    std::function<void(DataSet&)> afterInsert;
    // Called before a record is posted; throw DbError to refuse the post.
    std::function<void(DataSet&)> beforePost;
    // Called before a row is deleted; throw DbError to refuse.
    std::function<void(DataSet&)> beforeDelete;
    // Writes a posted change somewhere else (the base table); throw DbError to
    // refuse it, which leaves the data set in its editing state. For an
    // insert the poster may fill in values the server made (auto-increment).
    struct Change {
        enum Kind { Insert, Update, Delete } kind;
        Bookmark row;                // the row in the store (after the change)
        std::vector<Cell> oldValues; // per store column; empty for Insert
        std::vector<Cell> newValues; // per store column; empty for Delete
        std::vector<bool> changed;   // per store column, for Update
    };
    std::function<void(DataSet&, Change&)> poster;

    // Exact sum of a numeric field over the view: fixed-point (value * 10^4)
    // for money, BCD and integers; nulls count as 0.
    std::int64_t sumFixed(int field) const;
    double sumFloat(int field) const;

    // "f1 ASC,f2 DESC" (names optionally in brackets). Stable; an empty text
    // gives the load order. Throws DbError and keeps the sort on a bad text.
    const QString& sort() const { return m_sortText; }
    void setSort(const QString& sortText);
    // ADO filter syntax. Throws DbError and keeps the previous filter on a bad expression.
    const QString& filter() const { return m_filterText; }
    void setFilter(const QString& filterText);
    bool filtered() const { return m_filtered; }
    void setFiltered(bool filtered);

    // Moves to the first row of the view whose fields (names separated by
    // ";") equal `values` (one value, or a list with one value per field).
    bool locate(const QString& keyFields, const QVariant& values, LocateOptions options = {});

    // A data set over the same rows with its own cursor, filter and sort;
    // field properties are copied. The clone belongs to `parent`.
    DataSet* clone(QObject* parent = nullptr) const;

    const RowStore* store() const { return m_store.get(); }
    std::size_t memoryBytes() const;

    // The stored form of a value for a field type; throws DbError when the
    // value does not convert.
    static Cell toCell(const QVariant& value, FieldType type);
    // The stored cell of a row (or the edit buffer).
    Cell cellAt(Bookmark bookmark, int field) const;
    static QVariant cellValue(const Cell& cell, FieldType type);
    static QString cellText(const Cell& cell, FieldType type);

signals:
    void stateChanged();
    // A field of the current record was changed in Edit or Insert state, or a
    // posted change altered a row: `bookmark` names it.
    void dataChanged(Bookmark bookmark);
    // The cursor moved to another record.
    void recordChanged();
    // Rows appended to the end of the view: positions first .. first + count - 1.
    void rowsAppended(int first, int count);
    // The view was rebuilt (open, close, sort, filter): re-read everything.
    void viewReset();
    void loadProgress(quint32 rowsSoFar);
    void loadFinished(bool cancelled);

private:
    friend class Field;
    void setFieldValue(Field& field, const QVariant& value);
    const Cell* buffered(Bookmark bookmark, int column) const;
    Cell storedCell(Bookmark row, int column) const;
    void setState(State state);
    void storeRowChanged(Bookmark row);
    void storeRowDeleted(Bookmark row);
    void storeLoadFinished(bool cancelled);
    void attachStore(std::shared_ptr<RowStore> store);
    void detachStore();
    void createFields();
    void rebuildView();
    // Leaves Edit or Insert: the buffer is dropped, the state is Browse; the row edited.
    Bookmark endEdit();
    // Rebuilds the view and stays on the same row (the first when it left the view).
    void rebuildViewKeepingRow();
    void rebuildViewKeepingRow(Bookmark keep);
    void storeRowsAdded(std::uint32_t firstRow, std::uint32_t count);
    void invalidatePositions() { m_positionsValid = false; }
    void setPosition(int pos);
    void applySortToView();
    Field* currentField(const Field* f) const;

    std::shared_ptr<RowStore> m_store;
    std::vector<std::unique_ptr<Field>> m_fields;
    std::vector<Bookmark> m_view;
    mutable std::vector<std::int32_t> m_positions; // bookmark -> view position
    mutable bool m_positionsValid = false;
    int m_pos = -1;
    bool m_bof = true;
    bool m_eof = true;
    State m_state = State::Inactive;
    bool m_loading = false;
    QString m_commandText;
    QString m_uniqueTable;
    QString m_sortText;
    QString m_filterText;
    bool m_filtered = false;
    std::shared_ptr<RowPredicate> m_predicate;
    std::vector<SortKey> m_sortKeys;
    // Edit buffer: one cell per store column, and which ones were written.
    std::vector<Cell> m_buffer;
    std::vector<bool> m_bufferSet;
    Bookmark m_editRow = kNoBookmark;
    bool m_modified = false;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(DataSet::LocateOptions)
