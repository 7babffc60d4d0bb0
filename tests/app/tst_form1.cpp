#include "AppError.h"
#include "CupsPrinterSystem.h"
#include "CursorFile.h"
#include "ErrorTrap.h"
#include "FailingFactory.h"
#include "FakeProcessTable.h"
#include "Form1.h"
#include "GetSetPrinter.h"
#include "MailEngine.h"
#include "NoPrintServer.h"
#include "ScriptedDialogs.h"
#include "ServerWithoutDefault.h"
#include "SettingsStore.h"
#include "SharedProcedures.h"
#include "TestSupport.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

namespace
{

// One main window over the real settings store and the private CUPS server; the
// processes it may end are made up.
struct Fixture
{
    ScriptedDialogs dialogs;
    SettingsStore settings;
    CupsPrinterSystem printers;
    FakeProcessTable processes;
    MailStore::EngineFactory engine;
    FailingFactory failing;
    int outlookExpressShown = 0;
    std::function<void()> outlookExpress; ///< what the Outlook Express window does while shown
    int programEnded = 0;
    std::unique_ptr<Form1> form;

    void create(bool outlookInstalled = true, const QString& appFolder = TestSupport::binDir())
    {
        Outlook::ApplicationFactory& factory = outlookInstalled ? static_cast<Outlook::ApplicationFactory&>(engine)
                                                                : static_cast<Outlook::ApplicationFactory&>(failing);
        form = std::make_unique<Form1>(Form1::Services{dialogs, settings, printers, processes, factory, appFolder,
                                                       [this](QWidget*) {
                                                           ++outlookExpressShown;
                                                           if (outlookExpress)
                                                               outlookExpress();
                                                       },
                                                       [this] { ++programEnded; }});
    }

    void load(bool outlookInstalled = true, const QString& appFolder = TestSupport::binDir())
    {
        create(outlookInstalled, appFolder);
        form->Form_Load();
    }

    template <class T> T* child(const char* name) const
    {
        T* widget = form->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }

    QString stored(const char* key) const
    {
        return settings.read(QString::fromLatin1(key), QStringLiteral("<absent>"));
    }
    void store(const char* key, const QString& value) { settings.write(QString::fromLatin1(key), value); }
};

QString loadError(const QString& description, int line)
{
    return ErrorTrap::messageText(description, QStringLiteral("Form1.Form_Load"), line);
}

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void controlsStandWhereTheyBelong_data();
    void controlsStandWhereTheyBelong();
    void windowGridAndLists();
    void tabOrderAndFirstFocus();
    void firstStartStoresPrintModeAndDefaultPrinter();
    void firstStartSelectsTheUsersDefaultPrinter();
    void everyChoiceIsStoredWhenMade();
    void lastChoicesAreRestored();
    void badStoredValuesAreReportedAndTheLoadGoesOn_data();
    void badStoredValuesAreReportedAndTheLoadGoesOn();
    void bothOptionsTrueEndsWithTheSecond();
    void withoutAPrintServerNothingIsSelected();
    void withoutOutlookTheExpressWindowOpens();
    void pointerFollowsTheMouseButNotWhileBusy();
    void cursorFileKeepsItsHotspot();
    void damagedCursorFileIsReported();
    void outlookExpressFailureIsReported();
    void noDefaultPrinterStartsQuietly();
    void framesAreWhiteOnScreen();
    void closingEndsOutlookProcessesAndTheProgram();
    void closingWhileAHandlerWaitsEndsAtOnce();
};

void TestForm1::initTestCase()
{
    VT_REQUIRE_ISOLATION(); // init() removes the settings file and lpoptions
    VT_REQUIRE_CUPS();
    QVERIFY(QFile::exists(TestSupport::binDir() + QStringLiteral("/HAND-M.CUR")));
}

