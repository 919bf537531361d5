#include "Termine.h"
#include "Application.h"
#include "Clock.h"
#include "DBErrors.h"
#include "DBGrid.h"
#include "DataMod.h"
#include "Dialogs.h"
#include "Forms.h"
#include "Guard.h"
#include "Main.h"
#include "RadioGrp.h"
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>

namespace {

const QString kBetriebsstundenTermin = QStringLiteral("BetriebsstundenTermin");

// All date fields in test order; the operating hours come last.
const QStringList& AlleTerminFelder()
{
    static const QStringList fields{QStringLiteral("TÜVTermin"),          QStringLiteral("UVVTermin"),
                                    QStringLiteral("WartungKleinTermin"), QStringLiteral("WartungGrossTermin"),
                                    QStringLiteral("FreierTermin1"),      QStringLiteral("FreierTermin2"),
                                    QStringLiteral("FreierTermin3"),      kBetriebsstundenTermin};
    return fields;
}

QString FreierName(const QStringList& names, int i) { return i < names.size() ? names[i] : QString(); }

}   // namespace

QStringList TerminFelder(TTerminSicht sicht)
{
    switch (sicht) {
    case TTerminSicht::Alle: return AlleTerminFelder();
    case TTerminSicht::Tuev: return {QStringLiteral("TÜVTermin")};
    case TTerminSicht::UVV: return {QStringLiteral("UVVTermin")};
    case TTerminSicht::WartungKlein: return {QStringLiteral("WartungKleinTermin")};
    case TTerminSicht::WartungGross: return {QStringLiteral("WartungGrossTermin")};
    case TTerminSicht::Betriebsstunden: return {kBetriebsstundenTermin};
    case TTerminSicht::Frei1: return {QStringLiteral("FreierTermin1")};
    case TTerminSicht::Frei2: return {QStringLiteral("FreierTermin2")};
    case TTerminSicht::Frei3: return {QStringLiteral("FreierTermin3")};
    }
    return {};
}

bool DatumFaellig(const QDate& termin, const QDate& stichtag)
{
    return termin.isValid() && termin <= stichtag;
}

bool StundenFaellig(const QVariant& schwelle, const QVariant& stunden)
{
    if (schwelle.isNull() || !schwelle.isValid()) return false;
    const double h = stunden.isNull() ? 0.0 : stunden.toDouble();
    return h >= schwelle.toDouble();
}

void TermineAufbauen(TDataSet& maschinen, TDBDataSet& ziel, TTerminSicht sicht, const QDate& stichtag,
                     const std::function<void()>& schritt)
{
    struct TArt {
        TField* Quelle;
        TField* Ziel;
        bool Stunden;
    };
    std::vector<TArt> arten;
    for (const QString& name : TerminFelder(sicht))
        arten.push_back({maschinen.FieldByName(name), ziel.FieldByName(name), name == kBetriebsstundenTermin});
    TField* stunden = maschinen.FieldByName(QStringLiteral("Betriebsstunden"));
    const QString kopf[] = {QStringLiteral("IdentNummer"), QStringLiteral("Gruppe"), QStringLiteral("Bezeichnung1")};
    std::pair<TField*, TField*> kopfFelder[3];
    for (int i = 0; i < 3; ++i) kopfFelder[i] = {maschinen.FieldByName(kopf[i]), ziel.FieldByName(kopf[i])};

    TPostBatch batch(ziel.Database());
    for (maschinen.First(); !maschinen.Eof(); maschinen.Next()) {
        if (schritt) schritt();
        bool zeile = false;
        for (const TArt& art : arten) {
            const bool faellig = art.Stunden ? StundenFaellig(art.Quelle->Value(), stunden->Value())
                                             : DatumFaellig(art.Quelle->AsDate(), stichtag);
            if (!faellig) continue;
            if (!zeile) {
                ziel.Append();
                for (const auto& [von, nach] : kopfFelder) nach->SetValue(von->Value());
                zeile = true;
            }
            art.Ziel->SetValue(art.Quelle->Value());
        }
        if (zeile) ziel.Post();
    }
    batch.Commit();
}

