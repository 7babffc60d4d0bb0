#include "Form1.h"

#include "AppError.h"
#include "AppIcon.h"
#include "Conversions.h"
#include "CursorFile.h"
#include "Dialogs.h"
#include "ErrorTrap.h"
#include "GetSetPrinter.h"
#include "PrinterList.h"
#include "PrinterSystem.h"
#include "ProcessTable.h"
#include "SettingsStore.h"
#include "SharedProcedures.h"
#include "SourceCheck.h"
#include "Twips.h"
#include "WindowLook.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTreeView>

namespace
{

const QString kLoad = QStringLiteral("Form1.Form_Load");

struct GridColumn
{
    int line;
    const char16_t* caption;
    int widthTwips;
};

// Columns of the mail grid with the load line that adds each.
constexpr GridColumn kGridColumns[] = {
    {130, u"Root", 2000},    {132, u"Folder", 2000}, {134, u"Subfolder", 2000}, {136, u"Date", 2000},
    {138, u"From/To", 2000}, {140, u"Email", 2000},  {142, u"Subject", 7000},   {144, u"ID", 1},
};

// "What To Print" items with the load line that adds each.
constexpr std::pair<int, const char16_t*> kPrintModes[] = {
    {150, u"User Checked Items"},
    {152, u"All"},
    {154, u"Inbox"},
    {156, u"Outbox"},
    {158, u"Drafts"},
    {160, u"Sent Items"},
    {162, u"Deleted Items"},
    {164, u"User-specified Folder"},
};

template <class Widget> Widget* place(QWidget* parent, const char* name, QRect rect, Widget* widget)
{
    widget->setParent(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(rect);
    return widget;
}

// Adds an item without selecting it: a drop-down list selects nothing until told to.
void addItemUnselected(QComboBox* combo, const QString& text)
{
    const QSignalBlocker blocker(combo);
    const int before = combo->currentIndex();
    combo->addItem(text);
    combo->setCurrentIndex(before);
}

} // namespace

Form1::Form1(Services services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_services(std::move(services)), m_listing(m_services.outlook, m_services.dialogs, m_mailGrid, m_pump)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    setFixedSize(Twips::toPixels(kClientWidthTwips), Twips::toPixels(kClientHeightTwips));
    setFont(WindowLook::windowFont());
    WindowLook::setWhiteBackground(*this);
    setMouseTracking(true);
    buildControls();
    setTabOrder();
    m_listing.setBusy = [this](bool busy) { setBusyPointer(busy); };
    m_stopShortcut = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_stopShortcut->setEnabled(false);
    connect(m_stopShortcut, &QShortcut::activated, this, [this] { m_stopRequested = true; });
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    auto button = [this](QWidget* parent, const char* name, const QString& caption, QRect rect) {
        auto* pushButton = place(parent, name, rect, new QPushButton(caption));
        pushButton->setFont(WindowLook::buttonFont());
        pushButton->setStyleSheet(QString::fromLatin1(WindowLook::buttonStyleSheet()));
        pushButton->setMouseTracking(true);
        pushButton->installEventFilter(this);
        return pushButton;
    };
    auto frame = [this](const char* name, const QString& caption, QRect rect) {
        auto* groupBox = place(this, name, rect, new QGroupBox(caption));
        WindowLook::setWhiteBackground(*groupBox);
        groupBox->setMouseTracking(true);
        groupBox->installEventFilter(this);
        return groupBox;
    };

    PushButton19 = button(this, "PushButton19", QStringLiteral("Help"), Twips::toRect(120, 120, 7800, 405));

    Frame1 = frame("Frame1", QStringLiteral("Source"), Twips::toRect(120, 570, 7800, 1665));
    Option3 = place(
        Frame1, "Option3", Twips::toRect(240, 300, 6870, 285),
        new QRadioButton(QStringLiteral("Outlook 2000/2002/2003/2007/2010/etc. (Outlook but not Outlook Express)")));
    Option4 =
        place(Frame1, "Option4", Twips::toRect(240, 675, 1095, 285), new QRadioButton(QStringLiteral("PST File:")));
    for (QRadioButton* option : {Option3, Option4})
        WindowLook::setWhiteBackground(*option);
    m_sourceGroup = new QButtonGroup(this);
    m_sourceGroup->addButton(Option3);
    m_sourceGroup->addButton(Option4);
    Option3->setChecked(true);
    Text2 = place(Frame1, "Text2", Twips::toRect(1320, 650, 5325, 345), new QLineEdit);
    Text2->setAccessibleName(Option4->text());
    PushButton8 = button(Frame1, "PushButton8", QStringLiteral("..."), Twips::toRect(6720, 650, 720, 345));
    PushButton8->setAccessibleDescription(QStringLiteral("Browse for a PST file"));
    PushButton4 = button(Frame1, "PushButton4", QStringLiteral("Show Outlook Express Options"),
                         Twips::toRect(240, 1110, 7200, 405));

    PushButton1 =
        button(this, "PushButton1", QStringLiteral("List Emails In Outlook"), Twips::toRect(120, 2340, 7800, 405));

    ListView1 = place(this, "ListView1", Twips::toRect(120, 2850, 7800, 1845), new QTreeView);
    ListView1->setModel(&m_mailGrid);
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSortingEnabled(false);
    ListView1->setAccessibleName(QStringLiteral("Messages"));
    ListView1->viewport()->setMouseTracking(true);
    ListView1->viewport()->installEventFilter(this);

    PushButton5 = button(this, "PushButton5", QStringLiteral("Select All Items"), Twips::toRect(120, 4770, 3840, 405));
    PushButton6 =
        button(this, "PushButton6", QStringLiteral("Deselect All Items"), Twips::toRect(4080, 4770, 3840, 405));

    Frame2 = frame("Frame2", QStringLiteral("Filter"), Twips::toRect(120, 5220, 7800, 855));
    Label1 = place(Frame2, "Label1", Twips::toRect(240, 360, 1095, 255), new QLabel(QStringLiteral("Find what:")));
    WindowLook::setWhiteBackground(*Label1);
    Label1->setMouseTracking(true);
    Label1->installEventFilter(this);
    Text1 = place(Frame2, "Text1", Twips::toRect(1200, 300, 5055, 345), new QLineEdit);
    Label1->setBuddy(Text1);
    Text1->setAccessibleName(Label1->text());
    Text1->setMouseTracking(true);
    Text1->installEventFilter(this);
    PushButton2 = button(Frame2, "PushButton2", QStringLiteral("Find"), Twips::toRect(6360, 300, 1200, 345));

    Frame3 = frame("Frame3", QStringLiteral("What To Print"), Twips::toRect(120, 6120, 7800, 800));
    Combo1 = place(Frame3, "Combo1", Twips::toRect(240, 280, 7305, 345), new QComboBox);
    Combo1->setAccessibleName(Frame3->title());

    Frame4 = frame("Frame4", QStringLiteral("Select Printer"), Twips::toRect(120, 6975, 7800, 800));
    Combo2 = place(Frame4, "Combo2", Twips::toRect(240, 300, 7320, 345), new QComboBox);
    Combo2->setAccessibleName(Frame4->title());

    PushButton3 =
        button(this, "PushButton3", QStringLiteral("Start Printing Selected"), Twips::toRect(120, 7890, 7800, 405));

    connect(PushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form1::PushButton2_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form1::PushButton3_Click);
    connect(PushButton4, &QPushButton::clicked, this, &Form1::PushButton4_Click);
    connect(PushButton5, &QPushButton::clicked, this, &Form1::PushButton5_Click);
    connect(PushButton6, &QPushButton::clicked, this, &Form1::PushButton6_Click);
    connect(PushButton8, &QPushButton::clicked, this, &Form1::PushButton8_Click);
    connect(PushButton19, &QPushButton::clicked, this, &Form1::PushButton19_Click);
    connect(Combo1, &QComboBox::currentIndexChanged, this, &Form1::Combo1_Click);
    connect(Combo2, &QComboBox::currentIndexChanged, this, &Form1::Combo2_Click);
    connect(Option3, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            Option3_Click();
    });
    connect(Option4, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            Option4_Click();
    });
    connect(Text1, &QLineEdit::textChanged, this, &Form1::Text1_Change);
    connect(Text2, &QLineEdit::textChanged, this, &Form1::Text2_Change);
}