void TestForm1::init()
{
    QFile::remove(SettingsStore().fileName());
    QFile::remove(qEnvironmentVariable("CUPS_SERVERROOT") + QStringLiteral("/lpoptions"));
    QFile::remove(QDir::homePath() + QStringLiteral("/.cups/lpoptions"));
}

void TestForm1::controlsStandWhereTheyBelong_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QRect>("twips"); // left, top, width, height
    QTest::addColumn<QString>("caption");
    auto row = [](const char* name, const char* container, QRect twips, const char* caption) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(container) << twips
                            << QString::fromLatin1(caption);
    };
    row("PushButton19", "Form1", {120, 120, 7800, 405}, "Help");
    row("Frame1", "Form1", {120, 570, 7800, 1665}, "Source");
    row("Option3", "Frame1", {240, 300, 6870, 285},
        "Outlook 2000/2002/2003/2007/2010/etc. (Outlook but not Outlook Express)");
    row("Option4", "Frame1", {240, 675, 1095, 285}, "PST File:");
    row("Text2", "Frame1", {1320, 650, 5325, 345}, "");
    row("PushButton8", "Frame1", {6720, 650, 720, 345}, "...");
    row("PushButton4", "Frame1", {240, 1110, 7200, 405}, "Show Outlook Express Options");
    row("PushButton1", "Form1", {120, 2340, 7800, 405}, "List Emails In Outlook");
    row("ListView1", "Form1", {120, 2850, 7800, 1845}, "");
    row("PushButton5", "Form1", {120, 4770, 3840, 405}, "Select All Items");
    row("PushButton6", "Form1", {4080, 4770, 3840, 405}, "Deselect All Items");
    row("Frame2", "Form1", {120, 5220, 7800, 855}, "Filter");
    row("Label1", "Frame2", {240, 360, 1095, 255}, "Find what:");
    row("Text1", "Frame2", {1200, 300, 5055, 345}, "");
    row("PushButton2", "Frame2", {6360, 300, 1200, 345}, "Find");
    row("Frame3", "Form1", {120, 6120, 7800, 800}, "What To Print");
    row("Combo1", "Frame3", {240, 280, 7305, 345}, "");
    row("Frame4", "Form1", {120, 6975, 7800, 800}, "Select Printer");
    row("Combo2", "Frame4", {240, 300, 7320, 345}, "");
    row("PushButton3", "Form1", {120, 7890, 7800, 405}, "Start Printing Selected");
}

void TestForm1::controlsStandWhereTheyBelong()
{
    QFETCH(QString, name);
    QFETCH(QString, container);
    QFETCH(QRect, twips);
    QFETCH(QString, caption);
    Fixture f;
    f.load();
    auto* widget = f.form->findChild<QWidget*>(name);
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget()->objectName(), container);
    const auto px = [](int t) { return qRound(t / 15.0); };
    QCOMPARE(widget->geometry(), QRect(px(twips.x()), px(twips.y()), px(twips.width()), px(twips.height())));

    QString shown;
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        shown = button->text();
    else if (auto* frame = qobject_cast<QGroupBox*>(widget))
        shown = frame->title();
    else if (auto* label = qobject_cast<QLabel*>(widget))
        shown = label->text();
    else if (auto* edit = qobject_cast<QLineEdit*>(widget))
        shown = edit->text();
    QCOMPARE(shown, caption);

    // Push buttons use the larger bold font, everything else the window's.
    const QFont font = widget->font();
    QVERIFY(font.bold());
    QCOMPARE(font.pointSizeF(), qobject_cast<QPushButton*>(widget) ? 11.25 : 9.0);
    QCOMPARE(font.family(), QStringLiteral("Arial"));
    // Assistive technology hears a name for every control that takes input.
    if (widget->focusPolicy() != Qt::NoFocus)
        QVERIFY2(!widget->accessibleName().isEmpty() || !caption.isEmpty(), qPrintable(name));
}

