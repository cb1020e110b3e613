#pragma once
// TfrmRecordBaseClass: the common ancestor of the record and report windows.
// An MDI child with a tool bar of data actions, a keyword search bar, a left
// panel for a tree and one grid over the window's data set. It carries the
// user's rights (Tag), the confirmation and logging rules for changes, the
// footer, sorting by titles, and the virtual operations descendants override
// to supply their statements and dialogs.
#include "charts/ChartSeries.h"
#include "dataset/DataSet.h"
#include "db/DbError.h"

#include <QHash>
#include <QPointer>
#include <QVariantMap>
#include <QWidget>

#include <functional>
#include <memory>

class BaseTableWriter;
class DataSetLoader;
class DBGrid;
class ModuleContext;
class Prompter;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSplitter;
class QToolBar;
class QToolButton;
class QVBoxLayout;
class RecordFileActions;
class RecordPrintActions;
class TdlgFilter;

class TfrmRecordBaseClass : public QWidget {
    Q_OBJECT
    friend class RecordFileActions;  // export, import and find work on the window's data set
    friend class RecordPrintActions; // print and column chooser work on the grid and the print title
    Q_PROPERTY(int Tag READ Tag WRITE setTag)
public:
    TfrmRecordBaseClass(ModuleContext& context, const QString& caption, QWidget* parent = nullptr);
    ~TfrmRecordBaseClass() override;

    int Tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    ModuleContext& context() const { return m_context; }
    Prompter& prompter() const;

    // The window's data set (the grid's data source); the window does not own it
    // unless it was created with ownDataSet().
    DataSet* dataSet() const { return m_dataSet; }
    void bindDataSet(DataSet* dataSet);
    DataSet* ownDataSet(const QString& componentName);

    // Runs what the first activation and every activation do (the MDI area
    // calls it when the window becomes active).
    void activate();
    bool isActivated() const { return m_activated; }

    // Rows of the window's data set arrive in the background (loadRows): while
    // they do, export, print, find and filter wait, and a strip under the grid
    // counts the rows and offers to cancel.
    bool isLoading() const;
    void cancelLoad();

    // The export, import and find actions, and the print and column actions.
    RecordFileActions& fileActions() const { return *m_fileActions; }
    RecordPrintActions& printActions() const { return *m_printActions; }
    // The chart of the rows that a spreadsheet export carries as a native
    // chart over the exported cells; none by default.
    virtual std::optional<ChartSpec> exportChart() const { return std::nullopt; }

    QString registryKey() const;
    // The line printed under the title ("%[caption]"), as the window set it.
    const QString& printSubheading() const { return printCaption; }

    // The controls tests and the host reach; descendants use the members.
    enum class DataAction {
        Insert,
        Edit,
        Delete,
        Cancel,
        Post,
        First,
        Last,
        Find,
        Print,
        Refresh,
        Filter,
        DefCols,
        Import,
        Export,
        FreezeCol,
        Help,
        Enter,
        SelFilter,
        ExcFilter,
        ShowAll
    };
    QAction* action(DataAction which) const;
    DBGrid* grid() const { return dgTable; }
    QLineEdit* keyEdit() const { return edtKey; }
    QToolButton* allButton() const { return sbAll; }
    QLabel* recordLabel() const { return lbRec; }

    // Tool buttons by object name ("tbInsert", "btnAddDes", ...).
    QToolButton* toolButton(const QString& name) const { return m_buttons.value(name); }
    void setToolButtonVisible(const QString& name, bool visible);
    bool isToolButtonVisible(const QString& name) const;

    // Virtual operations, in slot order.
    virtual bool ShowRecordDialog();
    virtual bool IsRecordValid();
    virtual void CheckFieldUnique(Field& field, const QVariant& value);
    virtual void DataSetAfterInsert(DataSet& dataSet);
    virtual void DataSetBeforePost(DataSet& dataSet);
    virtual void QueryData(QObject* sender);
    virtual void GetFindCondition(QString& extra);
    virtual bool DeleteRecord(DataSet* dataSet);
    virtual void EditAndFocus(QWidget* control);
    virtual void BeforeQuery();
    virtual void SetGridEditing(bool editing);
    virtual void SetSumFooter(QObject* sender, int footerRowCount);

