#pragma once

#include "EventPump.h"
#include "MailListing.h"
#include "PrintRun.h"
#include "ReportListModel.h"
#include "WindowPointer.h"

#include <QCursor>
#include <QWidget>
#include <functional>
#include <optional>

class Dialogs;
class PrinterSystem;
class ProcessTable;
class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QShortcut;
class QTreeView;
class SettingsStore;

namespace Outlook
{
class ApplicationFactory;
}

/// The main window: the Outlook-mode grid, the source, filter, print mode and printer
/// choices. Every choice is stored the moment it is made.
class Form1 : public QWidget, private Outlook::PrintRunWindow
{
    Q_OBJECT

public:
    struct Services
    {
        Dialogs& dialogs;
        SettingsStore& settings;
        PrinterSystem& printers;
        ProcessTable& processes;
        Outlook::ApplicationFactory& outlook;
        QString appFolder;                                ///< where HAND-M.CUR and the skin are looked for
        std::function<void(QWidget*)> showOutlookExpress; ///< shows the Outlook Express window modally
        std::function<void()> endProgram;                 ///< ends the program at once
    };

    using Pointer = WindowPointer::Pointer;

    explicit Form1(Services services, QWidget* parent = nullptr);
    ~Form1() override;

    /// The start-up sequence; run once before the window is shown.
    void Form_Load();
    /// "Show Outlook Express Options".
    void PushButton4_Click();
    /// "List Emails In Outlook".
    void PushButton1_Click();
    /// "Find".
    void PushButton2_Click();
    /// "Start Printing Selected".
    void PushButton3_Click();
    /// "Select All Items".
    void PushButton5_Click();
    /// "Deselect All Items".
    void PushButton6_Click();
    /// "..." beside the store file path.
    void PushButton8_Click();
    /// "Help".
    void PushButton19_Click();

    /// The tip the Help button shows.
    static QString HelpText();

    /// The listing state the window keeps between listings.
    const Outlook::MailListing& listing() const { return m_listing; }
    /// True while a listing or print run is going on.
    bool isBusyWithOperation() const { return m_operationRunning; }

    /// Long operations show the hourglass; hovering does not replace it.
    void setBusyPointer(bool busy);
    Pointer pointer() const { return m_pointer.current(); }
    bool hasCustomCursor() const { return m_pointer.hasCustomCursor(); }

    ReportListModel& mailGrid() { return m_mailGrid; }

    /// Client-area size in twips and the twips-per-pixel scale the layout uses.
    static constexpr int kClientWidthTwips = 8040;
    static constexpr int kClientHeightTwips = 8400;
    static constexpr int kTwipsPerPixel = 15;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void setTabOrder();
    void FillPrinterList();
    void setOptionValue(QRadioButton* option, bool value);
    void setPointer(Pointer pointer);
    bool sourceCheckPasses(class ErrorTrap& trap, int firstLine);
    Outlook::ListingSource listingSource() const;
    void setOperationRunning(bool running);

    // The print run's window side.
    void setBusy(bool busy) override { setBusyPointer(busy); }
    void switchPrinter() override;
    void showProgress(int row, int taken, int total) override;
    void endProgress() override;
    bool stopRequested() override;
    QString printerMissing() override;

    void Combo1_Click();
    void Combo2_Click();
    void Option3_Click();
    void Option4_Click();
    void Text1_Change();
    void Text2_Change();

    Services m_services;
    ReportListModel m_mailGrid;
    WindowPointer m_pointer{*this};
    bool m_centred = false;
    Outlook::EventPump m_pump;
    Outlook::MailListing m_listing;
    bool m_operationRunning = false;
    bool m_stopRequested = false;
    QString m_titleBeforeRun;
    QShortcut* m_stopShortcut = nullptr;

    QPushButton* PushButton19 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QRadioButton* Option3 = nullptr;
    QRadioButton* Option4 = nullptr;
    QButtonGroup* m_sourceGroup = nullptr;
    QLineEdit* Text2 = nullptr;
    QPushButton* PushButton8 = nullptr;
    QPushButton* PushButton4 = nullptr;
    QPushButton* PushButton1 = nullptr;
    QTreeView* ListView1 = nullptr;
    QPushButton* PushButton5 = nullptr;
    QPushButton* PushButton6 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* PushButton2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QComboBox* Combo1 = nullptr;
    QGroupBox* Frame4 = nullptr;
    QComboBox* Combo2 = nullptr;
    QPushButton* PushButton3 = nullptr;
};
