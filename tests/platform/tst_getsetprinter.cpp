#include "CupsPrinterSystem.h"
#include "GetSetPrinter.h"
#include "Message.h"
#include "MessagePrinter.h"
#include "NoPrintServer.h"
#include "ScriptedDialogs.h"
#include "TestSupport.h"

#include <QtTest>
#include <optional>

// Against the private CUPS server of the test command: queues pdf1 (the server's
// default) and pdf2.
class TestGetSetPrinter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void listsQueuesInCupsOrder();
    void defaultIsTheServersUntilTheUserChoosesOne();
    void setThenGetRoundTrips();
    void chosenPrinterWinsOverTheEnvironment_data();
    void chosenPrinterWinsOverTheEnvironment();
    void unknownOrEmptyNameFails_data();
    void unknownOrEmptyNameFails();
    void noServerSaysErrorNoOnce();
};

void TestGetSetPrinter::initTestCase()
{
    VT_REQUIRE_CUPS();
    VT_REQUIRE_ISOLATION(); // the tests change the default printer
    QCoreApplication::setApplicationName(QStringLiteral("Vellumtide"));
}

void TestGetSetPrinter::listsQueuesInCupsOrder()
{
    CupsPrinterSystem printers;
    QCOMPARE(printers.printerNames(), (QStringList{QStringLiteral("pdf1"), QStringLiteral("pdf2")}));
}

void TestGetSetPrinter::defaultIsTheServersUntilTheUserChoosesOne()
{
    CupsPrinterSystem printers;
    ScriptedDialogs dialogs;
    QCOMPARE(GetSetPrinter::GetDefaultPrinter(printers, dialogs), QStringLiteral("pdf1"));
    QVERIFY(dialogs.shown.isEmpty());
}

void TestGetSetPrinter::setThenGetRoundTrips()
{
    CupsPrinterSystem printers;
    ScriptedDialogs dialogs;
    QVERIFY(GetSetPrinter::SetDefaultPrinter(printers, dialogs, QStringLiteral("pdf2"), true));
    QCOMPARE(GetSetPrinter::GetDefaultPrinter(printers, dialogs), QStringLiteral("pdf2"));
    // Another program asking CUPS sees the same default.
    QByteArray out;
    QCOMPARE(TestSupport::run(QStringLiteral("lpstat"), {QStringLiteral("-d")}, &out), 0);
    QVERIFY2(out.contains("pdf2"), out.constData());

    QVERIFY(GetSetPrinter::SetDefaultPrinter(printers, dialogs, QStringLiteral("pdf1"), true));
    CupsPrinterSystem fresh;
    QCOMPARE(GetSetPrinter::GetDefaultPrinter(fresh, dialogs), QStringLiteral("pdf1"));
    QVERIFY(dialogs.shown.isEmpty());
}

void TestGetSetPrinter::chosenPrinterWinsOverTheEnvironment_data()
{
    QTest::addColumn<QByteArray>("variable");
    QTest::newRow("PRINTER") << QByteArray("PRINTER");
    QTest::newRow("LPDEST") << QByteArray("LPDEST");
}

void TestGetSetPrinter::chosenPrinterWinsOverTheEnvironment()
{
    QFETCH(QByteArray, variable);
    const auto restore = qScopeGuard([&] { qunsetenv(variable.constData()); });
    qputenv(variable.constData(), "pdf1");
    CupsPrinterSystem printers;
    ScriptedDialogs dialogs;
    QCOMPARE(GetSetPrinter::GetDefaultPrinter(printers, dialogs), QStringLiteral("pdf1")); // until the user chooses

    QVERIFY(GetSetPrinter::SetDefaultPrinter(printers, dialogs, QStringLiteral("pdf2"), true));
    QCOMPARE(GetSetPrinter::GetDefaultPrinter(printers, dialogs), QStringLiteral("pdf2"));
    QCOMPARE(Render::MessagePrinter::defaultPrinter(), QStringLiteral("pdf2"));
    const int before1 = TestSupport::printedJobs(QStringLiteral("pdf1")).size();
    const int before2 = TestSupport::printedJobs(QStringLiteral("pdf2")).size();
    Render::Message message;
    message.subject = QStringLiteral("Chosen over ") + QString::fromLatin1(variable);
    message.textBody = QStringLiteral("This job belongs on pdf2.");
    QString error;
    QVERIFY2(Render::MessagePrinter::toPrinter(message, QString(), &error), qPrintable(error));
    const auto jobs = TestSupport::waitForJobs(QStringLiteral("pdf2"), before2, 1);
    QCOMPARE(jobs.size(), 1);
    QCOMPARE(jobs[0].title, message.subject);
    QCOMPARE(TestSupport::printedJobs(QStringLiteral("pdf1")).size(), before1);
    QVERIFY(dialogs.shown.isEmpty());
}

void TestGetSetPrinter::unknownOrEmptyNameFails_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("report");
    QTest::newRow("unknown, reported") << "no-such-queue" << true;
    QTest::newRow("unknown, silent") << "no-such-queue" << false;
    QTest::newRow("empty, reported") << "" << true;
    QTest::newRow("empty, silent") << "" << false;
    QTest::newRow("queue name in other case") << "PDF2" << true;
}

void TestGetSetPrinter::unknownOrEmptyNameFails()
{
    QFETCH(QString, name);
    QFETCH(bool, report);
    CupsPrinterSystem printers;
    ScriptedDialogs dialogs;
    const QString before = GetSetPrinter::GetDefaultPrinter(printers, dialogs);
    QVERIFY(!GetSetPrinter::SetDefaultPrinter(printers, dialogs, name, report));
    if (report)
    {
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown[0].text, QStringLiteral("Cannot set printer."));
        QCOMPARE(dialogs.shown[0].title, QStringLiteral("Vellumtide"));
        QCOMPARE(dialogs.shown[0].icon, Dialogs::Icon::None);
    }
    else
    {
        QVERIFY(dialogs.shown.isEmpty());
    }
    // A failed switch leaves the default as it was.
    QCOMPARE(GetSetPrinter::GetDefaultPrinter(printers, dialogs), before);
}

void TestGetSetPrinter::noServerSaysErrorNoOnce()
{
    CupsPrinterSystem printers;
    std::optional<NoPrintServer> noServer(std::in_place);
    ScriptedDialogs dialogs;
    QCOMPARE(printers.printerNames(), QStringList());
    QCOMPARE(GetSetPrinter::GetDefaultPrinter(printers, dialogs), QString());
    QCOMPARE(dialogs.shown.size(), 1);
    const QString text = dialogs.shown[0].text;
    static const QRegularExpression shape(
        QStringLiteral("^Error No: -?\\d+\\r\\n[^\\r\\n]+\\r\\nHas occured in "
                       "modPrinters\\.GetDefaultPrinter\\r\\nPlease contact Technical Support$"));
    QVERIFY2(shape.match(text).hasMatch(), qPrintable(text));
    QCOMPARE(dialogs.shown[0].title, QStringLiteral("Vellumtide"));
    QCOMPARE(dialogs.shown[0].icon, Dialogs::Icon::None);
    QVERIFY(!GetSetPrinter::SetDefaultPrinter(printers, dialogs, QStringLiteral("pdf1"), false));
    QCOMPARE(dialogs.shown.size(), 1);

    noServer.reset();
    QCOMPARE(printers.printerNames().size(), 2);
}

QTEST_MAIN(TestGetSetPrinter)
#include "tst_getsetprinter.moc"
