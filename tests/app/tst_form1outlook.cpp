#include "CupsPrinterSystem.h"
#include "ErrorTrap.h"
#include "FailingFactory.h"
#include "FakeEngine.h"
#include "Form1.h"
#include "MailRow.h"
#include "NoPrintServer.h"
#include "ProcProcessTable.h"
#include "ScriptedDialogs.h"
#include "SettingsStore.h"
#include "TestSupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

namespace
{

// The main window over a fake engine, the real settings store and the private CUPS server.
struct Fixture
{
    Fake::World world;
    Fake::Factory engine{world};
    FailingFactory failing;
    ScriptedDialogs dialogs;
    SettingsStore settings;
    CupsPrinterSystem printers;
    ProcProcessTable processes;
    std::unique_ptr<Form1> form;

    explicit Fixture(bool engineAvailable = true)
    {
        Outlook::ApplicationFactory& factory = engineAvailable ? static_cast<Outlook::ApplicationFactory&>(engine)
                                                               : static_cast<Outlook::ApplicationFactory&>(failing);
        form = std::make_unique<Form1>(
            Form1::Services{dialogs, settings, printers, processes, factory, TestSupport::binDir(), nullptr, nullptr});
        form->Form_Load();
        dialogs.shown.clear();
        world.log.clear();
    }

    template <class T> T* child(const char* name) const
    {
        T* widget = form->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    void click(const char* button) { child<QPushButton>(button)->click(); }

    QStringList subjects() const
    {
        QStringList result;
        for (int row = 0; row < form->mailGrid().rowCount(); ++row)
            result << form->mailGrid().text(row, Outlook::MailRow::Subject);
        return result;
    }
};

void buildMailbox(Fake::World& world)
{
    Fake::FolderNode& inbox = world.store(QStringLiteral("Mailbox")).folder(QStringLiteral("Inbox"));
    inbox.mail(QStringLiteral("first")).body = QStringLiteral("about the INVOICE");
    inbox.mail(QStringLiteral("second"));
    inbox.mail(QStringLiteral("third")).body = QStringLiteral("another invoice");
    world.numberItems();
}

QString error(const char* procedure, int line, const QString& description)
{
    return ErrorTrap::messageText(description, QStringLiteral("Form1.") + QLatin1String(procedure), line);
}

} // namespace

class TestForm1Outlook : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void sourceCheck_data();
    void sourceCheck();
    void withoutEngineListSaysSoAndFindReportsItsLine();
    void sessionFailureReportsTheListingLine();
    void findListsMatchesAndSelectionFollowsTheGrid();
    void browseSetsThePathOrLeavesIt();
    void helpText();
    void secondClickDuringAListingIsIgnored();
    void printRunShowsProgressAndStopsOnEscape();
    void withoutAnyPrinterOneMessageAndNothingPrinted();
};

void TestForm1Outlook::initTestCase()
{
    VT_REQUIRE_CUPS();
}

void TestForm1Outlook::init()
{
    QFile::remove(SettingsStore().fileName());
}

void TestForm1Outlook::sourceCheck_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("storeFile");
    QTest::addColumn<QString>("path");   // "<dir>" and "<file>" stand for a real folder and store file
    QTest::addColumn<int>("lookupLine"); // an "Application Error" before "PST File not found."
    QTest::addColumn<QString>("message");

    for (const auto& [button, firstLine] : {std::pair{"PushButton1", 106}, std::pair{"PushButton2", 100}})
    {
        const QByteArray b(button);
        QTest::newRow(b + " blank path") << button << true << "   " << 0 << "You forgot to input PST File.";
        QTest::newRow(b + " folder") << button << true << "<dir>" << 0 << "PST File not found.";
        QTest::newRow(b + " missing file") << button << true << "<dir>/none.pst" << 0 << "PST File not found.";
        QTest::newRow(b + " hidden file") << button << true << "<dir>/.hidden.pst" << 0 << "PST File not found.";
        QTest::newRow(b + " leading blank") << button << true << " <file>" << 0 << "PST File not found.";
        QTest::newRow(b + " rejected path")
            << button << true << QStringLiteral("<dir>/a") + QChar(0) + "b" << firstLine + 6 << "PST File not found.";
        QTest::newRow(b + " wildcard matching the store") << button << true << "<dir>/my st*.pst" << 0 << "";
        QTest::newRow(b + " store file") << button << true << "<file>" << 0 << "Done.";
        QTest::newRow(b + " profile ignores a bad path") << button << false << "   " << 0 << "Done.";
    }
}