void TestForm1::windowGridAndLists()
{
    Fixture f;
    f.create();
    QCOMPARE(f.form->windowTitle(), QStringLiteral("Form1")); // until the load names it
    f.form->Form_Load();
    Form1& form = *f.form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Vellumtide"));
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Vellumtide"));
    QVERIFY(!form.windowIcon().isNull());
    QCOMPARE(form.size(), QSize(536, 560));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(form.palette().color(QPalette::Window), QColor(Qt::white));
    for (const char* name : {"Frame1", "Frame3", "Option3", "Option4", "Label1"})
        QCOMPARE(f.child<QWidget>(name)->palette().color(QPalette::Window), QColor(Qt::white));
    for (const char* name : {"Option3", "Option4", "Label1"})
    {
        // What the screen shows, not only what the palette says.
        const QImage image = f.child<QWidget>(name)->grab().toImage();
        QCOMPARE(QColor(image.pixel(image.width() - 2, image.height() / 2)), QColor(Qt::white));
    }
    QCOMPARE(QFontInfo(form.font()).family(), QStringLiteral("Liberation Sans"));

    auto* grid = f.child<QTreeView>("ListView1");
    const QStringList captions{"Root", "Folder", "Subfolder", "Date", "From/To", "Email", "Subject", "ID"};
    QCOMPARE(grid->model()->columnCount(), 8);
    for (int column = 0; column < 8; ++column)
    {
        QCOMPARE(grid->model()->headerData(column, Qt::Horizontal).toString(), captions[column]);
        if (column < 7)
            QCOMPARE(grid->header()->sectionSize(column), column == 6 ? 467 : 133);
    }
    QVERIFY(grid->isColumnHidden(7));
    QCOMPARE(grid->model()->rowCount(), 0);

    auto* combo1 = f.child<QComboBox>("Combo1");
    QStringList items;
    for (int i = 0; i < combo1->count(); ++i)
        items << combo1->itemText(i);
    QCOMPARE(items, (QStringList{"User Checked Items", "All", "Inbox", "Outbox", "Drafts", "Sent Items",
                                 "Deleted Items", "User-specified Folder"}));
    QVERIFY(!combo1->isEditable());
    QVERIFY(!f.child<QComboBox>("Combo2")->isEditable());
    QCOMPARE(f.child<QComboBox>("Combo2")->count(), 2);
    QCOMPARE(f.child<QComboBox>("Combo2")->itemText(1), QStringLiteral("pdf2"));
    QVERIFY(f.dialogs.shown.isEmpty());
}

