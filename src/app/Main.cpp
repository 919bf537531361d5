#include "Main.h"
#include "Application.h"
#include "Clock.h"
#include "Copyrigt.h"
#include "DBCheckBox.h"
#include "DBComboBox.h"
#include "DBENav.h"
#include "DBEdit.h"
#include "DBGrid.h"
#include "DBGridModel.h"
#include "DBMemo.h"
#include "DataMod.h"
#include "Dialogs.h"
#include "Einstell.h"
#include "Forms.h"
#include "Guard.h"
#include "Fuhrkst.h"
#include "Hilfe.h"
#include "Panel.h"
#include "RadioGrp.h"
#include "RepEngine.h"
#include "Termine.h"
#include "UebernahmeDlg.h"
#include "UebertragungDlg.h"
#include "Utility.h"
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QString S(const char* utf8) { return QString::fromUtf8(utf8); }

QPushButton* Button(QWidget* parent, const char* name, const char* caption, const char* hint)
{
    auto* b = new QPushButton(S(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(S(hint));
    b->setMinimumWidth(90);
    return b;
}

QLabel* Label(QWidget* parent, const char* name, const QString& caption)
{
    auto* l = new QLabel(caption, parent);
    if (name) l->setObjectName(QString::fromLatin1(name));
    return l;
}

TDBEdit* DBEdit(QWidget* parent, const QString& name, TDataSource* src, const QString& field)
{
    auto* e = new TDBEdit(parent);
    e->setObjectName(name);
    e->SetDataSource(src);
    e->SetDataField(field);
    return e;
}

void SetBackground(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Base, c);
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

// A right-aligned result label of the evaluations.
QLabel* ValueLabel(QWidget* parent, const char* name, const QColor& colour)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setMinimumWidth(110);
    // A thin grey edge, so that white fields stand out on the page.
    l->setStyleSheet(QStringLiteral("QLabel { background: %1; color: black; border: 1px solid #a0a0a0; padding: 1px 4px; }")
                         .arg(colour.name()));
    return l;
}

QComboBox* ListBox(QWidget* parent, const char* name, const char* hint)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setToolTip(S(hint));
    c->setEditable(false);
    c->setMinimumWidth(100);
    return c;
}

// Display labels: on the open table's fields, or declared for its next open.
void SetFieldLabel(TTable* t, const QString& field, const QString& label)
{
    if (t->Active()) {
        if (TField* f = t->FindField(field)) f->SetDisplayLabel(label);
        return;
    }
    std::vector<TFieldDesc> decl = t->DeclaredFields();
    for (TFieldDesc& d : decl)
        if (d.FieldName.compare(field, Qt::CaseInsensitive) == 0) d.DisplayLabel = label;
    t->DeclareFields(decl);
}

QString Setting(TTable* t, const QString& field)
{
    TField* f = t->FindField(field);
    return f ? f->AsString() : QString();
}

// A tab width of 95, wider only where a caption needs it.
class TPageTabBar : public QTabBar {
public:
    using QTabBar::QTabBar;
protected:
    QSize tabSizeHint(int index) const override
    {
        QSize s = QTabBar::tabSizeHint(index);
        s.setWidth(qMax(95, s.width()));
        return s;
    }
};

class TPageControl : public QTabWidget {
public:
    explicit TPageControl(QWidget* parent) : QTabWidget(parent) { setTabBar(new TPageTabBar(this)); }
};

}   // namespace

THauptFormular::THauptFormular(TDataModule1* dm, QWidget* parent) : QMainWindow(parent), DM(dm)
{
    setObjectName(QStringLiteral("HauptFormular"));
    // The report engine with the four settings of this program's instance.
    RepEngine1 = new TRepEngine(this);
    RepEngine1->SetFlag(TRepFlag::MultipleTableLines, true);
    RepEngine1->SetFlag(TRepFlag::SortVariables, true);
    RepEngine1->SetButtons3D(false);
    RepEngine1->SetButtonsWithBitmaps(true);
    BuildFrame();
    BuildMenu();
    BuildExtender();
    ConnectAuswertungHandlers();
    ConnectHistorieHandlers();
    ConnectStammHandlers();
    ConnectKostenHandlers();
    ConnectTerminHandlers();
    resize(1022, 766);
    setMinimumSize(1022, 766);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(1022 / 2, 766 / 2));
    FormCreate();
}

THauptFormular::~THauptFormular()
{
    // The grid's header still reports geometry changes while the children are freed.
    DBGrid1->horizontalHeader()->disconnect(this);
    DBGrid1->horizontalScrollBar()->disconnect(this);
}

// ------------------------------------------------------------------ frame

void THauptFormular::BuildFrame()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("HauptFormularClient"));
    setCentralWidget(central);
    auto* lay = new QVBoxLayout(central);
    lay->setContentsMargins(4, 4, 4, 2);
    lay->setSpacing(4);

    // Navigator bar, and the exit button at its right edge.
    auto* top = new QHBoxLayout;
    TDBENavMain = new TDBENavigator(central);
    TDBENavMain->setObjectName(QStringLiteral("TDBENavMain"));
    ConfigureMainNavigator(TDBENavMain);
    TDBENavMain->setFixedSize(523, 25);
    TBitBtnEnde = Button(central, "TBitBtnEnde", "&Ende", "Programm beenden");
    TBitBtnEnde->setFixedHeight(25);
    top->addWidget(TDBENavMain);
    top->addWidget(TBitBtnEnde);
    top->addStretch(1);
    lay->addLayout(top);

    // Header line on the current machine.
    PanKopfzeile = new TPanel(central);
    PanKopfzeile->setObjectName(QStringLiteral("PanKopfzeile"));
    PanKopfzeile->SetBevelOuter(bvLowered);
    auto* head = new QHBoxLayout(PanKopfzeile);
    head->setContentsMargins(6, 3, 6, 3);
    struct HeadField { const char* caption; TDBEdit** edit; const char* name; const char* field; int stretch; };
    const HeadField heads[] = {{"Ident.-Nummer:", &DBEditKopfIdentNummer, "DBEditKopfIdentNummer", "IdentNummer", 2},
                               {"Bezeichnung1:", &DBEditKopfBezeichnung1, "DBEditKopfBezeichnung1", "Bezeichnung1", 3},
                               {"Gruppe:", &DBEditKopfGruppe, "DBEditKopfGruppe", "Gruppe", 2},
                               {"Standort:", &DBEditKopfStandort, "DBEditKopfStandort", "Standort", 2}};
    for (const HeadField& h : heads) {
        TDBEdit* e = DBEdit(PanKopfzeile, QString::fromLatin1(h.name), DM->TDataSrcMain, QString::fromLatin1(h.field));
        e->SetReadOnly(true);
        e->setEnabled(false);
        *h.edit = e;
        QLabel* l = Label(PanKopfzeile, nullptr, S(h.caption));
        l->setBuddy(e);
        head->addWidget(l);
        head->addWidget(e, h.stretch);
        head->addSpacing(8);
    }
    lay->addWidget(PanKopfzeile);

    PageCtrlMain = new TPageControl(central);
    PageCtrlMain->setObjectName(QStringLiteral("PageCtrlMain"));
    TabStammDaten = BuildStammdaten();
    TabMemo = BuildMemo();
    TabHistorie = BuildHistorie();
    TabKosten = BuildKosten();
    TabMonatsAuswertung = BuildMonatsauswertung();
    TabMonatsuebersicht = BuildMonatsuebersicht();
    PageCtrlMain->addTab(TabStammDaten, QStringLiteral("Stammdaten"));
    PageCtrlMain->addTab(TabMemo, QStringLiteral("Memo"));
    PageCtrlMain->addTab(TabHistorie, QStringLiteral("Historie"));
    PageCtrlMain->addTab(TabKosten, QStringLiteral(" Var. Kosten"));
    PageCtrlMain->addTab(TabMonatsAuswertung, QStringLiteral("Monatsauswertung"));
    PageCtrlMain->addTab(TabMonatsuebersicht, S("Monatsübersicht"));
    lay->addWidget(PageCtrlMain, 1);

    // The memo lamp sits on the Memo tab's header.
    TPanMemoLED = new TPanel(PageCtrlMain);
    TPanMemoLED->setObjectName(QStringLiteral("TPanMemoLED"));
    TPanMemoLED->SetBevelOuter(bvLowered);
    TPanMemoLED->setFixedSize(8, 8);
    PageCtrlMain->tabBar()->setTabButton(PageCtrlMain->indexOf(TabMemo), QTabBar::RightSide, TPanMemoLED);

    // Status line.
    auto* status = new QHBoxLayout;
    status->setSpacing(2);
    auto panel = [&](const char* name, const char* hint, int width) {
        auto* p = new TPanel(central);
        p->setObjectName(QString::fromLatin1(name));
        p->setToolTip(S(hint));
        p->SetBevelOuter(bvLowered);
        p->setFixedHeight(22);
        if (width > 0) p->setFixedWidth(width);
        return p;
    };
    TPanelStatus = panel("TPanelStatus", "Statusinformationen", 160);
    TPanelMessage = panel("TPanelMessage", "Meldungen", 0);
    TPanelMessage->SetAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    TPanelFilter = panel("TPanelFilter", "Filter ein/aus", 130);
    TPanelFilter->SetFontColor(Qt::red);
    TPaGlobalEdit = panel("TPaGlobalEdit", "Daten ändern ein/aus", 80);
    QFont bold = TPaGlobalEdit->font();
    bold.setBold(true);
    TPaGlobalEdit->setFont(bold);
    status->addWidget(TPanelStatus);
    status->addWidget(TPanelMessage, 1);
    status->addWidget(TPanelFilter);
    status->addWidget(TPaGlobalEdit);
    lay->addLayout(status);

    connect(PageCtrlMain, &QTabWidget::currentChanged, this, &THauptFormular::PageChanged);
    ConnectGuarded(TBitBtnEnde, &QPushButton::clicked, this, &THauptFormular::TBitBtnEndeClick);
    ConnectGuarded(EditDBMemo, &QPlainTextEdit::textChanged, this, &THauptFormular::EditDBMemoChange);
    ConnectGuarded(RadioGrpKostenSicht, &TRadioGroup::Click, this, &THauptFormular::RadioGrpKostenSichtClick);
    ConnectGuarded(CmbBoxKostenJahr, &QComboBox::activated, this, &THauptFormular::CmbBoxKostenJahrChange);
    ConnectGuarded(RadioGrpSicht, &TRadioGroup::Click, this, &THauptFormular::RadioGrpSichtClick);
    ConnectGuarded(ComboBoxJahr, &QComboBox::activated, this, &THauptFormular::ComboBoxJahrChange);
}