void TestForm1Outlook::sourceCheck()
{
    QFETCH(QString, button);
    QFETCH(bool, storeFile);
    QFETCH(QString, path);
    QFETCH(int, lookupLine);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("my store.pst"));
    QFile(file).open(QIODevice::WriteOnly);
    QFile(dir.filePath(QStringLiteral(".hidden.pst"))).open(QIODevice::WriteOnly);
    path.replace(QStringLiteral("<file>"), file).replace(QStringLiteral("<dir>"), dir.path());

    Fixture f;
    f.world.store(QStringLiteral("Profile")).folder(QStringLiteral("Inbox")).mail(QStringLiteral("profile mail"));
    f.world.storeFile(file, QStringLiteral("Personal")).folder(QStringLiteral("Inbox")).mail(QStringLiteral("file"));
    if (path != file)
        f.world.storeFile(path, QStringLiteral("Matched"))
            .folder(QStringLiteral("Inbox"))
            .mail(QStringLiteral("matched"));
    f.world.numberItems();
    (storeFile ? f.child<QRadioButton>("Option4") : f.child<QRadioButton>("Option3"))->setChecked(true);
    f.child<QLineEdit>("Text2")->setText(path);
    f.form->mailGrid().addRow({QStringLiteral("kept")});

    f.click(button.toLatin1().constData());

    QStringList expected;
    if (lookupLine)
        expected << error(button == u"PushButton1" ? "PushButton1_Click" : "PushButton2_Click", lookupLine,
                          QStringLiteral("Bad file name or number"));
    if (message.isEmpty()) // the wildcard passes the check and is attached as typed
        expected << QStringLiteral("Done.");
    else
        expected << message;
    QCOMPARE(f.dialogs.texts(), expected);
    if (message == u"Done." || message.isEmpty())
    {
        const QString subject = !storeFile          ? QStringLiteral("profile mail")
                                : message.isEmpty() ? QStringLiteral("matched")
                                                    : QStringLiteral("file");
        QCOMPARE(f.subjects(), QStringList{subject});
        QVERIFY(f.world.attached.empty());
    }
    else
    {
        QCOMPARE(f.form->mailGrid().rowCount(), 1); // not cleared
        QVERIFY(!f.world.log.contains(QStringLiteral("GetNamespace MAPI")));
    }
}

void TestForm1Outlook::withoutEngineListSaysSoAndFindReportsItsLine()
{
    Fixture f(false);
    f.click("PushButton1");
    QCOMPARE(f.dialogs.texts(),
             QStringList{QStringLiteral("MS Outlook does not appear to be installed on this computer.")});
    QCOMPARE(f.dialogs.shown[0].icon, Dialogs::Icon::None);

    f.dialogs.shown.clear();
    f.child<QRadioButton>("Option3")->setChecked(true); // the load chose the store file without an engine
    f.click("PushButton2");
    QCOMPARE(f.dialogs.texts(),
             QStringList{error("PushButton2_Click", 116, QStringLiteral("ActiveX component can't create object"))});
    QVERIFY(!f.form->listing().FindActive);
    QCOMPARE(f.form->pointer(), Form1::Pointer::Default);
}