void TestForm1::tabOrderAndFirstFocus()
{
    Fixture f;
    f.load();
    const QStringList expected{"ListView1",   "Text2",       "Option3",     "Option4",     "PushButton1",
                               "PushButton8", "PushButton5", "PushButton6", "PushButton3", "PushButton19",
                               "Text1",       "PushButton2", "Combo1",      "PushButton4", "Combo2"};
    QStringList chain;
    QWidget* widget = f.child<QWidget>("ListView1");
    do
    {
        if (expected.contains(widget->objectName()) && !chain.contains(widget->objectName()))
            chain << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != f.child<QWidget>("ListView1"));
    QCOMPARE(chain, expected);

    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    f.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    QCOMPARE(QApplication::focusWidget(), f.child<QWidget>("ListView1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), f.child<QWidget>("Text2"));
}

void TestForm1::firstStartStoresPrintModeAndDefaultPrinter()
{
    Fixture f;
    f.load();
    QVERIFY(f.child<QRadioButton>("Option3")->isChecked());
    QVERIFY(!f.child<QRadioButton>("Option4")->isChecked());
    QCOMPARE(f.child<QLineEdit>("Text1")->text(), QString());
    QCOMPARE(f.child<QLineEdit>("Text2")->text(), QString());
    QCOMPARE(f.child<QComboBox>("Combo1")->currentText(), QStringLiteral("User Checked Items"));
    QCOMPARE(f.child<QComboBox>("Combo2")->currentText(), QStringLiteral("pdf1"));
    QCOMPARE(f.stored("Combo1"), QStringLiteral("0"));
    QCOMPARE(f.stored("Combo2"), QStringLiteral("0"));
    // The load changed no other choice, so it stored no other value.
    QCOMPARE(f.stored("Option3"), QStringLiteral("<absent>"));
    QCOMPARE(f.stored("Text1"), QStringLiteral("<absent>"));
    QCOMPARE(f.outlookExpressShown, 0);
    QVERIFY(f.dialogs.shown.isEmpty());
}

void TestForm1::firstStartSelectsTheUsersDefaultPrinter()
{
    CupsPrinterSystem printers;
    QVERIFY(printers.setDefaultPrinter(QStringLiteral("pdf2"), nullptr));
    Fixture f;
    f.load();
    QCOMPARE(f.child<QComboBox>("Combo2")->currentText(), QStringLiteral("pdf2"));
    QCOMPARE(f.stored("Combo2"), QStringLiteral("1"));
}

void TestForm1::everyChoiceIsStoredWhenMade()
{
    Fixture f;
    f.load();
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));

    auto* text2 = f.child<QLineEdit>("Text2");
    const QString path = QString::fromUtf8("/home/jü rgen/a.pst");
    QString typed;
    for (const QChar c : path)
    {
        // A key event with its text, as a keyboard layout with that letter sends it.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(text2, &press);
        typed += c;
        QCOMPARE(f.stored("PST File"), typed); // each keystroke, not only the last
    }
    QTest::keyClick(text2, Qt::Key_Backspace);
    QCOMPARE(f.stored("PST File"), path.chopped(1));

    QTest::keyClicks(f.child<QLineEdit>("Text1"), QStringLiteral("  invoice, 2019 "));
    QCOMPARE(f.stored("Text1"), QStringLiteral("  invoice, 2019 ")); // as typed, blanks and all

    QTest::mouseClick(f.child<QRadioButton>("Option4"), Qt::LeftButton);
    QCOMPARE(f.stored("Option3"), QStringLiteral("False"));
    QCOMPARE(f.stored("Option4"), QStringLiteral("True"));
    QTest::mouseClick(f.child<QRadioButton>("Option3"), Qt::LeftButton);
    QCOMPARE(f.stored("Option3"), QStringLiteral("True"));
    QCOMPARE(f.stored("Option4"), QStringLiteral("False"));

    auto* combo1 = f.child<QComboBox>("Combo1");
    combo1->setFocus();
    QTest::keyClick(combo1, Qt::Key_Down);
    QTest::keyClick(combo1, Qt::Key_Down);
    QCOMPARE(combo1->currentIndex(), 2);
    QCOMPARE(f.stored("Combo1"), QStringLiteral("2"));

    auto* combo2 = f.child<QComboBox>("Combo2");
    combo2->setFocus();
    QTest::keyClick(combo2, Qt::Key_Down);
    QCOMPARE(f.stored("Combo2"), QStringLiteral("1"));
    QVERIFY(f.dialogs.shown.isEmpty());
}

void TestForm1::lastChoicesAreRestored()
{
    Fixture f;
    f.store("PST File", QStringLiteral("/srv/mail/Archive 2019.pst"));
    f.store("Combo1", QStringLiteral("5"));
    f.store("Combo2", QStringLiteral("1"));
    f.store("Option3", QStringLiteral("False"));
    f.store("Option4", QStringLiteral("True"));
    f.store("Text1", QStringLiteral("needle"));
    f.load();
    QCOMPARE(f.child<QLineEdit>("Text2")->text(), QStringLiteral("/srv/mail/Archive 2019.pst"));
    QCOMPARE(f.child<QComboBox>("Combo1")->currentText(), QStringLiteral("Sent Items"));
    QCOMPARE(f.child<QComboBox>("Combo2")->currentText(), QStringLiteral("pdf2"));
    QVERIFY(f.child<QRadioButton>("Option4")->isChecked());
    QVERIFY(!f.child<QRadioButton>("Option3")->isChecked());
    QCOMPARE(f.child<QLineEdit>("Text1")->text(), QStringLiteral("needle"));
    // Restoring writes the same values back, nothing else.
    QCOMPARE(f.stored("Combo1"), QStringLiteral("5"));
    QCOMPARE(f.stored("Combo2"), QStringLiteral("1"));
    QCOMPARE(f.stored("Option3"), QStringLiteral("False"));
    QCOMPARE(f.stored("Option4"), QStringLiteral("True"));
    QVERIFY(f.dialogs.shown.isEmpty());
}

