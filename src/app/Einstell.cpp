// The settings dialog: names, intervals, rights and password, lookup lists and
// the report designer.
#include "Einstell.h"
#include "Application.h"
#include "DBCheckBox.h"
#include "DBEdit.h"
#include "DBErrors.h"
#include "DBGrid.h"
#include "DBRadioGroup.h"
#include "DataMod.h"
#include "Dialogs.h"
#include "Forms.h"
#include "Guard.h"
#include "Passwort.h"
#include "Report1.h"
#include "Session.h"
#include "Termine.h"
#include <QComboBox>
#include <QCompleter>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {
QPushButton* Button(QWidget* parent, const char* name, const QString& caption, const QString& hint)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setAutoDefault(false);
    // A click leaves the focus in the box being edited: a refused entry is
    // then reported once, by what the button does, not also by leaving the box.
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

// A box's caption, which also names the box for screen readers.
QLabel* Caption(const QString& text, QWidget* box)
{
    auto* l = new QLabel(text, box->parentWidget());
    l->setBuddy(box);
    return l;
}

TDBEdit* FieldBox(QWidget* parent, const QString& name, TDataSource* src, const QString& field)
{
    auto* e = new TDBEdit(parent);
    e->setObjectName(name);
    e->SetDataSource(src);
    e->SetDataField(field);
    return e;
}
}   // namespace

TDBEdit* TEinstellungenFormular::NameBox(QWidget* parent, const QString& name, const QString& field)
{
    TDBEdit* e = FieldBox(parent, name, DM->TDataSrcEinstellungenAllgem, field);
    // Names and captions take at most 15 characters, whatever the field holds.
    e->SetMaxLength(15);
    return e;
}

