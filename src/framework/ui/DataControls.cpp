#include "framework/ui/DataControls.h"

#include "dataset/DataSet.h"
#include "db/DbError.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {
// Runs `body` with the flag set, restoring it afterwards (also on a throw).
template <typename Body> void quietly(bool& flag, Body body) {
    const bool before = flag;
    flag = true;
    try {
        body();
    } catch (...) {
        flag = before;
        throw;
    }
    flag = before;
}

bool isTextField(const Field& field) {
    switch (field.dataType()) {
    case FieldType::String:
    case FieldType::WideString:
    case FieldType::Memo:
        return true;
    default:
        return false;
    }
}
} // namespace

DataControls::DataControls(QObject* parent) : QObject(parent) {}

void DataControls::setDataSet(DataSet* dataSet) {
    for (const QMetaObject::Connection& c : std::as_const(m_dataSetConnections))
        disconnect(c);
    m_dataSetConnections.clear();
    m_dataSet = dataSet;
    if (dataSet) {
        m_dataSetConnections << connect(dataSet, &DataSet::recordChanged, this, &DataControls::recordChanged)
                             << connect(dataSet, &DataSet::viewReset, this, &DataControls::recordChanged)
                             << connect(dataSet, &DataSet::stateChanged, this, &DataControls::recordChanged)
                             << connect(dataSet, &DataSet::dataChanged, this, &DataControls::dataChanged);
    }
    load();
}

void DataControls::bind(QWidget* control, const QString& fieldName) {
    if (Binding* b = bindingOf(control)) {
        b->fieldName = fieldName;
        show(*b);
        return;
    }
    m_bindings.push_back({control, fieldName, false});
    connectControl(control);
    show(m_bindings.back());
}

QWidget* DataControls::control(const QString& fieldName) const {
    for (const Binding& b : m_bindings)
        if (b.fieldName.compare(fieldName, Qt::CaseInsensitive) == 0)
            return b.control;
    return nullptr;
}

QString DataControls::fieldName(const QWidget* control) const {
    for (const Binding& b : m_bindings)
        if (b.control == control)
            return b.fieldName;
    return QString();
}

QVector<QWidget*> DataControls::controls() const {
    QVector<QWidget*> list;
    for (const Binding& b : m_bindings)
        if (b.control)
            list << b.control;
    return list;
}

bool DataControls::isMemo(const QWidget* control) {
    return qobject_cast<const QPlainTextEdit*>(control) != nullptr;
}

DataControls::Binding* DataControls::bindingOf(const QObject* control) {
    for (Binding& b : m_bindings)
        if (b.control == control)
            return &b;
    return nullptr;
}

void DataControls::connectControl(QWidget* control) {
    if (auto* e = qobject_cast<QLineEdit*>(control)) {
        connect(e, &QLineEdit::textEdited, this, [this, e] { changed(e); });
        connect(e, &QLineEdit::editingFinished, this, [this, e] { left(e); });
    } else if (auto* m = qobject_cast<QPlainTextEdit*>(control)) {
        connect(m, &QPlainTextEdit::textChanged, this, [this, m] { changed(m); });
        // A memo is written when it is left (focus out) or flushed.
        m->installEventFilter(this);
    } else if (auto* d = qobject_cast<QDateTimeEdit*>(control)) {
        connect(d, &QDateTimeEdit::dateTimeChanged, this, [this, d] { changed(d); });
        connect(d, &QDateTimeEdit::editingFinished, this, [this, d] { left(d); });
    } else if (auto* c = qobject_cast<QCheckBox*>(control)) {
        connect(c, &QCheckBox::toggled, this, [this, c] {
            changed(c);
            left(c);
        });
    } else if (auto* box = qobject_cast<QComboBox*>(control)) {
        connect(box, &QComboBox::currentTextChanged, this, [this, box] {
            changed(box);
            if (!box->isEditable())
                left(box);
        });
        if (box->lineEdit())
            connect(box->lineEdit(), &QLineEdit::editingFinished, this, [this, box] { left(box); });
    }
}

