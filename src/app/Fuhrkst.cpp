#include "Fuhrkst.h"
#include "Application.h"
#include "Clock.h"
#include "DBChart.h"
#include "DBFormat.h"
#include "DBGrid.h"
#include "DataMod.h"
#include "Guard.h"
#include "RadioGrp.h"
#include "Utility.h"
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QHash>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

namespace {
QLabel* Value(QWidget* parent, const QString& name)
{
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setMinimumWidth(90);
    return l;
}

// Monthly evaluation fields and the working table's columns 4 to 13, in step.
const char* const kMonatFelder[kKostenSpalten] = {
    "GesamtKosten", "Reparaturkosten", "Reifenkosten", "Wartungskosten", "Untersuchungskosten", "Benzinkosten",
    "Sonstigekosten1", "Sonstigekosten2", "Sonstigekosten3", "VerbrauchLiter"};
const char* const kZielFelder[kKostenSpalten] = {
    "GesamtKosten", "ReparaturKosten", "ReifenKosten", "WartungKosten", "UntersuchungKosten", "VerbrauchKosten",
    "SonstigeKosten", "Sonstige2Kosten", "Sonstige3Kosten", "VerbrauchLiter"};

}   // namespace

// ------------------------------------------------------------ computations

QString ZeitraumFilter(TZeitraumSicht sicht, const QString& jahr, const QString& monat)
{
    switch (sicht) {
    case TZeitraumSicht::Alle: return QString();
    case TZeitraumSicht::Jahr: return QStringLiteral("AuswJahr = ") + jahr;
    case TZeitraumSicht::Monat:
        return QStringLiteral("(AuswJahr = '%1') and (AuswMonatText = '%2')").arg(jahr, monat);
    }
    return QString();
}

QString ZeitraumText(const QString& jahr, const QString& monat)
{
    const QString kopf = QStringLiteral("Auswertungszeitraum: ");
    if (jahr.isEmpty() && monat.isEmpty()) return kopf + QStringLiteral("Alle Daten");
    if (jahr.isEmpty()) return kopf + QStringLiteral("???");
    if (monat.isEmpty()) return kopf + QStringLiteral("Jahr ") + jahr;
    return kopf + QStringLiteral("Monat %1 %2").arg(monat, jahr);
}

void TParkSummen::Add(const TKostenZeile& zeile)
{
    for (size_t i = 0; i < Kosten.size(); ++i) Kosten[i] += ToFixed(zeile[i]);
    Liter += zeile[kKostenSpalten - 1];
}

