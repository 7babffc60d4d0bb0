#pragma once

#include "ExpressRunWindow.h"
#include "ExpressState.h"
#include "ReportListModel.h"
#include "WindowPointer.h"

#include <QCursor>
#include <QDialog>
#include <QIcon>
#include <functional>
#include <optional>

class Dialogs;
class Express1;
class PrinterSystem;
class ProcessLauncher;
class QComboBox;
class QGroupBox;
class QPushButton;
class QTreeView;
class SettingsStore;
class WebBrowser;
class WorkFolder;

/// The Outlook Express window: the .dbx file grid, the message grid, the printer
/// choice and the runs behind its buttons. It opens modally over the main window (or
/// alone at start-up when no mail engine is available) and, closed in that case, ends
/// the program.
class Form2 : public QDialog, private ExpressRunWindow
{
    Q_OBJECT

public:
    /// What outlives the window: kept for as long as the program runs.
    using State = ExpressState;

    struct Services
    {
        Dialogs& dialogs;
        SettingsStore& settings;
        PrinterSystem& printers;
        ProcessLauncher& launcher;
        Express1& express;
        State& state;
        QString appFolder;            ///< holds DBXToEML and HAND-M.CUR
        const WorkFolder& workFolder; ///< the private folder of the extracted messages
        QIcon icon;
        std::function<bool()> isOutlookInstalled;
        std::function<void()> endProgram;
        std::function<bool(const QString&)> fileExists;
        std::function<std::optional<QCursor>(const QString&)> loadCursor;
        std::function<void(double)> waitSeconds;
    };

    using Pointer = WindowPointer::Pointer;

    static constexpr int kClientWidthTwips = 8040;
    static constexpr int kClientHeightTwips = 8505;

    explicit Form2(Services services, QWidget* parent = nullptr);
    ~Form2() override;

    /// The start-up sequence; showing the window runs it.
    void Form_Load();
    void PushButton1_Click();
    void PushButton2_Click();
    void PushButton3_Click();
    void PushButton4_Click();
    void PushButton5_Click();
    void PushButton6_Click();
    void PushButton7_Click();
    void PushButton14_Click();
    void PushButton23_Click();

    ReportListModel& fileGrid() { return m_files; }
    ReportListModel& messageGrid() { return m_messages; }
    Pointer pointer() const { return m_pointer.current(); }
    WebBrowser& browser() { return *m_browser; }

    /// The help text of PushButton23.
    static QString helpText();

protected:
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void FillPrinterList();
    void Form_QueryUnload();
    void Combo1_Click();
    void setAllChecked(const QString& procedure, ReportListModel& grid, bool checked);
    void setBusyPointer(bool busy);
    void setPointer(Pointer pointer);
    void setRunning(bool running);

    // ExpressRunWindow
    void setBusy(bool busy) override { setBusyPointer(busy); }
    bool stopRequested() override { return m_closeRequested.has_value(); }
    void waitSeconds(double seconds) override;
    void printMessageFile(const QString& path) override;

    Services m_services;
    ReportListModel m_files;
    ReportListModel m_messages;
    std::unique_ptr<WebBrowser> m_browser;
    WindowPointer m_pointer{*this};
    bool m_loaded = false;
    bool m_centred = false;
    bool m_running = false;              // an extraction or print run is under way
    std::optional<int> m_closeRequested; // the window was closed during a run: close after it
    bool m_printerRecorded = false;      // SavedPrinter was taken at this opening's first run

    QPushButton* PushButton23 = nullptr;
    QPushButton* PushButton14 = nullptr;
    QPushButton* PushButton1 = nullptr;
    QTreeView* ListView1 = nullptr;
    QPushButton* PushButton5 = nullptr;
    QPushButton* PushButton3 = nullptr;
    QPushButton* PushButton2 = nullptr;
    QTreeView* ListView2 = nullptr;
    QGroupBox* Frame4 = nullptr;
    QComboBox* Combo1 = nullptr;
    QPushButton* PushButton4 = nullptr;
    QPushButton* PushButton6 = nullptr;
    QPushButton* PushButton7 = nullptr;
};