void Form1::setTabOrder()
{
    QWidget* const order[] = {ListView1,   Text2,       Option3,     Option4,     PushButton1,
                              PushButton8, PushButton5, PushButton6, PushButton3, PushButton19,
                              Text1,       PushButton2, Combo1,      PushButton4, Combo2};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
    ListView1->setFocus(Qt::OtherFocusReason);
}

void Form1::Form_Load()
{
    ErrorTrap trap(m_services.dialogs, kLoad);
    SettingsStore& settings = m_services.settings;

    trap.step(100, [&] { Main::ApplySkin(*this, m_services.appFolder); });
    trap.step(104, [&] {
        setWindowTitle(QString::fromUtf16(Main::kProductName));
        setWindowIcon(ApplicationIcon());
        Main::SetApplicationTitle();
    });
    const QString cursorPath = m_services.appFolder + QStringLiteral("/HAND-M.CUR");
    if (trap.test(106, [&] { return Main::FileExists(cursorPath); }))
    {
        trap.step(108, [&] {
            std::optional<QCursor> cursor = LoadCursorFile(cursorPath);
            const bool loaded = cursor.has_value();
            m_pointer.setCustomCursor(std::move(cursor));
            if (!loaded)
                throw AppError(481, QStringLiteral("Vellumtide"), QStringLiteral("Invalid picture"));
        });
    }
    trap.step(128, [&] { Text2->setText(settings.read(QStringLiteral("PST File"))); });

    for (const GridColumn& column : kGridColumns)
    {
        trap.step(column.line, [&] {
            m_mailGrid.addColumn(QString::fromUtf16(column.caption), column.widthTwips);
            const int index = m_mailGrid.columnCount() - 1;
            // A one-twip column is there for the program, not for the eye.
            const int width = Twips::toPixels(column.widthTwips);
            if (width == 0)
                ListView1->setColumnHidden(index, true);
            else
                ListView1->header()->resizeSection(index, width);
        });
    }
    trap.step(146, [&] { m_mailGrid.clear(); });
    trap.step(148, [&] { ListView1->viewport()->update(); });

    for (const auto& mode : kPrintModes)
        trap.step(mode.first, [&] { addItemUnselected(Combo1, QString::fromUtf16(mode.second)); });
    trap.step(166, [&] {
        const int position = Conversions::toListPosition(settings.read(QStringLiteral("Combo1"), QStringLiteral("0")));
        if (position < -1 || position >= Combo1->count())
            throw AppError::invalidPropertyValue(QStringLiteral("Vellumtide"));
        Combo1->setCurrentIndex(position);
    });
    trap.step(168, [&] { FillPrinterList(); });
    trap.step(170, [&] {
        setOptionValue(Option3, Conversions::toBoolean(settings.read(QStringLiteral("Option3"), QStringLiteral("1"))));
    });
    trap.step(172, [&] {
        setOptionValue(Option4, Conversions::toBoolean(settings.read(QStringLiteral("Option4"), QStringLiteral("0"))));
    });
    trap.step(174, [&] { Text1->setText(settings.read(QStringLiteral("Text1"))); });

    if (trap.test(176, [&] { return Main::IsOutlookInstalled(m_services.outlook); }))
        return;
    trap.step(178, [&] { setOptionValue(Option4, true); });
    trap.step(180, [&] { PushButton4_Click(); });
}

