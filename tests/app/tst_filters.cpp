// The machine filters of the main window: "Filter" by group, location or
// both with their messages, the indicator, "Filter ein/aus", the filter of
// the extender's dialog, and what the park-cost window is handed.
#include "DBEFilt.h"
#include "DBEdit.h"
#include "FileDialog.h"
#include "Fuhrkst.h"
#include "Panel.h"
#include "ParkFixture.h"
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

namespace {
const QString kCount = QStringLiteral("Achtung - ein Filter wurde eingeschaltet - Sie können ihn über die "
                                      "Symbolleiste wieder ausschalten\r\rAnzahl Maschinen in dieser Gruppe: ");
}

class TestFilters : public ParkFixture {
    Q_OBJECT

    TTable* Machines() { return DM()->TTblMain; }
    TDBExtender* Extender() { return Main()->TDBExtenderMain; }
    QString Ident() { return Machine("IdentNummer"); }
    void GotoIdent(const QString& ident)
    {
        for (Machines()->First(); !Machines()->Eof() && Ident() != ident;) Machines()->Next();
        QCOMPARE(Ident(), ident);
    }
    QStringList Idents()
    {
        const QString here = Ident();
        QStringList out;
        for (Machines()->First(); !Machines()->Eof(); Machines()->Next()) out << Ident();
        GotoIdent(here);
        return out;
    }
    QAction* MenuItem(const QString& name) { return Main()->findChild<QAction*>(name); }
    // The "Bearbeiten" menu decides its items when it opens.
    bool EinAusEnabled()
    {
        emit Main()->MenuBearbeiten->aboutToShow();
        return Main()->MenuFilterEinAus->isEnabled();
    }
    void StorePark()
    {
        StoreMachine({{"IdentNummer", "BAG-001"}, {"Gruppe", "Bagger"}, {"Standort", "Augsburg"}});
        StoreMachine({{"IdentNummer", "BAG-002"}, {"Gruppe", "Bagger"}, {"Standort", "München"}});
        StoreMachine({{"IdentNummer", "KRA-001"}, {"Gruppe", "Kran"}, {"Standort", "Augsburg"}});
        StoreMachine({{"IdentNummer", "LKW-001"}, {"Gruppe", "Lkw"}});
        StoreMachine({{"IdentNummer", "WAL-001"}, {"Gruppe", "Walze"}, {"Standort", "Augsburg"}});
        StoreMachine({{"IdentNummer", "XXX-001"}});
        StoreMachine({{"IdentNummer", "XXX-002"}, {"Standort", "Augsburg"}});
    }

private slots:
    void init() { InitPark(); }
    void cleanup() { CleanupPark(); }

    void menuFilters_data()
    {
        QTest::addColumn<QString>("machine");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("Gruppe: the excavators") << "BAG-002" << "MenuFilterGruppe" << "Gruppe"
                                                << QStringList{"BAG-001", "BAG-002"};
        // The count message says "in dieser Gruppe" for a location too.
        QTest::newRow("Standort") << "KRA-001" << "MenuFilterStandort" << "Standort"
                                  << QStringList{"BAG-001", "KRA-001", "WAL-001", "XXX-002"};
        QTest::newRow("Gruppe+Standort") << "BAG-001" << "MenuFilterGruppeStandort" << "Gruppe+Standort"
                                         << QStringList{"BAG-001"};
        QTest::newRow("a group no other machine has") << "WAL-001" << "MenuFilterGruppe" << "Gruppe"
                                                      << QStringList{"WAL-001"};
        // An empty group is a group too: the machines without one.
        QTest::newRow("empty group") << "XXX-002" << "MenuFilterGruppe" << "Gruppe"
                                     << QStringList{"XXX-001", "XXX-002"};
        QTest::newRow("empty location") << "LKW-001" << "MenuFilterStandort" << "Standort"
                                        << QStringList{"LKW-001", "XXX-001"};
    }

    void menuFilters()
    {
        QFETCH(QString, machine);
        QFETCH(QString, item);
        QFETCH(QString, kind);
        QFETCH(QStringList, shown);
        StorePark();
        Start(false);
        QVERIFY(!EinAusEnabled());
        GotoIdent(machine);
        TDialogRecorder rec;
        MenuItem(item)->trigger();
        QCOMPARE(rec.Records().size(), 1);
        QCOMPARE(rec.Last().Type, mtInformation);
        QCOMPARE(rec.Last().Text, kCount + QString::number(shown.size()));
        QCOMPARE(Extender()->FilterState(), 3);
        QCOMPARE(Main()->TPanelFilter->Caption(), kind);
        QCOMPARE(Main()->MenuFilterArt, kind);
        QCOMPARE(Ident(), machine);
        QCOMPARE(Idents(), shown);
        QVERIFY(Main()->TDBENavMain->Button(nbActiveFilter)->Down());
        QVERIFY(EinAusEnabled());
    }

