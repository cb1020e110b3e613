#pragma once
// Controls bound to the fields of a data set, as the entry dialogs use them.
// A control shows the current record's value; what the operator changes is
// written back into its field when the control is left (a check box or a
// list at once) and, for whatever is still pending, by flush() before a
// post. A field that refuses a value (its check, a conversion) leaves the
// control showing the field's value again.
//
// Bound kinds: QLineEdit, QPlainTextEdit (memo), QDateTimeEdit (and
// QDateEdit), QCheckBox, QComboBox (its text).
#include <QObject>
#include <QPointer>
#include <QVariant>
#include <QVector>

class DataSet;
class QEvent;
class QWidget;

class DataControls : public QObject {
    Q_OBJECT
public:
    explicit DataControls(QObject* parent = nullptr);

    void setDataSet(DataSet* dataSet);
    DataSet* dataSet() const { return m_dataSet; }

    // Binds a control to a field by name (resolved on every read and write,
    // so the binding survives a reopened data set).
    void bind(QWidget* control, const QString& fieldName);
    QWidget* control(const QString& fieldName) const;
    QString fieldName(const QWidget* control) const;
    QVector<QWidget*> controls() const;

    // Shows the current record in every control and forgets pending changes.
    void load();
    // Writes the pending changes into the fields (putting a browsing data set
    // into Edit first). Throws DbError when a field refuses its value; an
    // empty message means the field's check has told the operator already.
    void flush();
    bool hasPendingChanges() const;

    // A memo takes Enter as a new line.
    static bool isMemo(const QWidget* control);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // Writing a left control failed; `message` as in flush().
    void writeFailed(const QString& message);

private:
    struct Binding {
        QPointer<QWidget> control;
        QString fieldName;
        bool dirty = false;
    };
    Binding* bindingOf(const QObject* control);
    void connectControl(QWidget* control);
    void changed(QObject* control);
    void left(QObject* control);
    void write(Binding& binding);
    void show(Binding& binding);
    QVariant controlValue(const Binding& binding) const;
    void dataChanged();
    void recordChanged();

    QPointer<DataSet> m_dataSet;
    QVector<Binding> m_bindings;
    QVector<QMetaObject::Connection> m_dataSetConnections;
    bool m_quiet = false; // set while the binding itself changes controls or the data set
};
