#pragma once
// The grid layout of a data set as the operator chose it in the column
// chooser: one stored text per field (visible flag, index, display width,
// display label), kept per user under a key named after the data set, and
// applied to the data set's fields so that the grid, the print and the
// exports all follow it.
#include <QString>

#include <optional>

class DataSet;

namespace GridLayout {

// The value every key carries besides the fields; readers skip it.
inline const QString kDefaultLayout = QStringLiteral("Default Layout");

struct FieldLayout {
    bool visible = true;
    int index = 0;
    int width = 0;
    QString label;
};

// A display width as it is stored in two digits: above 99 divided by 10
// (rounded), and never above 99.
int storedWidth(int width);

// "1" or "0", the index in four digits, the width in two, then the label as
// it stands. Indexes beyond 9999 are stored as 9999.
QString encode(const FieldLayout& layout);
// The stored text back; nothing when it is too short or its digits are not
// digits. The label is taken unchanged.
std::optional<FieldLayout> decode(const QString& text);

} // namespace GridLayout

// The stored layouts: an INI file in the user's configuration folder (or in
// MEAL_SETTINGS_DIR when set) with one group per key path.
class GridLayoutStore {
public:
    explicit GridLayoutStore(const QString& fileName = defaultFileName());

    static QString defaultFileName();
    const QString& fileName() const { return m_fileName; }

    // Replaces the key with one value per field of the data set, in field
    // order; a field wider than two digits allow gets the stored width.
    void save(DataSet& dataSet, const QString& key) const;
    // Applies the stored values that name a field of the data set; returns
    // false (changing nothing) when the key does not exist.
    bool load(DataSet& dataSet, const QString& key) const;
    // Writes the "Default Layout" value (the key path) into the key.
    void markDefault(const QString& key) const;

    // The raw value of one field, empty when there is none.
    QString value(const QString& key, const QString& name) const;
    void setValue(const QString& key, const QString& name, const QString& text) const;

private:
    QString m_fileName;
};
