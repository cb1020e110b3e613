#pragma once
// Windows-style INI file ("Daybook.ini"): sections and keys are matched without
// regard to letter case, values are kept verbatim. Reads UTF-8 or GBK.
#include <QString>
#include <QStringList>
#include <QVector>

class IniFile {
public:
    IniFile() = default;
    explicit IniFile(const QString& path);

    bool load(const QString& path);
    bool exists() const { return m_exists; }
    const QString& path() const { return m_path; }

    QString readString(const QString& section, const QString& key, const QString& def = QString()) const;
    int readInteger(const QString& section, const QString& key, int def) const;
    // "1", "true", "yes", "on" (any case) are true; "0", "false", "no", "off" false.
    bool readBool(const QString& section, const QString& key, bool def) const;
    QStringList sectionKeys(const QString& section) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    // Writes the file back as UTF-8; returns false when it cannot be written.
    bool save() const;

private:
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        QVector<Entry> entries;
    };
    const Section* findSection(const QString& name) const;
    Section* findSection(const QString& name);

    QString m_path;
    bool m_exists = false;
    QVector<Section> m_sections;
};