TEinstellungenFormular::TEinstellungenFormular(TDataModule1* dm, QWidget* parent) : QDialog(parent), DM(dm)
{
    setObjectName(QStringLiteral("EinstellungenFormular"));
    setWindowTitle(QStringLiteral("Einstellungen"));
    // A fixed dialog: a title and a close button, nothing to minimise or maximise.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    TDataSource* allg = DM->TDataSrcEinstellungenAllgem;
    TDataSource* priv = DM->TDataSrcEinstellungenPriv;

    PageCtrlEinstellungen = new QTabWidget(this);
    PageCtrlEinstellungen->setObjectName(QStringLiteral("PageCtrlEinstellungen"));
    auto page = [this](const char* name, const QString& caption) {
        auto* w = new QWidget;
        w->setObjectName(QString::fromLatin1(name));
        PageCtrlEinstellungen->addTab(w, caption);
        return w;
    };

    // Benutzerrechte.
    TabSicherheit = page("TabSicherheit", QStringLiteral("Benutzerrechte"));
    {
        auto* lay = new QVBoxLayout(TabSicherheit);
        TDBRadioGrpRechte = new TDBRadioGroup(TabSicherheit);
        TDBRadioGrpRechte->setObjectName(QStringLiteral("TDBRadioGrpRechte"));
        TDBRadioGrpRechte->SetCaption(QStringLiteral("Benutzerrechte"));
        TDBRadioGrpRechte->setToolTip(QStringLiteral("Änderung nur mit Masterpaßwort möglich.."));
        TDBRadioGrpRechte->SetItems({QStringLiteral("Leserechte"), QStringLiteral("Schreib/Leserechte")});
        TDBRadioGrpRechte->SetValues({QStringLiteral("L"), QStringLiteral("S")});
        TDBRadioGrpRechte->SetDataSource(priv);
        TDBRadioGrpRechte->SetDataField(QStringLiteral("Rights"));
        TDBRadioGrpRechte->setEnabled(false);
        TBtnPassword = Button(TabSicherheit, "TBtnPassword", QStringLiteral("Ändern"),
                              QStringLiteral("Aktiviert nach einer Paßwortabfrage die Benutzerrechte Checkbox"));
        TBtnNeuesPasswort = Button(TabSicherheit, "TBtnNeuesPasswort", QStringLiteral("Neues Paßwort"),
                                   QStringLiteral("Zur Eingabe eines neuen Paßwortes für die Benutzerrechte"));
        DBCheckBoxSchreibschutz = new TDBCheckBox(TabSicherheit);
        DBCheckBoxSchreibschutz->setObjectName(QStringLiteral("DBCheckBoxSchreibschutz"));
        DBCheckBoxSchreibschutz->setText(QStringLiteral("Änderungen sofort möglich"));
        DBCheckBoxSchreibschutz->setToolTip(QStringLiteral("Schreibschutz bei Programmstart zunächst ausgeschaltet"));
        DBCheckBoxSchreibschutz->SetValueChecked(QStringLiteral("Wahr"));
        DBCheckBoxSchreibschutz->SetValueUnchecked(QStringLiteral("Falsch"));
        DBCheckBoxSchreibschutz->SetDataSource(priv);
        DBCheckBoxSchreibschutz->SetDataField(QStringLiteral("Schreibschutz"));
        auto* row = new QHBoxLayout;
        row->addWidget(TDBRadioGrpRechte, 1);
        auto* col = new QVBoxLayout;
        col->addWidget(TBtnPassword);
        col->addWidget(TBtnNeuesPasswort);
        col->addStretch(1);
        row->addLayout(col);
        lay->addLayout(row);
        lay->addWidget(DBCheckBoxSchreibschutz);
        lay->addStretch(1);
    }

    // Termin-Vorgaben.
    TabVorgaben = page("TabVorgaben", QStringLiteral("Termin-Vorgaben"));
    {
        auto* lay = new QVBoxLayout(TabVorgaben);
        DBCheckBoxTermine = new TDBCheckBox(TabVorgaben);
        DBCheckBoxTermine->setObjectName(QStringLiteral("DBCheckBoxTermine"));
        DBCheckBoxTermine->setText(QStringLiteral("Termine bei jedem Programmstart"));
        DBCheckBoxTermine->SetValueChecked(QStringLiteral("Wahr"));
        DBCheckBoxTermine->SetValueUnchecked(QStringLiteral("Falsch"));
        DBCheckBoxTermine->SetDataSource(allg);
        DBCheckBoxTermine->SetDataField(QStringLiteral("Boolfeld1"));
        lay->addWidget(DBCheckBoxTermine);
        auto* grid = new QGridLayout;
        for (int i = 0; i < 3; ++i) {
            TDBEditNameFreitermin[i] = NameBox(TabVorgaben, QStringLiteral("TDBEditNameFreitermin%1").arg(i + 1),
                                               QStringLiteral("NameFreitermin%1").arg(i + 1));
            grid->addWidget(Caption(QStringLiteral("Bezeichnung Freitermin%1").arg(i + 1), TDBEditNameFreitermin[i]), i, 0);
            grid->addWidget(TDBEditNameFreitermin[i], i, 1);
        }
        struct Interval { TDBEdit** edit; const char* name; const char* label; const char* field; };
        const Interval intervals[] = {
            {&TDBEditTuevTerminIntervall, "TDBEditTuevTerminIntervall", "TÜV-Termin Intervall/Monate", "TÜVTIntervall"},
            {&TDBEditKleineWartungTerminIntervall, "TDBEditKleineWartungTerminIntervall", "Kl. Wartung Intervall/Monate",
             "WartungKleinTIntervall"},
            {&TDBEditGrosseWartungTerminIntervall, "TDBEditGrosseWartungTerminIntervall", "Gr. Wartung Intervall/Monate",
             "WartungGrossTIntervall"},
            {&TDBEditUVVTerminIntervall, "TDBEditUVVTerminIntervall", "UVV-Termin Intervall/Monate", "UVVTIntervall"},
            {&TDBEditFreierTermin1Intervall, "TDBEditFreierTermin1Intervall", "Fr. Termin1 Intervall/Monate",
             "FreierT1Intervall"},
            {&TDBEditFreierTermin2Intervall, "TDBEditFreierTermin2Intervall", "Fr. Termin2 Intervall/Monate",
             "FreierT2Intervall"},
            {&TDBEditBSUTerminIntervall, "TDBEditBSUTerminIntervall", "Fr. Termin3 Intervall/Monate", "FreierT3Intervall"},
            {&TDBEditBetriebsstundenIntervall, "TDBEditBetriebsstundenIntervall", "Betriebsstunden Intervall/Std.",
             "BetriebsstundenTIntervall"},
        };
        int r = 0;
        for (const Interval& iv : intervals) {
            *iv.edit = FieldBox(TabVorgaben, QString::fromLatin1(iv.name), allg, QString::fromUtf8(iv.field));
            grid->addWidget(Caption(QString::fromUtf8(iv.label), *iv.edit), r, 2);
            grid->addWidget(*iv.edit, r, 3);
            ++r;
        }
        grid->setColumnMinimumWidth(1, 140);
        grid->setHorizontalSpacing(10);
        lay->addLayout(grid);
        lay->addStretch(1);
    }

    // Freifeld-Vorgaben.
    TabSheetNamenFreifelder = page("TabSheetNamenFreifelder", QStringLiteral("Freifeld-Vorgaben"));
    {
        auto* grid = new QGridLayout(TabSheetNamenFreifelder);
        for (int i = 0; i < 10; ++i) {
            DBEditNameFreifeld[i] = NameBox(TabSheetNamenFreifelder, QStringLiteral("DBEditNameFreifeld%1").arg(i + 1),
                                            QStringLiteral("NameFreifeld%1").arg(i + 1));
            const int row = i % 5, col = (i / 5) * 2;
            grid->addWidget(Caption(QStringLiteral("Bezeichnung Freifeld%1").arg(i + 1), DBEditNameFreifeld[i]), row, col);
            grid->addWidget(DBEditNameFreifeld[i], row, col + 1);
        }
        grid->setRowStretch(5, 1);
    }

    // Historie-Vorgaben.
    TabSheetHistorieVorgaben = page("TabSheetHistorieVorgaben", QStringLiteral("Historie-Vorgaben"));
    {
        auto* grid = new QGridLayout(TabSheetHistorieVorgaben);
        for (int i = 0; i < 3; ++i) {
            DBEditNameHistorieBemerkung[i] =
                NameBox(TabSheetHistorieVorgaben, QStringLiteral("DBEditNameHistorieBemerkung%1").arg(i + 1),
                        QStringLiteral("NameHistorieBemerkung%1").arg(i + 1));
            grid->addWidget(Caption(QStringLiteral("Bezeichn. Bemerkung%1").arg(i + 1), DBEditNameHistorieBemerkung[i]), i, 0);
            grid->addWidget(DBEditNameHistorieBemerkung[i], i, 1);
        }
        grid->setColumnStretch(2, 1);
        grid->setRowStretch(3, 1);
    }

    // Var.Kosten-Vorgaben.
    TabSheetKosten = page("TabSheetKosten", QStringLiteral("Var.Kosten-Vorgaben"));
    {
        auto* grid = new QGridLayout(TabSheetKosten);
        const char* const costs[][2] = {
            {"Bezeichn. Reparaturkosten", "NameReparaturkosten"}, {"Bezeichn. Reifenkosten", "NameReifenkosten"},
            {"Bezeichn. Wartungskosten", "NameWartungskosten"},   {"Bezeichn. Untersuch.kosten", "NameUntersuchungskosten"},
            {"Bezeichn. Treibstoffkosten", "NameBenzinkosten"},   {"Bezeichn. Sonst.Kosten1", "NameSonstigekosten1"},
            {"Bezeichn. Sonst.Kosten2", "NameSonstigekosten2"},   {"Bezeichn. Sonst.Kosten3", "NameSonstigekosten3"},
            {"Bezeichn. Bemerkung1", "NameVarKostenBemerkung1"},  {"Bezeichn. Bemerkung2", "NameVarKostenBemerkung2"},
            {"Bezeichn. Bemerkung3", "NameVarKostenBemerkung3"}};
        int i = 0;
        for (const auto& c : costs) {
            const QString field = QString::fromLatin1(c[1]);
            TDBEdit* e = NameBox(TabSheetKosten, QStringLiteral("DBEdit") + field, field);
            DBEditNameKosten[i] = e;
            // The eight cost types on the left, the three remark columns on the right.
            const int row = i < 8 ? i : i - 8, col = i < 8 ? 0 : 2;
            grid->addWidget(Caption(QString::fromUtf8(c[0]), e), row, col);
            grid->addWidget(e, row, col + 1);
            ++i;
        }
        grid->setRowStretch(8, 1);
    }

    // Datenbank: the two lookup lists.
    TabSheetDatenbank = page("TabSheetDatenbank", QStringLiteral("Datenbank"));
    {
        auto* lay = new QHBoxLayout(TabSheetDatenbank);
        auto lookup = [this](TDBGrid*& grid, QPushButton*& button, const char* gridName, const char* buttonName,
                             const QString& title, TDataSource* src, const QString& hint) {
            auto* col = new QVBoxLayout;
            col->addWidget(new QLabel(title, TabSheetDatenbank));
            grid = new TDBGrid(TabSheetDatenbank);
            grid->setObjectName(QString::fromLatin1(gridName));
            grid->setAccessibleName(title);
            grid->SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgRowSelect
                             | dgAlwaysShowSelection);
            grid->SetReadOnly(true);
            grid->SetDataSource(src);
            button = Button(TabSheetDatenbank, buttonName, QStringLiteral("&Löschen"), hint);
            col->addWidget(grid, 1);
            col->addWidget(button, 0, Qt::AlignLeft);
            return col;
        };
        lay->addLayout(lookup(DBGridGruppe, BtnGruppeLoeschen, "DBGridGruppe", "BtnGruppeLoeschen",
                              QStringLiteral("Nachschlagetabelle \"Gruppe\""), DM->TDataSrcGruppe,
                              QStringLiteral("Markierten Begriff in Nachschlagetabelle \"Gruppe\" löschen")));
        lay->addLayout(lookup(DBGridStandort, BtnStandortLoeschen, "DBGridStandort", "BtnStandortLoeschen",
                              QStringLiteral("Nachschlagetabelle \"Standort\""), DM->DataSrcStandort,
                              QStringLiteral("Markierten Begriff in Nachschlagetabelle \"Standort\" löschen")));
    }

    // Report-Designer.
    TabDesigner = page("TabDesigner", QStringLiteral("Report-Designer"));
    {
        auto* lay = new QHBoxLayout(TabDesigner);
        ComboBoxDesigner = new QComboBox(TabDesigner);
        ComboBoxDesigner->setObjectName(QStringLiteral("ComboBoxDesigner"));
        ComboBoxDesigner->setEditable(true);
        ComboBoxDesigner->setToolTip(QStringLiteral("Im Designer zu bearbeitender Report"));
        ComboBoxDesigner->addItems({QStringLiteral("Stammdaten"), QStringLiteral("Var. Kosten"),
                                    QStringLiteral("Monatsauswertung"), QStringLiteral("Monatsübersicht"),
                                    QStringLiteral("Termine"), QStringLiteral("StammdatenListe"), QStringLiteral("Historie")});
        ComboBoxDesigner->setMinimumWidth(200);
        // Only an exact item opens a layout, so typing must not be corrected
        // into one, and typed texts do not join the list.
        ComboBoxDesigner->completer()->setCaseSensitivity(Qt::CaseSensitive);
        ComboBoxDesigner->setInsertPolicy(QComboBox::NoInsert);
        SpeedBtnDesignerMonatsuebersicht =
            Button(TabDesigner, "SpeedBtnDesignerMonatsuebersicht", QStringLiteral("Designer"),
                   QStringLiteral("Report-Designer-ermöglicht die Anpassung der Reports"));
        lay->addWidget(ComboBoxDesigner, 0, Qt::AlignTop);
        lay->addWidget(SpeedBtnDesignerMonatsuebersicht, 0, Qt::AlignTop);
        lay->addStretch(1);
    }

    TBitBtnSpeichern = Button(this, "TBitBtnSpeichern", QStringLiteral("&Speichern"), QStringLiteral("Speichert alle Einstellungen"));
    TBitBtnOk = Button(this, "TBitBtnOk", QStringLiteral("OK"), QStringLiteral("Formular schließen"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(TBitBtnSpeichern);
    buttons->addWidget(TBitBtnOk);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(PageCtrlEinstellungen, 1);
    lay->addLayout(buttons);
    setFixedSize(960, 400);

    ConnectGuarded(PageCtrlEinstellungen, &QTabWidget::currentChanged, this,
                   &TEinstellungenFormular::PageCtrlEinstellungenChange);
    ConnectGuarded(TBitBtnSpeichern, &QPushButton::clicked, this, &TEinstellungenFormular::TBitBtnSpeichernClick);
    ConnectGuarded(TBtnPassword, &QPushButton::clicked, this, &TEinstellungenFormular::TBtnPasswordClick);
    ConnectGuarded(TBtnNeuesPasswort, &QPushButton::clicked, this, &TEinstellungenFormular::TBtnNeuesPasswortClick);
    ConnectGuarded(BtnGruppeLoeschen, &QPushButton::clicked, this, &TEinstellungenFormular::BtnGruppeLoeschenClick);
    ConnectGuarded(BtnStandortLoeschen, &QPushButton::clicked, this, &TEinstellungenFormular::BtnStandortLoeschenClick);
    ConnectGuarded(SpeedBtnDesignerMonatsuebersicht, &QPushButton::clicked, this,
                   &TEinstellungenFormular::SpeedBtnDesignerMonatsuebersichtClick);
    connect(TBitBtnOk, &QPushButton::clicked, this, &QDialog::accept);

    FormCreate();
}

void TEinstellungenFormular::FormCreate()
{
    for (TDBEdit* e : {TDBEditTuevTerminIntervall, TDBEditKleineWartungTerminIntervall, TDBEditGrosseWartungTerminIntervall,
                       TDBEditUVVTerminIntervall, TDBEditFreierTermin1Intervall, TDBEditFreierTermin2Intervall,
                       TDBEditBSUTerminIntervall, TDBEditBetriebsstundenIntervall})
        if (TField* f = e->Field()) f->OnSetText = [this](TField* field, const QString& text) { IntervallSetText(field, text); };

    // The rights are fixed for the whole run; a change needs a new start.
    // A server that grants only reading wins over the private setting.
    TField* rights = DM->TTblEinstellungenPriv->FindField(QStringLiteral("Rights"));
    SetReadOnlyMode((rights && rights->AsString() == QLatin1String("L"))
                    || !Session().Database(QStringLiteral("Pelmora"))->MayWrite());
    DBCheckBoxSchreibschutz->setEnabled(!ReadOnlyMode());
    PageCtrlEinstellungen->setCurrentWidget(TabSicherheit);
    ComboBoxDesigner->setCurrentIndex(0);
    TField* atStart = DM->TTblEinstellungenAllgem->FindField(QStringLiteral("Boolfeld1"));
    if (atStart && atStart->AsBoolean() && TerminFormular) TerminFormular->exec();
}

void TEinstellungenFormular::PageCtrlEinstellungenChange()
{
    TBitBtnSpeichern->setEnabled(PageCtrlEinstellungen->currentWidget() != TabDesigner);
}

void TEinstellungenFormular::TBitBtnSpeichernClick()
{
    try {
        for (TTable* t : {DM->TTblEinstellungenAllgem, DM->TTblEinstellungenPriv}) {
            if (t->State() == dsBrowse) t->Edit();
            t->Post();
        }
    } catch (const EDatabaseError&) {
        MessageDlg(QStringLiteral("Kann Einstellungen nicht speichern."), mtError, mbOK);
        return;
    }
    MessageDlg(QStringLiteral("Einstellungen gespeichert. Bitte beenden Sie das Programm und starten es erneut, damit "
                              "die neuen Einstellungen wirksam werden"),
               mtInformation, mbOK);
}

// ---------------------------------------------------------------- intervals

TDBEdit* TEinstellungenFormular::IntervallBox(const TField* field) const
{
    for (TDBEdit* e : {TDBEditTuevTerminIntervall, TDBEditKleineWartungTerminIntervall, TDBEditGrosseWartungTerminIntervall,
                       TDBEditUVVTerminIntervall, TDBEditFreierTermin1Intervall, TDBEditFreierTermin2Intervall,
                       TDBEditBSUTerminIntervall, TDBEditBetriebsstundenIntervall})
        if (e->Field() == field) return e;
    return nullptr;
}

void TEinstellungenFormular::IntervallSetText(TField* field, const QString& text)
{
    // Empty means "no interval": advancing then says so.
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        field->Clear();
        return;
    }
    constexpr int kMax = 99999;
    bool whole = t.size() <= 9;
    for (QChar c : t) whole = whole && c >= u'0' && c <= u'9';
    if (whole && t.toInt() <= kMax) {
        field->SetAsInteger(t.toInt());
        return;
    }
    MessageDlg(QStringLiteral("„%1“ ist kein gültiges Intervall. Bitte geben Sie eine ganze Zahl von 0 bis %2 ein "
                              "oder lassen Sie das Feld leer.")
                   .arg(t)
                   .arg(kMax),
               mtError, mbOK);
    if (TDBEdit* e = IntervallBox(field)) {
        // Back to the box, but not from inside the focus or tab change that left it.
        QTimer::singleShot(0, e, [this, e] {
            PageCtrlEinstellungen->setCurrentWidget(TabVorgaben);
            e->setFocus(Qt::OtherFocusReason);
            e->selectAll();
        });
    }
    throw EAbort();
}