QWidget* THauptFormular::BuildStammdaten()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabStammDaten"));
    TDataSource* src = DM->TDataSrcMain;
    auto* lay = new QVBoxLayout(page);
    lay->setSpacing(6);

    auto addRow = [&](QGridLayout* g, int row, int col, const QString& caption, TDBEdit* e) {
        QLabel* l = Label(e->parentWidget(), nullptr, caption);
        l->setBuddy(e);
        g->addWidget(l, row, col);
        g->addWidget(e, row, col + 1);
    };

    // Identity and technical data side by side.
    auto* upper = new QHBoxLayout;
    auto* ident = new QGroupBox(QStringLiteral("Identifikation"), page);
    ident->setObjectName(QStringLiteral("GrpBoxIdentifikation"));
    auto* gi = new QGridLayout(ident);
    EditIdentNr = DBEdit(ident, QStringLiteral("EditIdentNr"), src, QStringLiteral("IdentNummer"));
    EditBezeichnung1 = DBEdit(ident, QStringLiteral("EditBezeichnung1"), src, QStringLiteral("Bezeichnung1"));
    EditBezeichnung2 = DBEdit(ident, QStringLiteral("EditBezeichnung2"), src, QStringLiteral("Bezeichnung2"));
    EditBezeichnung3 = DBEdit(ident, QStringLiteral("EditBezeichnung3"), src, QStringLiteral("Bezeichnung3"));
    addRow(gi, 0, 0, QStringLiteral("Ident.-Nummer"), EditIdentNr);
    addRow(gi, 1, 0, QStringLiteral("Bezeichnung1"), EditBezeichnung1);
    addRow(gi, 2, 0, QStringLiteral("Bezeichnung2"), EditBezeichnung2);
    addRow(gi, 3, 0, QStringLiteral("Bezeichnung3"), EditBezeichnung3);
    auto lookup = [&](const char* name, const char* field, TDataSource* list) {
        auto* c = new TDBLookupComboBox(ident);
        c->setObjectName(QString::fromLatin1(name));
        c->SetDataSource(src);
        c->SetDataField(QString::fromLatin1(field));
        c->SetListSource(list);
        c->SetListField(QString::fromLatin1(field));
        c->SetKeyField(QString::fromLatin1(field));
        return c;
    };
    DBLkpCmbBoxGruppe = lookup("DBLkpCmbBoxGruppe", "Gruppe", DM->TDataSrcGruppe);
    DBLkpCmbBoxStandort = lookup("DBLkpCmbBoxStandort", "Standort", DM->DataSrcStandort);
    gi->addWidget(Label(ident, nullptr, QStringLiteral("Gruppe")), 4, 0);
    gi->addWidget(DBLkpCmbBoxGruppe, 4, 1);
    gi->addWidget(Label(ident, nullptr, QStringLiteral("Standort")), 5, 0);
    gi->addWidget(DBLkpCmbBoxStandort, 5, 1);
    gi->setColumnStretch(1, 1);
    upper->addWidget(ident, 4);

    auto* tech = new QGroupBox(QStringLiteral("Technische Daten"), page);
    tech->setObjectName(QStringLiteral("GrpBoxTechnik"));
    auto* gt = new QGridLayout(tech);
    EditHersteller = DBEdit(tech, QStringLiteral("EditHersteller"), src, QStringLiteral("Hersteller/Typ"));
    EditBaujahr = DBEdit(tech, QStringLiteral("EditBaujahr"), src, QStringLiteral("Baujahr"));
    EditKWPS = DBEdit(tech, QStringLiteral("EditKWPS"), src, QStringLiteral("Motorleistung"));
    EditFahrgestellNr = DBEdit(tech, QStringLiteral("EditFahrgestellNr"), src, QStringLiteral("FahrgestellNr"));
    EditMotornummer = DBEdit(tech, QStringLiteral("EditMotornummer"), src, QStringLiteral("MotorNr"));
    EditAnschaffung = DBEdit(tech, QStringLiteral("EditAnschaffung"), src, QStringLiteral("Anschaffung"));
    EditAnschaffungswert = DBEdit(tech, QStringLiteral("EditAnschaffungswert"), src, QStringLiteral("Anschaffungspreis"));
    EditFinanzierung = DBEdit(tech, QStringLiteral("EditFinanzierung"), src, QStringLiteral("Finanzierung"));
    EditBetriebsstunden = DBEdit(tech, QStringLiteral("EditBetriebsstunden"), src, QStringLiteral("Betriebsstunden"));
    SetBackground(EditBetriebsstunden, Aqua());
    addRow(gt, 0, 0, QStringLiteral("Marke"), EditHersteller);
    addRow(gt, 1, 0, QStringLiteral("Baujahr"), EditBaujahr);
    addRow(gt, 2, 0, QStringLiteral("KW"), EditKWPS);
    addRow(gt, 3, 0, QStringLiteral("Fahrgestell-Nr."), EditFahrgestellNr);
    addRow(gt, 4, 0, QStringLiteral("Motornummer"), EditMotornummer);
    addRow(gt, 0, 2, QStringLiteral("Anschaffung"), EditAnschaffung);
    addRow(gt, 1, 2, QStringLiteral("Anschaffungswert"), EditAnschaffungswert);
    addRow(gt, 2, 2, QStringLiteral("Finanzierung"), EditFinanzierung);
    addRow(gt, 3, 2, QStringLiteral("Betriebsstd."), EditBetriebsstunden);
    gt->setColumnStretch(1, 3);
    gt->setColumnStretch(3, 2);
    gt->setColumnMinimumWidth(2, 100);
    upper->addWidget(tech, 5);
    lay->addLayout(upper);

    // Free fields: two rows of five, caption above each box.
    auto* free = new QGroupBox(QStringLiteral("Freie Felder"), page);
    free->setObjectName(QStringLiteral("GrpBoxFreifelder"));
    auto* gf = new QGridLayout(free);
    gf->setVerticalSpacing(2);
    for (int i = 0; i < 10; ++i) {
        EditFreifeld[i] = DBEdit(free, QStringLiteral("EditFreifeld%1").arg(i + 1), src, QStringLiteral("Freifeld%1").arg(i + 1));
        LblFreifeld[i] = new QLabel(free);
        LblFreifeld[i]->setObjectName(QStringLiteral("LblFreifeld%1").arg(i + 1));
        LblFreifeld[i]->setBuddy(EditFreifeld[i]);
        const int row = (i / 5) * 2, col = i % 5;
        gf->addWidget(LblFreifeld[i], row, col);
        gf->addWidget(EditFreifeld[i], row + 1, col);
        gf->setColumnStretch(col, 1);
    }
    gf->setRowMinimumHeight(0, 16);
    gf->setRowMinimumHeight(2, 16);
    lay->addWidget(free);

    // Due dates, the report choice and its buttons.
    auto* lower = new QHBoxLayout;
    auto* dates = new QGroupBox(QStringLiteral("Termine"), page);
    dates->setObjectName(QStringLiteral("GrpBoxTermine"));
    auto* gd = new QGridLayout(dates);
    EditTuevTermin = DBEdit(dates, QStringLiteral("EditTuevTermin"), src, S("TÜVTermin"));
    EditUVVTermin = DBEdit(dates, QStringLiteral("EditUVVTermin"), src, QStringLiteral("UVVTermin"));
    EditWartungKleinTermin = DBEdit(dates, QStringLiteral("EditWartungKleinTermin"), src, QStringLiteral("WartungKleinTermin"));
    EditWartungGrossTermin = DBEdit(dates, QStringLiteral("EditWartungGrossTermin"), src, QStringLiteral("WartungGrossTermin"));
    EditBetriebsstundenTermin =
        DBEdit(dates, QStringLiteral("EditBetriebsstundenTermin"), src, QStringLiteral("BetriebsstundenTermin"));
    addRow(gd, 0, 0, S("TÜV-Termin"), EditTuevTermin);
    addRow(gd, 1, 0, QStringLiteral("UVV-Termin"), EditUVVTermin);
    addRow(gd, 2, 0, QStringLiteral("Kl. Wartung"), EditWartungKleinTermin);
    addRow(gd, 3, 0, QStringLiteral("Gr. Wartung"), EditWartungGrossTermin);
    addRow(gd, 0, 2, QStringLiteral("Betr.Std."), EditBetriebsstundenTermin);
    for (int i = 0; i < 3; ++i) {
        EditFreierTermin[i] =
            DBEdit(dates, QStringLiteral("EditFreierTermin%1").arg(i + 1), src, QStringLiteral("FreierTermin%1").arg(i + 1));
        LabelFreierTermin[i] = new QLabel(dates);
        LabelFreierTermin[i]->setObjectName(QStringLiteral("LabelFreierTermin%1").arg(i + 1));
        LabelFreierTermin[i]->setBuddy(EditFreierTermin[i]);
        LabelFreierTermin[i]->setMinimumWidth(100);
        gd->addWidget(LabelFreierTermin[i], i + 1, 2);
        gd->addWidget(EditFreierTermin[i], i + 1, 3);
    }
    gd->setColumnStretch(1, 1);
    gd->setColumnStretch(3, 1);
    gd->setColumnMinimumWidth(2, 110);
    lower->addWidget(dates, 3);

    auto* report = new QVBoxLayout;
    RadioGrpDrucken = new TRadioGroup(page);
    RadioGrpDrucken->setObjectName(QStringLiteral("RadioGrpDrucken"));
    RadioGrpDrucken->setTitle(QStringLiteral("Welchen Report drucken.."));
    RadioGrpDrucken->setToolTip(QStringLiteral("Stammdatenreport von diesem oder allen Fahrzeugen drucken"));
    RadioGrpDrucken->SetColumns(2);
    RadioGrpDrucken->SetItems({QStringLiteral("Diese Maschine"), QStringLiteral("Alle Maschinen")});
    TBitBtnStammdatenDrucken = Button(page, "TBitBtnStammdatenDrucken", "D&rucken", "Druckt die Stammdaten");
    TBitBtnStammdatenPreview = Button(page, "TBitBtnStammdatenPreview", "&Vorschau", "Zeigt die Druckvorschau der Stammdaten");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(TBitBtnStammdatenDrucken);
    buttons->addWidget(TBitBtnStammdatenPreview);
    report->addWidget(RadioGrpDrucken);
    report->addLayout(buttons);
    report->addStretch(1);
    lower->addLayout(report, 2);
    lay->addLayout(lower);
    lay->addStretch(1);
    return page;
}

