#include "AppError.h"
#include "ErrorTrap.h"
#include "ScriptedDialogs.h"

#include <QtTest>

class TestErrorTrap : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void messageHasTheExactShape();
    void goesOnAfterAFailingStatement();
    void failingBranchTestCountsAsPassed();
};

void TestErrorTrap::messageHasTheExactShape()
{
    QCOMPARE(ErrorTrap::messageText(QStringLiteral("Type mismatch"), QStringLiteral("Form1.PushButton3_Click"), 106),
             QStringLiteral("Type mismatch\r\nin Vellumtide2021/08/31.Form1.PushButton3_Click at line 106\r\r"
                            "Please email screenshot of this message to ") +
                 ErrorTrap::supportAddress());
    QVERIFY(ErrorTrap::supportAddress().contains(u'@'));
}

void TestErrorTrap::goesOnAfterAFailingStatement()
{
    ScriptedDialogs dialogs;
    ErrorTrap trap(dialogs, QStringLiteral("Form1.Form_Load"));
    QStringList ran;
    trap.step(100, [&] { ran << "100"; });
    trap.step(102, [&] {
        ran << "102";
        throw AppError::overflow(QStringLiteral("test"));
    });
    trap.step(104, [&] { throw std::runtime_error("disk on fire"); });
    trap.step(106, [&] { throw 42; });
    trap.step(108, [&] { ran << "108"; });
    QCOMPARE(ran, (QStringList{"100", "102", "108"}));
    QCOMPARE(dialogs.shown.size(), 3);
    QCOMPARE(dialogs.shown[0].text,
             ErrorTrap::messageText(QStringLiteral("Overflow"), QStringLiteral("Form1.Form_Load"), 102));
    QVERIFY(dialogs.shown[1].text.startsWith(QStringLiteral("disk on fire\r\n")));
    QVERIFY(dialogs.shown[1].text.contains(QStringLiteral(" at line 104\r\r")));
    QVERIFY(dialogs.shown[2].text.contains(QStringLiteral(" at line 106\r\r")));
    for (const ScriptedDialogs::Shown& shown : dialogs.shown)
    {
        QCOMPARE(shown.title, QStringLiteral("Application Error"));
        QCOMPARE(shown.icon, Dialogs::Icon::Exclamation);
    }
}

void TestErrorTrap::failingBranchTestCountsAsPassed()
{
    ScriptedDialogs dialogs;
    ErrorTrap trap(dialogs, QStringLiteral("Form2.PushButton3_Click"));
    QVERIFY(trap.test(110, [] { return true; }));
    QVERIFY(!trap.test(112, [] { return false; }));
    QVERIFY(dialogs.shown.isEmpty());
    bool branchRan = false;
    if (trap.test(114, []() -> bool { throw AppError::typeMismatch(QStringLiteral("test")); }))
        branchRan = true;
    QVERIFY(branchRan);
    QCOMPARE(dialogs.texts(), QStringList{ErrorTrap::messageText(QStringLiteral("Type mismatch"),
                                                                 QStringLiteral("Form2.PushButton3_Click"), 114)});
}

QTEST_GUILESS_MAIN(TestErrorTrap)
#include "tst_errortrap.moc"
