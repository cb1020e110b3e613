#pragma once
// TdlgFileRecords ("选定文件内容"): the rows read from a file about to be
// imported, in an editable grid, for the operator to look over (and mend)
// before they are copied; OK goes on, Cancel stops.
#include <QDialog>

class DBGrid;
class DataSet;
class QPushButton;

class TdlgFileRecords : public QDialog {
    Q_OBJECT
public:
    // `labels` names the file's fields as the importing window does.
    TdlgFileRecords(DataSet& rows, const DataSet* labels, QWidget* parent = nullptr);

    DBGrid* grid() const { return dgTable; }
    QPushButton* okButton() const { return btnOK; }
    QPushButton* cancelButton() const { return btnCancel; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    DBGrid* dgTable = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
};
