#include "AppError.h"
#include "FailingFactory.h"
#include "MailEngine.h"
#include "OutlookApplication.h"
#include "SharedProcedures.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace
{

} // namespace

class TestSharedProcedures : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileExists();
    void applicationTitle_data();
    void applicationTitle();
    void outlookInstalledAsksTheFactory();
    void waitSecondsKeepsEventsFlowing();
    void waitSecondsCopesWithMidnight();
    void skinOnlyWithTheSkinFile();
};

void TestSharedProcedures::fileExists()
{
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/vt files \"quoted\" é XXXXXX"));
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("HAND-M.CUR"));
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.close();
    QVERIFY(Main::FileExists(file));
    QVERIFY(QFile::setPermissions(file, QFileDevice::Permissions()));
    QVERIFY(Main::FileExists(file)); // whatever its attributes
    QVERIFY(Main::FileExists(dir.path()));
    QVERIFY(!Main::FileExists(QString()));
    QVERIFY(!Main::FileExists(dir.filePath(QStringLiteral("missing.cur"))));
    QVERIFY(!Main::FileExists(QStringLiteral("/nonexistent/folder/file")));
}

void TestSharedProcedures::applicationTitle_data()
{
    QTest::addColumn<QString>("product");
    QTest::addColumn<QString>("title");
    QTest::newRow("one word stays whole") << "Vellumtide"
                                          << "Vellumtide";
    QTest::newRow("last word cut") << "Vellumtide Mail Printer"
                                   << "Vellumtide Mail";
    QTest::newRow("cut until 40 or shorter") << "Vellumtide Printer For Very Many Messages Of Every Kind"
                                             << "Vellumtide Printer For Very Many";
    QTest::newRow("long word without blanks") << QString(50, u'x') << QString(50, u'x');
}

void TestSharedProcedures::applicationTitle()
{
    QFETCH(QString, product);
    QFETCH(QString, title);
    QCOMPARE(Main::ApplicationTitleFor(product), title);
    Main::SetApplicationTitle();
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Vellumtide"));
}

void TestSharedProcedures::outlookInstalledAsksTheFactory()
{
    FailingFactory failing;
    QVERIFY(!Main::IsOutlookInstalled(failing));
    MailStore::EngineFactory engine;
    QVERIFY(Main::IsOutlookInstalled(engine));
}

void TestSharedProcedures::waitSecondsKeepsEventsFlowing()
{
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(20);
    QElapsedTimer clock;
    clock.start();
    Main::WaitSeconds(0.5);
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= 490, qPrintable(QString::number(elapsed)));
    QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks))); // the window kept processing its events

    clock.restart();
    Main::WaitSeconds(0);
    Main::WaitSeconds(-3);
    QVERIFY(clock.elapsed() < 200);
}

void TestSharedProcedures::waitSecondsCopesWithMidnight()
{
    // A wall clock that starts five seconds before midnight and runs 25 times too fast.
    QElapsedTimer real;
    real.start();
    auto clock = [&] {
        const double t = 86395.0 + real.elapsed() / 1000.0 * 25.0;
        return t >= 86400.0 ? t - 86400.0 : t;
    };
    Main::WaitSeconds(10, clock);
    const double passed = real.elapsed() / 1000.0 * 25.0;
    QVERIFY2(passed >= 10.0 && passed < 14.0, qPrintable(QString::number(passed)));
}

void TestSharedProcedures::skinOnlyWithTheSkinFile()
{
    QWidget window;
    auto* frame = new QGroupBox(QStringLiteral("Source"), &window);
    auto* option = new QRadioButton(QStringLiteral("PST File:"), frame);
    auto* label = new QLabel(QStringLiteral("Find what:"), &window);
    auto* text = new QLineEdit(&window);
    auto* check = new QCheckBox(&window);
    auto* button = new QPushButton(QStringLiteral("Help"), &window);
    const QList<QWidget*> all{&window, frame, option, label, text, check, button};
    for (QWidget* widget : all)
    {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Window, Qt::white);
        palette.setColor(QPalette::Base, Qt::white);
        widget->setPalette(palette);
    }
    QTemporaryDir appFolder;
    Main::ApplySkin(window, appFolder.path()); // no skin file: nothing changes
    for (QWidget* widget : all)
        QCOMPARE(widget->palette().color(QPalette::Window), QColor(Qt::white));

    QVERIFY(QDir(appFolder.path()).mkpath(QStringLiteral("x/o.cjs"))); // a folder is not a skin file
    Main::ApplySkin(window, appFolder.path());
    QCOMPARE(window.palette().color(QPalette::Window), QColor(Qt::white));
    QVERIFY(QDir(appFolder.path()).rmdir(QStringLiteral("x/o.cjs")));

    QFile skin(appFolder.filePath(QStringLiteral("x/o.cjs")));
    QVERIFY(skin.open(QIODevice::WriteOnly));
    skin.close();
    Main::ApplySkin(window, appFolder.path());
    const QColor face = window.palette().color(QPalette::Button);
    for (QWidget* widget : {&window, static_cast<QWidget*>(frame), static_cast<QWidget*>(option),
                            static_cast<QWidget*>(label), static_cast<QWidget*>(check)})
        QCOMPARE(widget->palette().color(QPalette::Window), face);
    // Text boxes and push buttons keep their own colours.
    QCOMPARE(text->palette().color(QPalette::Base), QColor(Qt::white));
    QCOMPARE(text->palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(button->palette().color(QPalette::Window), QColor(Qt::white));
    QVERIFY(face != QColor(Qt::white));
}

QTEST_MAIN(TestSharedProcedures)
#include "tst_sharedprocedures.moc"