QWidget* THauptFormular::BuildMemo()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabMemo"));
    auto* lay = new QVBoxLayout(page);
    EditDBMemo = new TDBMemo(page);
    EditDBMemo->setObjectName(QStringLiteral("EditDBMemo"));
    EditDBMemo->SetDataSource(DM->TDataSrcMain);
    EditDBMemo->SetDataField(QStringLiteral("Memo"));
    EditDBMemo->SetScrollBars(TDBMemo::ssBoth);
    EditDBMemo->setTabChangesFocus(false);   // Tab is text here
    BtnMemoSpeichern = Button(page, "BtnMemoSpeichern", "&Speichern", "Speichert die neuen oder geänderten Memo-Daten");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BtnMemoSpeichern);
    lay->addWidget(EditDBMemo, 1);
    lay->addLayout(buttons);
    return page;
}

QWidget* THauptFormular::BuildHistorie()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabHistorie"));
    auto* lay = new QVBoxLayout(page);
    DBGridHistorie = new TDBGrid(page);
    DBGridHistorie->setObjectName(QStringLiteral("DBGridHistorie"));
    DBGridHistorie->SetDataSource(DM->DataSrcHistorie);
    lay->addWidget(DBGridHistorie, 1);

    BtnHistorieBildNeu = Button(page, "BtnHistorieBildNeu", "&Bild neu",
                                "Wählen Sie ein neues JPG-Bild und ordnen Sie es dem markierten Historiendatensatz als Link zu");
    BtnHistorieDokumentNeu =
        Button(page, "BtnHistorieDokumentNeu", "D&okument neu",
               "Wählen Sie ein neues PDF-Dokument und ordnen Sie es dem markierten Historiendatensatz als Link zu");
    BtnHistorieDokumentOeffnen = Button(page, "BtnHistorieDokumentOeffnen", "Dok./Bild &zeigen",
                                        "Öffnet das dem markierten Historiendatensatz zugeordnete Dokument/Bild");
    BtnHistorieNeu = Button(page, "BtnHistorieNeu", "&Neu", "Fügt einen leeren Historiendatensatz ein");
    BtnHistorieSpeichern =
        Button(page, "BtnHistorieSpeichern", "&Speichern", "Speichert den neuen oder geänderten Historiendatensatz");
    BtnHistorieLoeschen = Button(page, "BtnHistorieLoeschen", "&Löschen", "Löscht den markierten Historiendatensatz");
    BitBtnHistorieDrucken = Button(page, "BitBtnHistorieDrucken", "D&rucken", "Druckt die Maschinenhistorie");
    BitBtnHistorieVorschau =
        Button(page, "BitBtnHistorieVorschau", "&Vorschau", "Zeigt die Druckvorschau der Maschinenhistorie");
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {BtnHistorieBildNeu, BtnHistorieDokumentNeu, BtnHistorieDokumentOeffnen}) buttons->addWidget(b);
    buttons->addSpacing(16);
    for (QPushButton* b : {BtnHistorieNeu, BtnHistorieSpeichern, BtnHistorieLoeschen}) buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(BitBtnHistorieDrucken);
    buttons->addWidget(BitBtnHistorieVorschau);
    lay->addLayout(buttons);
    return page;
}

QWidget* THauptFormular::BuildKosten()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabKosten"));
    auto* lay = new QVBoxLayout(page);
    TDBGridVarKosten = new TDBGrid(page);
    TDBGridVarKosten->setObjectName(QStringLiteral("TDBGridVarKosten"));
    TDBGridVarKosten->SetOptions(dgDefaultOptions | dgAlwaysShowEditor);
    TDBGridVarKosten->SetDataSource(DM->TDataSrcVarKosten);
    lay->addWidget(TDBGridVarKosten, 1);

    auto* bottom = new QHBoxLayout;
    RadioGrpKostenSicht = new TRadioGroup(page);
    RadioGrpKostenSicht->setObjectName(QStringLiteral("RadioGrpKostenSicht"));
    RadioGrpKostenSicht->setTitle(QStringLiteral("Sicht"));
    RadioGrpKostenSicht->setToolTip(QStringLiteral("Bestimmen Sie die sichtbaren Kostendatensätze"));
    RadioGrpKostenSicht->SetColumns(3);
    RadioGrpKostenSicht->SetItems({QStringLiteral("Alle"), QStringLiteral("akt.Monat"), QStringLiteral("Jahr")});
    CmbBoxKostenJahr = ListBox(page, "CmbBoxKostenJahr", "Wählen Sie das Jahr für die sichtbaren Kostendatensätze");
    bottom->addWidget(RadioGrpKostenSicht);
    bottom->addWidget(CmbBoxKostenJahr, 0, Qt::AlignBottom);
    bottom->addStretch(1);

    TBtnVarKostenNeu = Button(page, "TBtnVarKostenNeu", "&Neu", "Fügt einen leeren Kostendatensatz ein");
    TBtnVarKostenSpeichern =
        Button(page, "TBtnVarKostenSpeichern", "&Speichern", "Speichert den neuen oder geänderten Kostendatensatz");
    TBtnVarKostenLoeschen = Button(page, "TBtnVarKostenLoeschen", "&Löschen", "Löscht den markierten Kostendatensatz");
    TBitBtnVarKostenDrucken = Button(page, "TBitBtnVarKostenDrucken", "D&rucken", "Druckt die Var. Kosten");
    TBitBtnVarKostenVorschau =
        Button(page, "TBitBtnVarKostenVorschau", "&Vorschau", "Zeigt die Druckvorschau der Var. Kosten");
    for (QPushButton* b : {TBtnVarKostenNeu, TBtnVarKostenSpeichern, TBtnVarKostenLoeschen})
        bottom->addWidget(b, 0, Qt::AlignBottom);
    bottom->addSpacing(16);
    bottom->addWidget(TBitBtnVarKostenDrucken, 0, Qt::AlignBottom);
    bottom->addWidget(TBitBtnVarKostenVorschau, 0, Qt::AlignBottom);
    lay->addLayout(bottom);
    return page;
}