void Form1::FillPrinterList()
{
    PrinterListControl list{
        [this](const QString& name) { addItemUnselected(Combo2, name); },
        [this] { return Combo2->count(); },
        [this] { return Combo2->currentIndex(); },
        [this](int index) { Combo2->setCurrentIndex(index); },
    };
    ::FillPrinterList(list, m_services.printers, m_services.dialogs, m_services.settings, QStringLiteral("Combo2"));
}

void Form1::PushButton4_Click()
{
    ErrorTrap trap(m_services.dialogs, QStringLiteral("Form1.PushButton4_Click"));
    trap.step(100, [&] {
        if (m_services.showOutlookExpress)
            m_services.showOutlookExpress(this);
    });
}

void Form1::PushButton1_Click()
{
    if (m_operationRunning)
        return;
    setOperationRunning(true);
    ErrorTrap trap(m_services.dialogs, QStringLiteral("Form1.PushButton1_Click"));
    [&] {
        if (trap.test(100, [&] { return !Main::IsOutlookInstalled(m_services.outlook); }))
        {
            trap.step(102, [&] {
                m_services.dialogs.message(
                    QStringLiteral("MS Outlook does not appear to be installed on this computer."), QString(),
                    Dialogs::Icon::None);
            });
            return;
        }
        trap.step(104, [&] { Main::WaitSeconds(0.1); });
        if (!sourceCheckPasses(trap, 106))
            return;
        trap.step(116, [&] { m_mailGrid.clear(); });
        trap.step(118, [&] { ListView1->viewport()->repaint(); });
        trap.step(120, [&] { m_listing.ListOutlookMail(listingSource()); });
    }();
    setOperationRunning(false);
}

