// Layout files of the report engine: what the reader takes and refuses,
// writing and reading back, and the expressions of columns and texts.
#include "Expr.h"
#include "LayoutFile.h"
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Fields and variables for expressions, the page and the date fixed.
class TMapScope : public TExprScope {
public:
    QMap<QString, QString> Fields, Variables;
    int PageNo = 2;
    QString Field(const QString& n) const override { return Fields.value(n); }
    QString Variable(const QString& n) const override { return Variables.value(n); }
    int Page() const override { return PageNo; }
    QDate PrintDate() const override { return QDate(2026, 12, 10); }
};

QByteArray Minimal(const QByteArray& tableOrObjects, const QByteArray& type = "list")
{
    return "{\"format\":\"TARVOS-Report\",\"version\":1,\"type\":\"" + type + "\"," + tableOrObjects + "}";
}

const QByteArray kTable = "\"table\":{\"columns\":[{\"title\":\"Nr\",\"value\":\"Feld.IdentNummer\",\"width\":30}]}";

TLayout Sample()
{
    TLayout l;
    l.Type = TLayoutType::List;
    l.Title = QStringLiteral("Beispiel");
    l.Page.Landscape = true;
    l.Page.MarginLeft = 15.5;
    l.Header.Height = 30;
    TLayoutObject title;
    title.Rect = QRectF(0, 0, 120, 8);
    title.Text = QStringLiteral("Maschine {Var.IdentNummer} - {Var[Hersteller/Typ]}");
    title.Font = {QStringLiteral("DejaVu Sans"), 14, true, false};
    title.Align = THAlign::Center;
    l.Header.Objects.push_back(title);
    TLayoutObject line;
    line.Kind = TObjectKind::Line;
    line.Rect = QRectF(0, 10, 170, 0);
    line.LineWidth = 0.5;
    l.Header.Objects.push_back(line);
    TLayoutObject box;
    box.Kind = TObjectKind::Rect;
    box.Rect = QRectF(0, 12, 50, 10);
    box.Fill = QColor(0xee, 0xee, 0xee);
    l.Header.Objects.push_back(box);
    TLayoutObject pic;
    pic.Kind = TObjectKind::Picture;
    pic.Rect = QRectF(150, 0, 20, 20);
    pic.Text = QStringLiteral("{Var.Bild}");
    pic.KeepAspect = false;
    l.Header.Objects.push_back(pic);
    l.Footer.Height = 8;
    TLayoutColumn c;
    c.Title = QStringLiteral("Betrag");
    c.Value = QStringLiteral("Feld.Reparaturkosten + Feld.Reifenkosten");
    c.Width = 25;
    c.Align = THAlign::Right;
    c.NumberFormat = QStringLiteral("#,##0.00");
    c.BlankZero = true;
    c.Footer = QStringLiteral("Summe(Feld.Reparaturkosten)");
    l.Table.Columns.push_back(c);
    c = TLayoutColumn();
    c.Title = QStringLiteral("Datum");
    c.Value = QStringLiteral("Feld.BelegDatum");
    c.DateFormat = QStringLiteral("dd.MM.yy");
    c.Wrap = false;
    l.Table.Columns.push_back(c);
    l.Table.Filter = QStringLiteral("Feld.Jahr = '2004'");
    return l;
}

}   // namespace

class TestRepLayout : public QObject {
    Q_OBJECT
private slots:
    void writtenLayoutReadsBackEqual()
    {
        QTemporaryDir dir;
        TLayout card;
        card.Type = TLayoutType::Card;
        card.Page.Size = QSizeF(100, 150);   // no paper of its own: written as custom
        TLayoutObject t;
        t.Rect = QRectF(5, 5, 90, 0);
        t.Text = QStringLiteral("{{nicht ersetzt}} {Seite}/{Seitenzahl} {Druckdatum}");
        t.Wrap = true;
        t.Color = QColor(0x12, 0x34, 0x56);
        card.Objects.push_back(t);
        for (const TLayout& l : {Sample(), card}) {
            const QString file = dir.filePath(QStringLiteral("x.lst"));
            QString error;
            QVERIFY2(LayoutFile::Save(file, l, &error), qPrintable(error));
            TLayout back;
            QVERIFY2(LayoutFile::Load(file, back, &error), qPrintable(error));
            QVERIFY(back == l);
        }
    }

    void usedNamesComeFromEveryPart()
    {
        const TLayoutNames n = LayoutFile::UsedNames(Sample());
        QCOMPARE(QSet<QString>(n.Fields.begin(), n.Fields.end()),
                 (QSet<QString>{QStringLiteral("Reparaturkosten"), QStringLiteral("Reifenkosten"),
                                QStringLiteral("BelegDatum"), QStringLiteral("Jahr")}));
        QCOMPARE(QSet<QString>(n.Variables.begin(), n.Variables.end()),
                 (QSet<QString>{QStringLiteral("IdentNummer"), QStringLiteral("Hersteller/Typ"), QStringLiteral("Bild")}));
    }