QWidget* THauptFormular::BuildMonatsauswertung()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabMonatsAuswertung"));
    auto* lay = new QVBoxLayout(page);
    const QColor white(Qt::white);

    auto* blocks = new QHBoxLayout;
    auto* monat = new QGroupBox(QStringLiteral("Monatl. Kosten"), page);
    monat->setObjectName(QStringLiteral("PanMonatlKosten"));
    auto* gm = new QGridLayout(monat);
    struct Row { QLabel** caption; const char* captionName; const char* text; QLabel** value; const char* valueName; };
    const Row rows[] = {
        {&LblMonatsauswertungReparatur, "LblMonatsauswertungReparatur", "Reparatur:", &TLblReparaturKostenMonat,
         "TLblReparaturKostenMonat"},
        {&LblMonatsauswertungReifen, "LblMonatsauswertungReifen", "Reifen:", &TLblReifenKostenMonat, "TLblReifenKostenMonat"},
        {&LblMonatsauswertungWartung, "LblMonatsauswertungWartung", "Wartung:", &TLblWartungKostenMonat,
         "TLblWartungKostenMonat"},
        {&LblMonatsauswertungUntersuchung, "LblMonatsauswertungUntersuchung", "Untersuchung:",
         &TLblUntersuchungKostenMonat, "TLblUntersuchungKostenMonat"},
        {&LblMonatsauswertungBenzin, "LblMonatsauswertungBenzin", "Treibstoff:", &TLblBenzinKostenMonat,
         "TLblBenzinKostenMonat"},
        {&LblMonatsauswertungSonstige1, "LblMonatsauswertungSonstige1", "Sonstige1:", &TLblSonstige1KostenMonat,
         "TLblSonstige1KostenMonat"},
        {&LblMonatsauswertungSonstige2, "LblMonatsauswertungSonstige2", "Sonstige2:", &TLblSonstige2KostenMonat,
         "TLblSonstige2KostenMonat"},
        {&LblMonatsauswertungSonstige3, "LblMonatsauswertungSonstige3", "Sonstige3:", &TLblSonstige3KostenMonat,
         "TLblSonstige3KostenMonat"},
    };
    int r = 0;
    for (const Row& row : rows) {
        *row.caption = Label(monat, row.captionName, S(row.text));
        *row.value = ValueLabel(monat, row.valueName, white);
        gm->addWidget(*row.caption, r, 0);
        gm->addWidget(*row.value, r, 1);
        ++r;
    }
    TLblSummeVarKostenMonat = ValueLabel(monat, "TLblSummeVarKostenMonat", Aqua());
    gm->addWidget(Label(monat, "LblMonatsauswertungSumme", QStringLiteral("Summe:")), r, 0);
    gm->addWidget(TLblSummeVarKostenMonat, r, 1);
    gm->setColumnMinimumWidth(1, 140);
    blocks->addWidget(monat, 0, Qt::AlignTop);

    auto* right = new QVBoxLayout;
    auto* gesamt = new QGroupBox(QStringLiteral("Gesamt"), page);
    gesamt->setObjectName(QStringLiteral("PanGesamt"));
    auto* gg = new QGridLayout(gesamt);
    TLblSummeGesamtKostenMonat = ValueLabel(gesamt, "TLblSummeGesamtKostenMonat", Aqua());
    TLblSummeVerbrauchLiterMonat = ValueLabel(gesamt, "TLblSummeVerbrauchLiterMonat", Aqua());
    gg->addWidget(Label(gesamt, "LblMonatsauswertungGesamtkosten", QStringLiteral("Gesamtkosten:")), 0, 0);
    gg->addWidget(TLblSummeGesamtKostenMonat, 0, 1);
    gg->addWidget(Label(gesamt, "LblMonatsauswertungVerbrauch", QStringLiteral("Verbrauch / Liter:")), 1, 0);
    gg->addWidget(TLblSummeVerbrauchLiterMonat, 1, 1);
    gg->setColumnMinimumWidth(1, 140);
    auto* info = new QGroupBox(QStringLiteral("Info"), page);
    info->setObjectName(QStringLiteral("PanInfo"));
    auto* gn = new QGridLayout(info);
    TLblSummeBetriebsstunden = ValueLabel(info, "TLblSummeBetriebsstunden", Aqua());
    gn->addWidget(Label(info, "LblMonatsauswertungBetriebsstd", QStringLiteral("Ges. Betriebsstd.: ")), 0, 0);
    gn->addWidget(TLblSummeBetriebsstunden, 0, 1);
    gn->setColumnMinimumWidth(1, 140);
    right->addWidget(gesamt);
    right->addWidget(info);
    right->addStretch(1);
    blocks->addSpacing(12);
    blocks->addLayout(right);
    blocks->addStretch(1);
    lay->addLayout(blocks);
    lay->addStretch(1);

    auto* bottom = new QHBoxLayout;
    CmbBoxMonatsauswertungMonat = ListBox(page, "CmbBoxMonatsauswertungMonat", "Wählen Sie den Auswertungsmonat");
    CmbBoxMonatsauswertungMonat->setMaxVisibleItems(12);
    CmbBoxMonatsauswertungJahr =
        ListBox(page, "CmbBoxMonatsauswertungJahr", "Wählen Sie das Jahr für die Monatsauswertung");
    QLabel* lm = Label(page, "LblAuswertungsmonat", QStringLiteral("Auswertungsmonat"));
    lm->setBuddy(CmbBoxMonatsauswertungMonat);
    QLabel* lj = Label(page, "LblAuswertungsjahr", QStringLiteral("Auswertungsjahr"));
    lj->setBuddy(CmbBoxMonatsauswertungJahr);
    bottom->addWidget(lm);
    bottom->addWidget(CmbBoxMonatsauswertungMonat);
    bottom->addSpacing(12);
    bottom->addWidget(lj);
    bottom->addWidget(CmbBoxMonatsauswertungJahr);
    bottom->addStretch(1);
    TBtnMonatsauswertungBerechnen =
        Button(page, "TBtnMonatsauswertungBerechnen", "&Berechnen", "Neuberechnen der Monatsauswertung");
    TBtnMonatsauswertungSpeichern =
        Button(page, "TBtnMonatsauswertungSpeichern", "&Speichern", "Speichern der Monatsauswertung");
    TBitBtnMonatsauswertungDrucken =
        Button(page, "TBitBtnMonatsauswertungDrucken", "D&rucken", "Druckt die Monatsauswertung");
    TBitBtnMonatsauswertungVorschau =
        Button(page, "TBitBtnMonatsauswertungVorschau", "&Vorschau", "Zeigt die Druckvorschau der Monatsauswertung");
    bottom->addWidget(TBtnMonatsauswertungBerechnen);
    bottom->addWidget(TBtnMonatsauswertungSpeichern);
    bottom->addSpacing(16);
    bottom->addWidget(TBitBtnMonatsauswertungDrucken);
    bottom->addWidget(TBitBtnMonatsauswertungVorschau);
    lay->addLayout(bottom);
    return page;
}

QWidget* THauptFormular::BuildMonatsuebersicht()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabMonatsuebersicht"));
    auto* lay = new QVBoxLayout(page);
    lay->setSpacing(2);
    DBGrid1 = new TDBGrid(page);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgTabs | dgRowSelect
                        | dgAlwaysShowSelection | dgMultiSelect);
    DBGrid1->SetReadOnly(true);
    DBGrid1->SetDataSource(DM->TDataSrcMonatKosten);
    lay->addWidget(DBGrid1, 1);

    // Totals bar: each sum under its column, kept there by PlaceSummen.
    PanSummen = new QWidget(page);
    PanSummen->setObjectName(QStringLiteral("PanSummen"));
    PanSummen->setFixedHeight(24);
    SetBackground(PanSummen, QColor(0xC0, 0xC0, 0xC0));
    auto* summen = Label(PanSummen, "LblSummen", QStringLiteral("Summen:"));
    QFont bold = summen->font();
    bold.setBold(true);
    summen->setFont(bold);
    summen->move(6, 4);
    TLblSummeGesamtKosten = ValueLabel(PanSummen, "TLblSummeGesamtKosten", Aqua());
    TLblSummeReparaturkosten = ValueLabel(PanSummen, "TLblSummeReparaturkosten", Qt::white);
    TLblSummeReifenkosten = ValueLabel(PanSummen, "TLblSummeReifenkosten", Qt::white);
    TLblSummeWartungskosten = ValueLabel(PanSummen, "TLblSummeWartungskosten", Qt::white);
    TLblSummeUntersuchungskosten = ValueLabel(PanSummen, "TLblSummeUntersuchungskosten", Qt::white);
    TLblSummeBenzinkosten = ValueLabel(PanSummen, "TLblSummeBenzinkosten", Qt::white);
    TLblSummeSonstigeKosten1 = ValueLabel(PanSummen, "TLblSummeSonstigeKosten1", Qt::white);
    TLblSummeSonstigeKosten2 = ValueLabel(PanSummen, "TLblSummeSonstigeKosten2", Qt::white);
    TLblSummeSonstigeKosten3 = ValueLabel(PanSummen, "TLblSummeSonstigeKosten3", Qt::white);
    TLblSummeVerbrauch = ValueLabel(PanSummen, "TLblSummeVerbrauch", Aqua());
    for (QLabel* l : PanSummen->findChildren<QLabel*>())
        if (l != summen) l->setMinimumWidth(0);
    lay->addWidget(PanSummen);
    PanSummen->installEventFilter(this);
    connect(DBGrid1->horizontalHeader(), &QHeaderView::sectionResized, this, &THauptFormular::PlaceSummen);
    connect(DBGrid1->horizontalHeader(), &QHeaderView::geometriesChanged, this, &THauptFormular::PlaceSummen);
    connect(DBGrid1->horizontalScrollBar(), &QScrollBar::valueChanged, this, &THauptFormular::PlaceSummen);

    auto* bottom = new QHBoxLayout;
    RadioGrpSicht = new TRadioGroup(page);
    RadioGrpSicht->setObjectName(QStringLiteral("RadioGrpSicht"));
    RadioGrpSicht->setTitle(QStringLiteral("Sicht"));
    RadioGrpSicht->setToolTip(QStringLiteral("Bestimmen Sie die sichtbaren Monatsauswertungen"));
    RadioGrpSicht->SetColumns(2);
    RadioGrpSicht->SetItems({QStringLiteral("Alle"), QStringLiteral("Jahr")});
    ComboBoxJahr = ListBox(page, "ComboBoxJahr", "Wählen Sie das Jahr für die sichtbaren Monatsauswertungen");
    bottom->addWidget(RadioGrpSicht);
    bottom->addWidget(ComboBoxJahr, 0, Qt::AlignBottom);
    bottom->addStretch(1);
    TBtnLoeschen = Button(page, "TBtnLoeschen", "&Löschen", "Löscht die markierte Monatsauswertung");
    TBitBtnMonatsuebersichtDrucken =
        Button(page, "TBitBtnMonatsuebersichtDrucken", "D&rucken", "Druckt die Monatsübersicht");
    TBitBtnMonatsuebersichtVorschau =
        Button(page, "TBitBtnMonatsuebersichtVorschau", "&Vorschau", "Zeigt die Druckvorschau der Monatsübersicht");
    bottom->addWidget(TBtnLoeschen, 0, Qt::AlignBottom);
    bottom->addSpacing(16);
    bottom->addWidget(TBitBtnMonatsuebersichtDrucken, 0, Qt::AlignBottom);
    bottom->addWidget(TBitBtnMonatsuebersichtVorschau, 0, Qt::AlignBottom);
    lay->addSpacing(4);
    lay->addLayout(bottom);
    return page;
}