void Form1::PushButton2_Click()
{
    if (m_operationRunning)
        return;
    setOperationRunning(true);
    ErrorTrap trap(m_services.dialogs, QStringLiteral("Form1.PushButton2_Click"));
    if (sourceCheckPasses(trap, 100))
    {
        trap.step(110, [&] { m_mailGrid.clear(); });
        trap.step(112, [&] { ListView1->viewport()->repaint(); });
        trap.step(114, [&] { m_listing.FindActive = true; });
        trap.step(116, [&] {
            m_listing.FindText = Text1->text();
            m_listing.ListOutlookMail(listingSource());
        });
    }
    setOperationRunning(false);
}

bool Form1::sourceCheckPasses(ErrorTrap& trap, int firstLine)
{
    const QString path = Text2->text();
    if (!trap.test(firstLine, [&] { return Option4->isChecked(); }))
        return true;
    if (trap.test(firstLine + 2, [&] { return Outlook::SourceCheck::IsBlank(path); }))
    {
        trap.step(firstLine + 4, [&] {
            m_services.dialogs.message(QStringLiteral("You forgot to input PST File."), QString(), Dialogs::Icon::None);
        });
        return false;
    }
    if (trap.test(firstLine + 6, [&] { return !Outlook::SourceCheck::StoreFileFound(path); }))
    {
        trap.step(firstLine + 8, [&] {
            m_services.dialogs.message(QStringLiteral("PST File not found."), QString(), Dialogs::Icon::None);
        });
        return false;
    }
    return true;
}

Outlook::ListingSource Form1::listingSource() const
{
    return {Option3->isChecked(), Option4->isChecked(), Text2->text()};
}

void Form1::PushButton3_Click()
{
    if (m_operationRunning)
        return;
    setOperationRunning(true);
    ErrorTrap trap(m_services.dialogs, QStringLiteral("Form1.PushButton3_Click"));
    Outlook::PrintRun run(m_services.outlook, m_services.dialogs, m_mailGrid, *this, trap);
    const QString mode = Combo1->currentText();
    m_stopRequested = false;
    m_stopShortcut->setEnabled(true);
    // Ticks must not change between the counting and the printing pass.
    ListView1->setEnabled(false);
    run.Run(mode);
    ListView1->setEnabled(true);
    m_stopShortcut->setEnabled(false);
    setOperationRunning(false);
}

void Form1::switchPrinter()
{
    GetSetPrinter::SetDefaultPrinter(m_services.printers, m_services.dialogs, Combo2->currentText(), false);
}

void Form1::showProgress(int /*row*/, int taken, int total)
{
    if (m_titleBeforeRun.isNull())
        m_titleBeforeRun = windowTitle();
    setWindowTitle(QStringLiteral("%1 - printing %2 of %3").arg(m_titleBeforeRun).arg(taken).arg(total));
    m_pump.letWindowProcess();
}

void Form1::endProgress()
{
    if (m_titleBeforeRun.isNull())
        return;
    setWindowTitle(m_titleBeforeRun);
    m_titleBeforeRun = QString();
}

QString Form1::printerMissing()
{
    if (!Combo2->currentText().trimmed().isEmpty() || !m_services.printers.defaultPrinter().name.isEmpty())
        return {};
    return QStringLiteral("No printer is chosen under \"Select Printer\" and there is no default printer. "
                          "Please choose a printer.");
}

bool Form1::stopRequested()
{
    m_pump.letWindowProcess();
    return m_stopRequested;
}

void Form1::setOperationRunning(bool running)
{
    // A second click during a listing or print run would nest inside it.
    m_operationRunning = running;
    for (QWidget* control : std::initializer_list<QWidget*>{PushButton1, PushButton2, PushButton3, PushButton4,
                                                            PushButton5, PushButton6, PushButton8, Combo1, Combo2})
        control->setEnabled(!running);
}

void Form1::PushButton5_Click()
{
    ErrorTrap trap(m_services.dialogs, QStringLiteral("Form1.PushButton5_Click"));
    trap.step(102, [&] { m_mailGrid.setAllChecked(true); });
}