bool DataControls::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut)
        left(watched);
    return QObject::eventFilter(watched, event);
}

void DataControls::changed(QObject* control) {
    if (m_quiet)
        return;
    if (Binding* b = bindingOf(control))
        b->dirty = true;
}

void DataControls::left(QObject* control) {
    Binding* b = bindingOf(control);
    if (m_quiet || !b || !b->dirty)
        return;
    try {
        write(*b);
    } catch (const DbError& e) {
        show(*b);
        emit writeFailed(e.message());
    }
}

QVariant DataControls::controlValue(const Binding& binding) const {
    QWidget* control = binding.control;
    const Field* field = m_dataSet ? m_dataSet->findField(binding.fieldName) : nullptr;
    QString text;
    if (auto* e = qobject_cast<QLineEdit*>(control))
        text = e->text();
    else if (auto* m = qobject_cast<QPlainTextEdit*>(control))
        text = m->toPlainText();
    else if (auto* box = qobject_cast<QComboBox*>(control))
        text = box->currentText();
    else if (auto* d = qobject_cast<QDateTimeEdit*>(control))
        return d->dateTime();
    else if (auto* c = qobject_cast<QCheckBox*>(control))
        return c->isChecked();
    // An empty box is no value for a number or a date.
    if (field && !isTextField(*field) && text.trimmed().isEmpty())
        return QVariant();
    return text;
}

void DataControls::write(Binding& binding) {
    if (!m_dataSet || !binding.control)
        return;
    Field& field = m_dataSet->fieldByName(binding.fieldName);
    const QVariant value = controlValue(binding);
    quietly(m_quiet, [&] {
        if (m_dataSet->state() == DataSet::State::Browse)
            m_dataSet->edit();
        field.setValue(value);
    });
    binding.dirty = false;
}

void DataControls::flush() {
    for (Binding& b : m_bindings)
        if (b.dirty) {
            try {
                write(b);
            } catch (const DbError&) {
                show(b);
                throw;
            }
        }
}

bool DataControls::hasPendingChanges() const {
    for (const Binding& b : m_bindings)
        if (b.dirty)
            return true;
    return false;
}

void DataControls::show(Binding& binding) {
    QWidget* control = binding.control;
    if (!control)
        return;
    const Field* field =
        m_dataSet && m_dataSet->isActive() ? m_dataSet->findField(binding.fieldName) : nullptr;
    const bool hasRecord = field && m_dataSet->currentRecordBookmark() != kNoBookmark;
    quietly(m_quiet, [&] {
        if (auto* e = qobject_cast<QLineEdit*>(control))
            e->setText(hasRecord ? field->asString() : QString());
        else if (auto* m = qobject_cast<QPlainTextEdit*>(control))
            m->setPlainText(hasRecord ? field->asString() : QString());
        else if (auto* box = qobject_cast<QComboBox*>(control)) {
            const QString text = hasRecord ? field->asString() : QString();
            if (box->isEditable())
                box->setEditText(text);
            else
                box->setCurrentIndex(box->findText(text));
        } else if (auto* d = qobject_cast<QDateTimeEdit*>(control)) {
            if (hasRecord && !field->isNull())
                d->setDateTime(field->asDateTime());
        } else if (auto* c = qobject_cast<QCheckBox*>(control))
            c->setChecked(hasRecord && field->asBoolean());
    });
    binding.dirty = false;
}

void DataControls::load() {
    for (Binding& b : m_bindings)
        show(b);
}

void DataControls::recordChanged() {
    if (!m_quiet)
        load();
}

void DataControls::dataChanged() {
    // A field changed elsewhere (code, a copy): show it, keeping what the
    // operator is still typing.
    if (m_quiet)
        return;
    for (Binding& b : m_bindings)
        if (!b.dirty)
            show(b);
}
