#include "ReportListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

class TestReportListModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rowsColumnsAndChecks();
    void bulkChecksNotifyOnce();
    void manyRows();
    void cellsReadBackAsAdded_data();
    void cellsReadBackAsAdded();
};

namespace
{

void addMailColumns(ReportListModel& model)
{
    for (const char* caption : {"Root", "Folder", "Subfolder", "Date", "From/To", "Email", "Subject", "ID"})
        model.addColumn(QString::fromLatin1(caption), 2000);
}

} // namespace

void TestReportListModel::rowsColumnsAndChecks()
{
    ReportListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    addMailColumns(model);
    QCOMPARE(model.columnCount(), 8);
    QCOMPARE(model.headerData(6, Qt::Horizontal).toString(), QStringLiteral("Subject"));

    model.addRow({QStringLiteral("Personal Folders"), QStringLiteral("Inbox"), QString(), QStringLiteral("2024-01-02"),
                  QStringLiteral("Ann"), QStringLiteral("ann@example.org"), QStringLiteral("Hello"),
                  QStringLiteral("id-1")});
    model.addRow({QStringLiteral("Personal Folders"), QStringLiteral("Sent Items")}); // short row
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.text(0, 7), QStringLiteral("id-1"));
    QCOMPARE(model.text(1, 6), QString());
    QCOMPARE(model.data(model.index(1, 5)).toString(), QString());

    // The check box sits on the first column only, and is the user's to change.
    QVERIFY(model.flags(model.index(0, 0)) & Qt::ItemIsUserCheckable);
    QVERIFY(!(model.flags(model.index(0, 3)) & Qt::ItemIsUserCheckable));
    QCOMPARE(model.data(model.index(0, 0), Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
    QVERIFY(!model.data(model.index(0, 3), Qt::CheckStateRole).isValid());
    QVERIFY(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(!model.setData(model.index(1, 2), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(model.isChecked(1));
    QVERIFY(!model.isChecked(0));
    QCOMPARE(model.checkedCount(), 1);
    QVERIFY(!model.isChecked(7)); // past the end is simply unchecked

    model.clear();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 8);
    QCOMPARE(model.checkedCount(), 0);
}

void TestReportListModel::bulkChecksNotifyOnce()
{
    ReportListModel model;
    addMailColumns(model);
    for (int i = 0; i < 50; ++i)
        model.addRow({QString::number(i)});
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.setAllChecked(true);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(model.checkedCount(), 50);
    model.setChecked(3, true); // no change, no signal
    QCOMPARE(changed.size(), 1);
    model.setAllChecked(false);
    QCOMPARE(model.checkedCount(), 0);
}

void TestReportListModel::manyRows()
{
    ReportListModel model;
    addMailColumns(model);
    QList<QStringList> batch;
    for (int i = 0; i < 100000; ++i)
        batch.append({QStringLiteral("Root"), QStringLiteral("Inbox"), QString(), QString(), QString(), QString(),
                      QStringLiteral("Message %1").arg(i), QString::number(i)});
    model.addRows(batch);
    QCOMPARE(model.rowCount(), 100000);
    model.setChecked(99999, true);
    QCOMPARE(model.text(99999, 6), QStringLiteral("Message 99999"));
    QCOMPARE(model.checkedCount(), 1);
}

void TestReportListModel::cellsReadBackAsAdded_data()
{
    QTest::addColumn<QList<QStringList>>("rows");
    const QString longText = QString(300, u'x') + u'\u00e9';
    QTest::newRow("latin-1, long, empty") << QList<QStringList>{{longText, QString(), QStringLiteral("a")}};
    QTest::newRow("beyond latin-1") << QList<QStringList>{{QStringLiteral("\u4e2d\u6587 \U0001F600"), longText}};
    const QString p = QString(20, u'p'), q = QString(20, u'q');
    QTest::newRow("shared starts") << QList<QStringList>{{p + u'1'}, {p + u'2'}, {p + u'\u4e2d'}, {q},
                                                         {q + u'x'}, {p},        {p + u'3'}};
    QTest::newRow("repeats and changes") << QList<QStringList>{{QStringLiteral("R"), QStringLiteral("F")},
                                                               {QStringLiteral("R"), QStringLiteral("G")},
                                                               {QStringLiteral("R"), QStringLiteral("F")},
                                                               {QStringLiteral("S"), QStringLiteral("F")},
                                                               {QStringLiteral("S")},
                                                               {QStringLiteral("S"), QStringLiteral("F")}};
}

void TestReportListModel::cellsReadBackAsAdded()
{
    QFETCH(QList<QStringList>, rows);
    ReportListModel model;
    addMailColumns(model);
    model.addRow(rows.first());
    model.addRows(rows.mid(1));
    for (int row = 0; row < rows.size(); ++row)
        for (int column = 0; column < 9; ++column)
            QCOMPARE(model.text(row, column), rows[row].value(column));
    QCOMPARE(model.data(model.index(0, 0)).toString(), rows[0].value(0));
}

QTEST_GUILESS_MAIN(TestReportListModel)
#include "tst_reportlistmodel.moc"
