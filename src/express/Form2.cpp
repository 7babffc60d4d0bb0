#include "Form2.h"

#include "AppError.h"
#include "Dialogs.h"
#include "EmlPrintRun.h"
#include "ErrorTrap.h"
#include "Express1.h"
#include "ExtractionRun.h"
#include "FileUtilities.h"
#include "GetSetPrinter.h"
#include "PrinterList.h"
#include "SettingsStore.h"
#include "Twips.h"
#include "WebBrowser.h"
#include "WindowLook.h"
#include "WorkFolder.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeView>

namespace
{

const QString kLoad = QStringLiteral("Form2.Form_Load");

template <class Widget> Widget* place(QWidget* parent, const char* name, QRect rect, Widget* widget)
{
    widget->setParent(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(rect);
    return widget;
}

// The button-face colour on the window and its frames; other controls keep theirs.
void SetFormColors(QWidget& window, QWidget& frame)
{
    const QColor buttonFace = window.palette().color(QPalette::Button);
    for (QWidget* widget : {&window, &frame})
    {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Window, buttonFace);
        widget->setPalette(palette);
        widget->setAutoFillBackground(true);
    }
}

} // namespace

Form2::Form2(Services services, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_services(std::move(services)), m_browser(std::make_unique<WebBrowser>())
{
    setObjectName(QStringLiteral("Form2"));
    setModal(true);
    setWindowTitle(QStringLiteral("Form2"));
    setFixedSize(Twips::toPixels(kClientWidthTwips), Twips::toPixels(kClientHeightTwips));
    setFont(WindowLook::windowFont());
    setMouseTracking(true);
    buildControls();
}

Form2::~Form2() = default;

void Form2::buildControls()
{
    auto button = [this](QWidget* parent, const char* name, const QString& caption, QRect rect) {
        auto* pushButton = place(parent, name, rect, new QPushButton(caption));
        pushButton->setFont(WindowLook::buttonFont());
        pushButton->setStyleSheet(QString::fromLatin1(WindowLook::buttonStyleSheet()));
        pushButton->setAutoDefault(false);
        pushButton->setMouseTracking(true);
        pushButton->installEventFilter(this);
        return pushButton;
    };
    auto grid = [this](const char* name, const QString& accessibleName, QRect rect, ReportListModel& model) {
        auto* view = place(this, name, rect, new QTreeView);
        view->setModel(&model);
        view->setRootIsDecorated(false);
        view->setUniformRowHeights(true);
        view->setAllColumnsShowFocus(true);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setSortingEnabled(false);
        view->header()->setStretchLastSection(false); // columns keep the widths they are given
        view->setAccessibleName(accessibleName);
        view->viewport()->setMouseTracking(true);
        view->viewport()->installEventFilter(this);
        return view;
    };

    PushButton23 = button(this, "PushButton23", QStringLiteral("Help"), Twips::toRect(120, 90, 7800, 405));
    PushButton14 =
        button(this, "PushButton14", QStringLiteral("Search For Outlook Express"), Twips::toRect(120, 630, 3840, 405));
    PushButton1 =
        button(this, "PushButton1", QStringLiteral("Add Outlook Express File"), Twips::toRect(4080, 630, 3840, 405));
    ListView1 = grid("ListView1", QStringLiteral("DBX files"), Twips::toRect(120, 1140, 7800, 2115), m_files);
    PushButton5 = button(this, "PushButton5", QStringLiteral("Select All Items"), Twips::toRect(120, 3330, 3840, 405));
    PushButton3 =
        button(this, "PushButton3", QStringLiteral("Deselect All Items"), Twips::toRect(4080, 3330, 3840, 405));
    PushButton2 = button(this, "PushButton2", QStringLiteral("Extract Emails From Outlook Express"),
                         Twips::toRect(120, 3840, 7800, 405));
    ListView2 = grid("ListView2", QStringLiteral("Messages"), Twips::toRect(120, 4350, 7800, 2115), m_messages);
    Frame4 =
        place(this, "Frame4", Twips::toRect(120, 6510, 7800, 800), new QGroupBox(QStringLiteral("Select Printer")));
    Frame4->setMouseTracking(true);
    Frame4->installEventFilter(this);
    Combo1 = place(Frame4, "Combo1", Twips::toRect(240, 300, 7320, 345), new QComboBox);
    Combo1->setAccessibleName(Frame4->title());
    PushButton4 = button(this, "PushButton4", QStringLiteral("Select All Items"), Twips::toRect(120, 7410, 3840, 405));
    PushButton6 =
        button(this, "PushButton6", QStringLiteral("Deselect All Items"), Twips::toRect(4080, 7410, 3840, 405));
    PushButton7 =
        button(this, "PushButton7", QStringLiteral("Start Printing Selected"), Twips::toRect(120, 7950, 7800, 405));

    QWidget* const order[] = {ListView1,   ListView2,   PushButton14, PushButton1, PushButton5,
                              PushButton3, PushButton2, PushButton4,  PushButton6, PushButton7,
                              Frame4,      Combo1,      PushButton23};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);

    connect(PushButton23, &QPushButton::clicked, this, &Form2::PushButton23_Click);
    connect(PushButton14, &QPushButton::clicked, this, &Form2::PushButton14_Click);
    connect(PushButton1, &QPushButton::clicked, this, &Form2::PushButton1_Click);
    connect(PushButton5, &QPushButton::clicked, this, &Form2::PushButton5_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form2::PushButton3_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form2::PushButton2_Click);
    connect(PushButton4, &QPushButton::clicked, this, &Form2::PushButton4_Click);
    connect(PushButton6, &QPushButton::clicked, this, &Form2::PushButton6_Click);
    connect(PushButton7, &QPushButton::clicked, this, &Form2::PushButton7_Click);
    connect(Combo1, &QComboBox::activated, this, &Form2::Combo1_Click);
}