    void damagedFileIsRefused_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("reason");   // a part of the reason given
        const QByteArray good = Minimal(kTable);
        QTest::newRow("leer") << QByteArray() << "JSON";
        QTest::newRow("abgeschnitten") << good.left(good.size() / 2) << "JSON";
        QTest::newRow("kein Objekt") << QByteArray("[1,2]") << "kein Layout";
        QTest::newRow("fremdes Format") << QByteArray("{\"type\":\"list\"}") << "format";
        QTest::newRow("neuere Version") << QByteArray("{\"format\":\"TARVOS-Report\",\"version\":2,\"type\":\"list\"}")
                                        << "Layoutversion";
        QTest::newRow("Typ fehlt") << QByteArray("{\"format\":\"TARVOS-Report\",\"version\":1}") << "type";
        QTest::newRow("unbekannter Typ") << Minimal(kTable, "label") << "unbekannter Wert";
        QTest::newRow("Zahl als Text")
            << Minimal("\"table\":{\"columns\":[{\"value\":\"Feld.A\",\"width\":\"30\"}]}") << "Zahl erwartet";
        QTest::newRow("riesige Zahl")
            << Minimal("\"table\":{\"columns\":[{\"value\":\"Feld.A\",\"width\":1e300}]}") << "außerhalb";
        QTest::newRow("negative Breite")
            << Minimal("\"table\":{\"columns\":[{\"value\":\"Feld.A\",\"width\":-5}]}") << "außerhalb";
        QTest::newRow("Schrift 0 Punkt")
            << Minimal("\"table\":{\"font\":{\"size\":0},\"columns\":[{\"value\":\"Feld.A\"}]}") << "außerhalb";
        QTest::newRow("Spalten kein Array") << Minimal("\"table\":{\"columns\":{}}") << "Liste erwartet";
        QTest::newRow("keine Spalte") << Minimal("\"table\":{\"columns\":[]}") << "mindestens eine Spalte";
        QTest::newRow("Spalte kein Objekt") << Minimal("\"table\":{\"columns\":[7]}") << "Objekt erwartet";
        QTest::newRow("Ausdruck kaputt")
            << Minimal("\"table\":{\"columns\":[{\"value\":\"Feld.A +\"}]}") << "unvollständig";
        QTest::newRow("unbekannte Funktion")
            << Minimal("\"table\":{\"columns\":[{\"value\":\"Loesche(Feld.A)\"}]}") << "unbekannter Name";
        QTest::newRow("Platzhalter offen")
            << Minimal("\"objects\":[{\"type\":\"text\",\"text\":\"Seite {Seite\"}]", "card") << "'}' fehlt";
        QTest::newRow("Objekt ohne Art") << Minimal("\"objects\":[{\"x\":1}]", "card") << "type";
        QTest::newRow("keine Farbe")
            << Minimal("\"objects\":[{\"type\":\"rect\",\"color\":\"grünlich\"}]", "card") << "keine Farbe";
        QTest::newRow("Ränder zu groß")
            << Minimal("\"page\":{\"margins\":[200,0,200,0]}," + kTable) << "kein Platz";
        QTest::newRow("Kopf füllt die Seite")
            << Minimal("\"header\":{\"height\":300}," + kTable) << "keinen Platz";
        QTest::newRow("unbekanntes Papier") << Minimal("\"page\":{\"size\":\"A9\"}," + kTable) << "Papierformat";
        QByteArray deep = QByteArray(3000, '[') + QByteArray(3000, ']');
        QTest::newRow("tief geschachteltes JSON") << deep << "JSON";
        const QByteArray deepExpr = QByteArray(200, '(') + "1" + QByteArray(200, ')');
        QTest::newRow("tief geschachtelter Ausdruck")
            << Minimal("\"table\":{\"columns\":[{\"value\":\"" + deepExpr + "\"}]}") << "zu tief";
        QTest::newRow("zu lange Datei") << QByteArray(LayoutFile::MaxFileSize + 1, ' ') << "größer";
        QTest::newRow("zu viele Spalten")
            << Minimal("\"table\":{\"columns\":[" + QByteArray("{\"value\":\"1\"},").repeated(70) + "{}]}")
            << "mehr als";
    }
    void damagedFileIsRefused()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, reason);
        TLayout l;
        l.Title = QStringLiteral("unverändert");
        QString error;
        QVERIFY(!LayoutFile::Parse(data, l, &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QCOMPARE(l.Title, QStringLiteral("unverändert"));
    }

    void everyCutOfADeliveredLayoutIsRefused_data()
    {
        QTest::addColumn<QString>("file");
        for (const char* f : {"VarKost.lst", "Stammdat.crd"}) QTest::newRow(f) << QString::fromLatin1(f);
    }
    void everyCutOfADeliveredLayoutIsRefused()
    {
        // A layout cut anywhere (a full disk, a broken copy) is never half read.
        QFETCH(QString, file);
        QFile f(QFINDTESTDATA(QStringLiteral("../../resources/reports/") + file));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray whole = f.readAll().trimmed();
        TLayout l;
        QVERIFY(LayoutFile::Parse(whole, l));
        // Every seventh cut, and every one near the end where the closing braces are.
        for (qsizetype n = 0; n < whole.size(); ++n)
            if (n % 7 == 0 || n > whole.size() - 64) QVERIFY2(!LayoutFile::Parse(whole.left(n), l), qPrintable(QString::number(n)));
    }

    void expression_data()
    {
        QTest::addColumn<QString>("expr");
        QTest::addColumn<QString>("result");
        QTest::newRow("Feld") << "Feld.Betrag" << "1.234,50 €";
        QTest::newRow("Feld mit Sonderzeichen") << "Var[Hersteller/Typ]" << "MAN/TGA";
        QTest::newRow("Summe deutscher Zahlen") << "Feld.Betrag + Feld.Klein" << "1234,75";
        QTest::newRow("leeres Feld zählt 0") << "Feld.Leer + 1" << "1";
        QTest::newRow("Punkt vor Strich") << "2 + 3 * 4" << "14";
        QTest::newRow("Klammern") << "(2 + 3) * 4" << "20";
        QTest::newRow("Dezimalpunkt im Ausdruck") << "0.5 * 3" << "1,5";
        QTest::newRow("Division durch 0 druckt nichts") << "Feld.Klein / 0" << "";
        QTest::newRow("Text verketten") << "Var.Nr & ' - ' & Feld.Klein" << "A-17 - 0,25";
        QTest::newRow("Vergleich numerisch") << "Wenn(Zahl(Feld.Klein) < 1, 'klein', 'groß')" << "klein";
        QTest::newRow("Vergleich Text") << "Wenn(Var.Nr = 'A-17', 'ja', 'nein')" << "ja";
        QTest::newRow("Leer") << "Wenn(Leer(Feld.Leer), 'leer', 'voll')" << "leer";
        QTest::newRow("Format") << "Format(Feld.Betrag, '#,##0.0')" << "1.234,5";
        QTest::newRow("Format ohne Zahl") << "Format(Var.Nr, '0.00')" << "A-17";
        QTest::newRow("Datum") << "Datum(Feld.Tag, 'MMMM yyyy')" << "März 2004";
        QTest::newRow("Seite") << "Seite + 1" << "3";
        QTest::newRow("Druckdatum") << "Druckdatum" << "10.12.2026";
        QTest::newRow("Anführungszeichen verdoppelt") << "'sagt ''ja'''" << "sagt 'ja'";
    }
    void expression()
    {
        QFETCH(QString, expr);
        QFETCH(QString, result);
        TMapScope sc;
        sc.Fields = {{QStringLiteral("Betrag"), QStringLiteral("1.234,50 €")}, {QStringLiteral("Klein"), QStringLiteral("0,25")},
                     {QStringLiteral("Tag"), QStringLiteral("05.03.2004")}};
        sc.Variables = {{QStringLiteral("Hersteller/Typ"), QStringLiteral("MAN/TGA")}, {QStringLiteral("Nr"), QStringLiteral("A-17")}};
        TExpr e;
        QString error;
        QVERIFY2(e.Parse(expr, &error), qPrintable(error));
        QCOMPARE(e.Eval(sc).ToText(), result);
    }

    void sumsAreExactToTheCent()
    {
        // Ten times 0,10 is 1,00, not 0,9999...
        TExpr sum;
        QVERIFY(sum.Parse(QStringLiteral("Format(Summe(Feld.B), '0.00') & ' / ' & Anzahl()")));
        TMapScope sc;
        sc.Fields[QStringLiteral("B")] = QStringLiteral("0,10");
        for (int i = 0; i < 10; ++i) sum.Accumulate(sc);
        QCOMPARE(sum.Eval(sc).ToText(), QStringLiteral("1,00 / 10"));
        sum.ResetAggregates();
        QCOMPARE(sum.Eval(sc).ToText(), QStringLiteral("0,00 / 0"));
    }

    void templateReplacesPlaceholders()
    {
        TTextTemplate t;
        QVERIFY(t.Parse(QStringLiteral("{{Seite}} {Seite} von {Seitenzahl}")));
        TMapScope sc;
        QCOMPARE(t.Eval(sc), QStringLiteral("{Seite} 2 von ") + PageCountMarker);
        QVERIFY(!t.Parse(QStringLiteral("Text {}")));
        QVERIFY(t.Parse(QStringLiteral("{'}'} ok")));
        QCOMPARE(t.Eval(sc), QStringLiteral("} ok"));
    }
};

QTEST_GUILESS_MAIN(TestRepLayout)
#include "tst_replayout.moc"
