// Advancing a machine's due dates by the intervals of the settings, from the
// popup menu of the due-date edits or after a voucher naming a due-date kind.
#include "Application.h"
#include "DBEdit.h"
#include "DBErrors.h"
#include "DBFormat.h"
#include "DataMod.h"
#include "Dialogs.h"
#include "Forms.h"
#include "Guard.h"
#include "Main.h"
#include "Utility.h"
#include <QAction>
#include <QLabel>
#include <QMenu>

namespace {

QString S(const char* utf8) { return QString::fromUtf8(utf8); }

const QString kFehlerAnfang = QStringLiteral("Terminfortschreibung nicht möglich - Sie haben entweder keinen ");
const QString kFehlerEnde =
    QStringLiteral(" oder kein entsprechendes Terminintervall im Einstellungen-Formular definiert.");

// One kind of due date: where it is shown, stored and how far it moves.
struct TTerminArt {
    QString Feld;
    QString Intervall;
    bool Stunden = false;
    QString Erfolg;
    QString Fehler;
};

}   // namespace

void THauptFormular::ConnectTerminHandlers()
{
    TPopupMenuTermin = new QMenu(this);
    TPopupMenuTermin->setObjectName(QStringLiteral("TPopupMenuTermin"));
    NchstenTermin1 = TPopupMenuTermin->addAction(S("Nächsten Termin"));
    NchstenTermin1->setObjectName(QStringLiteral("NchstenTermin1"));
    Abbrechen1 = TPopupMenuTermin->addAction(QStringLiteral("Abbrechen"));
    Abbrechen1->setObjectName(QStringLiteral("Abbrechen1"));
    ConnectGuarded(NchstenTermin1, &QAction::triggered, this, &THauptFormular::NchstenTermin1Click);
    const TDBEdit* const edits[] = {EditTuevTermin,       EditUVVTermin,        EditWartungKleinTermin,
                                    EditWartungGrossTermin, EditBetriebsstundenTermin, EditFreierTermin[0],
                                    EditFreierTermin[1],  EditFreierTermin[2]};
    for (const TDBEdit* c : edits) {
        auto* e = const_cast<TDBEdit*>(c);
        e->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(e, &QWidget::customContextMenuRequested, this, [this, e](const QPoint& pos) {
            TPopupMenuTerminPopup(e);
            TPopupMenuTermin->exec(e->mapToGlobal(pos));
        });
    }
}

void THauptFormular::TPopupMenuTerminPopup(QWidget* component)
{
    m_terminComponent = component;
}