void FuhrparkKostenBerechnen(TDBDataSet& maschinen, const QString& zeitraumFilter, TDBDataSet& ziel, TParkSummen& summen,
                             const std::function<void()>& schritt)
{
    // One pass over the period's evaluations in machine order, each machine's
    // rows in the order its detail range would give them, so every sum adds
    // up exactly as a walk machine by machine would.
    QHash<QString, TKostenZeile> jeMaschine;
    {
        TTable monat;
        monat.SetDatabaseName(maschinen.DatabaseName());
        monat.SetTableName(QStringLiteral("KfzMonat.DB"));
        monat.SetIndexFieldNames(QStringLiteral("IdentNummer"));
        monat.SetFilter(zeitraumFilter);
        monat.SetFiltered(!zeitraumFilter.trimmed().isEmpty());
        monat.Open();
        TField* ident = monat.FieldByName(QStringLiteral("IdentNummer"));
        TField* felder[kKostenSpalten];
        for (int i = 0; i < kKostenSpalten; ++i) felder[i] = monat.FieldByName(QString::fromLatin1(kMonatFelder[i]));
        QString aktuell;
        TKostenZeile* zeile = nullptr;
        for (monat.First(); !monat.Eof(); monat.Next()) {
            const QString nr = ident->AsString();
            if (!zeile || nr != aktuell) {
                aktuell = nr;
                zeile = &jeMaschine[nr];
            }
            for (int i = 0; i < kKostenSpalten; ++i)
                if (!felder[i]->IsNull()) (*zeile)[i] += felder[i]->AsFloat();
        }
    }

    // The machines as the main window shows them, read without moving it.
    const int nr = maschinen.FieldByName(QStringLiteral("IdentNummer"))->FieldNo() - 1;
    const int info = maschinen.FieldByName(QStringLiteral("Bezeichnung1"))->FieldNo() - 1;
    const int gruppe = maschinen.FieldByName(QStringLiteral("Gruppe"))->FieldNo() - 1;
    const int standort = maschinen.FieldByName(QStringLiteral("Standort"))->FieldNo() - 1;
    TField* zielKopf[4] = {ziel.FieldByName(QStringLiteral("KfzNr")), ziel.FieldByName(QStringLiteral("Info")),
                           ziel.FieldByName(QStringLiteral("Gruppe")), ziel.FieldByName(QStringLiteral("Kostenstelle"))};
    TField* zielWerte[kKostenSpalten];
    for (int i = 0; i < kKostenSpalten; ++i) zielWerte[i] = ziel.FieldByName(QString::fromLatin1(kZielFelder[i]));
    const TKostenZeile nichts{};
    const int anzahl = maschinen.RecordCount();
    TPostBatch batch(ziel.Database());
    for (int seq = 1; seq <= anzahl; ++seq) {
        if (schritt) schritt();
        TRecordPtr r = maschinen.RecordAt(seq);
        if (!r) continue;
        const QString ident = r->value(nr).toString();
        const auto it = jeMaschine.constFind(ident);
        const TKostenZeile& zeile = it != jeMaschine.constEnd() ? *it : nichts;
        ziel.Append();
        zielKopf[0]->SetValue(ident);   // the field keeps its first 10 characters
        zielKopf[1]->SetValue(r->value(info));
        zielKopf[2]->SetValue(r->value(gruppe));
        zielKopf[3]->SetValue(r->value(standort));
        for (int i = 0; i < kKostenSpalten; ++i) zielWerte[i]->SetValue(zeile[i]);
        ziel.Post();
        summen.Add(zeile);
    }
    batch.Commit();
}

// ------------------------------------------------------------ the window