QString TerminUeberschrift(TTerminSicht sicht, const QStringList& freieNamen)
{
    switch (sicht) {
    case TTerminSicht::Alle: return QStringLiteral("Alle fälligen Termine");
    case TTerminSicht::Tuev: return QStringLiteral("Fällige TÜV-Termine");
    case TTerminSicht::UVV: return QStringLiteral("Fällige UVV-Termine");
    case TTerminSicht::WartungKlein: return QStringLiteral("Fällige kl. Wartungen");
    case TTerminSicht::WartungGross: return QStringLiteral("Fällige gr. Wartungen");
    case TTerminSicht::Betriebsstunden: return QStringLiteral("Fällige Betriebsstundentermine");
    case TTerminSicht::Frei1: return QStringLiteral("Fällige ") + FreierName(freieNamen, 0);
    case TTerminSicht::Frei2: return QStringLiteral("Fällige ") + FreierName(freieNamen, 1);
    case TTerminSicht::Frei3: return QStringLiteral("Fällige ") + FreierName(freieNamen, 2);
    }
    return {};
}

QString TerminAnzahlText(TTerminSicht sicht, const QStringList& freieNamen, int anzahl)
{
    QString text;
    switch (sicht) {
    case TTerminSicht::Alle: text = QStringLiteral("Anzahl Maschinen mit fälligen Terminen: "); break;
    case TTerminSicht::Tuev: text = QStringLiteral("Anzahl Maschinen mit fälligen TÜV-Terminen: "); break;
    case TTerminSicht::UVV: text = QStringLiteral("Anzahl Maschinen mit fälligen UVV-Terminen: "); break;
    case TTerminSicht::WartungKlein: text = QStringLiteral("Anzahl Maschinen mit fälligen kl. Wartungen: "); break;
    case TTerminSicht::WartungGross: text = QStringLiteral("Anzahl Maschinen mit fälligen gr. Wartungen: "); break;
    case TTerminSicht::Betriebsstunden:
        text = QStringLiteral("Anzahl Maschinen mit fälligen Betriebsstundenterminen: ");
        break;
    case TTerminSicht::Frei1:
    case TTerminSicht::Frei2:
    case TTerminSicht::Frei3:
        text = QStringLiteral("Anzahl Maschinen mit fälligen %1: ")
                   .arg(FreierName(freieNamen, int(sicht) - int(TTerminSicht::Frei1)));
        break;
    }
    return text + QString::number(anzahl);
}

// ------------------------------------------------------------ the window

