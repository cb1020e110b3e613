#include "ctl/demo/DemoDataCommand.h"

#include "ctl/demo/DemoDataGenerator.h"
#include "db/DbError.h"

namespace {

const char* const kUsage = "usage: demo-data --scale S|M|L [--end-date yyyy-MM-dd] [--seed N] [--replace]\n";

// "--name value" or "--name=value"; false when the option is not at `i`.
bool takeValue(const QStringList& args, int& i, const QString& name, QString& value, bool& missing) {
    const QString& a = args[i];
    if (a == name) {
        if (i + 1 >= args.size()) {
            missing = true;
            return true;
        }
        value = args[++i];
        return true;
    }
    if (a.startsWith(name + QLatin1Char('='))) {
        value = a.mid(name.size() + 1);
        return true;
    }
    return false;
}

} // namespace

int runDemoDataCommand(const QSqlDatabase& db, const QStringList& args, QTextStream& out, QTextStream& err) {
    DemoOptions options;
    options.endDate = QDate::currentDate();
    QString scale;
    for (int i = 0; i < args.size(); ++i) {
        QString value;
        bool missing = false;
        if (takeValue(args, i, QStringLiteral("--scale"), value, missing)) {
            scale = value;
        } else if (takeValue(args, i, QStringLiteral("--end-date"), value, missing)) {
            options.endDate = QDate::fromString(value, QStringLiteral("yyyy-MM-dd"));
            if (!missing && !options.endDate.isValid()) {
                err << "demo-data: not a date (yyyy-MM-dd): " << value << "\n" << kUsage;
                return 2;
            }
        } else if (takeValue(args, i, QStringLiteral("--seed"), value, missing)) {
            bool ok = false;
            options.seed = value.toULongLong(&ok);
            if (!missing && !ok) {
                err << "demo-data: not a number: " << value << "\n" << kUsage;
                return 2;
            }
        } else if (args[i] == QLatin1String("--replace")) {
            options.replace = true;
        } else {
            err << "demo-data: unknown argument " << args[i] << "\n" << kUsage;
            return 2;
        }
        if (missing) {
            err << "demo-data: " << args[i] << " needs a value\n" << kUsage;
            return 2;
        }
    }
    options.scale = DemoScale::forName(scale);
    if (options.scale.name.isEmpty()) {
        err << "demo-data: --scale must be S, M or L\n" << kUsage;
        return 2;
    }
    try {
        const DemoSummary s = DemoDataGenerator(db, options, err).run();
        out << "demo data " << options.scale.name << ": " << s.people << " people, " << s.cards << " cards, "
            << s.transactions << " transactions, " << s.rows << " rows\n";
        out.flush();
        return 0;
    } catch (const DbError& e) {
        err << "demo-data: " << e.message() << "\n";
        err.flush();
        return 1;
    }
}