    // The action handlers (public so that tests and descendants drive them).
    virtual void actDataInsertExecute();
    void actDataEditExecute();
    virtual void actDataDeleteExecute();
    void actDataCancelExecute();
    void actDataPostExecute();
    void actDataFirstExecute();
    void actDataLastExecute();
    void actDataRefreshExecute(QObject* sender = nullptr);
    void actFreezeColExecute();
    void actEnterExecute();

    // The export, print and find steps behind the tool bar; a window extends
    // them (the consumption list exports its detail lines) by overriding.
    virtual void exportRows();
    virtual void printRows();
    virtual void findRows();

    // The filter of the loaded rows: the dialog ("筛选", right bit 8) with
    // an extra condition appended to what it composes, and the grid's items
    // by the current cell. A filter by the cell narrows the filter in force.
    void actDataFilterExecute();
    // Shows the filter dialog (in the "高级查询" mode when asked) and applies
    // its statement followed by `extra`; the statement applied, empty when
    // none was.
    QString filterRows(const QString& extra = QString(), bool advancedQuery = false);
    void mlSelFilterClick();
    void mlExcFilterClick();
    void mlShowAllClick();
    TdlgFilter* filterDialog();
    // The line under the print title and in exports: the window's own
    // subtitle and the filter in force.
    QString subtitle() const;
    // The strip above the grid telling the filter in force and its rows.
    QLabel* filterLabel() const { return m_filterLabel; }

    // The data-state rules; run on every state change.
    void applyDataState();
    // The operation-log text of the last change, and its action caption.
    const QString& lastLogText() const { return m_logText; }

signals:
    // A data action or query failed: the message the operator was shown.
    void errorShown(const QString& message);
    // A load of the window's rows ended (complete, cancelled or failed).
    void queryFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Reports a database or conversion error to the operator (the window stays).
    void showError(const QString& message);
    // Runs `body`, showing a DbError's message instead of letting it escape.
    template <typename Body> bool guarded(Body body);

    // Writes a line to the operation log; a failure is shown, not raised.
    void writeLog(const QString& message);
    bool hasRight(int bit) const;
    void refuse();

    // Loading the window's rows. Each load runs columnsKnown once, when the
    // fields are there (before the rows, for a background load), and
    // rowsLoaded once, when the last row is in; `then` follows rowsLoaded
    // when the load neither failed nor was cancelled. A failed load shows its
    // error. loadRows reads on a worker connection; openRows reads here, for
    // the short statements a window needs at once (a found set, one bill).
    using AfterLoad = std::function<void()>;
    void loadRows(const QString& sql, const QVariantMap& params, QObject* sender, AfterLoad then = {});
    void openRows(const QString& sql, const QVariantMap& params, QObject* sender, AfterLoad then = {});
    // The data module's captions and code texts, the first columns, the
    // writer and field hooks are applied before this runs; a window adds its
    // own captions and formats here. The stored layout (or the fitted widths)
    // and the footer follow.
    virtual void columnsKnown(QObject* sender);
    // The base table and key are taken from the rows and the actions enabled
    // before this runs; a window adds what needs the rows.
    virtual void rowsLoaded(QObject* sender, bool cancelled);

    // Controls a window adds to its search bar, before the search button, in
    // the order added: a labelled control, the card-number box ("卡号",
    // digits only, with "读卡"; Enter runs the search) and a labelled combo
    // showing its last item.
    void addSearchControl(const QString& label, QWidget* control);
    QLineEdit* addCardSearch(QToolButton** readButton = nullptr);
    QComboBox* addSearchCombo(const QString& label, const QString& objectName, const QStringList& items);