    // A filter over a filter: the current machine is read unfiltered first.
    void filterReplacesFilter()
    {
        StorePark();
        Start(false);
        TDialogRecorder rec;
        GotoIdent(QStringLiteral("KRA-001"));
        MenuItem(QStringLiteral("MenuFilterStandort"))->trigger();
        MenuItem(QStringLiteral("MenuFilterGruppe"))->trigger();
        QCOMPARE(Idents(), QStringList{"KRA-001"});
        QCOMPARE(Main()->TPanelFilter->Caption(), QStringLiteral("Gruppe"));
    }

    void filterOnAndOff()
    {
        StorePark();
        Start(false);
        GotoIdent(QStringLiteral("BAG-001"));
        TDialogRecorder rec;
        MenuItem(QStringLiteral("MenuFilterGruppe"))->trigger();
        QCOMPARE(Idents().size(), 2);

        Main()->MenuFilterEinAus->trigger();
        QCOMPARE(Extender()->FilterState(), 2);
        QCOMPARE(Idents().size(), 7);
        QCOMPARE(Main()->TPanelFilter->Caption(), QString());
        QVERIFY(!Main()->TDBENavMain->Button(nbActiveFilter)->Down());
        QVERIFY(EinAusEnabled());
        // The kind stays for the next time the filter comes on.
        QCOMPARE(Main()->MenuFilterArt, QStringLiteral("Gruppe"));

        Main()->MenuFilterEinAus->trigger();
        QCOMPARE(Extender()->FilterState(), 3);
        QCOMPARE(Idents(), (QStringList{"BAG-001", "BAG-002"}));
        QCOMPARE(Main()->TPanelFilter->Caption(), QStringLiteral("Gruppe"));

        // The bar's button does the same.
        Main()->TDBENavMain->Button(nbActiveFilter)->Click();
        QCOMPARE(Extender()->FilterState(), 2);
        QCOMPARE(Main()->TPanelFilter->Caption(), QString());
        QCOMPARE(rec.Records().size(), 1);
    }

    // No machine passes: the filter goes off again and says so.
    void noMachinePasses()
    {
        Start(false);
        QVERIFY(Machines()->IsEmpty());
        TDialogRecorder rec;
        MenuItem(QStringLiteral("MenuFilterGruppe"))->trigger();
        QCOMPARE(rec.Records().size(), 1);
        QCOMPARE(rec.Last().Type, mtInformation);
        QCOMPARE(rec.Last().Text, QStringLiteral("Gruppe- zur Zeit keine Fahrzeuge nach der Filterung"));
        QCOMPARE(Extender()->FilterState(), 2);
        QCOMPARE(Main()->TPanelFilter->Caption(), QString());
        QCOMPARE(Main()->MenuFilterArt, QStringLiteral("Gruppe"));
    }

    // The indicator shows the last menu kind, also for a filter of the dialog.
    void dialogFilterShowsLastMenuKind()
    {
        StorePark();
        Start(false);
        const TDBEFilterRow row{QStringLiteral("IdentNummer"), foEqual, QStringLiteral("x.."), 0};
        Extender()->ApplyFilterRows(Machines(), &row, 1, true);
        QCOMPARE(Extender()->FilterState(), 3);
        QCOMPARE(Idents(), (QStringList{"XXX-001", "XXX-002"}));
        QCOMPARE(Main()->TPanelFilter->Caption(), QString());

        TDialogRecorder rec;
        MenuItem(QStringLiteral("MenuFilterStandort"))->trigger();
        Extender()->ApplyFilterRows(Machines(), &row, 1, true);
        QCOMPARE(Main()->TPanelFilter->Caption(), QStringLiteral("Standort"));
    }