void TestForm1Outlook::sessionFailureReportsTheListingLine()
{
    Fixture f;
    buildMailbox(f.world);
    f.world.profile[0]->failing << QStringLiteral("Name");
    f.world.store(QStringLiteral("Second")).failing << QStringLiteral("Name");
    f.world.failing << QStringLiteral("GetNamespace");
    f.click("PushButton1");
    QCOMPARE(f.dialogs.texts(),
             QStringList{error("PushButton1_Click", 120, QStringLiteral("The fake engine fails GetNamespace"))});
    QCOMPARE(f.form->pointer(), Form1::Pointer::Default);
    QVERIFY(f.child<QPushButton>("PushButton1")->isEnabled());
    QVERIFY(!f.form->isBusyWithOperation());
}

void TestForm1Outlook::findListsMatchesAndSelectionFollowsTheGrid()
{
    Fixture f;
    buildMailbox(f.world);
    f.click("PushButton5"); // empty grid: nothing happens
    QVERIFY(f.dialogs.shown.isEmpty());

    f.child<QLineEdit>("Text1")->setText(QStringLiteral("Invoice"));
    f.click("PushButton2");
    QCOMPARE(f.subjects(), (QStringList{QStringLiteral("first"), QStringLiteral("third")}));
    QCOMPARE(f.dialogs.texts(), QStringList{QStringLiteral("Done.")});
    QVERIFY(!f.form->listing().FindActive);

    f.click("PushButton5");
    QCOMPARE(f.form->mailGrid().checkedCount(), 2);
    f.click("PushButton6");
    QCOMPARE(f.form->mailGrid().checkedCount(), 0);

    // A plain listing after a Find lists everything again, unticked.
    f.click("PushButton5");
    f.click("PushButton1");
    QCOMPARE(f.form->mailGrid().rowCount(), 3);
    QCOMPARE(f.form->mailGrid().checkedCount(), 0);
}

void TestForm1Outlook::browseSetsThePathOrLeavesIt()
{
    Fixture f;
    f.child<QLineEdit>("Text2")->setText(QStringLiteral("/earlier/store.pst"));
    f.click("PushButton8"); // cancelled
    QCOMPARE(f.child<QLineEdit>("Text2")->text(), QStringLiteral("/earlier/store.pst"));
    QCOMPARE(f.dialogs.fileRequests.size(), 1);
    QCOMPARE(f.dialogs.fileRequests[0].title, QStringLiteral("Select PST File"));
    QCOMPARE(f.dialogs.fileRequests[0].filter.split(QStringLiteral(";;")),
             QStringList({"All PST Files (*.pst)", "Outlook data files (*.pst *.ost)", "All files (*)"}));
    QVERIFY(!f.dialogs.fileRequests[0].multiSelect);

    f.dialogs.fileAnswers.enqueue({QStringLiteral("/data/Mäil 'archive'.pst")});
    f.click("PushButton8");
    QCOMPARE(f.child<QLineEdit>("Text2")->text(), QStringLiteral("/data/Mäil 'archive'.pst"));
    QCOMPARE(f.settings.read(QStringLiteral("PST File")), QStringLiteral("/data/Mäil 'archive'.pst"));
    QVERIFY(f.dialogs.shown.isEmpty());
}

void TestForm1Outlook::helpText()
{
    Fixture f;
    f.click("PushButton19");
    QCOMPARE(f.dialogs.shown.size(), 1);
    QCOMPARE(f.dialogs.shown[0].text,
             QStringLiteral("If you are getting a query message that says\r\n\r\n\"Allow access for x minutes Yes No "
                            "Help\"\r\n\r\nYou may want to deactivate it so that my software can work with Outlook "
                            "for a longer period of time.\r\n\r\nTo deactivate this query message, look for an option "
                            "resembling:\r\n\r\nOutlook > Tools > Trust Center > Allow programmatic access"));
    QCOMPARE(f.dialogs.shown[0].icon, Dialogs::Icon::None);
    QCOMPARE(f.dialogs.shown[0].title, QCoreApplication::applicationName());
}