void THauptFormular::PlaceSummen()
{
    const std::pair<QLabel*, const char*> sums[] = {
        {TLblSummeGesamtKosten, "GesamtKosten"},       {TLblSummeReparaturkosten, "Reparaturkosten"},
        {TLblSummeReifenkosten, "Reifenkosten"},       {TLblSummeWartungskosten, "Wartungskosten"},
        {TLblSummeUntersuchungskosten, "Untersuchungskosten"}, {TLblSummeBenzinkosten, "Benzinkosten"},
        {TLblSummeSonstigeKosten1, "Sonstigekosten1"}, {TLblSummeSonstigeKosten2, "Sonstigekosten2"},
        {TLblSummeSonstigeKosten3, "Sonstigekosten3"}, {TLblSummeVerbrauch, "VerbrauchLiter"}};
    QHeaderView* header = DBGrid1->horizontalHeader();
    // Grid and bar are siblings on the page, so both map through it.
    QWidget* page = PanSummen->parentWidget();
    QWidget* view = DBGrid1->viewport();
    const int left = PanSummen->mapFrom(page, view->mapTo(page, QPoint(0, 0))).x();
    const int right = left + view->width();
    for (const auto& s : sums) {
        TField* f = DM->TTblMonatKosten->FindField(QString::fromLatin1(s.second));
        const int col = f ? DBGrid1->GridModel()->ColumnOf(f) : -1;
        if (col < 0 || header->isSectionHidden(col)) {
            s.first->hide();
            continue;
        }
        const int x = left + header->sectionViewportPosition(col);
        const int w = header->sectionSize(col);
        // Out of sight when its column is scrolled away.
        s.first->setVisible(x >= left && x + w <= right);
        s.first->setGeometry(x, 2, w, PanSummen->height() - 4);
    }
}

bool THauptFormular::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == PanSummen && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) PlaceSummen();
    return QMainWindow::eventFilter(watched, event);
}

void THauptFormular::BuildMenu()
{
    TMainMenu = menuBar();
    TMainMenu->setObjectName(QStringLiteral("TMainMenu"));
    auto item = [this](QMenu* menu, const char* name, const QString& caption) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    auto menu = [this](const char* name, const QString& caption) {
        QMenu* m = TMainMenu->addMenu(caption);
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };

    MenuDatei = menu("MenuDatei", QStringLiteral("&Datei"));
    MenuDatenUebernehmen = item(MenuDatei, "MenuDatenUebernehmen", S("&Daten übernehmen..."));
    MenuDatei->addSeparator();
    MenuInfo = item(MenuDatei, "MenuInfo", S("&Über TARVOS Maschinenpark..."));
    MenuDatei->addSeparator();
    MenuBeenden = item(MenuDatei, "MenuBeenden", QStringLiteral("B&eenden"));

    MenuBearbeiten = menu("MenuBearbeiten", QStringLiteral("&Bearbeiten"));
    MenuAusschneiden = item(MenuBearbeiten, "MenuAusschneiden", QStringLiteral("&Ausschneiden"));
    MenuKopieren = item(MenuBearbeiten, "MenuKopieren", QStringLiteral("&Kopieren"));
    MenuEinfuegen = item(MenuBearbeiten, "MenuEinfuegen", S("&Einfügen"));
    MenuBearbeiten->addSeparator();
    MenuSuchen = item(MenuBearbeiten, "MenuSuchen", QStringLiteral("&Suchen..."));
    MenuWeitersuchen = item(MenuBearbeiten, "MenuWeitersuchen", QStringLiteral("&Weitersuchen"));
    MenuInkrSuchen = item(MenuBearbeiten, "MenuInkrSuchen", QStringLiteral("&Inkr. Suchen ein/aus"));
    MenuBearbeiten->addSeparator();
    MenuLesezeichenSetzen = item(MenuBearbeiten, "MenuLesezeichenSetzen", QStringLiteral("Lesezeichen setzen"));
    MenuLesezeichenverwaltung = item(MenuBearbeiten, "MenuLesezeichenverwaltung", QStringLiteral("Lesezeichenverwaltung..."));
    MenuTabellenansicht = item(MenuBearbeiten, "MenuTabellenansicht", QStringLiteral("Tabellenansicht"));
    MenuEinzelansicht = item(MenuBearbeiten, "MenuEinzelansicht", QStringLiteral("Einzeldatensatzansicht"));
    MenuBearbeiten->addSeparator();
    MenuFilter = MenuBearbeiten->addMenu(QStringLiteral("Filter"));
    MenuFilter->setObjectName(QStringLiteral("MenuFilter"));
    MenuFilterGruppe = item(MenuFilter, "MenuFilterGruppe", QStringLiteral("Gruppe"));
    MenuFilterStandort = item(MenuFilter, "MenuFilterStandort", QStringLiteral("Standort"));
    MenuFilterGruppeStandort = item(MenuFilter, "MenuFilterGruppeStandort", QStringLiteral("Gruppe+Standort"));
    // The bar's filter popup: this window's bar does not show the button carrying it.
    MenuFilter->addSeparator();
    MenuFilter->addActions(TDBENavMain->FilterPopup()->actions());
    MenuFilterEinAus = item(MenuBearbeiten, "MenuFilterEinAus", QStringLiteral("Filter ein/aus"));
    // These run the navigator's actions, exactly like its buttons and keys.
    const std::pair<QAction*, TDBENavigateBtn> navItems[] = {
        {MenuSuchen, nbSearch}, {MenuWeitersuchen, nbSearchNext}, {MenuInkrSuchen, nbSearchInc},
        {MenuLesezeichenSetzen, nbSetBookmark}, {MenuLesezeichenverwaltung, nbGotoBookmark},
        {MenuFilterEinAus, nbActiveFilter}, {MenuTabellenansicht, nbTableView}};
    for (const auto& [action, btn] : navItems)
        ConnectGuarded(action, &QAction::triggered, this, [this, btn = btn] { TDBENavMain->BtnClick(btn); });

    MenuTerminverwaltung = TMainMenu->addAction(QStringLiteral("&Terminverwaltung"));
    MenuTerminverwaltung->setObjectName(QStringLiteral("MenuTerminverwaltung"));

    MenuAuswertungen = menu("MenuAuswertungen", QStringLiteral("Auswertungen"));
    MenuMaschinenparkKosten = item(MenuAuswertungen, "MenuMaschinenparkKosten", QStringLiteral("Maschinenpark-Kosten"));
    MenuOptionen = menu("MenuOptionen", QStringLiteral("&Optionen"));
    MenuEinstellungen = item(MenuOptionen, "MenuEinstellungen", QStringLiteral("Einstellungen"));
    MenuDatenAufServer = item(MenuOptionen, "MenuDatenAufServer", S("Daten auf Server übertragen..."));
    MenuHilfe = menu("MenuHilfe", QStringLiteral("&Hilfe"));
    MenuErsteSchritte = item(MenuHilfe, "MenuErsteSchritte", QStringLiteral("Erste Schritte"));

    ConnectGuarded(MenuInfo, &QAction::triggered, this, &THauptFormular::MenuInfoClick);
    ConnectGuarded(MenuDatenUebernehmen, &QAction::triggered, this, &THauptFormular::MenuDatenUebernehmenClick);
    ConnectGuarded(MenuBeenden, &QAction::triggered, this, &THauptFormular::MenuBeendenClick);
    ConnectGuarded(MenuBearbeiten, &QMenu::aboutToShow, this, &THauptFormular::MenuBearbeitenClick);
    ConnectGuarded(MenuAusschneiden, &QAction::triggered, this, &THauptFormular::MenuAusschneidenClick);
    ConnectGuarded(MenuKopieren, &QAction::triggered, this, &THauptFormular::MenuKopierenClick);
    ConnectGuarded(MenuEinfuegen, &QAction::triggered, this, &THauptFormular::MenuEinfuegenClick);
    ConnectGuarded(MenuTerminverwaltung, &QAction::triggered, this, &THauptFormular::MenuTerminverwaltungClick);
    ConnectGuarded(MenuMaschinenparkKosten, &QAction::triggered, this, &THauptFormular::MenuMaschinenparkKostenClick);
    ConnectGuarded(MenuEinstellungen, &QAction::triggered, this, &THauptFormular::MenuEinstellungenClick);
    ConnectGuarded(MenuDatenAufServer, &QAction::triggered, this, &THauptFormular::MenuDatenAufServerClick);
    ConnectGuarded(MenuErsteSchritte, &QAction::triggered, this, &THauptFormular::MenuErsteSchritteClick);
    ConnectGuarded(MenuFilterGruppe, &QAction::triggered, this, &THauptFormular::MenuFilterGruppeClick);
    ConnectGuarded(MenuFilterStandort, &QAction::triggered, this, &THauptFormular::MenuFilterStandortClick);
    ConnectGuarded(MenuFilterGruppeStandort, &QAction::triggered, this, &THauptFormular::MenuFilterGruppeStandortClick);
    ConnectGuarded(MenuEinzelansicht, &QAction::triggered, this, &THauptFormular::MenuEinzelansichtClick);
}