TTerminFormular::TTerminFormular(TDataModule1* dm, QWidget* parent) : QDialog(parent), DM(dm)
{
    setObjectName(QStringLiteral("TerminFormular"));
    setWindowTitle(QStringLiteral("Termine"));
    resize(900, 560);
    AktuellesDatum = Today();

    auto* lay = new QVBoxLayout(this);
    auto* head = new QHBoxLayout;
    TLblTerminart = new QLabel(this);
    TLblTerminart->setObjectName(QStringLiteral("TLblTerminart"));
    QFont big = TLblTerminart->font();
    big.setPointSize(big.pointSize() + 3);
    big.setBold(true);
    TLblTerminart->setFont(big);
    TLblAktuellesDatum = new QLabel(AktuellesDatum.toString(QStringLiteral("dd.MM.yyyy")), this);
    TLblAktuellesDatum->setObjectName(QStringLiteral("TLblAktuellesDatum"));
    TLblAktuellesDatum->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    head->addWidget(TLblTerminart, 1);
    head->addWidget(TLblAktuellesDatum);
    lay->addLayout(head);

    TRadioGrpTermine = new TRadioGroup(this);
    TRadioGrpTermine->setObjectName(QStringLiteral("TRadioGrpTermine"));
    TRadioGrpTermine->setTitle(QStringLiteral("Welche fälligen Termine anzeigen"));
    TRadioGrpTermine->SetColumns(5);
    TRadioGrpTermine->SetItems({QStringLiteral("Alle"), QStringLiteral("TÜV"), QStringLiteral("UVV"),
                                QStringLiteral("Kl. Wartung"), QStringLiteral("Gr. Wartung"),
                                QStringLiteral("Betriebsstd."), QStringLiteral("Fr. Termin1"),
                                QStringLiteral("Fr. Termin2"), QStringLiteral("Fr. Termin3")});
    TRadioGrpTermine->SetItemIndex(0);
    lay->addWidget(TRadioGrpTermine);

    DBGridTermine = new TDBGrid(this);
    DBGridTermine->setObjectName(QStringLiteral("DBGridTermine"));
    DBGridTermine->SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgTabs | dgRowSelect
                              | dgAlwaysShowSelection);
    DBGridTermine->SetReadOnly(true);
    DBGridTermine->SetDataSource(DM->TDataSrcTermine);
    lay->addWidget(DBGridTermine, 1);

    ProgBarTermine = new QProgressBar(this);
    ProgBarTermine->setObjectName(QStringLiteral("ProgBarTermine"));
    ProgBarTermine->setTextVisible(false);
    ProgBarTermine->hide();
    lay->addWidget(ProgBarTermine);

    auto* bottom = new QHBoxLayout;
    TLblTerminAnzahl = new QLabel(this);
    TLblTerminAnzahl->setObjectName(QStringLiteral("TLblTerminAnzahl"));
    bottom->addWidget(TLblTerminAnzahl, 1);
    auto button = [this](const char* name, const QString& caption, const QString& hint) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(hint);
        b->setAutoDefault(false);
        return b;
    };
    BtnTermineGeheZu = button("BtnTermineGeheZu", QStringLiteral("Zeige Masch."),
                              QStringLiteral("Ruft die Stammdaten der markierten Maschine auf"));
    TBitBtnTermineDrucken =
        button("TBitBtnTermineDrucken", QStringLiteral("D&rucken"), QStringLiteral("Druckt die angezeigten Termine"));
    TBitBtnTermineVorschau =
        button("TBitBtnTermineVorschau", QStringLiteral("&Vorschau"), QStringLiteral("Zeigt die Druckvorschau der Termine"));
    TBitBtnOk = button("TBitBtnOk", QStringLiteral("OK"), QStringLiteral("Schließt das Formular"));
    for (QPushButton* b : {BtnTermineGeheZu, TBitBtnTermineDrucken, TBitBtnTermineVorschau, TBitBtnOk}) bottom->addWidget(b);
    lay->addLayout(bottom);

    ConnectGuarded(TRadioGrpTermine, &TRadioGroup::Click, this, &TTerminFormular::TRadioGrpTermineClick);
    ConnectGuarded(BtnTermineGeheZu, &QPushButton::clicked, this, &TTerminFormular::BtnTermineGeheZuClick);
    ConnectGuarded(TBitBtnTermineDrucken, &QPushButton::clicked, this, &TTerminFormular::TBitBtnTermineDruckenClick);
    ConnectGuarded(TBitBtnTermineVorschau, &QPushButton::clicked, this, &TTerminFormular::TBitBtnTermineVorschauClick);
    connect(TBitBtnOk, &QPushButton::clicked, this, &QDialog::accept);
}

bool TTerminFormular::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate) RunGuarded(this, [this] { FormActivate(); });
    else if (e->type() == QEvent::WindowDeactivate) RunGuarded(this, [this] { FormDeactivate(); });
    return QDialog::event(e);
}

void TTerminFormular::FormActivate()
{
    if (m_aktivierungAuslassen) {
        // Back from a message of the build: building again would only repeat it.
        m_aktivierungAuslassen = false;
        if (!DM->TTblTermine->Active()) DM->TTblTermine->Open();
        return;
    }
    TTable* sys = DM->TTblEinstellungenAllgem;
    m_freieNamen.clear();
    for (int i = 1; i <= 3; ++i) {
        TField* f = sys->FindField(QStringLiteral("NameFreitermin%1").arg(i));
        m_freieNamen << (f ? f->AsString() : QString());
    }
    for (int i = 0; i < 3; ++i) TRadioGrpTermine->SetItemText(6 + i, m_freieNamen[i]);
    TRadioGrpTermineClick();
}

void TTerminFormular::FormDeactivate()
{
    if (m_inMeldung) m_aktivierungAuslassen = true;
    DM->TTblTermine->Close();
}

void TTerminFormular::Meldung(const QString& text)
{
    m_inMeldung = true;
    auto reset = qScopeGuard([this] { m_inMeldung = false; });
    MessageDlg(text, mtError, mbOK);
}

void TTerminFormular::SpaltenAnwenden()
{
    TTable* t = DM->TTblTermine;
    if (!t->Active()) return;
    const TTerminSicht sicht = TTerminSicht(std::max(0, TRadioGrpTermine->ItemIndex()));
    const QStringList sichtbar = TerminFelder(sicht);
    for (const QString& name : AlleTerminFelder())
        if (TField* f = t->FindField(name)) f->SetVisible(sichtbar.contains(name));
    for (int i = 0; i < 3; ++i)
        if (TField* f = t->FindField(QStringLiteral("FreierTermin%1").arg(i + 1))) f->SetDisplayLabel(m_freieNamen.value(i));
}