// ----------------------------------------------------------- password flows

bool TEinstellungenFormular::PasswortAbfragen(QString& entered)
{
    if (!PasswordDlg || PasswordDlg->exec() != QDialog::Accepted) return false;
    entered = PasswordDlg->Text();
    return true;
}

bool TEinstellungenFormular::PasswortRichtig(const QString& entered) const
{
    return TPasswordDlg::Matches(entered, DM->TTblEinstellungenAllgem->FieldByName(QStringLiteral("MitHeader"))->AsString());
}

void TEinstellungenFormular::TBtnPasswordClick()
{
    // Locking needs no password.
    if (TDBRadioGrpRechte->isEnabled()) {
        TDBRadioGrpRechte->setEnabled(false);
        return;
    }
    QString entered;
    if (!PasswortAbfragen(entered)) return;
    if (!PasswortRichtig(entered)) {
        MessageDlg(QStringLiteral("Falsches Paßwort"), mtError, mbOK);
        return;
    }
    TDBRadioGrpRechte->setEnabled(true);
}

void TEinstellungenFormular::TBtnNeuesPasswortClick()
{
    const QString abgebrochen = QStringLiteral("Vorgang abgebrochen.");
    MessageDlg(QStringLiteral("Bitte geben Sie zunächst das bisherige Paßwort ein."), mtInformation, mbOK);
    QString entered;
    if (!PasswortAbfragen(entered)) {
        MessageDlg(abgebrochen, mtInformation, mbOK);
        return;
    }
    if (!PasswortRichtig(entered)) {
        MessageDlg(QStringLiteral("Falsches Paßwort"), mtError, mbOK);
        return;
    }
    MessageDlg(QStringLiteral("Bitte geben Sie jetzt das neue Paßwort ein."), mtInformation, mbOK);
    if (!PasswortAbfragen(entered)) {
        MessageDlg(abgebrochen, mtInformation, mbOK);
        return;
    }
    // Stored as typed; it holds at once for every user.
    TTable* t = DM->TTblEinstellungenAllgem;
    t->Edit();
    TField* f = t->FieldByName(QStringLiteral("MitHeader"));
    const QVariant old = f->Value();
    try {
        f->SetAsString(entered);
        t->Post();
    } catch (...) {
        // The old password stays, also in the open record.
        if (t->State() == dsEdit || t->State() == dsInsert) f->SetValue(old);
        throw;
    }
    MessageDlg(QStringLiteral("Neues Paßwort gespeichert."), mtInformation, mbOK);
}