void TestForm1::badStoredValuesAreReportedAndTheLoadGoesOn_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("description");
    QTest::newRow("Combo1 one past the last item") << "Combo1"
                                                   << "8" << 166 << "Invalid property value";
    QTest::newRow("Combo1 below -1") << "Combo1"
                                     << "-2" << 166 << "Invalid property value";
    QTest::newRow("Combo1 not a number") << "Combo1"
                                         << "Inbox" << 166 << "Type mismatch";
    QTest::newRow("Combo1 too large for a position") << "Combo1"
                                                     << "70000" << 166 << "Overflow";
    QTest::newRow("Combo2 past the printer list") << "Combo2"
                                                  << "2" << 168 << "Invalid property value";
    QTest::newRow("Combo2 below -1") << "Combo2"
                                     << "-2" << 168 << "Invalid property value";
    QTest::newRow("Combo2 not a number") << "Combo2"
                                         << "pdf1" << 168 << "Type mismatch";
    QTest::newRow("Option3 maybe") << "Option3"
                                   << "maybe" << 170 << "Type mismatch";
    QTest::newRow("Option4 maybe") << "Option4"
                                   << "maybe" << 172 << "Type mismatch";
}

void TestForm1::badStoredValuesAreReportedAndTheLoadGoesOn()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(int, line);
    QFETCH(QString, description);
    Fixture f;
    f.store("Text1", QStringLiteral("still restored"));
    f.store(key.toLatin1().constData(), value);
    f.load();

    QCOMPARE(f.dialogs.shown.size(), 1);
    QCOMPARE(f.dialogs.shown[0].text, loadError(description, line));
    QCOMPARE(f.dialogs.shown[0].title, QStringLiteral("Application Error"));
    QCOMPARE(f.dialogs.shown[0].icon, Dialogs::Icon::Exclamation);

    // The failing step left its control as it was; the later steps ran.
    QCOMPARE(f.child<QLineEdit>("Text1")->text(), QStringLiteral("still restored"));
    if (key == QLatin1String("Combo1"))
        QCOMPARE(f.child<QComboBox>("Combo1")->currentIndex(), -1);
    if (key == QLatin1String("Combo2"))
    {
        QCOMPARE(f.child<QComboBox>("Combo2")->count(), 2);
        QCOMPARE(f.child<QComboBox>("Combo2")->currentIndex(), -1);
    }
    else
    {
        QCOMPARE(f.child<QComboBox>("Combo2")->currentText(), QStringLiteral("pdf1"));
    }
    if (key.startsWith(QLatin1String("Option")))
        QVERIFY(f.child<QRadioButton>("Option3")->isChecked());
    QCOMPARE(f.stored(key.toLatin1().constData()), value); // nothing overwrote the bad value
}

void TestForm1::bothOptionsTrueEndsWithTheSecond()
{
    Fixture f;
    f.store("Option3", QStringLiteral("True"));
    f.store("Option4", QStringLiteral("True"));
    f.load();
    QVERIFY(f.child<QRadioButton>("Option4")->isChecked());
    QVERIFY(!f.child<QRadioButton>("Option3")->isChecked());
    QCOMPARE(f.stored("Option3"), QStringLiteral("False"));
    QCOMPARE(f.stored("Option4"), QStringLiteral("True"));

    Fixture neither;
    neither.store("Option3", QStringLiteral("0"));
    neither.store("Option4", QStringLiteral("False"));
    neither.load();
    QVERIFY(!neither.child<QRadioButton>("Option3")->isChecked());
    QVERIFY(!neither.child<QRadioButton>("Option4")->isChecked());
    QVERIFY(neither.dialogs.shown.isEmpty());
}