// --------------------------------------------------------------- creation

void THauptFormular::FormCreate()
{
    StartDir = QDir::currentPath();
    setWindowTitle(QStringLiteral("TARVOS Maschinenpark"));

    SetActivePage(TabStammDaten);
    RadioGrpSicht->SetItemIndex(0);
    RadioGrpKostenSicht->SetItemIndex(0);
    MenuFilterArt.clear();
    TPanelFilter->SetCaption(QString());

    const QDate today = Today();
    AktJahr = QString::number(today.year());
    AktMonat = MonthNames().at(today.month() - 1);

    const QStringList years = YearListItems(today);
    for (QComboBox* c : {ComboBoxJahr, CmbBoxMonatsauswertungJahr, CmbBoxKostenJahr}) {
        c->clear();
        c->addItems(years);
    }
    const int year = YearListIndex(years, today);
    for (QComboBox* c : {ComboBoxJahr, CmbBoxMonatsauswertungJahr, CmbBoxKostenJahr}) c->setCurrentIndex(year);
    CmbBoxMonatsauswertungMonat->clear();
    CmbBoxMonatsauswertungMonat->addItems(MonthNames());
    CmbBoxMonatsauswertungMonat->setCurrentIndex(today.month() - 1);

    // The user's names from the general settings, read only now.
    TTable* sys = DM->TTblEinstellungenAllgem;
    for (int i = 0; i < 3; ++i) LabelFreierTermin[i]->setText(Setting(sys, QStringLiteral("NameFreitermin%1").arg(i + 1)));
    for (int i = 0; i < 10; ++i) LblFreifeld[i]->setText(Setting(sys, QStringLiteral("NameFreifeld%1").arg(i + 1)));

    // The machines' fields carry the captions of the master-data page, so
    // the views, the filter, the search and the export name them as the user
    // knows them; a free field or date without a name keeps its field name.
    static const std::pair<const char*, const char*> machineLabels[] = {
        {"IdentNummer", "Ident.-Nummer"},       {"Hersteller/Typ", "Marke"},
        {"Motorleistung", "KW"},                {"FahrgestellNr", "Fahrgestell-Nr."},
        {"MotorNr", "Motornummer"},             {"Anschaffungspreis", "Anschaffungswert"},
        {"UVVTermin", "UVV-Termin"},            {"WartungJahrTermin", "Jahreswartung"},
        {"WartungKleinTermin", "Kl. Wartung"},  {"WartungGrossTermin", "Gr. Wartung"},
        {"BetriebsstundenTermin", "Betr.Std.-Termin"}, {"Betriebsstunden", "Betriebsstd."}};
    for (const auto& [field, label] : machineLabels)
        SetFieldLabel(DM->TTblMain, QString::fromLatin1(field), QString::fromUtf8(label));
    SetFieldLabel(DM->TTblMain, S("TÜVTermin"), S("TÜV-Termin"));
    for (int i = 0; i < 10; ++i)
        if (!LblFreifeld[i]->text().isEmpty())
            SetFieldLabel(DM->TTblMain, QStringLiteral("Freifeld%1").arg(i + 1), LblFreifeld[i]->text());
    for (int i = 0; i < 3; ++i)
        if (!LabelFreierTermin[i]->text().isEmpty())
            SetFieldLabel(DM->TTblMain, QStringLiteral("FreierTermin%1").arg(i + 1), LabelFreierTermin[i]->text());

    struct CostName { const char* setting; const char* var; const char* monat; const char* fuKst; QLabel* label; };
    const CostName costs[] = {
        {"NameReparaturkosten", "ReparaturKosten", "Reparaturkosten", "ReparaturKosten", LblMonatsauswertungReparatur},
        {"NameReifenkosten", "ReifenKosten", "Reifenkosten", "ReifenKosten", LblMonatsauswertungReifen},
        {"NameWartungskosten", "Wartungskosten", "Wartungskosten", "WartungKosten", LblMonatsauswertungWartung},
        {"NameUntersuchungskosten", "Untersuchungskosten", "Untersuchungskosten", "UntersuchungKosten",
         LblMonatsauswertungUntersuchung},
        {"NameBenzinkosten", "Benzinkosten", "Benzinkosten", "VerbrauchKosten", LblMonatsauswertungBenzin},
        {"NameSonstigekosten1", "SonstigeKosten1", "Sonstigekosten1", "SonstigeKosten", LblMonatsauswertungSonstige1},
        {"NameSonstigekosten2", "SonstigeKosten2", "Sonstigekosten2", "Sonstige2Kosten", LblMonatsauswertungSonstige2},
        {"NameSonstigekosten3", "SonstigeKosten3", "Sonstigekosten3", "Sonstige3Kosten", LblMonatsauswertungSonstige3},
    };
    for (const CostName& c : costs) {
        const QString name = Setting(sys, QString::fromLatin1(c.setting));
        if (name.isEmpty()) continue;
        SetFieldLabel(DM->TTblVarKosten, QString::fromLatin1(c.var), name);
        SetFieldLabel(DM->TTblMonatKosten, QString::fromLatin1(c.monat), name);
        SetFieldLabel(DM->TTblFuhrparkKosten, QString::fromLatin1(c.fuKst), name);
        c.label->setText(name);
    }
    const char* const varRemarks[] = {"Bemerkung", "Bemerkung2", "Bemerkung3"};
    for (int i = 0; i < 3; ++i) {
        const QString histo = Setting(sys, QStringLiteral("NameHistorieBemerkung%1").arg(i + 1));
        if (!histo.isEmpty()) SetFieldLabel(DM->TTblHistorie, QStringLiteral("Reserve%1").arg(i + 1), histo);
        const QString var = Setting(sys, QStringLiteral("NameVarKostenBemerkung%1").arg(i + 1));
        if (!var.isEmpty()) SetFieldLabel(DM->TTblVarKosten, QString::fromLatin1(varRemarks[i]), var);
    }

    RadioGrpDrucken->SetItemIndex(0);
    EditDBMemoChange();
    // Reading until the window is shown and the extender manages the mode.
    PaintEditMode(false);
}

bool THauptFormular::EditMode() const
{
    return TDBExtenderMain->EditMode();
}

void THauptFormular::SetEditMode(bool on)
{
    TDBExtenderMain->SetEditMode(on);
    ShowEditMode();
}

TAllowKeys THauptFormular::AllowKeys() const
{
    return TDBExtenderMain->AllowKeys();
}

void THauptFormular::ShowEditMode()
{
    PaintEditMode(EditMode());
}

void THauptFormular::PaintEditMode(bool on)
{
    TPaGlobalEdit->SetCaption(on ? S("Ändern") : QStringLiteral("Lesen"));
    TPaGlobalEdit->SetColor(on ? AendernColor() : LesenColor());
    TPaGlobalEdit->SetFontColor(Qt::white);
    for (QPushButton* b : {TBtnLoeschen, TBtnVarKostenLoeschen, TBtnVarKostenNeu, TBtnVarKostenSpeichern,
                           TBtnMonatsauswertungSpeichern})
        b->setEnabled(on);
}

// ----------------------------------------------------------------- extender

