// The designer's model without its window: placing, moving, ordering,
// columns, copy and paste, undo and redo, saving and loading, damaged files.
#include "Expr.h"
#include "LayoutDesign.h"
#include "LayoutFile.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

TLayoutObject Text(const QString& text, const QRectF& r)
{
    TLayoutObject o;
    o.Text = text;
    o.Rect = r;
    return o;
}

QStringList Texts(const std::vector<TLayoutObject>& objects)
{
    QStringList out;
    for (const TLayoutObject& o : objects) out << o.Text;
    return out;
}

QByteArray ReadAll(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& file, const QByteArray& data)
{
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

// A card design holding A, B and C, bottom to top.
void ThreeTexts(TLayoutDesign& d)
{
    d.Load(QStringLiteral("/nicht/da.crd"), TLayoutType::Card);
    for (const char* t : {"A", "B", "C"}) d.Insert(TDesignArea::Page, Text(QString::fromLatin1(t), QRectF(20, 20, 40, 0)));
}

}   // namespace

class TestLayoutDesign : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString Path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private slots:
    void undoAndRedoWalkThroughTheChanges()
    {
        TLayoutDesign d;
        d.Load(Path("neu.crd"), TLayoutType::Card);
        QVERIFY(!d.Modified());
        QVERIFY(!d.CanUndo());
        const TDesignItem item = d.Insert(TDesignArea::Page, Text(QStringLiteral("Hallo"), QRectF(20, 30, 50, 0)));
        d.MoveBy({item}, QPointF(5, -2.5));
        QCOMPARE(d.ItemRect(item), QRectF(25, 27.5, 50, 0));
        d.Undo();
        QCOMPARE(d.ItemRect(item), QRectF(20, 30, 50, 0));
        QVERIFY(d.CanRedo());
        d.Redo();
        QCOMPARE(d.ItemRect(item), QRectF(25, 27.5, 50, 0));
        d.Undo();
        d.Undo();
        QVERIFY(d.Layout().Objects.empty());
        // Back where it was read: nothing to save.
        QVERIFY(!d.Modified());
        // A new change after undoing drops what could have been redone.
        d.Insert(TDesignArea::Page, Text(QStringLiteral("X"), QRectF()));
        QVERIFY(!d.CanRedo());
    }

    void aDragIsOneUndoStep()
    {
        TLayoutDesign d;
        d.Load(Path("neu.crd"), TLayoutType::Card);
        const TDesignItem item = d.Insert(TDesignArea::Page, Text(QStringLiteral("A"), QRectF(10, 10, 20, 5)));
        for (int x = 11; x <= 30; ++x) d.SetRects({item}, {QRectF(x, 10, 20, 5)}, QStringLiteral("maus1"));
        d.SetRects({item}, {QRectF(40, 10, 20, 5)}, QStringLiteral("maus2"));
        d.Undo();
        QCOMPARE(d.ItemRect(item), QRectF(30, 10, 20, 5));
        d.Undo();
        QCOMPARE(d.ItemRect(item), QRectF(10, 10, 20, 5));
    }

    void frontAndBack_data()
    {
        QTest::addColumn<QList<int>>("chosen");
        QTest::addColumn<bool>("front");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<QList<int>>("newPlaces");
        QTest::newRow("A nach vorne") << QList<int>{0} << true << QStringList{"B", "C", "A"} << QList<int>{2};
        QTest::newRow("C nach hinten") << QList<int>{2} << false << QStringList{"C", "A", "B"} << QList<int>{0};
        QTest::newRow("A und C nach vorne") << QList<int>{2, 0} << true << QStringList{"B", "A", "C"} << QList<int>{1, 2};
        QTest::newRow("oberstes nach vorne") << QList<int>{2} << true << QStringList{"A", "B", "C"} << QList<int>{2};
    }
    void frontAndBack()
    {
        QFETCH(QList<int>, chosen);
        QFETCH(bool, front);
        QFETCH(QStringList, order);
        QFETCH(QList<int>, newPlaces);
        TLayoutDesign d;
        ThreeTexts(d);
        TDesignItems items;
        for (int i : chosen) items.append({TDesignArea::Page, i});
        const TDesignItems moved = front ? d.BringToFront(items) : d.SendToBack(items);
        QCOMPARE(Texts(d.Layout().Objects), order);
        QList<int> places;
        for (const TDesignItem& i : moved) places << i.Index;
        QCOMPARE(places, newPlaces);
        d.Undo();
        QCOMPARE(Texts(d.Layout().Objects), (QStringList{"A", "B", "C"}));
    }

    void removingSeveralKeepsTheOthers()
    {
        TLayoutDesign d;
        ThreeTexts(d);
        d.Remove({{TDesignArea::Page, 0}, {TDesignArea::Page, 2}, {TDesignArea::Page, 2}});
        QCOMPARE(Texts(d.Layout().Objects), QStringList{"B"});
        d.Undo();
        QCOMPARE(Texts(d.Layout().Objects), (QStringList{"A", "B", "C"}));
    }

    void copyAndPasteBetweenBands()
    {
        TLayoutDesign d;
        d.Load(Path("neu.lst"), TLayoutType::List);
        const TDesignItem head = d.Insert(TDesignArea::Header, Text(QStringLiteral("Kopf {Var.Titel}"), QRectF(0, 2, 60, 5)));
        const QRectF onPage = d.ItemRect(head);
        const QByteArray clip = d.Copy({head});
        const TDesignItems pasted = d.Paste(clip, TDesignArea::Footer, QPointF(5, 5));
        QCOMPARE(pasted.size(), 1);
        QCOMPARE(pasted.first().Area, TDesignArea::Footer);
        QCOMPARE(d.Object(pasted.first()).Text, QStringLiteral("Kopf {Var.Titel}"));
        // Pasted where it was on the page, a little further on.
        QCOMPARE(d.ItemRect(pasted.first()), onPage.translated(5, 5));

        // Anything else on the clipboard pastes nothing and is no change:
        // what could be redone stays.
        d.Undo();
        const TLayout before = d.Layout();
        QCOMPARE(d.Paste("Hallo", TDesignArea::Header, QPointF()).size(), 0);
        QCOMPARE(d.Paste("{\"format\":\"TARVOS-Report-Objekte\",\"objects\":[{\"type\":\"text\",\"text\":\"{Var.\"}]}",
                         TDesignArea::Header, QPointF())
                     .size(),
                 0);
        QVERIFY(d.Layout() == before);
        QVERIFY(d.CanRedo());
    }

    void columnsOfAList()
    {
        TLayoutDesign d;
        d.Load(Path("neu.lst"), TLayoutType::List);
        TLayoutColumn c;
        c.Title = QStringLiteral("Datum");
        c.Value = QStringLiteral("Feld.BelegDatum");
        c.Width = 25;
        QCOMPARE(d.InsertColumn(0, c), 0);
        c.Title = QStringLiteral("Betrag");
        QCOMPARE(d.InsertColumn(99, c), 1);
        QCOMPARE(d.ShiftColumn(1, -1), 0);
        QCOMPARE(d.Column(0).Title, QStringLiteral("Betrag"));
        // No shift past the ends.
        QCOMPARE(d.ShiftColumn(0, -1), 0);
        // The column under a point, and its width by its box.
        const QRectF second = d.ColumnRect(1);
        QCOMPARE(d.ColumnAt(second.center()), 1);
        QCOMPARE(d.ColumnAt(QPointF(second.right() + 50, second.center().y())), -1);
        d.SetRects({{TDesignArea::Table, 1}}, {QRectF(second.topLeft(), QSizeF(-4, 10))});
        QCOMPARE(d.Column(1).Width, 1.0);
        d.Remove({{TDesignArea::Table, 0}});
        QCOMPARE(d.Layout().Table.Columns.size(), size_t(1));
    }

    void savedLayoutReadsBackTheSame()
    {
        TLayoutDesign d;
        d.Load(Path("rund.lst"), TLayoutType::List);
        TLayoutObject line;
        line.Kind = TObjectKind::Line;
        line.Rect = QRectF(0, 18, 178, -0.5);
        line.LineWidth = 0.5;
        d.Insert(TDesignArea::Header, line);
        TLayoutObject rect;
        rect.Kind = TObjectKind::Rect;
        rect.Rect = QRectF(2, 1, 30, 6);
        rect.Fill = QColor(230, 230, 230);
        d.Insert(TDesignArea::Footer, rect);
        TLayoutObject pic;
        pic.Kind = TObjectKind::Picture;
        pic.Text = QStringLiteral("logo.png");
        pic.KeepAspect = false;
        pic.Rect = QRectF(150, 0, 28, 15);
        d.Insert(TDesignArea::Header, pic);
        TLayoutObject text = Text(QStringLiteral("{Var[Hersteller/Typ]}"), QRectF(0, 0, 80, 0));
        text.Font = TFontSpec{QStringLiteral("DejaVu Serif"), 12.5, true, true};
        text.Align = THAlign::Right;
        text.Wrap = true;
        const TDesignItem far = d.Insert(TDesignArea::Header, text);
        // Beyond what the file takes: kept at its edge, so the file still reads.
        d.MoveBy({far}, QPointF(5000, 0));
        TLayoutColumn c;
        c.Title = QStringLiteral("Betrag");
        c.Value = QStringLiteral("Feld.ReparaturKosten");
        c.NumberFormat = QStringLiteral("#,##0.00");
        c.DateFormat = QStringLiteral("dd.MM.yyyy");
        c.BlankZero = true;
        c.Footer = QStringLiteral("Summe(Feld.ReparaturKosten)");
        d.InsertColumn(0, c);
        QVERIFY(d.Modified());
        QString why;
        QVERIFY2(d.Save(Path("rund.lst"), &why), qPrintable(why));
        QVERIFY(!d.Modified());

        TLayoutDesign back;
        QVERIFY(back.Load(Path("rund.lst"), TLayoutType::List, &why));
        QVERIFY(back.Layout() == d.Layout());
        QCOMPARE(back.Layout().Header.Objects.back().Rect.x(), 2000.0);
    }

    void damagedFilesOpenAsAnEmptyPage_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("list");
        QTest::addColumn<QString>("reason");
        const QByteArray card = LayoutFile::Serialize(TLayoutDesign::EmptyLayout(TLayoutType::Card));
        QTest::newRow("fehlt") << QByteArray() << false << "gibt es nicht";
        QTest::newRow("leer") << QByteArray("") << true << "JSON";
        QTest::newRow("kein JSON") << QByteArray("\x00\xff\x13garbage", 10) << false << "JSON";
        QTest::newRow("abgeschnitten") << card.left(card.size() / 2) << false << "JSON";
        QTest::newRow("Karte statt Liste") << card << true << "Karten-Layout";
        QTest::newRow("falscher Platzhalter")
            << QByteArray("{\"format\":\"TARVOS-Report\",\"version\":1,\"type\":\"card\",\"objects\":[{\"type\":\"text\",\"text\":\"{Var.}\"}]}")
            << false << "objects[0]";
    }
    void damagedFilesOpenAsAnEmptyPage()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, list);
        QFETCH(QString, reason);
        const QString file = Path("kaputt.lay");
        QFile::remove(file);
        if (QByteArrayView(QTest::currentDataTag()) != "fehlt") WriteAll(file, contents);
        const TLayoutType type = list ? TLayoutType::List : TLayoutType::Card;
        TLayoutDesign d;
        d.Insert(TDesignArea::Page, Text(QStringLiteral("vorher"), QRectF()));
        QString why;
        QVERIFY(!d.Load(file, type, &why));
        QVERIFY2(why.contains(reason), qPrintable(why));
        QVERIFY(d.Layout() == TLayoutDesign::EmptyLayout(type));
        QVERIFY(!d.Modified());
        QVERIFY(!d.CanUndo());
        // The damaged file stays as it was until the user saves.
        if (QFile::exists(file)) QCOMPARE(ReadAll(file), contents);
    }

    void refusedSavesLeaveTheFile_data()
    {
        QTest::addColumn<bool>("list");
        QTest::addColumn<double>("margin");
        QTest::addColumn<QString>("reason");
        QTest::newRow("Liste ohne Spalte") << true << 20.0 << "mindestens eine Spalte";
        QTest::newRow("Ränder ohne Platz") << false << 105.0 << "kein Platz";
    }
    void refusedSavesLeaveTheFile()
    {
        QFETCH(bool, list);
        QFETCH(double, margin);
        QFETCH(QString, reason);
        const QString file = Path("alt.lay");
        WriteAll(file, "alter Inhalt");
        TLayoutDesign d;
        d.Load(Path("nicht-da"), list ? TLayoutType::List : TLayoutType::Card);
        TPageSetup page = d.Layout().Page;
        page.MarginLeft = page.MarginRight = margin;
        d.SetPage(page, QString());
        QString why;
        QVERIFY(!d.Save(file, &why));
        QVERIFY2(why.contains(reason), qPrintable(why));
        QCOMPARE(ReadAll(file), QByteArray("alter Inhalt"));
    }

    void saveWritesWholeFilesOnly()
    {
        QTemporaryDir dir;
        TLayoutDesign d;
        d.Load(dir.filePath(QStringLiteral("a.crd")), TLayoutType::Card);
        d.Insert(TDesignArea::Page, Text(QStringLiteral("A"), QRectF(20, 20, 40, 0)));
        QString why;
        // A folder that is not there: refused with a reason, nothing written.
        QVERIFY(!d.Save(dir.filePath(QStringLiteral("fehlt/a.crd")), &why));
        QVERIFY(!why.isEmpty());
        QVERIFY(d.Modified());
        QVERIFY(d.Save(dir.filePath(QStringLiteral("a.crd")), &why));
        // No temporary file is left beside the layout.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.crd"});
    }

    void referencesReadBackAsTheirNames_data()
    {
        QTest::addColumn<bool>("field");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reference");
        QTest::newRow("Feld") << true << "IdentNummer" << "Feld.IdentNummer";
        QTest::newRow("Schrägstrich") << false << "Hersteller/Typ" << "Var[Hersteller/Typ]";
        QTest::newRow("Umlaut") << false << "TÜVTermin" << "Var.TÜVTermin";
        QTest::newRow("Leerzeichen") << true << "Freier Termin" << "Feld[Freier Termin]";
    }
    void referencesReadBackAsTheirNames()
    {
        QFETCH(bool, field);
        QFETCH(QString, name);
        QFETCH(QString, reference);
        QCOMPARE(TLayoutDesign::Reference(field, name), reference);
        TTextTemplate t;
        QVERIFY(t.Parse(QStringLiteral("{%1}").arg(reference)));
        QStringList fields, variables;
        t.CollectNames(fields, variables);
        QCOMPARE(field ? fields : variables, QStringList{name});
    }
};

QTEST_GUILESS_MAIN(TestLayoutDesign)
#include "tst_replayoutdesign.moc"