TFuhrparkKostenFormular::TFuhrparkKostenFormular(TDataModule1* dm, QWidget* parent) : QDialog(parent), DM(dm)
{
    setObjectName(QStringLiteral("FuhrparkKostenFormular"));
    setWindowTitle(QStringLiteral("Maschinenpark-Kosten"));
    resize(1000, 660);
    const QDate today = Today();

    auto* lay = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    RadioGrpSicht = new TRadioGroup(this);
    RadioGrpSicht->setObjectName(QStringLiteral("RadioGrpSicht"));
    RadioGrpSicht->setTitle(QStringLiteral("Sichtb. Zeitraum"));
    RadioGrpSicht->setToolTip(QStringLiteral("Bestimmen Sie den Zeitraum für die Berechnung"));
    RadioGrpSicht->SetColumns(3);
    RadioGrpSicht->SetItems({QStringLiteral("Alle"), QStringLiteral("Jahr"), QStringLiteral("Monat")});
    RadioGrpSicht->SetItemIndex(0);
    ComboBoxJahr = new QComboBox(this);
    ComboBoxJahr->setObjectName(QStringLiteral("ComboBoxJahr"));
    ComboBoxJahr->setToolTip(QStringLiteral("Wählen Sie das Jahr für die Berechnung"));
    const QStringList years = YearListItems(today);
    ComboBoxJahr->addItems(years);
    ComboBoxJahr->setCurrentIndex(YearListIndex(years, today));
    ComboBoxJahr->setEnabled(false);
    CmbBoxMonat = new QComboBox(this);
    CmbBoxMonat->setObjectName(QStringLiteral("CmbBoxMonat"));
    CmbBoxMonat->setToolTip(QStringLiteral("Wählen Sie den Monat für die Berechnung"));
    CmbBoxMonat->setMaxVisibleItems(12);
    CmbBoxMonat->addItems(MonthNames());
    CmbBoxMonat->setCurrentIndex(today.month() - 1);
    CmbBoxMonat->setEnabled(false);
    auto red = [](QLabel* l) {
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, Qt::red);
        l->setPalette(p);
    };
    LblFilter = new QLabel(this);
    LblFilter->setObjectName(QStringLiteral("LblFilter"));
    LblFilter->setToolTip(QStringLiteral(
        "Zeigt den im Hauptformular gesetzten Filter, der auch in diesem Formular wirksam ist"));
    red(LblFilter);
    LblAuswertungszeitraum = new QLabel(this);
    LblAuswertungszeitraum->setObjectName(QStringLiteral("LblAuswertungszeitraum"));
    red(LblAuswertungszeitraum);
    QFont bold = LblAuswertungszeitraum->font();
    bold.setBold(true);
    LblAuswertungszeitraum->setFont(bold);
    auto* labels = new QVBoxLayout;
    labels->addWidget(LblAuswertungszeitraum);
    labels->addWidget(LblFilter);
    top->addWidget(RadioGrpSicht);
    top->addWidget(ComboBoxJahr, 0, Qt::AlignBottom);
    top->addWidget(CmbBoxMonat, 0, Qt::AlignBottom);
    top->addSpacing(16);
    top->addLayout(labels, 1);
    lay->addLayout(top);

    // Grid and chart, divided by a red splitter.
    SplitterFuhrpark = new QSplitter(Qt::Horizontal, this);
    SplitterFuhrpark->setObjectName(QStringLiteral("SplitterFuhrpark"));
    SplitterFuhrpark->setOpaqueResize(true);
    SplitterFuhrpark->setHandleWidth(4);
    SplitterFuhrpark->setStyleSheet(QStringLiteral("QSplitter::handle { background: red; }"));
    SplitterFuhrpark->setChildrenCollapsible(false);
    DBGridFuhrpark = new TDBGrid(SplitterFuhrpark);
    DBGridFuhrpark->setObjectName(QStringLiteral("DBGridFuhrpark"));
    DBGridFuhrpark->setToolTip(QStringLiteral("Grafikgröße ändern - Maus über die rote Linie halten, linke Maustaste "
                                              "drücken und mit gedrückter Maustaste nach links oder rechts ziehen.."));
    DBGridFuhrpark->SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgTabs
                               | dgAlwaysShowSelection);
    DBGridFuhrpark->SetReadOnly(true);
    DBGridFuhrpark->SetDataSource(DM->DataSrcFuhrparkKosten);
    DBGridFuhrpark->setMinimumWidth(50);
    DBChartFuhrpark = new TDBChart(SplitterFuhrpark);
    DBChartFuhrpark->setObjectName(QStringLiteral("DBChartFuhrpark"));
    DBChartFuhrpark->setMinimumWidth(50);
    DBChartFuhrpark->SetDataSource(DM->DataSrcFuhrparkKosten);
    DBChartFuhrpark->SetLabelField(QStringLiteral("KfzNr"));
    DBChartFuhrpark->SetValueField(QStringLiteral("GesamtKosten"));
    DBChartFuhrpark->SetTitle(QStringLiteral("Gesamt"));
    SplitterFuhrpark->addWidget(DBGridFuhrpark);
    SplitterFuhrpark->addWidget(DBChartFuhrpark);
    SplitterFuhrpark->setSizes({550, 450});
    lay->addWidget(SplitterFuhrpark, 1);

    ProgBarFuhrparkkosten = new QProgressBar(this);
    ProgBarFuhrparkkosten->setObjectName(QStringLiteral("ProgBarFuhrparkkosten"));
    ProgBarFuhrparkkosten->setTextVisible(false);
    ProgBarFuhrparkkosten->hide();
    lay->addWidget(ProgBarFuhrparkkosten);

    // Park totals under the user's names of the cost types, read now.
    auto* totals = new QGroupBox(QStringLiteral("Maschinenpark aufgelaufene Kosten:"), this);
    totals->setObjectName(QStringLiteral("PanSummen"));
    QFont title = totals->font();
    title.setBold(true);
    totals->setFont(title);
    auto* grid = new QGridLayout(totals);
    const char* const names[] = {"NameReparaturkosten", "NameReifenkosten", "NameWartungskosten", "NameUntersuchungskosten",
                                 "NameBenzinkosten", "NameSonstigekosten1", "NameSonstigekosten2", "NameSonstigekosten3"};
    QFont normal = font();
    normal.setBold(false);   // stated, so the bold title does not pass on
    for (int i = 0; i < 8; ++i) {
        TField* f = DM->TTblEinstellungenAllgem->FindField(QString::fromLatin1(names[i]));
        LblKostenName[i] = new QLabel(f ? f->AsString() : QString(), totals);
        LblKostenName[i]->setObjectName(QStringLiteral("LblKostenName%1").arg(i + 1));
        LblKostenName[i]->setFont(normal);
        LblKostenWert[i] = Value(totals, QStringLiteral("LblKostenWert%1").arg(i + 1));
        LblKostenWert[i]->setFont(normal);
        grid->addWidget(LblKostenName[i], 0, i);
        grid->addWidget(LblKostenWert[i], 1, i);
    }
    auto* gesamt = new QLabel(QStringLiteral("Gesamt:"), totals);
    gesamt->setFont(normal);
    LblGesamtKosten = Value(totals, QStringLiteral("LblGesamtKosten"));
    LblGesamtKosten->setFont(normal);
    LblGesamtVerbrauch = Value(totals, QStringLiteral("LblGesamtVerbrauch"));
    LblGesamtVerbrauch->setFont(normal);
    LblGesamtVerbrauch->setToolTip(QStringLiteral("Treibstoffverbrauch in Liter"));
    auto* kosten = new QLabel(QStringLiteral("Kosten"), totals);
    kosten->setFont(normal);
    auto* liter = new QLabel(QStringLiteral("Verbrauch/L."), totals);
    liter->setFont(normal);
    grid->addWidget(gesamt, 2, 0);
    grid->addWidget(kosten, 2, 1, Qt::AlignRight);
    grid->addWidget(LblGesamtKosten, 2, 2);
    grid->addWidget(liter, 2, 3, Qt::AlignRight);
    grid->addWidget(LblGesamtVerbrauch, 2, 4);
    lay->addWidget(totals);

    auto* buttons = new QHBoxLayout;
    auto button = [this](const char* name, const QString& caption, const QString& hint) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(hint);
        b->setAutoDefault(false);
        return b;
    };
    TBitBtnDrucken = button("TBitBtnDrucken", QStringLiteral("D&rucken"),
                            QStringLiteral("Druckt die Fuhrpark Kosten-/Ertragsübersicht"));
    TBitBtnVorschau = button("TBitBtnVorschau", QStringLiteral("&Vorschau"),
                             QStringLiteral("Zeigt die Druckvorschau der Fuhrpark Kosten-/Ertragsübersicht"));
    TBitBtnSchliessen = button("TBitBtnSchliessen", QStringLiteral("&Schließen"), QStringLiteral("Formular schließen"));
    buttons->addStretch(1);
    buttons->addWidget(TBitBtnDrucken);
    buttons->addWidget(TBitBtnVorschau);
    buttons->addWidget(TBitBtnSchliessen);
    lay->addLayout(buttons);
    connect(TBitBtnSchliessen, &QPushButton::clicked, this, &QDialog::accept);
    ConnectGuarded(RadioGrpSicht, &TRadioGroup::Click, this, &TFuhrparkKostenFormular::RadioGrpSichtClick);
    ConnectGuarded(ComboBoxJahr, &QComboBox::activated, this, &TFuhrparkKostenFormular::ComboBoxJahrChange);
    ConnectGuarded(CmbBoxMonat, &QComboBox::activated, this, &TFuhrparkKostenFormular::CmbBoxMonatChange);
    ConnectGuarded(TBitBtnDrucken, &QPushButton::clicked, this, &TFuhrparkKostenFormular::TBitBtnDruckenClick);
    ConnectGuarded(TBitBtnVorschau, &QPushButton::clicked, this, &TFuhrparkKostenFormular::TBitBtnVorschauClick);
    DBGridFuhrpark->OnColEnter = [this](TDBGrid*) { DBGridFuhrparkColEnter(); };
}

