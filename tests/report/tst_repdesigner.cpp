// The layout designer driven as a user would: opened through the report
// jobs, placeholders from the field list, moving with keys, saving and
// printing, undo, a damaged layout and the question when closing.
#include "ParkFixture.h"
#include "Designer.h"
#include "RepEngine.h"
#include "Report1.h"
#include "ReportTestSupport.h"
#include <QAction>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>

namespace {

QTreeWidgetItem* FieldItem(QTreeWidget* tree, const QString& name)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->parent() && (*it)->text(0) == name) return *it;
    return nullptr;
}

void DoubleClick(QTreeWidget* tree, QTreeWidgetItem* item)
{
    tree->scrollToItem(item);
    const QPoint at = tree->visualItemRect(item).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
}

void ClickOnPage(TEngDesignerWindow& w, const QPointF& pagePos)
{
    QTest::mouseClick(w.Canvas, Qt::LeftButton, {}, w.Canvas->ToWidget(pagePos).toPoint());
}

QString Joined(const QStringList& pages) { return pages.join(u'\n'); }

}   // namespace

class TestDesigner : public ParkFixture {
    Q_OBJECT

    QString Pdf() const { return m_dir->filePath(QStringLiteral("bericht.pdf")); }
    static int Job() { return Main()->RepEngine1->hLlJob; }

    // Runs `body` on the designer that DesignReport opens modally, then
    // closes it if the body did not.
    static void Designing(TReportKind kind, const std::function<void(TEngDesignerWindow&)>& body)
    {
        bool ran = false;
        // Waits for the window: events may run before its own loop starts.
        QTimer timer;
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* w = qobject_cast<TEngDesignerWindow*>(QApplication::activeModalWidget());
            if (!w || !w->isVisible()) return;
            timer.stop();
            ran = true;
            w->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(w));
            body(*w);
            if (w->isVisible()) w->done(QDialog::Rejected);
        });
        timer.start();
        DesignReport(kind);
        QVERIFY(ran);
    }

    // A designer of its own on a delivered layout, without the program.
    std::unique_ptr<TEngDesignerWindow> Open(const QString& file, TLayoutType type)
    {
        auto w = std::make_unique<TEngDesignerWindow>(nullptr, EngJobOpen(-1), QStringLiteral("Title"), type, file);
        w->show();
        w->activateWindow();
        [&] { QVERIFY(QTest::qWaitForWindowActive(w.get())); }();
        return w;
    }

