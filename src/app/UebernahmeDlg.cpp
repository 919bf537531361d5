#include "UebernahmeDlg.h"
#include "Application.h"
#include "DBErrors.h"
#include "DataMod.h"
#include "Dialogs.h"
#include "Forms.h"
#include "Guard.h"
#include "Table.h"
#include "Uebernahme.h"
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QString S(const char* s) { return QString::fromUtf8(s); }
}

TUebernahmeDlg::TUebernahmeDlg(TDataModule1* dm, QWidget* parent) : QDialog(parent), DM(dm)
{
    setObjectName(QStringLiteral("UebernahmeDlg"));
    setWindowTitle(S("Daten übernehmen"));
    resize(760, 600);

    auto* ordner = new QGridLayout;
    auto zeile = [&](int r, const QString& text, QLineEdit*& edit, QPushButton*& knopf, const char* editName,
                     const char* knopfName) {
        auto* l = new QLabel(text, this);
        edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(editName));
        edit->setAccessibleName(QString(text).remove(u'&'));
        l->setBuddy(edit);
        knopf = new QPushButton(S("Durchsuchen..."), this);
        knopf->setObjectName(QString::fromLatin1(knopfName));
        knopf->setAccessibleName(QString(text).remove(u'&').remove(u':') + S(" durchsuchen"));
        ordner->addWidget(l, r, 0);
        ordner->addWidget(edit, r, 1);
        ordner->addWidget(knopf, r, 2);
    };
    zeile(0, S("&Datenordner des alten Programms:"), EditOrdner, BtnOrdner, "EditOrdner", "BtnOrdner");
    zeile(1, S("&Privater Ordner (wahlweise, für Kfzsyspr.DB):"), EditPrivatOrdner, BtnPrivatOrdner,
          "EditPrivatOrdner", "BtnPrivatOrdner");

    BtnPruefen = new QPushButton(S("&Prüfen"), this);
    BtnPruefen->setObjectName(QStringLiteral("BtnPruefen"));
    BtnPruefen->setToolTip(S("Liest die alten Tabellen und zeigt, was übernommen würde; ändert nichts"));
    MemoBericht = new QPlainTextEdit(this);
    MemoBericht->setObjectName(QStringLiteral("MemoBericht"));
    MemoBericht->setAccessibleName(S("Zusammenfassung"));
    MemoBericht->setReadOnly(true);
    MemoBericht->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    MemoBericht->setPlainText(S("Wählen Sie den Datenordner des alten Programms (dort liegt KfzStamm.DB) und "
                                "drücken Sie „Prüfen“. Bis Sie „Übernehmen“ bestätigen, wird nichts verändert."));
    LblTabelle = new QLabel(this);
    LblTabelle->setObjectName(QStringLiteral("LblTabelle"));
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setAccessibleName(S("Fortschritt"));
    ProgressBar->setRange(0, 1000);
    ProgressBar->setValue(0);
    BtnUebernehmen = new QPushButton(S("Ü&bernehmen"), this);
    BtnUebernehmen->setObjectName(QStringLiteral("BtnUebernehmen"));
    BtnUebernehmen->setToolTip(S("Ersetzt den Maschinenpark durch die geprüften Daten"));
    BtnUebernehmen->setEnabled(false);
    BtnAbbrechen = new QPushButton(S("Abbrechen"), this);
    BtnAbbrechen->setObjectName(QStringLiteral("BtnAbbrechen"));
    BtnAbbrechen->setToolTip(S("Bricht ab; der Maschinenpark bleibt, wie er war"));

    auto* knoepfe = new QHBoxLayout;
    knoepfe->addWidget(BtnPruefen);
    knoepfe->addStretch();
    knoepfe->addWidget(BtnUebernehmen);
    knoepfe->addWidget(BtnAbbrechen);
    auto* haupt = new QVBoxLayout(this);
    haupt->addLayout(ordner);
    haupt->addWidget(MemoBericht, 1);
    haupt->addWidget(LblTabelle);
    haupt->addWidget(ProgressBar);
    haupt->addLayout(knoepfe);

    const std::pair<QPushButton*, void (TUebernahmeDlg::*)()> handler[] = {
        {BtnOrdner, &TUebernahmeDlg::BtnOrdnerClick}, {BtnPrivatOrdner, &TUebernahmeDlg::BtnPrivatOrdnerClick},
        {BtnPruefen, &TUebernahmeDlg::BtnPruefenClick}, {BtnUebernehmen, &TUebernahmeDlg::BtnUebernehmenClick},
        {BtnAbbrechen, &TUebernahmeDlg::BtnAbbrechenClick}};
    for (const auto& [knopf, h] : handler) ConnectGuarded(knopf, &QPushButton::clicked, this, h);
    connect(EditOrdner, &QLineEdit::textChanged, this, [this] { BtnUebernehmen->setEnabled(false); });
    connect(EditPrivatOrdner, &QLineEdit::textChanged, this, [this] { BtnUebernehmen->setEnabled(false); });
}

TUebernahmeDlg::~TUebernahmeDlg() = default;

void TUebernahmeDlg::BtnOrdnerClick()
{
    const QString d = QFileDialog::getExistingDirectory(this, S("Datenordner des alten Programms"), EditOrdner->text());
    if (!d.isEmpty()) EditOrdner->setText(d);
}

void TUebernahmeDlg::BtnPrivatOrdnerClick()
{
    const QString d = QFileDialog::getExistingDirectory(this, S("Privater Ordner des alten Programms"),
                                                        EditPrivatOrdner->text());
    if (!d.isEmpty()) EditPrivatOrdner->setText(d);
}