void TestForm1::withoutAPrintServerNothingIsSelected()
{
    Fixture f;
    {
        const NoPrintServer noServer;
        f.load();
    }

    QCOMPARE(f.child<QComboBox>("Combo2")->count(), 0);
    QCOMPARE(f.child<QComboBox>("Combo2")->currentIndex(), -1);
    QCOMPARE(f.stored("Combo2"), QStringLiteral("<absent>"));
    QCOMPARE(f.dialogs.shown.size(), 1);
    QVERIFY(f.dialogs.shown[0].text.startsWith(QStringLiteral("Error No: ")));
    QCOMPARE(f.child<QComboBox>("Combo1")->currentIndex(), 0); // the rest of the load ran
}

void TestForm1::withoutOutlookTheExpressWindowOpens()
{
    Fixture f;
    f.load(false);
    QCOMPARE(f.outlookExpressShown, 1);
    QVERIFY(f.child<QRadioButton>("Option4")->isChecked());
    QCOMPARE(f.stored("Option3"), QStringLiteral("False"));
    QCOMPARE(f.stored("Option4"), QStringLiteral("True"));
    QVERIFY(!f.form->isVisible());
    QVERIFY(f.dialogs.shown.isEmpty());

    // The next start with the engine keeps the PST option.
    Fixture next;
    next.load(true);
    QVERIFY(next.child<QRadioButton>("Option4")->isChecked());
    QCOMPARE(next.outlookExpressShown, 0);
}

void TestForm1::pointerFollowsTheMouseButNotWhileBusy()
{
    auto moveOver = [](QWidget* widget) {
        QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), widget->mapToGlobal(QPointF(3, 3)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    };
    Fixture f;
    f.load();
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    QVERIFY(f.form->hasCustomCursor());
    moveOver(f.child<QPushButton>("PushButton3"));
    QCOMPARE(f.form->pointer(), Form1::Pointer::Custom);
    QCOMPARE(f.form->cursor().shape(), Qt::BitmapCursor);
    moveOver(f.child<QGroupBox>("Frame2"));
    QCOMPARE(f.form->pointer(), Form1::Pointer::Default);
    QCOMPARE(f.form->cursor().shape(), Qt::ArrowCursor);
    moveOver(f.child<QPushButton>("PushButton8"));
    QCOMPARE(f.form->pointer(), Form1::Pointer::Custom);
    moveOver(f.child<QTreeView>("ListView1")->viewport());
    QCOMPARE(f.form->pointer(), Form1::Pointer::Default);

    f.form->setBusyPointer(true);
    moveOver(f.child<QPushButton>("PushButton1"));
    moveOver(f.child<QLineEdit>("Text1"));
    QCOMPARE(f.form->pointer(), Form1::Pointer::Busy);
    QCOMPARE(f.form->cursor().shape(), Qt::WaitCursor);
    f.form->setBusyPointer(false);
    moveOver(f.child<QPushButton>("PushButton1"));
    QCOMPARE(f.form->pointer(), Form1::Pointer::Custom);

    // Without the cursor file the custom pointer is the plain arrow.
    QTemporaryDir empty;
    Fixture bare;
    bare.load(true, empty.path());
    bare.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(bare.form.get()));
    QVERIFY(!bare.form->hasCustomCursor());
    moveOver(bare.child<QPushButton>("PushButton3"));
    QCOMPARE(bare.form->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(bare.dialogs.shown.isEmpty());
}