bool TFuhrparkKostenFormular::event(QEvent* e)
{
    // Evaluated once per opening: coming back from a message or the print
    // preview is no new opening, and an error would only repeat itself.
    if (e->type() == QEvent::Show) m_geoeffnet = true;
    else if (e->type() == QEvent::Hide) m_geoeffnet = false;
    else if (e->type() == QEvent::WindowActivate && m_geoeffnet) {
        m_geoeffnet = false;
        RunGuarded(this, [this] { FormActivate(); });
    }
    return QDialog::event(e);
}

void TFuhrparkKostenFormular::FormActivate()
{
    Berechnen();
    LblFilter->setText(FilterArt.isEmpty() ? QString() : FilterArt + QStringLiteral(" = ") + FilterWert);
    DBGridFuhrpark->setFocus();
}

void TFuhrparkKostenFormular::RadioGrpSichtClick() { Berechnen(); }
void TFuhrparkKostenFormular::ComboBoxJahrChange() { Berechnen(); }
void TFuhrparkKostenFormular::CmbBoxMonatChange() { Berechnen(); }

void TFuhrparkKostenFormular::Berechnen()
{
    const auto sicht = TZeitraumSicht(std::max(0, RadioGrpSicht->ItemIndex()));
    ComboBoxJahr->setEnabled(sicht != TZeitraumSicht::Alle);
    CmbBoxMonat->setEnabled(sicht == TZeitraumSicht::Monat);
    const QString jahr = sicht == TZeitraumSicht::Alle ? QString() : ComboBoxJahr->currentText();
    const QString monat = sicht == TZeitraumSicht::Monat ? CmbBoxMonat->currentText() : QString();
    LblAuswertungszeitraum->setText(ZeitraumText(jahr, monat));

    std::exception_ptr fehler;
    TTable* ziel = DM->TTblFuhrparkKosten;
    Summen = TParkSummen{};
    ziel->DisableControls();
    try {
        ziel->Close();
        ziel->SetDatabaseName(QStringLiteral("PelmoraPriv"));
        ziel->SetTableName(QStringLiteral("KfzFuKst.db"));
        try {
            ziel->EmptyTable();
        } catch (const std::exception&) {
            // Opened again all the same; the evaluation reports what fails next.
        }
        ziel->Open();
        ProgBarFuhrparkkosten->setRange(0, std::max(1, DM->TTblMain->RecordCount()));
        ProgBarFuhrparkkosten->setValue(0);
        ProgBarFuhrparkkosten->show();
        FuhrparkKostenBerechnen(*DM->TTblMain, ZeitraumFilter(sicht, jahr, monat), *ziel, Summen,
                                [this] { ProgBarFuhrparkkosten->setValue(ProgBarFuhrparkkosten->value() + 1); });
    } catch (...) {
        fehler = std::current_exception();
        if (ziel->State() == dsInsert) ziel->Cancel();
    }
    ProgBarFuhrparkkosten->hide();
    ziel->EnableControls();
    if (ziel->Active()) ziel->First();
    SummenAnzeigen();
    try {
        DBChartFuhrpark->RefreshData();
    } catch (const std::exception&) {
    }
    if (fehler) {
        try {
            std::rethrow_exception(fehler);
        } catch (...) {
            HandleException(this);
        }
    }
}