void TTerminFormular::TRadioGrpTermineClick()
{
    const TTerminSicht sicht = TTerminSicht(std::max(0, TRadioGrpTermine->ItemIndex()));
    TTable* termine = DM->TTblTermine;
    try {
        termine->Close();
        termine->EmptyTable();
    } catch (const std::exception&) {
        Meldung(QStringLiteral("Fehler beim Löschen der Termin-Tabelle"));
    }
    try {
        termine->Open();
    } catch (const std::exception&) {
        // Reported below, when the rows cannot be written either.
    }
    TLblTerminart->setText(TerminUeberschrift(sicht, m_freieNamen));
    SpaltenAnwenden();

    // The whole park on a cursor of its own: the main window's filter stays out.
    TTable* stamm = DM->TTblVar;
    bool ok = false, angehalten = false;
    try {
        stamm->SetDatabaseName(QStringLiteral("Pelmora"));
        stamm->SetTableName(QStringLiteral("KfzStamm.db"));
        stamm->Open();
        ProgBarTermine->setRange(0, std::max(1, stamm->RecordCount()));
        ProgBarTermine->setValue(0);
        ProgBarTermine->setVisible(sicht == TTerminSicht::Alle);
        // The grid is redrawn once at the end, not for every row.
        termine->DisableControls();
        angehalten = true;
        TermineAufbauen(*stamm, *termine, sicht, AktuellesDatum,
                        [this] { ProgBarTermine->setValue(ProgBarTermine->value() + 1); });
        ok = true;
    } catch (const std::exception&) {
    }
    try {
        stamm->Close();
    } catch (const std::exception&) {
    }
    stamm->SetTableName(QString());
    if (termine->State() == dsInsert) termine->Cancel();
    if (angehalten) termine->EnableControls();
    if (ok) {
        termine->First();
        TLblTerminAnzahl->setText(TerminAnzahlText(sicht, m_freieNamen, termine->RecordCount()));
    }
    ProgBarTermine->hide();
    if (!ok) Meldung(QStringLiteral("Fehler beim Einlesen der Termine"));
}

void TTerminFormular::BtnTermineGeheZuClick()
{
    TTable* termine = DM->TTblTermine;
    const QString nummer = termine->Active() && !termine->IsEmpty()
                               ? termine->FieldByName(QStringLiteral("IdentNummer"))->AsString()
                               : QString();
    if (nummer.isEmpty()) {
        MessageDlg(QStringLiteral("Zur Zeit ist keine Maschine markiert"), mtInformation, mbOK);
        return;
    }
    // The number is looked up by the primary key, whatever order the main
    // window shows; a machine its filter hides is not found and its record
    // stays. A failure is shown by the guarded click and leaves the window open.
    TTable machines;
    machines.SetDatabaseName(QStringLiteral("Pelmora"));
    machines.SetTableName(QStringLiteral("KfzStamm.db"));
    machines.Open();
    if (machines.FindKey({nummer})) {
        const TBookmark b = machines.GetBookmark();
        if (DM->TTblMain->BookmarkValid(b)) DM->TTblMain->GotoBookmark(b);
    }
    if (HauptFormular && HauptFormular->PageCtrlMain->currentWidget() != HauptFormular->TabStammDaten) {
        HauptFormular->SetActivePage(HauptFormular->TabStammDaten);
        // The page is entered as by a click, so its navigator and keys come back.
        HauptFormular->PageCtrlMainChange();
    }
    accept();
}

void TTerminFormular::TermineDrucken(TReportMode mode)
{
    TTable* termine = DM->TTblTermine;
    if (!termine->Active() || termine->IsEmpty()) {
        MessageDlg(QStringLiteral("Zur Zeit sind keine Termine zu drucken"), mtInformation, mbOK);
        return;
    }
    RunReport(rkTermine, mode);
}

void TTerminFormular::TBitBtnTermineDruckenClick() { TermineDrucken(rmPrint); }
void TTerminFormular::TBitBtnTermineVorschauClick() { TermineDrucken(rmPreview); }
