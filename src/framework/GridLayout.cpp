#include "framework/GridLayout.h"

#include "dataset/DataSet.h"
#include "framework/DataSetBinding.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <vector>

namespace GridLayout {

int storedWidth(int width) {
    if (width > 99)
        width = int(std::lround(width / 10.0));
    return std::clamp(width, 0, 99);
}

QString encode(const FieldLayout& layout) {
    return QStringLiteral("%1%2%3%4")
        .arg(QString(layout.visible ? QLatin1Char('1') : QLatin1Char('0')),
             QString::number(std::clamp(layout.index, 0, 9999)).rightJustified(4, QLatin1Char('0')),
             QString::number(storedWidth(layout.width)).rightJustified(2, QLatin1Char('0')), layout.label);
}

std::optional<FieldLayout> decode(const QString& text) {
    if (text.size() < 7)
        return std::nullopt;
    for (int i = 1; i < 7; ++i)
        if (!text.at(i).isDigit())
            return std::nullopt;
    FieldLayout layout;
    layout.visible = text.at(0) == QLatin1Char('1');
    layout.index = text.mid(1, 4).toInt();
    layout.width = text.mid(5, 2).toInt();
    layout.label = text.mid(7);
    return layout;
}

} // namespace GridLayout

GridLayoutStore::GridLayoutStore(const QString& fileName) : m_fileName(fileName) {}

QString GridLayoutStore::defaultFileName() {
    QString dir = qEnvironmentVariable("MEAL_SETTINGS_DIR");
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
              QStringLiteral("/MealPlugin");
    return QDir(dir).filePath(QStringLiteral("layouts.ini"));
}

void GridLayoutStore::save(DataSet& dataSet, const QString& key) const {
    QSettings settings(m_fileName, QSettings::IniFormat);
    settings.remove(key);
    settings.beginGroup(key);
    for (int i = 0; i < dataSet.fieldCount(); ++i) {
        Field* field = dataSet.field(i);
        const int width = GridLayout::storedWidth(field->displayWidth());
        if (width != field->displayWidth())
            field->setDisplayWidth(width);
        settings.setValue(field->fieldName(),
                          GridLayout::encode({field->visible(), i, width, field->displayLabel()}));
    }
    settings.endGroup();
}

bool GridLayoutStore::load(DataSet& dataSet, const QString& key) const {
    QSettings settings(m_fileName, QSettings::IniFormat);
    settings.beginGroup(key);
    const QStringList names = settings.childKeys();
    if (names.isEmpty())
        return false;
    std::vector<std::pair<Field*, int>> moves;
    for (const QString& name : names) {
        if (name == GridLayout::kDefaultLayout)
            continue;
        Field* field = shownField(dataSet, name);
        const auto layout = GridLayout::decode(settings.value(name).toString());
        if (!field || !layout)
            continue;
        field->setVisible(layout->visible);
        field->setDisplayWidth(layout->width);
        field->setDisplayLabel(layout->label);
        moves.emplace_back(field, layout->index);
    }
    // Placing the fields in rising index order gives every field its stored
    // place whatever order the values come in.
    std::stable_sort(moves.begin(), moves.end(),
                     [](const auto& a, const auto& b) { return a.second < b.second; });
    for (const auto& [field, index] : moves)
        field->setIndex(index);
    return true;
}

void GridLayoutStore::markDefault(const QString& key) const {
    setValue(key, GridLayout::kDefaultLayout, key);
}

QString GridLayoutStore::value(const QString& key, const QString& name) const {
    QSettings settings(m_fileName, QSettings::IniFormat);
    settings.beginGroup(key);
    return settings.value(name).toString();
}

void GridLayoutStore::setValue(const QString& key, const QString& name, const QString& text) const {
    QSettings settings(m_fileName, QSettings::IniFormat);
    settings.beginGroup(key);
    settings.setValue(name, text);
}