private slots:
    void init() { InitPark(); }
    void cleanup()
    {
        EngHooks() = TEngHooks();
        CleanupPark();
    }

    void aPlaceholderPrintsItsContents_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("contents");
        QTest::newRow("Stammdaten, Hersteller/Typ") << int(rkStammdaten) << "Hersteller/Typ" << "Fendt Vario 716";
        QTest::newRow("Var. Kosten, Spalte Monat") << int(rkVarKosten) << "Monat" << "März";
    }
    void aPlaceholderPrintsItsContents()
    {
        QFETCH(int, kind);
        QFETCH(QString, name);
        QFETCH(QString, contents);
        StoreMachine({{"IdentNummer", "T-716"}, {"Hersteller/Typ", "Fendt Vario 716"}});
        StoreCost(QStringLiteral("T-716"), QDate(2026, 3, 14), 120);
        Start(false);
        const bool card = kind == rkStammdaten;
        const QString file = LayoutFileOf(TReportKind(kind));
        QRectF placed;
        QStringList previewed;
        Designing(TReportKind(kind), [&](TEngDesignerWindow& w) {
            QCOMPARE(w.FileName(), file);
            QTreeWidgetItem* item = FieldItem(w.TreeFelder, name);
            QVERIFY(item);
            // The list shows what the job defined for the current machine.
            QCOMPARE(item->text(1), contents);
            DoubleClick(w.TreeFelder, item);
            QCOMPARE(w.Canvas->Selection().size(), 1);
            const TDesignItem added = w.Canvas->Selection().first();
            QCOMPARE(added.IsColumn(), !card);
            if (card) {
                QVERIFY(w.Design.Object(added).Text.contains(QStringLiteral("{Var[Hersteller/Typ]}")));
                // Two steps right and one down, on the 2.5 mm grid.
                const QRectF before = w.Design.ItemRect(added);
                QTest::keyClick(w.Canvas, Qt::Key_Right);
                QTest::keyClick(w.Canvas, Qt::Key_Right);
                QTest::keyClick(w.Canvas, Qt::Key_Down);
                placed = w.Design.ItemRect(added);
                QCOMPARE(placed, before.translated(5, 2.5));
            } else {
                QCOMPARE(w.Design.Column(added.Index).Value, QStringLiteral("Feld.Monat"));
                QCOMPARE(w.Design.Column(added.Index).Title, name);
                // The remarks make room for it: clicked, then narrowed in the panel.
                const int remarks = added.Index - 1;
                ClickOnPage(w, w.Design.ColumnRect(remarks).center());
                QCOMPARE(w.Canvas->Selection(), (TDesignItems{{TDesignArea::Table, remarks}}));
                auto* width = qobject_cast<QDoubleSpinBox*>(w.Property(QStringLiteral("EditSpaltenbreite")));
                QVERIFY(width);
                width->setValue(w.Design.Column(remarks).Width - w.Design.Column(added.Index).Width);
                placed = w.Design.ColumnRect(added.Index);
            }
            // The preview prints the design as it is, before it is saved.
            EngHooks().PreviewDisplay = [&](const QString& pdf) { previewed = PdfPages(pdf); };
            w.ActVorschau->trigger();
            QVERIFY(w.isWindowModified());
            w.ActSpeichern->trigger();
            QVERIFY(!w.Design.Modified());
            QVERIFY(!w.isWindowModified());
            TDialogRecorder dialogs;
            w.ActSchliessen->trigger();
            QVERIFY(!w.isVisible());
            QVERIFY(dialogs.IsEmpty());
        });
        QVERIFY(Joined(previewed).contains(contents));

        TLayoutDesign saved;
        QVERIFY(saved.Load(file, card ? TLayoutType::Card : TLayoutType::List));
        if (card) {
            const TDesignItem last{TDesignArea::Page, int(saved.Layout().Objects.size()) - 1};
            QCOMPARE(saved.ItemRect(last), placed);
        } else {
            QCOMPARE(saved.ColumnRect(int(saved.Layout().Table.Columns.size()) - 1), placed);
        }

        TEngineAnswers answers;
        answers.PdfFile = Pdf();
        TDialogRecorder dialogs;
        RunReport(TReportKind(kind), rmPrint);
        QVERIFY(dialogs.IsEmpty());
        QVERIFY2(Joined(PdfPages(Pdf())).contains(contents), qPrintable(Joined(PdfPages(Pdf()))));
    }

    void undoAfterAMoveRestoresThePlace()
    {
        WriteMissingLayouts(m_dir->path());
        auto w = Open(QStringLiteral("Stammdat.crd"), TLayoutType::Card);
        const TDesignItem first{TDesignArea::Page, 0};
        const QRectF start = w->Design.ItemRect(first);
        ClickOnPage(*w, start.topLeft() + QPointF(1, 1));
        QCOMPARE(w->Canvas->Selection(), TDesignItems{first});
        QTest::keyClick(w->Canvas, Qt::Key_Down);
        QCOMPARE(w->Design.ItemRect(first), start.translated(0, 2.5));
        QTest::keyClick(w.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w->Design.ItemRect(first), start);
        QVERIFY(!w->isWindowModified());
        QTest::keyClick(w.get(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(w->Design.ItemRect(first), start.translated(0, 2.5));
        // Deleting and copying by key; the copy lands beside the original.
        QTest::keyClick(w.get(), Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(w.get(), Qt::Key_V, Qt::ControlModifier);
        const TDesignItem copy = w->Canvas->Selection().first();
        QCOMPARE(w->Design.ItemRect(copy), start.translated(5, 7.5));
        QTest::keyClick(w.get(), Qt::Key_Delete);
        QVERIFY(!w->Design.IsValid(copy));
        QTest::keyClick(w.get(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!w->isWindowModified());
        TLayout saved;
        QVERIFY(LayoutFile::Load(m_dir->filePath(QStringLiteral("Stammdat.crd")), saved));
        QVERIFY(saved == w->Design.Layout());
        w->done(QDialog::Rejected);
    }

    void thePanelTakesOnlySoundInput()
    {
        WriteMissingLayouts(m_dir->path());
        auto w = Open(QStringLiteral("Stammdat.crd"), TLayoutType::Card);
        const TDesignItem first{TDesignArea::Page, 0};
        w->Select({first});
        auto* x = qobject_cast<QDoubleSpinBox*>(w->Property(QStringLiteral("EditX")));
        auto* edit = qobject_cast<QLineEdit*>(w->Property(QStringLiteral("EditText")));
        QVERIFY(x && edit);
        x->setValue(100);
        QCOMPARE(w->Design.ItemRect(first).x(), 100.0);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("Typ {Var[Hersteller/Typ]"));
        QVERIFY(w->LblFehler->isVisible());
        // The layout keeps the last sound text while the box holds the typing.
        QCOMPARE(w->Design.Object(first).Text, QStringLiteral("Typ "));
        QTest::keyClicks(edit, QStringLiteral("}"));
        QVERIFY(w->LblFehler->isHidden());
        QCOMPARE(w->Design.Object(first).Text, QStringLiteral("Typ {Var[Hersteller/Typ]}"));
        // Strg+Z while typing belongs to the box, not to the page.
        QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w->Design.ItemRect(first).x(), 100.0);
        w->done(QDialog::Rejected);
    }

    void aDroppedPlaceholderLandsWhereAimed_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QPointF>("at");
        QTest::addColumn<QString>("expected");
        // Stammdat.crd: the title at 20/12, nothing below its footer line; VarKost.lst: the table from 42 mm.
        QTest::newRow("auf einen Text") << "Stammdat.crd" << QPointF(25, 14) << "text:Stammdaten {Var.Baujahr}";
        QTest::newRow("auf leere Stelle") << "Stammdat.crd" << QPointF(150, 291) << "neu:{Var.Baujahr}";
        QTest::newRow("auf die Tabelle") << "VarKost.lst" << QPointF(30, 120) << "spalte:1";
        QTest::newRow("in den Kopfbereich") << "VarKost.lst" << QPointF(100, 40.5) << "kopf:{Var.Baujahr}";
    }
    void aDroppedPlaceholderLandsWhereAimed()
    {
        QFETCH(QString, file);
        QFETCH(QPointF, at);
        QFETCH(QString, expected);
        WriteMissingLayouts(m_dir->path());
        const bool list = file.endsWith(QLatin1String(".lst"));
        auto w = Open(file, list ? TLayoutType::List : TLayoutType::Card);
        const TLayout before = w->Design.Layout();
        w->InsertReference(QStringLiteral("Var.Baujahr"), QStringLiteral("Baujahr"), &at);
        QCOMPARE(w->Canvas->Selection().size(), 1);
        const TDesignItem got = w->Design.IsValid(w->Canvas->Selection().first()) ? w->Canvas->Selection().first() : TDesignItem{};
        const QString kind = expected.section(u':', 0, 0);
        const QString value = expected.section(u':', 1);
        if (kind == QLatin1String("spalte")) {
            // Dropped on the first column: a new one right after it.
            QCOMPARE(got, (TDesignItem{TDesignArea::Table, value.toInt()}));
            QCOMPARE(w->Design.Column(got.Index).Value, QStringLiteral("Var.Baujahr"));
            QCOMPARE(w->Design.Layout().Table.Columns.size(), before.Table.Columns.size() + 1);
        } else if (kind == QLatin1String("text")) {
            QCOMPARE(got, (TDesignItem{TDesignArea::Page, 0}));
            QCOMPARE(w->Design.Object(got).Text, value);
            QCOMPARE(w->Design.Layout().Objects.size(), before.Objects.size());
        } else {
            QCOMPARE(got.Area, kind == QLatin1String("kopf") ? TDesignArea::Header : TDesignArea::Page);
            QCOMPARE(w->Design.Object(got).Text, value);
            // At the point of the drop, on the grid.
            QCOMPARE(w->Design.ItemRect(got).topLeft(), w->Design.Snap(at));
        }
        // One drop, one step back.
        w->Undo();
        QVERIFY(w->Design.Layout() == before);
        w->done(QDialog::Rejected);
    }

    void aDamagedLayoutOpensAsAnEmptyPage_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("list");
        QTest::newRow("Karte") << "Stammdat.crd" << false;
        QTest::newRow("Liste") << "VarKost.lst" << true;
    }
    void aDamagedLayoutOpensAsAnEmptyPage()
    {
        QFETCH(QString, file);
        QFETCH(bool, list);
        {
            QFile f(m_dir->filePath(file));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("{\"format\": \"TARVOS-Report\", \"version\": 1, \"ty");
        }
        TDialogRecorder dialogs;
        const TLayoutType type = list ? TLayoutType::List : TLayoutType::Card;
        auto w = Open(file, type);
        QCOMPARE(dialogs.Records().size(), 1);
        QCOMPARE(dialogs.Last().Type, mtWarning);
        QVERIFY(dialogs.Last().Text.contains(QStringLiteral("\"%1\" kann nicht gelesen werden").arg(file)));
        QVERIFY(w->Design.Layout() == TLayoutDesign::EmptyLayout(type));
        QCOMPARE(w->ActSpalte->isVisible(), list);
        // Closing untouched asks nothing and leaves the file to be mended.
        w->close();
        QVERIFY(!w->isVisible());
        QCOMPARE(dialogs.Records().size(), 1);
        QFile f(m_dir->filePath(file));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().endsWith("\"ty"));
    }

    void closingWithChangesAsks_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("saved");
        QTest::newRow("Ja") << int(mrYes) << true << true;
        QTest::newRow("Nein") << int(mrNo) << true << false;
        QTest::newRow("Abbrechen") << int(mrCancel) << false << false;
    }
    void closingWithChangesAsks()
    {
        QFETCH(int, answer);
        QFETCH(bool, closed);
        QFETCH(bool, saved);
        WriteMissingLayouts(m_dir->path());
        auto w = Open(QStringLiteral("Stammdat.crd"), TLayoutType::Card);
        w->InsertObject(TObjectKind::Rect, TDesignArea::Page, QRectF(30, 200, 50, 20));
        TDialogRecorder dialogs;
        dialogs.Answer({answer});
        QTest::keyClick(w.get(), Qt::Key_Escape);
        QCOMPARE(dialogs.Records().size(), 1);
        QCOMPARE(dialogs.Last().Type, mtConfirmation);
        QCOMPARE(dialogs.Last().Buttons, mbYesNoCancel);
        QVERIFY(dialogs.Last().Text.contains(QStringLiteral("Stammdat.crd")));
        QCOMPARE(!w->isVisible(), closed);
        TLayout l;
        QVERIFY(LayoutFile::Load(m_dir->filePath(QStringLiteral("Stammdat.crd")), l));
        QCOMPARE(l == w->Design.Layout(), saved);
        if (!closed) w->done(QDialog::Rejected);
    }
};

QTEST_MAIN(TestDesigner)
#include "tst_repdesigner.moc"