void TFuhrparkKostenFormular::SummenAnzeigen()
{
    for (int i = 0; i < 8; ++i) LblKostenWert[i]->setText(FixedToStr(Summen.Kosten[size_t(i) + 1]));
    LblGesamtKosten->setText(FixedToStr(Summen.Kosten[0]));
    LblGesamtVerbrauch->setText(DBFormat::FloatToStrFixed(Summen.Liter, 2));
}

void TFuhrparkKostenFormular::DBGridFuhrparkColEnter()
{
    // The numeric columns drive the chart; a failure leaves it as it was.
    if (DBGridFuhrpark->SelectedIndex() <= 3) return;
    try {
        TField* f = DBGridFuhrpark->SelectedField();
        if (!f) return;
        DBChartFuhrpark->SetValueField(f->FieldName());
        DBChartFuhrpark->SetTitle(f->DisplayLabel());
        DBChartFuhrpark->RefreshData();
    } catch (const std::exception&) {
    }
}

void TFuhrparkKostenFormular::Drucken(TReportMode mode)
{
    // The report prints the chart from this picture; without it, it prints the rest.
    DBChartFuhrpark->SaveToSvg(QDir::current().absoluteFilePath(QStringLiteral("Fuhrpks~.svg")));
    RunReport(rkFuhrparkKosten, mode);
}

void TFuhrparkKostenFormular::TBitBtnDruckenClick() { Drucken(rmPrint); }
void TFuhrparkKostenFormular::TBitBtnVorschauClick() { Drucken(rmPreview); }