void TUebernahmeDlg::Laufend(bool an)
{
    m_laeuft = an;
    m_abbrechen = false;
    for (QWidget* w : std::initializer_list<QWidget*>{EditOrdner, BtnOrdner, EditPrivatOrdner, BtnPrivatOrdner,
                                                      BtnPruefen, BtnUebernehmen})
        w->setEnabled(!an);
    if (an) {
        ProgressBar->setValue(0);
    } else {
        LblTabelle->clear();
    }
}

bool TUebernahmeDlg::Fortschritt(const QString& tabelle, qint64 position, qint64 gesamt)
{
    LblTabelle->setText(tabelle.isEmpty() ? QString() : S("Lese %1 …").arg(tabelle));
    ProgressBar->setValue(gesamt > 0 ? int(position * 1000 / gesamt) : 1000);
    // Keys and the cancel button are served while the pass runs.
    QCoreApplication::processEvents();
    return !m_abbrechen;
}

void TUebernahmeDlg::BtnPruefenClick()
{
    const QString ordner = EditOrdner->text().trimmed();
    const QString privat = EditPrivatOrdner->text().trimmed();
    if (ordner.isEmpty() || !QFileInfo(ordner).isDir()) {
        MessageDlg(S("Bitte wählen Sie den Datenordner des alten Programms."), mtWarning, mbOK);
        EditOrdner->setFocus();
        return;
    }
    if (!privat.isEmpty() && !QFileInfo(privat).isDir()) {
        MessageDlg(S("Den privaten Ordner %1 gibt es nicht.").arg(privat), mtWarning, mbOK);
        EditPrivatOrdner->setFocus();
        return;
    }
    m_uebernahme = std::make_unique<TUebernahme>(ordner, privat);
    m_uebernahme->OnFortschritt = [this](const QString& t, qint64 p, qint64 g) { return Fortschritt(t, p, g); };
    Laufend(true);
    try {
        m_uebernahme->Pruefen();
    } catch (const EAbort&) {
        Laufend(false);
        m_uebernahme.reset();
        MemoBericht->setPlainText(S("Die Prüfung wurde abgebrochen. Es wurde nichts verändert."));
        return;
    } catch (...) {
        Laufend(false);
        m_uebernahme.reset();
        throw;
    }
    Laufend(false);
    const TUebernahmeBericht& b = m_uebernahme->Bericht();
    QString text = b.Text();
    if (b.Moeglich())
        text = S("Mit „Übernehmen“ ersetzen die folgenden Daten den bisherigen Maschinenpark.\n\n") + text;
    MemoBericht->setPlainText(text);
    BtnUebernehmen->setEnabled(b.Moeglich());
    if (b.Moeglich()) BtnUebernehmen->setFocus();
}

void TUebernahmeDlg::BtnUebernehmenClick()
{
    if (!m_uebernahme || !m_uebernahme->Bericht().Moeglich()) return;
    const qint64 maschinen = TUebernahme::MaschinenImPark();
    if (maschinen > 0
        && MessageDlg(S("Der Maschinenpark enthält bereits %1 Maschinen.\r"
                        "Sollen alle bisherigen Maschinen, Kosten, Auswertungen und Historien durch die Daten des "
                        "alten Programms ersetzt werden?\r"
                        "Eine Kopie der bisherigen Datenbank wird daneben aufbewahrt.")
                          .arg(maschinen),
                      mtConfirmation, mbYesNo)
               != mrYes)
        return;
    QStringList kopien;
    Laufend(true);
    try {
        kopien = m_uebernahme->Schreiben();
    } catch (const EAbort&) {
        Laufend(false);
        BtnUebernehmen->setEnabled(true);
        MessageDlg(S("Die Übernahme wurde abgebrochen. Der Maschinenpark ist unverändert."), mtInformation, mbOK);
        return;
    } catch (...) {
        Laufend(false);
        BtnUebernehmen->setEnabled(true);
        throw;
    }
    Laufend(false);
    m_uebernommen = true;

    // The windows show the new park at once.
    for (TTable* t : DM->StartTables())
        if (t->Active()) t->Refresh();
    DM->TTblMain->First();

    qint64 gesamt = 0;
    for (const TUebernahmeTabelle& t : m_uebernahme->Bericht().Tabellen)
        if (t.Art != TUebernahmeTabelle::TArt::Nein) gesamt += t.Uebernommen;
    QString text = S("Die Daten des alten Programms wurden übernommen (%1 Datensätze).").arg(gesamt);
    if (!kopien.isEmpty()) text += S("\r\rDie bisherigen Daten liegen als Kopie in:\r") + kopien.join(u'\r');
    text += S("\r\rBitte beachten Sie die Hinweise der Zusammenfassung: Pfade von Bildern und Dokumenten "
              "wurden unverändert übernommen, die Berichtsvorlagen des alten Programms nicht.");
    MessageDlg(text, mtInformation, mbOK);
    accept();
}

void TUebernahmeDlg::BtnAbbrechenClick()
{
    if (m_laeuft) m_abbrechen = true;
    else QDialog::reject();
}

void TUebernahmeDlg::reject()
{
    BtnAbbrechenClick();
}

void DatenUebernehmen(TDataModule1* dm, QWidget* parent)
{
    if (ReadOnlyMode()) {
        MessageDlg(QStringLiteral("Sie haben nur Leserechte!"), mtInformation, mbOK);
        return;
    }
    if (const QString hindernis = TUebernahme::ZielHindernis(); !hindernis.isEmpty()) {
        MessageDlg(hindernis, mtWarning, mbOK);
        return;
    }
    if (dm->AenderungOffen()) {
        MessageDlg(S("Bitte speichern oder verwerfen Sie zuerst die laufende Änderung."), mtWarning, mbOK);
        return;
    }
    TUebernahmeDlg dlg(dm, parent);
    dlg.exec();
}
