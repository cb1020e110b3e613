#pragma once
// A walk through the dialogs of one record window for the screenshots: the
// column chooser, the filter dialog, the print dialog and its preview, and the toast a direct
// print shows. The host knows the plug-in's windows only by object names
// ("actDefCols", "actDataPrint", "dlgPrint", ...), so the walk is generic: it
// triggers the window's actions, waits for the modal dialog they open,
// saves a picture of it and dismisses it.
#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

class HostDialogTour : public QObject {
    Q_OBJECT
public:
    using Saver = std::function<void(QWidget* widget, const QString& suffix)>;

    // True when the window carries the actions the walk needs.
    static bool applies(QWidget* window);

    HostDialogTour(QWidget* window, int delayMs, Saver save, QObject* parent = nullptr);
    void start();

signals:
    void finished();

private:
    void columns();
    void filter();
    void preview();
    void printDirectly();
    void toast();
    void trigger(const char* action);
    // After the delay: the modal dialog named `name`, or nothing.
    void onModal(const QString& name, std::function<void(QWidget*)> body);
    static void clickChild(QWidget* dialog, const char* button);

    QPointer<QWidget> m_window;
    int m_delayMs;
    Saver m_save;
};