void TestForm1Outlook::secondClickDuringAListingIsIgnored()
{
    Fixture f;
    buildMailbox(f.world);
    bool clicked = false;
    f.world.profile[0]->folders[0]->items[1]->onListed = [&] {
        if (clicked)
            return;
        clicked = true;
        QVERIFY(f.form->isBusyWithOperation());
        for (const char* button : {"PushButton1", "PushButton2", "PushButton3", "PushButton5"})
            QTest::mouseClick(f.child<QPushButton>(button), Qt::LeftButton);
        f.form->PushButton1_Click();
        f.form->PushButton3_Click();
    };
    f.click("PushButton1");
    QVERIFY(clicked);
    QCOMPARE(f.subjects(), (QStringList{QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third")}));
    QCOMPARE(f.form->mailGrid().checkedCount(), 0);
    QCOMPARE(f.dialogs.texts(), QStringList{QStringLiteral("Done.")});
    QVERIFY(f.child<QPushButton>("PushButton3")->isEnabled());
}

void TestForm1Outlook::printRunShowsProgressAndStopsOnEscape()
{
    Fixture f;
    buildMailbox(f.world);
    f.form->show();
    f.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    f.click("PushButton1");
    f.child<QComboBox>("Combo1")->setCurrentText(QStringLiteral("All"));
    QComboBox* printers = f.child<QComboBox>("Combo2");
    printers->setCurrentText(QStringLiteral("pdf2"));
    QCOMPARE(printers->currentText(), QStringLiteral("pdf2"));
    const QString title = f.form->windowTitle();
    QStringList titles;
    for (const auto& mail : f.world.profile[0]->folders[0]->items)
        mail->onPrint = [&] {
            titles << f.form->windowTitle();
            QVERIFY(!f.child<QTreeView>("ListView1")->isEnabled());
        };
    f.world.profile[0]->folders[0]->items[1]->onPrint = [&] {
        titles << f.form->windowTitle();
        QTest::keyClick(f.form.get(), Qt::Key_Escape);
    };
    f.dialogs.shown.clear();

    f.click("PushButton3");

    QCOMPARE(titles,
             (QStringList{title + QStringLiteral(" - printing 1 of 3"), title + QStringLiteral(" - printing 2 of 3")}));
    QCOMPARE(f.form->windowTitle(), title);
    QCOMPARE(f.dialogs.texts(), QStringList{QStringLiteral("Stopped after 2 of 3.")});
    QCOMPARE(f.printers.defaultPrinter().name, QStringLiteral("pdf2"));
    QCOMPARE(f.form->pointer(), Form1::Pointer::Default);
    QVERIFY(f.child<QTreeView>("ListView1")->isEnabled());

    // Escape outside a run changes nothing for the next one.
    QTest::keyClick(f.form.get(), Qt::Key_Escape);
    f.world.profile[0]->folders[0]->items[1]->onPrint = nullptr;
    f.dialogs.shown.clear();
    f.click("PushButton3");
    QCOMPARE(f.dialogs.texts(), QStringList{QStringLiteral("Done.")});
}

void TestForm1Outlook::withoutAnyPrinterOneMessageAndNothingPrinted()
{
    const NoPrintServer none;
    Fixture f;
    buildMailbox(f.world);
    f.click("PushButton1");
    f.child<QComboBox>("Combo1")->setCurrentText(QStringLiteral("All"));
    QVERIFY(f.child<QComboBox>("Combo2")->currentText().isEmpty());
    f.dialogs.shown.clear();
    f.world.log.clear();
    f.click("PushButton3");
    QCOMPARE(f.dialogs.texts(),
             QStringList{QStringLiteral("No printer is chosen under \"Select Printer\" and there is no "
                                        "default printer. Please choose a printer.")});
    QVERIFY(!f.world.log.join(u'|').contains(QStringLiteral("PrintOut")));
}

QTEST_MAIN(TestForm1Outlook)
#include "tst_form1outlook.moc"
