#include "AppError.h"
#include "Conversions.h"

#include <QtTest>

class TestConversions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listPosition_data();
    void listPosition();
    void boolean_data();
    void boolean();
};

void TestConversions::listPosition_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected"); // the error number when negative below -40000
    const int typeMismatch = -40013;
    const int overflow = -40006;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("last item") << "7" << 7;
    QTest::newRow("no selection") << "-1" << -1;
    QTest::newRow("blanks around") << " 3 " << 3;
    QTest::newRow("half rounds to even (down)") << "2.5" << 2;
    QTest::newRow("half rounds to even (up)") << "3.5" << 4;
    QTest::newRow("fraction rounds to nearest") << "1.6" << 2;
    QTest::newRow("negative half") << "-0.5" << 0;
    QTest::newRow("exponent") << "1e2" << 100;
    QTest::newRow("largest") << "32767" << 32767;
    QTest::newRow("smallest") << "-32768" << -32768;
    QTest::newRow("one past largest") << "32768" << overflow;
    QTest::newRow("rounds past largest") << "32767.5" << overflow;
    QTest::newRow("far below") << "-99999" << overflow;
    QTest::newRow("word") << "eight" << typeMismatch;
    QTest::newRow("empty") << "" << typeMismatch;
    QTest::newRow("number and junk") << "3x" << typeMismatch;
    QTest::newRow("infinity") << "inf" << typeMismatch;
}

void TestConversions::listPosition()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    if (expected > -40000)
    {
        QCOMPARE(int(Conversions::toListPosition(text)), expected);
        return;
    }
    try
    {
        Conversions::toListPosition(text);
        QFAIL("no error raised");
    }
    catch (const AppError& error)
    {
        QCOMPARE(error.number(), long(-(expected + 40000)));
        QVERIFY(!error.description().isEmpty());
    }
}

void TestConversions::boolean_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected"); // 1 true, 0 false, -1 error
    QTest::newRow("True") << "True" << 1;
    QTest::newRow("False") << "False" << 0;
    QTest::newRow("lower case") << "true" << 1;
    QTest::newRow("upper case") << "FALSE" << 0;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("one") << "1" << 1;
    QTest::newRow("minus one") << "-1" << 1;
    QTest::newRow("fraction") << "0.25" << 1;
    QTest::newRow("maybe") << "maybe" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("yes") << "yes" << -1;
}

void TestConversions::boolean()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    if (expected >= 0)
    {
        QCOMPARE(Conversions::toBoolean(text), expected == 1);
        QCOMPARE(Conversions::booleanText(expected == 1),
                 expected == 1 ? QStringLiteral("True") : QStringLiteral("False"));
        return;
    }
    QVERIFY_THROWS_EXCEPTION(AppError, Conversions::toBoolean(text));
}

QTEST_GUILESS_MAIN(TestConversions)
#include "tst_conversions.moc"