void Form2::Form_Load()
{
    ErrorTrap trap(m_services.dialogs, kLoad);
    trap.step(100, [&] { SetFormColors(*this, *Frame4); });
    auto setCaption = [&] {
        setWindowTitle(QStringLiteral("Vellumtide"));
        setWindowIcon(m_services.icon);
    };
    trap.step(102, setCaption);
    const QString cursorPath = m_services.appFolder + QStringLiteral("/HAND-M.CUR");
    if (trap.test(106, [&] { return m_services.fileExists && m_services.fileExists(cursorPath); }))
    {
        trap.step(108, [&] {
            std::optional<QCursor> cursor = m_services.loadCursor ? m_services.loadCursor(cursorPath) : std::nullopt;
            const bool loaded = cursor.has_value();
            m_pointer.setCustomCursor(std::move(cursor));
            if (!loaded)
                throw AppError(481, QStringLiteral("Vellumtide"), QStringLiteral("Invalid picture"));
        });
    }
    trap.step(110, [&] { m_files.addColumn(QStringLiteral("DBX File(s)"), 6000); });
    trap.step(112, [&] { ListView1->header()->resizeSection(0, Twips::toPixels(6000)); });
    constexpr std::pair<const char16_t*, int> kMessageColumns[] = {
        {u"From", 1500}, {u"To", 1500}, {u"Subject", 2000}, {u"Date Received", 1500}};
    for (int i = 0; i < 4; ++i)
        trap.step(114 + 2 * i, [&] { m_messages.addColumn(QString::fromUtf16(kMessageColumns[i].first), 0); });
    for (int i = 0; i < 4; ++i)
    {
        trap.step(122 + 2 * i,
                  [&] { ListView2->header()->resizeSection(i, Twips::toPixels(kMessageColumns[i].second)); });
    }
    trap.step(130, [&] { FillPrinterList(); });
    trap.step(132, setCaption);
}

void Form2::FillPrinterList()
{
    PrinterListControl list{
        [this](const QString& name) {
            const QSignalBlocker blocker(Combo1);
            const int before = Combo1->currentIndex();
            Combo1->addItem(name);
            Combo1->setCurrentIndex(before);
        },
        [this] { return Combo1->count(); },
        [this] { return Combo1->currentIndex(); },
        [this](int index) {
            Combo1->setCurrentIndex(index);
            Combo1_Click();
        },
    };
    ::FillPrinterList(list, m_services.printers, m_services.dialogs, m_services.settings,
                      QStringLiteral("Form2Combo1"));
}