void TestForm1::cursorFileKeepsItsHotspot()
{
    QFile original(TestSupport::binDir() + QStringLiteral("/HAND-M.CUR"));
    QVERIFY(original.open(QIODevice::ReadOnly));
    QByteArray bytes = original.readAll();
    // Move the declared hotspot and check the loaded cursor follows the file.
    bytes[10] = 11;
    bytes[11] = 0;
    bytes[12] = 29;
    bytes[13] = 0;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("moved hotspot.cur"));
    QFile copy(path);
    QVERIFY(copy.open(QIODevice::WriteOnly));
    copy.write(bytes);
    copy.close();
    const std::optional<QCursor> cursor = LoadCursorFile(path);
    QVERIFY(cursor);
    QCOMPARE(cursor->hotSpot(), QPoint(11, 29));
    QCOMPARE(cursor->pixmap().size(), QSize(32, 32));
    const std::optional<QCursor> shipped = LoadCursorFile(original.fileName());
    QVERIFY(shipped);
    QVERIFY(shipped->hotSpot() != QPoint(11, 29));
}

void TestForm1::damagedCursorFileIsReported()
{
    QTemporaryDir dir;
    QFile damaged(dir.filePath(QStringLiteral("HAND-M.CUR")));
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("not a cursor at all");
    damaged.close();
    Fixture f;
    f.load(true, dir.path());
    QCOMPARE(f.dialogs.shown.size(), 1);
    QVERIFY(f.dialogs.shown[0].text.endsWith(
        QStringLiteral("Form1.Form_Load at line 108\r\rPlease email screenshot of this message to ") +
        ErrorTrap::supportAddress()));
    QVERIFY(!f.form->hasCustomCursor());
    QCOMPARE(f.child<QComboBox>("Combo1")->currentIndex(), 0);
}

void TestForm1::outlookExpressFailureIsReported()
{
    Fixture f;
    f.load();
    f.outlookExpress = [] { throw AppError(7, QStringLiteral("Vellumtide"), QStringLiteral("Out of memory")); };
    f.form->PushButton4_Click();
    QCOMPARE(f.outlookExpressShown, 1);
    QCOMPARE(f.dialogs.texts(), QStringList{ErrorTrap::messageText(QStringLiteral("Out of memory"),
                                                                   QStringLiteral("Form1.PushButton4_Click"), 100)});
    QCOMPARE(f.dialogs.shown[0].title, QStringLiteral("Application Error"));
    f.outlookExpress = nullptr;
    f.form->PushButton4_Click(); // a window that closes normally says nothing
    QCOMPARE(f.dialogs.shown.size(), 1);
}

void TestForm1::noDefaultPrinterStartsQuietly()
{
    const ServerWithoutDefault server({QStringLiteral("pdfA"), QStringLiteral("pdfB")});
    QVERIFY2(!server.server().isEmpty(), "a private CUPS server without a default did not start");
    const OtherPrintServer use(server.server());
    Fixture f;
    f.load();
    auto* combo2 = f.child<QComboBox>("Combo2");
    QCOMPARE(combo2->count(), 2);
    QCOMPARE(combo2->itemText(0), QStringLiteral("pdfA"));
    QCOMPARE(combo2->itemText(1), QStringLiteral("pdfB"));
    QCOMPARE(combo2->currentIndex(), -1);
    QCOMPARE(f.stored("Combo2"), QStringLiteral("<absent>"));
    QCOMPARE(GetSetPrinter::GetDefaultPrinter(f.printers, f.dialogs), QString());
    QVERIFY2(f.dialogs.shown.isEmpty(), qPrintable(f.dialogs.texts().join(u'|')));
}