// ------------------------------------------------------------ lookup lists

void TEinstellungenFormular::LookupLoeschen(TTable* table, const QString& question)
{
    // Machines keep their group or location; only the list loses it.
    if (table->IsEmpty()) return;
    if (MessageDlg(question, mtConfirmation, mbYesNo) != mrYes) return;
    table->Delete();
}

void TEinstellungenFormular::BtnGruppeLoeschenClick()
{
    LookupLoeschen(DM->TTblGruppe,
                   QStringLiteral("Möchten Sie die markierte Gruppe wirklich in der Nachschlagetabelle löschen"));
}

void TEinstellungenFormular::BtnStandortLoeschenClick()
{
    LookupLoeschen(DM->TblStandort,
                   QStringLiteral("Möchten Sie den markierten Standort wirklich in der Nachschlagetabelle löschen"));
}

// ---------------------------------------------------------- report designer

void TEinstellungenFormular::SpeedBtnDesignerMonatsuebersichtClick()
{
    // The box is editable: only an item's exact text opens a layout.
    static const std::pair<const char*, TReportKind> kinds[] = {
        {"Monatsübersicht", rkMonatsuebersicht}, {"Monatsauswertung", rkMonatsauswertung},
        {"Stammdaten", rkStammdaten},           {"Var. Kosten", rkVarKosten},
        {"Termine", rkTermine},                 {"Historie", rkHistorie},
        {"StammdatenListe", rkStammdatenListe}};
    const QString text = ComboBoxDesigner->currentText();
    for (const auto& [item, kind] : kinds)
        if (text == QString::fromUtf8(item)) {
            DesignReport(kind);
            return;
        }
}