    // Strg+F opens the dialog; the "Filter" menu carries the bar's filter
    // popup, whose button the main bar does not show.
    void dialogSaveOffLoad()
    {
        StorePark();
        Start(false);
        QStringList items;
        for (QAction* a : Main()->MenuFilter->actions())
            if (!a->isSeparator()) items << a->text();
        QCOMPARE(items, (QStringList{"Gruppe", "Standort", "Gruppe+Standort", "Bearbeiten", "Zurücksetzen", "Laden",
                                     "Speichern"}));
        auto menuItem = [&](const QString& text) {
            for (QAction* a : Main()->MenuFilter->actions())
                if (a->text() == text) return a;
            return static_cast<QAction*>(nullptr);
        };

        Main()->EditIdentNr->setFocus();
        QApplication::processEvents();
        bool shown = false;
        // Preparing the dialog runs the event loop: wait until it is up.
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* d = qobject_cast<TFilterForm*>(QApplication::activeModalWidget());
            if (!d || !d->isVisible()) return;
            poll.stop();
            shown = true;
            QCOMPARE(d->windowTitle(), QStringLiteral("Filterdefinition [Stammdaten]"));
            // The focused field comes first, named by its caption; a second
            // row joins with "Und".
            QCOMPARE(d->Feld[0]->currentText(), QStringLiteral("Ident.-Nummer"));
            QCOMPARE(d->Feld[0]->findText(QStringLiteral("IdentNummer")), -1);
            QCOMPARE(d->Operator[0]->currentText(), QStringLiteral("Gleich"));
            QTest::keyClicks(d->Operant[0], QStringLiteral("bag.."));
            d->Feld[1]->setCurrentIndex(d->Feld[1]->findText(QStringLiteral("Standort")));
            emit d->Feld[1]->activated(d->Feld[1]->currentIndex());
            QTest::keyClicks(d->Operant[1], QStringLiteral("Augsburg"));
            d->OKBtn->click();
        });
        poll.start(5);
        QTest::keyClick(Main()->EditIdentNr, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(shown);
        QCOMPARE(Extender()->FilterState(), 3);
        QCOMPARE(Idents(), QStringList{"BAG-001"});

        QTemporaryDir files;
        const QString file = files.filePath(QStringLiteral("bagger.TFD"));
        QList<TFileDialogRecord> asked;
        SetFileDialogResponder([&](const TFileDialogRecord& r) {
            asked << r;
            return file;
        });
        menuItem(QStringLiteral("Speichern"))->trigger();
        QVERIFY(QFile::exists(file));
        Main()->MenuFilterEinAus->trigger();
        QCOMPARE(Idents().size(), 7);
        menuItem(QStringLiteral("Zurücksetzen"))->trigger();
        QCOMPARE(Extender()->FilterState(), 1);
        menuItem(QStringLiteral("Laden"))->trigger();
        SetFileDialogResponder({});
        QCOMPARE(Extender()->FilterState(), 3);
        QCOMPARE(Idents(), QStringList{"BAG-001"});
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[0].Title, QStringLiteral("Speichere Filter für [KfzStamm.db]"));
        QCOMPARE(asked[1].Title, QStringLiteral("Lade Filter für [KfzStamm.db]"));
    }

    void parkCostHandOver_data()
    {
        QTest::addColumn<QString>("machine");
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("art");
        QTest::addColumn<QString>("wert");
        QTest::addColumn<int>("stateAfter");
        QTest::newRow("Gruppe, kept") << "BAG-002" << "MenuFilterGruppe" << int(mrNo) << "Gruppe" << "Bagger" << 3;
        QTest::newRow("Standort, kept") << "BAG-002" << "MenuFilterStandort" << int(mrNo) << "Standort" << "München"
                                        << 3;
        QTest::newRow("Gruppe+Standort, kept") << "KRA-001" << "MenuFilterGruppeStandort" << int(mrNo)
                                               << "Gruppe+Standort" << "Augsburg" << 3;
        QTest::newRow("switched off") << "BAG-002" << "MenuFilterGruppe" << int(mrYes) << "" << "" << 2;
        QTest::newRow("no filter") << "BAG-002" << "" << 0 << "" << "" << 1;
    }

    void parkCostHandOver()
    {
        QFETCH(QString, machine);
        QFETCH(QString, item);
        QFETCH(int, answer);
        QFETCH(QString, art);
        QFETCH(QString, wert);
        QFETCH(int, stateAfter);
        StorePark();
        Start(false);
        GotoIdent(machine);
        TDialogRecorder rec;
        if (!item.isEmpty()) MenuItem(item)->trigger();
        rec.Clear();
        rec.Answer({answer});
        TFuhrparkKostenFormular* window = FuhrparkKostenFormular;
        QVERIFY(window);
        window->FilterArt = QStringLiteral("alt");
        bool opened = false;
        QTimer::singleShot(0, this, [&] {
            opened = QApplication::activeModalWidget() == window;
            window->reject();
        });
        Main()->MenuMaschinenparkKosten->trigger();
        QVERIFY(opened);
        QCOMPARE(window->FilterArt, art);
        QCOMPARE(window->FilterWert, wert);
        QCOMPARE(Extender()->FilterState(), stateAfter);
        if (item.isEmpty()) {
            QVERIFY(rec.IsEmpty());
        } else {
            QCOMPARE(rec.Records().size(), 1);
            QCOMPARE(rec.Last().Type, mtWarning);
            QVERIFY(rec.Last().Text.startsWith(
                QStringLiteral("ACHTUNG - der eingeschaltete Filter beeinflußt die Daten im folgenden Formular.\r")));
        }
    }
};

QTEST_MAIN(TestFilters)
#include "tst_filters.moc"