void THauptFormular::BuildExtender()
{
    TDBExtenderMain = new TDBExtender(this);
    TDBExtenderMain->setObjectName(QStringLiteral("TDBExtenderMain"));
    TDBExtender* x = TDBExtenderMain;
    x->ConfDelQuestion = S("Möchten Sie diese Maschine wirklich löschen.");
    x->ConfOverQuestion = S("Möchten sie den aktuellen Feldwert wirklich überschreiben.");
    x->SetShowStatusOptions(TDBShowStatusSet{ssRecNo, ssRecCount});
    x->SetStatusPanel(TPanelStatus);
    x->SetMessagePanel(TPanelMessage);
    x->SetMasterSource(DM->TDataSrcMain);
    x->SetStayOnMasterSource(somAllFuncs);
    x->TVSynchronIsDefault = true;
    x->BorderStyleTblView = bsSizeable;
    x->BorderStyleMemo = bsSizeable;
    x->SetNoSelectNext({QStringLiteral("TMemo"), QStringLiteral("TDBMemo")});
    x->LUAutoIncSrch = false;
    x->SRVAutoEdit = false;
    x->SRVGenAccelChars = false;
    x->BeforeHandleNBBtn = [this](QObject*, TDBENavigateBtn& b, TShiftState&, int&) {
        TDBExtenderMainBeforeHandleNBBtn(b);
    };
    x->AfterHandleNBBtn = [this](QObject*, TDBENavigateBtn& b, TShiftState&, int&) {
        TDBExtenderMainAfterHandleNBBtn(b);
    };
    x->OnShowMessage = [this](QObject*, QString& msg, TMsgDlgType type, bool& handled) {
        TDBExtenderMainShowMessage(msg, type, handled);
    };
    x->OnSpecialForm = [this](QObject*, TFormEventRec& rec) { TDBExtenderMainSpecialForm(rec); };
    // Fields the windows keep hidden (link fields, month and year of a
    // voucher) stay hidden in single-record views too.
    x->SRVClassForField = [](QObject*, TField* f, TSRVControlClass& make) {
        if (!f->Visible()) make = nullptr;
    };
    x->GetTblDescription = [this](const QString& name, QString& desc) { TDBExtenderMainGetTblDescription(name, desc); };
    x->OnFilterChanged = [this](QObject*, TDBDataSet*) { TDBExtenderMainFilterChanged(); };
    TDBENavMain->SetDBExtender(x);
}

void THauptFormular::TDBExtenderMainBeforeHandleNBBtn(TDBENavigateBtn& button)
{
    if (button == nbGlobalEdit && ReadOnlyMode()) {
        MessageDlg(QStringLiteral("Sie haben nur Leserechte!"), mtInformation, mbOK);
        throw EAbort();
    }
    if (button == nbDelete) TDBExtenderMain->ConfDelQuestion = MaschineLoeschenFrage();
}

void THauptFormular::TDBExtenderMainAfterHandleNBBtn(TDBENavigateBtn button)
{
    if (button == nbDupRecord && DM->TTblMain->State() == dsInsert) {
        MessageDlg(S("Bitte geben Sie anschließend die neue Identifikationsnummer ein!"), mtInformation, mbOK);
        // The number goes from the copy itself: the edit shows its field
        // afresh when the window is active again after the box.
        DM->TTblMain->FieldByName(QStringLiteral("IdentNummer"))->Clear();
        EditIdentNr->setFocus();
        EditIdentNr->clear();
    }
    if (button == nbInsert) EditIdentNr->setFocus();
    // A deletion or a new number that failed after it began leaves nothing half done.
    MaschinenTransaktionAbschliessen(m_maschineLoeschen, false);
    MaschinenTransaktionAbschliessen(m_maschineUmbenennen, false);
    ShowEditMode();
}

void THauptFormular::TDBExtenderMainShowMessage(QString& msg, TMsgDlgType type, bool& handled)
{
    if (type != mtError) return;
    if (msg == QLatin1String("Indexfehler"))
        msg = S("Bitte ändern Sie die Identifikationsnummer dieser Maschine - eine Maschine mit dieser Nummer ist "
                "schon vorhanden");
    MessageDlg(msg, mtError, mbOK);
    handled = true;
}

void THauptFormular::TDBExtenderMainSpecialForm(TFormEventRec& rec)
{
    const TMoveNavBtns moves{mnbFirst, mnbPrior, mnbNext, mnbLast};
    if (rec.FormType == fetTableView) {
        rec.VisBtnsSearch = TSrchNavBtns{snbSearch, snbSearchInc, snbSearchNext, snbSetBookmark, snbGotoBookmark,
                                         snbActiveFilter};
        rec.VisBtnsMove = moves;
        rec.VisBtnsExtend = TExtNavBtns{enbMemoView};
    } else if (rec.FormType == fetLookUp) {
        rec.VisBtnsSearch = TSrchNavBtns{};
        rec.VisBtnsMove = moves;
        rec.VisBtnsExtend = TExtNavBtns{};
    }
}

void THauptFormular::TDBExtenderMainGetTblDescription(const QString& tblName, QString& tblDesc)
{
    if (tblName.compare(QLatin1String("KfzStamm.db"), Qt::CaseInsensitive) == 0) tblDesc = QStringLiteral("Stammdaten");
}

void THauptFormular::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (!m_shown) {
        m_shown = true;
        try {
            FormShow();
        } catch (...) {
            HandleException(this);
        }
    }
}

void THauptFormular::FormShow()
{
    // Records change only in editing mode; the user may start in it.
    TDBExtenderMain->SetManageGlobalEdit(true);
    ShowEditMode();
    const bool startEditing = EinstellungenFormular && EinstellungenFormular->DBCheckBoxSchreibschutz->isChecked();
    if (startEditing && !ReadOnlyMode()) TDBENavMain->BtnClick(nbGlobalEdit);
    // The keys of the extender (Ins, F9, paging) need a data control with the focus.
    EditIdentNr->setFocus(Qt::OtherFocusReason);
}

void THauptFormular::closeEvent(QCloseEvent* e)
{
    if (!PostPendingEdits()) {
        e->ignore();
        return;
    }
    QMainWindow::closeEvent(e);
}

bool THauptFormular::PostPendingEdits()
{
    // As a move would post them: the details first, the machine last, since
    // a voucher's rules may post the machine too.
    std::vector<TTable*> tables;
    for (TTable* t : DM->StartTables())
        if (t != DM->TTblMain) tables.push_back(t);
    tables.push_back(DM->TTblMain);
    try {
        for (TTable* t : tables)
            if (t->Active() && (t->State() == dsEdit || t->State() == dsInsert)) t->Post();
    } catch (...) {
        // The refusing rule has shown its message; others are shown here.
        HandleException(this);
        return false;
    }
    return true;
}

// ------------------------------------------------------------------- tabs

void THauptFormular::SetActivePage(QWidget* page)
{
    m_pageByCode = true;
    PageCtrlMain->setCurrentWidget(page);
    m_pageByCode = false;
    m_lastPage = PageCtrlMain->currentIndex();
}

void THauptFormular::PageChanged(int index)
{
    if (m_pageByCode) return;
    if (index == m_lastPage) return;
    // The rules judge the page being left, so it comes back while they run.
    m_pageByCode = true;
    PageCtrlMain->setCurrentIndex(m_lastPage);
    m_pageByCode = false;
    bool allowChange = true;
    try {
        PageCtrlMainChanging(allowChange);
    } catch (...) {
        allowChange = false;
        HandleException(this);
    }
    if (!allowChange) return;
    SetActivePage(PageCtrlMain->widget(index));
    try {
        PageCtrlMainChange();
    } catch (...) {
        HandleException(this);
    }
}

void THauptFormular::PageCtrlMainChanging(bool& allowChange)
{
    QWidget* page = PageCtrlMain->currentWidget();
    if (page == TabStammDaten && DM->TTblMain->State() == dsInsert) {
        MessageDlg(S("Bitte speichern Sie zunächst die neue Maschine ab (Haken-Symboltaste) oder verwerfen Sie die "
                     "Daten (X-Symboltaste)."),
                   mtWarning, mbOK);
        allowChange = false;
    } else if (page == TabKosten && DM->TTblVarKosten->State() == dsInsert) {
        MessageDlg(S("Bitte speichern Sie zunächst den neuen Kostendatensatz ab (Speichern-Taste) oder verwerfen Sie "
                     "die Daten (Löschen-Taste)."),
                   mtWarning, mbOK);
        allowChange = false;
    }
}

void THauptFormular::PageCtrlMainChange()
{
    QWidget* page = PageCtrlMain->currentWidget();
    const TAllowKeys editing{akDuplicate, akDelete, akInsert};
    TDBExtender* x = TDBExtenderMain;
    if (page == TabMemo) {
        TDBENavMain->setEnabled(true);
        x->SetAllowKeys(x->AllowKeys() - editing + TAllowKeys{akIncSearch});
        EditDBMemo->setFocus();
    } else if (page == TabHistorie) {
        TDBENavMain->setEnabled(true);
        x->SetAllowKeys(x->AllowKeys() - (editing + TAllowKeys{akIncSearch}));
        DBGridHistorie->setFocus();
    } else if (page == TabKosten) {
        TDBENavMain->setEnabled(true);
        x->SetAllowKeys(x->AllowKeys() - (editing + TAllowKeys{akIncSearch}));
        TDBGridVarKosten->setFocus();
    } else if (page == TabMonatsAuswertung) {
        TDBENavMain->setEnabled(false);
        RadioGrpKostenSicht->SetItemIndex(0);
        MonatsauswertungBerechnen();
    } else if (page == TabMonatsuebersicht) {
        TDBENavMain->setEnabled(false);
        MonatsuebersichtBerechnen();
    } else if (page == TabStammDaten) {
        TDBENavMain->setEnabled(true);
        x->SetAllowKeys(x->AllowKeys() + editing + TAllowKeys{akIncSearch});
    }
}

