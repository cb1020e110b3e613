#pragma once
// The print and column-chooser actions of a record window, and its grid
// layout. Created with the window (as its child), which calls the handlers
// from its actions; it owns the window's grid printer and applies the stored
// layout of the window's data set.
#include <QObject>
#include <QPointer>

class GridPrinter;
class TdlgPrint;
class TfrmDefColumn;
class TfrmRecordBaseClass;

class RecordPrintActions : public QObject {
    Q_OBJECT
public:
    explicit RecordPrintActions(TfrmRecordBaseClass& window);

    // Checks the print right, fills the printer's substitutions and shows
    // the print dialog.
    void actDataPrintExecute();
    // Shows the column chooser for the window's data set; the grid follows
    // a saved choice.
    void actDefColsExecute();
    // Applies the layout stored under the window's key to its data set's
    // fields; false when none is stored.
    bool loadLayout();

    GridPrinter& gridPrinter() { return *m_printer; }
    // The open dialogs (nullptr when none is open).
    TdlgPrint* printDialog() const;
    TfrmDefColumn* columnDialog() const;

private:
    TfrmRecordBaseClass& m_window;
    GridPrinter* m_printer;
    QPointer<TdlgPrint> m_printDialog;
    QPointer<TfrmDefColumn> m_columnDialog;
};