void THauptFormular::NchstenTermin1Click()
{
    if (ReadOnlyMode()) {
        MessageDlg(QStringLiteral("Sie haben nur Leserechte!"), mtInformation, mbOK);
        return;
    }
    QWidget* c = m_terminComponent;
    TTerminArt art;
    auto kalender = [&](const char* feld, const char* intervall, const QString& erfolg, const QString& name) {
        art = {S(feld), S(intervall), false, erfolg,
               kFehlerAnfang + name + QStringLiteral(" eingetragen") + kFehlerEnde};
    };
    if (c == EditTuevTermin)
        kalender("TÜVTermin", "TÜVTIntervall", S("TÜV-Termin erfolgreich fortgeschrieben."), S("TÜV-Termin"));
    else if (c == EditUVVTermin)
        kalender("UVVTermin", "UVVTIntervall", QStringLiteral("UVV Termin erfolgreich fortgeschrieben."),
                 QStringLiteral("UVV Termin"));
    else if (c == EditWartungKleinTermin)
        kalender("WartungKleinTermin", "WartungKleinTIntervall",
                 QStringLiteral("Kleine Wartungstermin erfolgreich fortgeschrieben."), QStringLiteral("Kl. Wartungstermin"));
    else if (c == EditWartungGrossTermin)
        kalender("WartungGrossTermin", "WartungGrossTIntervall",
                 S("Große Wartungstermin erfolgreich fortgeschrieben."), QStringLiteral("Gr. Wartungstermin"));
    else if (c == EditBetriebsstundenTermin)
        art = {QStringLiteral("BetriebsstundenTermin"), QStringLiteral("BetriebsstundenTIntervall"), true,
               QStringLiteral("Betriebsstunden erfolgreich fortgeschrieben."),
               kFehlerAnfang + QStringLiteral("Betriebsstundentermin eingetragen") + kFehlerEnde};
    else {
        int i = 0;
        while (i < 3 && c != EditFreierTermin[i]) ++i;
        if (i == 3) return;   // not opened on a due date
        const QString name = LabelFreierTermin[i]->text();
        art = {QStringLiteral("FreierTermin%1").arg(i + 1), QStringLiteral("FreierT%1Intervall").arg(i + 1), false,
               name + QStringLiteral(" erfolgreich fortgeschrieben."),
               kFehlerAnfang + name + QStringLiteral(" eingetragen") + kFehlerEnde};
    }

    TTable* m = DM->TTblMain;
    TField* termin = m->FieldByName(art.Feld);
    TField* intervall = DM->TTblEinstellungenAllgem->FindField(art.Intervall);
    if (termin->IsNull() || !intervall || intervall->IsNull()) {
        MessageDlg(art.Fehler, mtWarning, mbOK);
        return;
    }
    // The settings take any whole number; going backwards is not advancing.
    if (intervall->AsFloat() < 0) {
        MessageDlg(S("Terminfortschreibung nicht möglich - das Terminintervall im Einstellungen-Formular ist negativ."),
                   mtWarning, mbOK);
        return;
    }

    if (art.Stunden) {
        const double neu =
            DBFormat::RoundBanker(termin->AsFloat(), 0) + DBFormat::RoundBanker(intervall->AsFloat(), 0);
        m->Edit();
        m->FieldByName(art.Feld)->SetAsFloat(neu);
        m->Post();
    } else {
        const std::optional<QDate> neu = AddMonths(termin->AsDate(), int(intervall->AsFloat()));
        if (!neu) throw EConvertError(S("Ungültiges Argument zum Codieren des Datums"));
        m->Edit();
        m->FieldByName(art.Feld)->SetAsDate(*neu);
        m->Post();
    }
    MessageDlg(art.Erfolg, mtInformation, mbOK);
}

void THauptFormular::TerminFortschreibungAnbieten(const QString& code)
{
    QString frage;
    QWidget* edit = nullptr;
    if (code == QLatin1String("TUV")) {
        frage = S("Möchten Sie den TÜV-Termin fortschreiben");
        edit = EditTuevTermin;
    } else if (code == QLatin1String("UVV")) {
        frage = S("Möchten Sie den UVV-Termin fortschreiben");
        edit = EditUVVTermin;
    } else if (code == QLatin1String("KLW")) {
        frage = S("Möchten Sie den Kleine Wartung Termin fortschreiben");
        edit = EditWartungKleinTermin;
    } else if (code == QLatin1String("GRW")) {
        frage = S("Möchten Sie den Große Wartung Termin fortschreiben");
        edit = EditWartungGrossTermin;
    } else if (code == QLatin1String("BST")) {
        frage = S("Möchten Sie den Betriebsstundentermin fortschreiben");
        edit = EditBetriebsstundenTermin;
    } else {
        for (int i = 0; i < 3; ++i)
            if (code == QStringLiteral("FT%1").arg(i + 1)) {
                frage = S("Möchten Sie den ") + LabelFreierTermin[i]->text() + QStringLiteral(" fortschreiben");
                edit = EditFreierTermin[i];
            }
    }
    if (!edit) return;
    if (MessageDlg(frage, mtConfirmation, mbYesNo) != mrYes) return;
    TPopupMenuTerminPopup(edit);
    // The voucher is saved whatever happens here, and a failure must be seen
    // however the voucher was saved (the cost tab's button swallows its own).
    try {
        NchstenTermin1Click();
    } catch (...) {
        HandleException(this);
    }
}