void TestForm1::framesAreWhiteOnScreen()
{
    Fixture f;
    f.load();
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    const QImage shot = f.form->grab().toImage();
    // Inside each frame, wherever no control stands; windowGridAndLists checks the white controls.
    for (const char* name : {"Frame1", "Frame2", "Frame3", "Frame4"})
    {
        auto* frame = f.child<QGroupBox>(name);
        const QRect inside = QRect(frame->mapTo(f.form.get(), QPoint(0, 0)), frame->size())
                                 .adjusted(4, frame->fontMetrics().height() + 4, -4, -4);
        QList<QRect> controls;
        for (QWidget* control : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            controls.append(QRect(control->mapTo(f.form.get(), QPoint(0, 0)), control->size()).adjusted(-2, -2, 2, 2));
        int grey = 0;
        QPoint first;
        for (int y = inside.top(); y <= inside.bottom(); ++y)
        {
            for (int x = inside.left(); x <= inside.right(); ++x)
            {
                const QPoint at(x, y);
                const QRgb pixel = shot.pixel(at);
                // Grey: every channel alike and near white, as a shaded background is (text is far darker).
                const bool shaded = qRed(pixel) == qGreen(pixel) && qGreen(pixel) == qBlue(pixel) &&
                                    qRed(pixel) >= 240 && qRed(pixel) < 255;
                if (shaded &&
                    std::none_of(controls.begin(), controls.end(), [&](const QRect& r) { return r.contains(at); }))
                {
                    if (grey++ == 0)
                        first = at;
                }
            }
        }
        QVERIFY2(grey == 0, qPrintable(QStringLiteral("%1: %2 shaded pixels, first at %3,%4 is %5")
                                           .arg(QLatin1String(name))
                                           .arg(grey)
                                           .arg(first.x())
                                           .arg(first.y())
                                           .arg(qRed(shot.pixel(first)))));
    }
    QCOMPARE(QColor(shot.pixel(2, 2)), QColor(Qt::white));
}

void TestForm1::closingEndsOutlookProcessesAndTheProgram()
{
    Fixture f;
    f.processes.entries = {{4100, QStringLiteral("bash")},
                           {4101, QStringLiteral("OUTLOOK.EXE")},
                           {4102, QStringLiteral("C:\\Program Files\\Microsoft Office\\outlook.exe")}};
    f.load();
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    QVERIFY(f.form->close());
    QCOMPARE(f.programEnded, 1);
    QCOMPARE(f.processes.terminated, (QList<pid_t>{4101, 4102}));
    // Closing stores nothing of its own.
    QCOMPARE(f.stored("Option3"), QStringLiteral("<absent>"));
}

void TestForm1::closingWhileAHandlerWaitsEndsAtOnce()
{
    // The handler of the child below waits a minute; closing must not wait for it.
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--close-while-waiting")});
    QVERIFY(child.waitForStarted());
    QVERIFY2(child.waitForFinished(30000), "closing waited for the running handler");
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    QCOMPARE(child.readAllStandardOutput(), QByteArray()); // the handler did not go on
    // What the handler stored before the close is on disk.
    QCOMPARE(SettingsStore().read(QStringLiteral("Text1")), QStringLiteral("typed in the handler"));
}

namespace
{

// The child process of closingWhileAHandlerWaitsEndsAtOnce: the program's own ending,
// a handler that stores a choice and then waits, and a close during that wait.
int closeWhileWaiting()
{
    ScriptedDialogs dialogs;
    SettingsStore settings;
    CupsPrinterSystem printers;
    FakeProcessTable processes;
    MailStore::EngineFactory engine;
    Form1* form = nullptr;
    auto handler = [&](QWidget*) {
        form->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(QStringLiteral("typed in the handler"));
        QTimer::singleShot(300, form, &QWidget::close);
        Main::WaitSeconds(60);
        std::puts("the handler went on after the window closed");
    };
    Form1 window({dialogs, settings, printers, processes, engine, TestSupport::binDir(), handler,
                  [&settings] { Main::EndProgram(settings); }});
    form = &window;
    window.Form_Load();
    window.show();
    QTimer::singleShot(0, &window, &Form1::PushButton4_Click);
    QApplication::exec();
    std::puts("the event loop returned");
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--close-while-waiting") == 0)
        return closeWhileWaiting();
    TestForm1 test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_form1.moc"