void Form1::PushButton6_Click()
{
    ErrorTrap trap(m_services.dialogs, QStringLiteral("Form1.PushButton6_Click"));
    trap.step(102, [&] { m_mailGrid.setAllChecked(false); });
}

void Form1::PushButton8_Click()
{
    ErrorTrap trap(m_services.dialogs, QStringLiteral("Form1.PushButton8_Click"));
    QString fileName;
    Dialogs::OpenFileRequest request;
    trap.step(100, [&] { fileName.clear(); });
    trap.step(102, [&] { request.title = QStringLiteral("Select PST File"); });
    // .ost files and mbox files are stores too: they must be pickable.
    trap.step(104, [&] {
        request.filter = QStringLiteral("All PST Files (*.pst);;Outlook data files (*.pst *.ost);;All files (*)");
    });
    trap.step(106, [&] { fileName = m_services.dialogs.openFiles(request).value(0); });
    if (trap.test(108, [&] { return !fileName.isEmpty(); }))
        trap.step(110, [&] { Text2->setText(fileName); });
}

QString Form1::HelpText()
{
    const QString separator = QStringLiteral("\r\n\r\n");
    return QStringList{QStringLiteral("If you are getting a query message that says"),
                       QStringLiteral("\"Allow access for x minutes Yes No Help\""),
                       QStringLiteral("You may want to deactivate it so that my software can work with Outlook for a "
                                      "longer period of time."),
                       QStringLiteral("To deactivate this query message, look for an option resembling:"),
                       QStringLiteral("Outlook > Tools > Trust Center > Allow programmatic access")}
        .join(separator);
}

void Form1::PushButton19_Click()
{
    ErrorTrap trap(m_services.dialogs, QStringLiteral("Form1.PushButton19_Click"));
    trap.step(112, [&] { m_services.dialogs.message(HelpText(), QString(), Dialogs::Icon::None); });
}

void Form1::setOptionValue(QRadioButton* option, bool value)
{
    if (option->isChecked() == value)
        return;
    if (value)
    {
        option->setChecked(true); // its toggled signal stores both options
        return;
    }
    // An exclusive group refuses to clear its only checked button; a cleared option
    // leaves the group without a choice.
    m_sourceGroup->setExclusive(false);
    option->setChecked(false);
    m_sourceGroup->setExclusive(true);
}

void Form1::Combo1_Click()
{
    m_services.settings.write(QStringLiteral("Combo1"), QString::number(Combo1->currentIndex()));
}

void Form1::Combo2_Click()
{
    m_services.settings.write(QStringLiteral("Combo2"), QString::number(Combo2->currentIndex()));
}

void Form1::Option3_Click()
{
    m_services.settings.write(QStringLiteral("Option3"), Conversions::booleanText(Option3->isChecked()));
    m_services.settings.write(QStringLiteral("Option4"), Conversions::booleanText(Option4->isChecked()));
}

void Form1::Option4_Click()
{
    Option3_Click(); // both handlers store the pair in the same order
}

void Form1::Text1_Change()
{
    m_services.settings.write(QStringLiteral("Text1"), Text1->text());
}

void Form1::Text2_Change()
{
    m_services.settings.write(QStringLiteral("PST File"), Text2->text());
}

void Form1::setBusyPointer(bool busy)
{
    m_pointer.setBusy(busy);
}

void Form1::setPointer(Pointer pointer)
{
    m_pointer.set(pointer);
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseMove)
        return QWidget::eventFilter(watched, event);
    if (!qobject_cast<QPushButton*>(watched))
    {
        setPointer(Pointer::Default);
        return false;
    }
    setPointer(Pointer::Custom);
    return WindowPointer::swallowMove(watched, event);
}

void Form1::mouseMoveEvent(QMouseEvent* event)
{
    setPointer(Pointer::Default);
    QWidget::mouseMoveEvent(event);
}

void Form1::showEvent(QShowEvent* event)
{
    if (!m_centred)
    {
        m_centred = true;
        WindowLook::centreOnScreen(*this);
    }
    QWidget::showEvent(event);
}

void Form1::closeEvent(QCloseEvent* event)
{
    // Nothing to save: every choice was stored when it was made.
    Main::TerminateProcessesByName(m_services.processes, QStringLiteral("OUTLOOK.EXE"));
    event->accept();
    if (m_services.endProgram)
        m_services.endProgram();
}