void Form2::Combo1_Click()
{
    m_services.settings.write(QStringLiteral("Form2Combo1"), QString::number(Combo1->currentIndex()));
}

QString Form2::helpText()
{
    return QStringLiteral("You must install Outlook that comes with MS Office in order to work with PST files \r\n"
                          "because Outlook Express cannot handle PST files.");
}

void Form2::PushButton23_Click()
{
    ErrorTrap trap(m_services.dialogs, QStringLiteral("Form2.PushButton23_Click"));
    trap.step(100, [&] { m_services.dialogs.message(helpText(), QString(), Dialogs::Icon::None); });
}

void Form2::setAllChecked(const QString& procedure, ReportListModel& grid, bool checked)
{
    ErrorTrap trap(m_services.dialogs, procedure);
    int rows = 0;
    trap.step(100, [&] { rows = grid.rowCount(); });
    for (int row = 0; row < rows; ++row)
        trap.step(102, [&] { grid.setChecked(row, checked); });
}

void Form2::PushButton5_Click()
{
    setAllChecked(QStringLiteral("Form2.PushButton5_Click"), m_files, true);
}

void Form2::PushButton3_Click()
{
    setAllChecked(QStringLiteral("Form2.PushButton3_Click"), m_files, false);
}

void Form2::PushButton4_Click()
{
    setAllChecked(QStringLiteral("Form2.PushButton4_Click"), m_messages, true);
}

void Form2::PushButton6_Click()
{
    setAllChecked(QStringLiteral("Form2.PushButton6_Click"), m_messages, false);
}

void Form2::PushButton1_Click()
{
    ErrorTrap trap(m_services.dialogs, QStringLiteral("Form2.PushButton1_Click"));
    Dialogs::OpenFileRequest request;
    trap.step(106, [&] { request.multiSelect = true; });
    trap.step(108,
              [&] { request.title = QStringLiteral("Add File(s) - Hold Ctrl or Shift to select multiple files"); });
    trap.step(110, [&] { request.filter = QStringLiteral("DBX Files (*.dbx)"); });
    QStringList chosen;
    trap.step(112, [&] { chosen = m_services.dialogs.openFiles(request); });
    if (!trap.test(114, [&] { return !chosen.isEmpty(); }))
        return;
    if (trap.test(118, [&] { return chosen.size() == 1; }))
    {
        trap.step(122, [&] { m_files.addRow({chosen.first()}); });
        return;
    }
    for (const QString& path : chosen)
    {
        QString row;
        trap.step(134, [&] { row = FileUtilities::NormalizePath(path); });
        trap.step(136, [&] { m_files.addRow({row}); });
    }
}

void Form2::PushButton14_Click()
{
    ErrorTrap trap(m_services.dialogs, QStringLiteral("Form2.PushButton14_Click"));
    Express1& express = m_services.express;
    trap.step(100, [&] { express.FoundDbxFiles = QStringList{QString()}; });
    trap.step(102, [&] { express.SearchIdentities(); });
    QList<QStringList> rows;
    for (const QString& entry : express.FoundDbxFiles)
    {
        if (trap.test(106, [&] { return !entry.trimmed().isEmpty(); }))
            rows.append({entry});
    }
    trap.step(108, [&] { m_files.addRows(rows); });
    if (!trap.test(112, [&] { return m_files.rowCount() == 0; }))
        return;
    trap.step(114, [&] {
        m_services.dialogs.message(
            QStringLiteral("You may be have no Outlook Express installed. \r\nPlease try to use ") +
                PushButton1->text() + QStringLiteral(" button."),
            QString(), Dialogs::Icon::None);
    });
    trap.step(116, [&] { PushButton1->setFocus(Qt::OtherFocusReason); });
}