    QVBoxLayout* mainLayout = nullptr;

    // State set by descendants.
    QString baseTable;
    QString keyField;
    QString nameField;
    QString baseSql;
    bool readOnlyWindow = false;
    bool queryOnFirstActivation = true;
    // The print title (the caption when empty) and the line printed under it ("%[caption]").
    QString printTitle;
    QString printCaption;
    // Posted changes are kept and sent together (batch-optimistic) instead of one by one.
    bool batchUpdates = false;
    // The footer row of sums and counts under the grid (SetSumFooter).
    bool sumFooter = false;
    // The columns an operator sees first, in this order, when no layout is stored.
    QStringList firstColumns;

    // Components (object names as the windows know them).
    QToolBar* ToolBar1 = nullptr;
    QWidget* plKey = nullptr;
    QLabel* lbKey = nullptr;
    QLineEdit* edtKey = nullptr;
    QToolButton* sbAll = nullptr;
    QWidget* plTree = nullptr;
    QWidget* PanelDetail = nullptr;
    QSplitter* splitter = nullptr;
    DBGrid* dgTable = nullptr;
    QLabel* lbRec = nullptr;
    QMenu* pmTable = nullptr;

    QAction* actDataInsert = nullptr;
    QAction* actDataEdit = nullptr;
    QAction* actDataDelete = nullptr;
    QAction* actDataCancel = nullptr;
    QAction* actDataPost = nullptr;
    QAction* actDataFirst = nullptr;
    QAction* actDataLast = nullptr;
    QAction* actDataFind = nullptr;
    QAction* actDataPrint = nullptr;
    QAction* actDataRefresh = nullptr;
    QAction* actDataFilter = nullptr;
    QAction* actDefCols = nullptr;
    QAction* actDataImport = nullptr;
    QAction* actDataExport = nullptr;
    QAction* actFreezeCol = nullptr;
    QAction* actHelp = nullptr;
    QAction* actEnter = nullptr;
    QAction* mlSelFilter = nullptr;
    QAction* mlExcFilter = nullptr;
    QAction* mlShowAll = nullptr;

private:
    // Once per load, when the fields are there: the data module's captions and
    // code texts, the window's first columns, the writer and field hooks, the
    // window's columnsKnown, the layout, the footer.
    void columnsArrived(QObject* sender);
    void loadStarted(QObject* sender);
    void loadEnded(QObject* sender, bool cancelled, const QString& error, const AfterLoad& then);
    void buildLoadingStrip();
    void buildActions();
    void buildToolBar();
    void buildSearchBar();
    void buildPopupMenu();
    void hookDataSet();
    void updateRecordLabel();
    void notifyHost(int event);
    void filterByCell(bool exclude);
    void updateFilterStrip();

    ModuleContext& m_context;
    RecordFileActions* m_fileActions = nullptr;
    RecordPrintActions* m_printActions = nullptr;
    DataSetLoader* m_loader = nullptr;
    QWidget* m_loadingStrip = nullptr;
    QLabel* m_loadingLabel = nullptr;
    QPushButton* m_cancelLoad = nullptr;
    QLabel* m_filterLabel = nullptr;
    bool m_columnsKnown = false; // columnsKnown ran for the load in progress
    QPointer<QObject> m_loadSender;
    int m_tag = 0;
    bool m_activated = false;
    bool m_closing = false;
    bool m_empnoWithLetters = false; // company parameter IsEMPNO_ABC
    QPointer<DataSet> m_dataSet;
    std::unique_ptr<BaseTableWriter> m_writer;
    QPointer<QWidget> m_watchedFrame;
    QString m_logText;
    QHash<QString, QToolButton*> m_buttons;
    QHash<QString, QAction*> m_buttonHolders;
};

template <typename Body> bool TfrmRecordBaseClass::guarded(Body body) {
    try {
        body();
        return true;
    } catch (const DbError& e) {
        showError(e.message());
    }
    return false;
}
