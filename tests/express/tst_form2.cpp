// The Outlook Express window as a window: layout, loading, the printer list, the
// select buttons, help, the pointer rule and closing.

#include "ErrorTrap.h"
#include "ExpressFixture.h"
#include "Twips.h"
#include "WebBrowser.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeView>

using namespace ExpressTest;

class TestForm2 : public QObject
{
    Q_OBJECT

private:
    static void moveOver(QWidget* widget)
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), widget->mapToGlobal(QPointF(3, 3)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }

private Q_SLOTS:
    void initTestCase() { VT_REQUIRE_CUPS(); }

    void init()
    {
        QFile::remove(SettingsStore().fileName());
        QFile::remove(qEnvironmentVariable("CUPS_SERVERROOT") + QStringLiteral("/lpoptions"));
        QFile::remove(QDir::homePath() + QStringLiteral("/.cups/lpoptions"));
    }

    void controlsStandWhereTheyBelong_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("twips");
        QTest::newRow("PushButton23") << "PushButton23"
                                      << "Help" << QRect(120, 90, 7800, 405);
        QTest::newRow("PushButton14") << "PushButton14"
                                      << "Search For Outlook Express" << QRect(120, 630, 3840, 405);
        QTest::newRow("PushButton1") << "PushButton1"
                                     << "Add Outlook Express File" << QRect(4080, 630, 3840, 405);
        QTest::newRow("ListView1") << "ListView1"
                                   << "" << QRect(120, 1140, 7800, 2115);
        QTest::newRow("PushButton5") << "PushButton5"
                                     << "Select All Items" << QRect(120, 3330, 3840, 405);
        QTest::newRow("PushButton3") << "PushButton3"
                                     << "Deselect All Items" << QRect(4080, 3330, 3840, 405);
        QTest::newRow("PushButton2") << "PushButton2"
                                     << "Extract Emails From Outlook Express" << QRect(120, 3840, 7800, 405);
        QTest::newRow("ListView2") << "ListView2"
                                   << "" << QRect(120, 4350, 7800, 2115);
        QTest::newRow("Frame4") << "Frame4"
                                << "Select Printer" << QRect(120, 6510, 7800, 800);
        QTest::newRow("Combo1") << "Combo1"
                                << "" << QRect(240, 300, 7320, 345);
        QTest::newRow("PushButton4") << "PushButton4"
                                     << "Select All Items" << QRect(120, 7410, 3840, 405);
        QTest::newRow("PushButton6") << "PushButton6"
                                     << "Deselect All Items" << QRect(4080, 7410, 3840, 405);
        QTest::newRow("PushButton7") << "PushButton7"
                                     << "Start Printing Selected" << QRect(120, 7950, 7800, 405);
    }

    void controlsStandWhereTheyBelong()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QRect, twips);
        Fixture f;
        f.open();
        auto* widget = f.form->findChild<QWidget*>(name);
        QVERIFY(widget);
        QCOMPARE(widget->geometry(), Twips::toRect(twips.x(), twips.y(), twips.width(), twips.height()));
        if (auto* button = qobject_cast<QPushButton*>(widget))
        {
            QCOMPARE(button->text(), caption);
            QCOMPARE(button->font().pointSizeF(), 11.25);
            QVERIFY(button->font().bold());
        }
        if (auto* frame = qobject_cast<QGroupBox*>(widget))
            QCOMPARE(frame->title(), caption);
    }

    void loadBuildsTheWindow()
    {
        Fixture f;
        Form2& form = f.open();
        QCOMPARE(form.windowTitle(), QStringLiteral("Vellumtide"));
        QCOMPARE(form.size(), QSize(536, 567));
        QVERIFY(form.isModal());
        QCOMPARE(form.font().pointSizeF(), 9.0);
        // The window and its frame take the button-face colour.
        const QColor buttonFace = form.palette().color(QPalette::Button);
        QCOMPARE(form.palette().color(QPalette::Window), buttonFace);
        QCOMPARE(f.child<QGroupBox>("Frame4")->palette().color(QPalette::Window), buttonFace);

        auto captions = [](ReportListModel& grid) {
            QStringList texts;
            for (const ReportListModel::Column& column : grid.columns())
                texts.append(column.caption);
            return texts;
        };
        QCOMPARE(captions(form.fileGrid()), QStringList{u"DBX File(s)"_qs});
        QCOMPARE(captions(form.messageGrid()), (QStringList{u"From"_qs, u"To"_qs, u"Subject"_qs, u"Date Received"_qs}));
        QCOMPARE(f.child<QTreeView>("ListView1")->header()->sectionSize(0), Twips::toPixels(6000));
        const int widths[] = {1500, 1500, 2000, 1500};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(f.child<QTreeView>("ListView2")->header()->sectionSize(i), Twips::toPixels(widths[i]));

        auto* combo = f.child<QComboBox>("Combo1");
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->itemText(0), u"pdf1"_qs);
        QCOMPARE(combo->currentText(), u"pdf1"_qs); // the default printer, without a stored index
        QVERIFY(f.dialogs.shown.isEmpty());
        QVERIFY(form.browser().ReadyState() == WebBrowser::ReadyStateUninitialized);
    }

    void tabOrderFollowsTheControlsAndTheWindowIsCentred()
    {
        Fixture f;
        Form2& form = f.open();
        const QStringList order{u"ListView1"_qs,   u"ListView2"_qs,   u"PushButton14"_qs, u"PushButton1"_qs,
                                u"PushButton5"_qs, u"PushButton3"_qs, u"PushButton2"_qs,  u"PushButton4"_qs,
                                u"PushButton6"_qs, u"PushButton7"_qs, u"Frame4"_qs,       u"Combo1"_qs,
                                u"PushButton23"_qs};
        QStringList chain;
        QWidget* widget = f.child<QWidget>("ListView1");
        for (int i = 0; i < 200 && chain.size() < order.size(); ++i, widget = widget->nextInFocusChain())
        {
            if (order.contains(widget->objectName()) && !chain.contains(widget->objectName()))
                chain.append(widget->objectName());
        }
        QCOMPARE(chain, order);
        QCOMPARE(form.frameGeometry().center(), form.screen()->availableGeometry().center());
    }

    void storedPrinterPositionIsRestoredOrReported_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("error");
        QTest::newRow("second printer") << "1"
                                        << "pdf2"
                                        << "";
        QTest::newRow("past the list") << "2"
                                       << ""
                                       << "Invalid property value";
        QTest::newRow("not a number") << "pdf2"
                                      << ""
                                      << "Type mismatch";
        QTest::newRow("empty means none stored") << ""
                                                 << "pdf1"
                                                 << "";
    }

    void storedPrinterPositionIsRestoredOrReported()
    {
        QFETCH(QString, stored);
        QFETCH(QString, selected);
        QFETCH(QString, error);
        Fixture f;
        f.settings.write(u"Form2Combo1"_qs, stored);
        f.open();
        auto* combo = f.child<QComboBox>("Combo1");
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->currentText(), selected);
        QCOMPARE(f.dialogs.texts(),
                 error.isEmpty() ? QStringList()
                                 : QStringList{ErrorTrap::messageText(error, QStringLiteral("Form2.Form_Load"), 130)});
        // A click stores the position at once.
        combo->setCurrentIndex(1);
        Q_EMIT combo->activated(1);
        QCOMPARE(f.settings.read(u"Form2Combo1"_qs), u"1"_qs);
    }

    void selectButtonsTickEveryRowOfTheirGrid()
    {
        Fixture f;
        Form2& form = f.open();
        form.PushButton5_Click(); // empty grids: nothing to do, nothing said
        form.PushButton6_Click();
        for (const char* row : {"/a.dbx", "/b.dbx", "/c.dbx"})
            form.fileGrid().addRow({QString::fromLatin1(row)});
        form.messageGrid().addRows({{u"f"_qs, u"t"_qs, u"s"_qs, u"d"_qs}, {u"f2"_qs, u"t2"_qs, u"s2"_qs, u"d2"_qs}});
        form.messageGrid().setChecked(1, true);

        QTest::mouseClick(f.child<QPushButton>("PushButton5"), Qt::LeftButton);
        QCOMPARE(form.fileGrid().checkedCount(), 3);
        QCOMPARE(form.messageGrid().checkedCount(), 1);
        QTest::mouseClick(f.child<QPushButton>("PushButton4"), Qt::LeftButton);
        QCOMPARE(form.messageGrid().checkedCount(), 2);
        QTest::mouseClick(f.child<QPushButton>("PushButton3"), Qt::LeftButton);
        QCOMPARE(form.fileGrid().checkedCount(), 0);
        QCOMPARE(form.messageGrid().checkedCount(), 2);
        QTest::mouseClick(f.child<QPushButton>("PushButton6"), Qt::LeftButton);
        QCOMPARE(form.messageGrid().checkedCount(), 0);
        QVERIFY(f.dialogs.shown.isEmpty());
    }

    void helpExplainsWhyPstFilesNeedOutlook()
    {
        Fixture f;
        f.open();
        QTest::mouseClick(f.child<QPushButton>("PushButton23"), Qt::LeftButton);
        QCOMPARE(f.dialogs.texts(),
                 QStringList{u"You must install Outlook that comes with MS Office in order to work with PST files "
                             "\r\nbecause Outlook Express cannot handle PST files."_qs});
        QCOMPARE(f.dialogs.shown[0].icon, Dialogs::Icon::None);
        QCOMPARE(f.dialogs.shown[0].title, QCoreApplication::applicationName());
    }

    void pointerFollowsTheMouseButNotWhileBusy()
    {
        Fixture f;
        Form2& form = f.open();
        moveOver(f.child<QPushButton>("PushButton7"));
        QCOMPARE(form.pointer(), Form2::Pointer::Custom);
        QCOMPARE(form.cursor().shape(), Qt::BitmapCursor);
        moveOver(f.child<QGroupBox>("Frame4"));
        QCOMPARE(form.pointer(), Form2::Pointer::Default);
        moveOver(f.child<QTreeView>("ListView2")->viewport());
        QCOMPARE(form.pointer(), Form2::Pointer::Custom);
        moveOver(&form);
        QCOMPARE(form.pointer(), Form2::Pointer::Default);
    }

    void closingPutsBackTheSavedPrinterAndRemovesMessages_data()
    {
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QString>("defaultAfter");
        QTest::newRow("after a print run") << "pdf2"
                                           << "pdf2";
        QTest::newRow("no print run") << ""
                                      << "pdf1";
    }

    void closingPutsBackTheSavedPrinterAndRemovesMessages()
    {
        QFETCH(QString, saved);
        QFETCH(QString, defaultAfter);
        Fixture f;
        f.state.SavedPrinter = saved;
        f.state.EmlFileNames = {u"kept.eml"_qs};
        Form2& form = f.open();
        QVERIFY(f.printers.setDefaultPrinter(u"pdf1"_qs, nullptr));
        for (const char* name : {"a.eml", "not ours.eml", "a.eml.mht", "keep.txt"})
            QVERIFY(writeFile(f.work.path() + u'/' + QString::fromLatin1(name), "x"));
        const QString outside = f.dir.filePath(u"outside.eml"_qs);
        QVERIFY(writeFile(outside, "x"));

        form.close();
        QCOMPARE(f.printers.defaultPrinter().name, defaultAfter);
        QCOMPARE(QDir(f.work.path()).entryList(QDir::Files, QDir::Name), QStringList{u"keep.txt"_qs});
        QVERIFY(QFile::exists(outside));
        QVERIFY(f.dialogs.shown.isEmpty());
        QCOMPARE(f.state.SavedPrinter, saved); // the window's state outlives it
        QCOMPARE(f.state.EmlFileNames, QStringList{u"kept.eml"_qs});
        QCOMPARE(f.ended, 0);
    }

    void closingEndsTheProgramOnlyWithoutOutlook()
    {
        for (const bool installed : {false, true})
        {
            Fixture f;
            f.outlookInstalled = installed;
            f.open();
            QTimer::singleShot(0, f.form.get(), &QDialog::close);
            f.form->exec();
            QCOMPARE(f.ended, installed ? 0 : 1);
        }
    }
};

QTEST_MAIN(TestForm2)
#include "tst_form2.moc"