// ------------------------------------------------------------------ views

void THauptFormular::RadioGrpKostenSichtClick()
{
    TTable* t = DM->TTblVarKosten;
    switch (RadioGrpKostenSicht->ItemIndex()) {
    case 0:
        CmbBoxKostenJahr->setEnabled(false);
        t->SetFiltered(false);
        t->SetFilter(QString());
        break;
    case 1:
        CmbBoxKostenJahr->setEnabled(false);
        t->SetFilter(QStringLiteral("(Jahr = '%1') and (Monat = '%2')").arg(AktJahr, AktMonat));
        t->SetFiltered(true);
        break;
    case 2:
        CmbBoxKostenJahr->setEnabled(true);
        t->SetFilter(QStringLiteral("Jahr = ") + CmbBoxKostenJahr->currentText());
        t->SetFiltered(true);
        break;
    default:
        break;
    }
}

void THauptFormular::CmbBoxKostenJahrChange()
{
    if (RadioGrpKostenSicht->ItemIndex() == 2) RadioGrpKostenSichtClick();
}

void THauptFormular::RadioGrpSichtClick()
{
    TTable* t = DM->TTblMonatKosten;
    if (RadioGrpSicht->ItemIndex() == 1) {
        ComboBoxJahr->setEnabled(true);
        t->SetFilter(QStringLiteral("AuswJahr = ") + ComboBoxJahr->currentText());
        t->SetFiltered(true);
    } else {
        ComboBoxJahr->setEnabled(false);
        t->SetFiltered(false);
        t->SetFilter(QString());
    }
    // The totals follow the view.
    MonatsuebersichtBerechnen();
}

void THauptFormular::ComboBoxJahrChange()
{
    RadioGrpSichtClick();
}

void THauptFormular::EditDBMemoChange()
{
    TPanMemoLED->SetColor(EditDBMemo->toPlainText().isEmpty() ? QColor() : QColor(Qt::red));
}

// ------------------------------------------------------------------- menu

void THauptFormular::TBitBtnEndeClick()
{
    if (MessageDlg(QStringLiteral("Möchten Sie das Programm beenden"), mtConfirmation, mbYesNo) == mrYes) close();
}

void THauptFormular::MenuBeendenClick()
{
    TBitBtnEndeClick();
}

void THauptFormular::MenuDatenUebernehmenClick()
{
    DatenUebernehmen(DM, this);
}

void THauptFormular::MenuDatenAufServerClick()
{
    DatenAufServerUebertragen(DM, this);
}

void THauptFormular::MenuInfoClick()
{
    if (AboutBox) AboutBox->exec();
}

QWidget* THauptFormular::DataBoundTextControl() const
{
    QWidget* w = focusWidget();
    if (auto* e = qobject_cast<TDBEdit*>(w)) return e->DataSource() ? e : nullptr;
    if (auto* m = qobject_cast<TDBMemo*>(w)) return m->DataSource() ? m : nullptr;
    return nullptr;
}

void THauptFormular::MenuBearbeitenClick()
{
    QWidget* w = DataBoundTextControl();
    bool selected = false;
    if (auto* e = qobject_cast<TDBEdit*>(w)) selected = e->hasSelectedText();
    if (auto* m = qobject_cast<TDBMemo*>(w)) selected = m->textCursor().hasSelection();
    MenuKopieren->setEnabled(selected);
    MenuAusschneiden->setEnabled(selected && EditMode());
    MenuEinfuegen->setEnabled(w && EditMode() && !QGuiApplication::clipboard()->text().isEmpty());
    // Bookmarks, filter and searching follow the extender's possibilities.
    TDBExtender* x = TDBExtenderMain;
    MenuLesezeichenverwaltung->setEnabled(x->Possibilities(nbGotoBookmark));
    MenuFilterEinAus->setEnabled(x->FilterState() == 2 || x->FilterState() == 3);
    QWidget* page = PageCtrlMain->currentWidget();
    MenuInkrSuchen->setEnabled(page != TabMonatsAuswertung && page != TabMonatsuebersicht
                               && x->Possibilities(nbSearchInc));
    MenuWeitersuchen->setEnabled(x->Possibilities(nbSearchNext));
    MenuTabellenansicht->setEnabled(x->Possibilities(nbTableView));
    MenuTabellenansicht->setText(QStringLiteral("Tabellenansicht\t")
                                 + ShortCutToText(x->ShortCuts().ShortCut(nbTableView)));
    MenuEinzelansicht->setEnabled(TableOfPage(page) != nullptr);
}

TDataSet* THauptFormular::TableOfPage(QWidget* page) const
{
    if (page == TabStammDaten || page == TabMemo) return DM->TTblMain;
    if (page == TabKosten) return DM->TTblVarKosten;
    if (page == TabHistorie) return DM->TTblHistorie;
    return nullptr;
}

// The record of the page's table as a form of its own, read-only while
// the main window is reading.
void THauptFormular::MenuEinzelansichtClick()
{
    TDataSet* ds = TableOfPage(PageCtrlMain->currentWidget());
    if (!ds || !ds->Active()) return;
    TDBExtender* x = TDBExtenderMain;
    QScopedValueRollback readOnly(x->SRVReadOnly, x->SRVReadOnly || !EditMode());
    x->OpenSingleRecView(ds, nullptr, x->SRVSynchronIsDefault);
}

// Going into editing shows the field afresh, which drops the selection and
// the cursor; both are put back before the clipboard command runs.
namespace {
bool EditKeepingSelection(QWidget* w)
{
    if (auto* e = qobject_cast<TDBEdit*>(w)) {
        const int start = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
        const int length = e->selectedText().length();
        if (!e->DataLink().Edit()) return false;
        e->setSelection(start, length);
        return true;
    }
    if (auto* m = qobject_cast<TDBMemo*>(w)) {
        const QTextCursor c = m->textCursor();
        const int anchor = c.anchor(), position = c.position();
        if (!m->DataLink().Edit()) return false;
        QTextCursor restored = m->textCursor();
        restored.setPosition(anchor);
        restored.setPosition(position, QTextCursor::KeepAnchor);
        m->setTextCursor(restored);
        return true;
    }
    return false;
}
}   // namespace

void THauptFormular::MenuAusschneidenClick()
{
    QWidget* w = DataBoundTextControl();
    if (!EditKeepingSelection(w)) return;
    if (auto* e = qobject_cast<TDBEdit*>(w)) e->cut();
    else if (auto* m = qobject_cast<TDBMemo*>(w)) m->cut();
}

void THauptFormular::MenuKopierenClick()
{
    QWidget* w = DataBoundTextControl();
    if (auto* e = qobject_cast<TDBEdit*>(w)) e->copy();
    else if (auto* m = qobject_cast<TDBMemo*>(w)) m->copy();
}

void THauptFormular::MenuEinfuegenClick()
{
    QWidget* w = DataBoundTextControl();
    if (!EditKeepingSelection(w)) return;
    if (auto* e = qobject_cast<TDBEdit*>(w)) e->paste();
    else if (auto* m = qobject_cast<TDBMemo*>(w)) m->paste();
}

void THauptFormular::MenuTerminverwaltungClick()
{
    if (TerminFormular) TerminFormular->exec();
}

void THauptFormular::MenuMaschinenparkKostenClick()
{
    if (!FuhrparkKostenFormular) return;
    FuhrparkKostenFormular->FilterArt.clear();
    FuhrparkKostenFormular->FilterWert.clear();
    if (TDBExtenderMain->FilterState() == 3) {
        const int answer = MessageDlg(
            S("ACHTUNG - der eingeschaltete Filter beeinflußt die Daten im folgenden Formular.\r"
              "Wenn dieses von Ihnen nicht beabsichtigt ist, sollte der Filter ausgeschaltet werden.\r"
              "Möchten Sie den Filter jetzt ausschalten?"),
            mtWarning, mbYesNo);
        if (answer == mrYes) {
            TDBENavMain->BtnClick(nbActiveFilter);
        } else {
            const QString art = TPanelFilter->Caption();
            FuhrparkKostenFormular->FilterArt = art;
            FuhrparkKostenFormular->FilterWert = DM->TTblMain->FieldByName(
                art == QLatin1String("Gruppe") ? QStringLiteral("Gruppe") : QStringLiteral("Standort"))->AsString();
        }
    }
    FuhrparkKostenFormular->exec();
}

void THauptFormular::MenuEinstellungenClick()
{
    if (EinstellungenFormular) EinstellungenFormular->exec();
}

void THauptFormular::MenuErsteSchritteClick()
{
    if (HilfeFormular) HilfeFormular->ShowHelp();
}