void Form2::setRunning(bool running)
{
    // A second click during a run is refused where the user sees it: the buttons go grey.
    m_running = running;
    for (QWidget* control : std::initializer_list<QWidget*>{PushButton14, PushButton1, PushButton5, PushButton3,
                                                            PushButton2, PushButton4, PushButton6, PushButton7, Combo1})
        control->setEnabled(!running);
    // Closed during the run: the close waited for it to end.
    if (!running && m_closeRequested)
        done(*m_closeRequested);
}

void Form2::PushButton2_Click()
{
    if (m_running)
        return;
    setRunning(true);
    ErrorTrap trap(m_services.dialogs, QStringLiteral("Form2.PushButton2_Click"));
    ExtractionRun run(m_services.launcher, m_services.dialogs, *this, trap, {m_files, m_messages}, m_services.state,
                      m_services.appFolder, m_services.workFolder);
    run.Run();
    setRunning(false);
}

void Form2::PushButton7_Click()
{
    if (m_running)
        return;
    setRunning(true);
    ErrorTrap trap(m_services.dialogs, QStringLiteral("Form2.PushButton7_Click"));
    EmlPrintRun run(m_services.printers, m_services.dialogs, *this, trap, m_messages, m_services.state,
                    m_services.workFolder);
    // Only the first run of an opening records the default, so closing puts back the
    // printer that was the default before this window printed anything.
    run.Run(Combo1->currentText(), !m_printerRecorded);
    m_printerRecorded = true;
    setRunning(false);
}

void Form2::waitSeconds(double seconds)
{
    // In short slices, so a close does not wait out the rest of the pause.
    constexpr double kSlice = 0.25;
    for (double left = seconds; left > 0 && !stopRequested(); left -= kSlice)
        m_services.waitSeconds(std::min(kSlice, left));
}

void Form2::printMessageFile(const QString& path)
{
    Express1::PrintMessageFile(*m_browser, path);
}

void Form2::Form_QueryUnload()
{
    ErrorTrap trap(m_services.dialogs, QStringLiteral("Form2.Form_QueryUnload"));
    trap.step(100, [&] {
        GetSetPrinter::SetDefaultPrinter(m_services.printers, m_services.dialogs, m_services.state.SavedPrinter, false);
    });
    trap.step(102, [] { QCoreApplication::processEvents(); });
    trap.step(104, [] { QCoreApplication::processEvents(); });
    trap.step(106, [&] {
        const QString work = m_services.workFolder.path();
        FileUtilities::DeleteFiles(work, QStringLiteral("*.eml"));
        FileUtilities::DeleteFiles(work, QStringLiteral("*.mht")); // left by a run the close stopped
    });
    trap.step(108, [] { QCoreApplication::processEvents(); });
    trap.step(110, [] { QCoreApplication::processEvents(); });
}

void Form2::done(int result)
{
    // Closed during a run: it ends after the current message and closes the window then,
    // so nothing prints on the printer put back or from files already deleted.
    if (m_running)
    {
        m_closeRequested = result;
        return;
    }
    m_closeRequested.reset();
    Form_QueryUnload();
    QDialog::done(result);
    // Without a mail engine the main window was never shown: closing this one ends the program.
    if (m_services.isOutlookInstalled && !m_services.isOutlookInstalled() && m_services.endProgram)
        m_services.endProgram();
}

void Form2::setBusyPointer(bool busy)
{
    m_pointer.setBusy(busy);
}

void Form2::setPointer(Pointer pointer)
{
    m_pointer.set(pointer);
}

bool Form2::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseMove)
        return QDialog::eventFilter(watched, event);
    if (watched == Frame4)
    {
        setPointer(Pointer::Default);
        return false;
    }
    setPointer(Pointer::Custom);
    return WindowPointer::swallowMove(watched, event);
}

void Form2::mouseMoveEvent(QMouseEvent* event)
{
    setPointer(Pointer::Default);
    QDialog::mouseMoveEvent(event);
}

void Form2::showEvent(QShowEvent* event)
{
    if (!m_loaded)
    {
        m_loaded = true;
        Form_Load();
    }
    if (!m_centred)
    {
        m_centred = true;
        WindowLook::centreOnScreen(*this);
    }
    QDialog::showEvent(event);
}
