// The main window's history entries with their linked files, and the memo.
#include "Application.h"
#include "Clock.h"
#include "DBGrid.h"
#include "DataMod.h"
#include "Guard.h"
#include "Dialogs.h"
#include "FileDialog.h"
#include "Main.h"
#include "Report1.h"
#include "Shell.h"
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QScopeGuard>

namespace {

bool Editing(TDataSet* t)
{
    return t->State() == dsEdit || t->State() == dsInsert;
}

}   // namespace

void THauptFormular::ConnectHistorieHandlers()
{
    ConnectGuarded(BtnHistorieNeu, &QPushButton::clicked, this, &THauptFormular::BtnHistorieNeuClick);
    ConnectGuarded(BtnHistorieSpeichern, &QPushButton::clicked, this, &THauptFormular::BtnHistorieSpeichernClick);
    ConnectGuarded(BtnHistorieLoeschen, &QPushButton::clicked, this, &THauptFormular::BtnHistorieLoeschenClick);
    ConnectGuarded(BtnHistorieBildNeu, &QPushButton::clicked, this, &THauptFormular::BtnHistorieBildNeuClick);
    ConnectGuarded(BtnHistorieDokumentNeu, &QPushButton::clicked, this, &THauptFormular::BtnHistorieDokumentNeuClick);
    ConnectGuarded(BtnHistorieDokumentOeffnen, &QPushButton::clicked, this, &THauptFormular::BtnHistorieDokumentOeffnenClick);
    ConnectGuarded(BitBtnHistorieDrucken, &QPushButton::clicked, this, &THauptFormular::BitBtnHistorieDruckenClick);
    ConnectGuarded(BitBtnHistorieVorschau, &QPushButton::clicked, this, &THauptFormular::BitBtnHistorieVorschauClick);
    ConnectGuarded(BtnMemoSpeichern, &QPushButton::clicked, this, &THauptFormular::BtnMemoSpeichernClick);
}

// ---------------------------------------------------------------- history

void THauptFormular::BtnHistorieNeuClick()
{
    try {
        TTable* t = DM->TTblHistorie;
        t->Append();
        t->FieldByName(QStringLiteral("Datum"))->SetAsDate(Today());
        DBGridHistorie->setFocus();
        for (int col = 0; col < DBGridHistorie->FieldCount(); ++col) {
            TField* f = DBGridHistorie->Fields(col);
            if (f && f->FieldName().compare(QLatin1String("Datum"), Qt::CaseInsensitive) == 0) {
                DBGridHistorie->SetSelectedIndex(col);
                break;
            }
        }
    } catch (...) {
        MessageDlg(QStringLiteral("Einfügen eines Historiendatensatzes nicht möglich"), mtError, mbOK);
    }
}

void THauptFormular::BtnHistorieSpeichernClick()
{
    TTable* t = DM->TTblHistorie;
    if (!Editing(t)) return;
    try {
        t->Post();
    } catch (...) {
        MessageDlg(QStringLiteral("Speichern des Historiendatensatzes nicht möglich"), mtError, mbOK);
    }
}

void THauptFormular::BtnHistorieLoeschenClick()
{
    TTable* t = DM->TTblHistorie;
    // A new entry that was never saved goes without a question.
    if (t->State() == dsInsert) {
        t->Cancel();
        return;
    }
    if (MessageDlg(QStringLiteral("Möchten Sie den markierten Historiendatensatz wirklich löschen"), mtConfirmation,
                   mbYesNo)
        != mrYes)
        return;
    try {
        t->Delete();
    } catch (...) {
        MessageDlg(QStringLiteral("Löschen des Historiendatensatzes nicht möglich"), mtError, mbOK);
    }
}

namespace {

// The picture types a camera or a scanner writes; JPEG first, as before.
const QString kBildFilter = QStringLiteral("Bilder|*.jpg;*.jpeg;*.png;*.bmp;*.gif|*.jpg|*.jpg;*.jpeg|*.png|*.png|"
                                           "*.bmp|*.bmp|*.gif|*.gif");

// A link names a picture by its file type.
bool IstBild(const QString& info)
{
    static const QStringList bilder{QStringLiteral("JPG"), QStringLiteral("JPEG"), QStringLiteral("PNG"),
                                    QStringLiteral("BMP"), QStringLiteral("GIF")};
    const qsizetype punkt = info.lastIndexOf(u'.');
    return punkt >= 0 && bilder.contains(info.mid(punkt + 1).toUpper());
}

}   // namespace

void THauptFormular::HistorieLinkNeu(bool bild)
{
    TTable* t = DM->TTblHistorie;
    if (t->IsEmpty()) {
        MessageDlg(QStringLiteral("Bitte legen Sie zunächst mit dem \"Neu\"-Knopf einen Historiendatensatz für dieses "
                                  "Fahrzeuge an, ")
                       + (bild ? QStringLiteral("bevor Sie diesem ein Bild zuordnen")
                               : QStringLiteral("bevor Sie diesem ein Dokument zuordnen")),
                   mtInformation, mbOK);
        return;
    }
    // The file dialog may leave another working directory behind; report
    // layouts are found relative to the start directory.
    const auto backHome = qScopeGuard([this] { QDir::setCurrent(StartDir); });
    const QString path = PromptForFileName(TFileDialogKind::Open, QString(), bild ? kBildFilter : QStringLiteral("*.pdf|*.pdf"),
                                           QString());
    if (path.isEmpty()) return;
    try {
        TField* info = t->FieldByName(QStringLiteral("Info"));
        const QString present = info->AsString();
        if (!present.isEmpty()) {
            const QString kind = present.right(3).toUpper();
            QString question;
            if (IstBild(present))
                question = QStringLiteral("Dem markierten Historiendatensatz ist bereits ein Bild zugeordnet - möchten Sie "
                                          "das Bild wirklich ersetzten");
            else if (kind == QLatin1String("PDF"))
                question = QStringLiteral("Dem markierten Historiendatensatz ist bereits ein Dokument zugeordnet - möchten "
                                          "Sie das Dokument wirklich ersetzten");
            else
                question = QStringLiteral("Dem markierten Historiendatensatz ist bereits ein Text zugeordnet - möchten Sie "
                                          "den Text wirklich ersetzten");
            if (MessageDlg(question, mtConfirmation, mbYesNo) != mrYes) return;
        }
        t->Edit();
        info->SetAsString(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
        t->Post();
    } catch (...) {
        MessageDlg(bild ? QStringLiteral("Fehler beim Speichern des Bildpfades.")
                        : QStringLiteral("Fehler beim Speichern des Dokumentenpfades."),
                   mtError, mbOK);
    }
}

void THauptFormular::BtnHistorieBildNeuClick()
{
    HistorieLinkNeu(true);
}

void THauptFormular::BtnHistorieDokumentNeuClick()
{
    HistorieLinkNeu(false);
}

void THauptFormular::BtnHistorieDokumentOeffnenClick()
{
    try {
        const QString path = DM->TTblHistorie->FieldByName(QStringLiteral("Info"))->AsString();
        if (!path.isEmpty() && QFileInfo(path).isFile()) {
            // Without a program for the file (no desktop's opener at all) the
            // user would otherwise see nothing happen.
            if (!ShellOpen(path))
                MessageDlg(QStringLiteral("Die Datei „%1“ kann nicht geöffnet werden: Auf diesem Rechner ist kein "
                                          "Programm zum Öffnen dieser Datei eingerichtet.")
                               .arg(QDir::toNativeSeparators(path)),
                           mtError, mbOK);
            return;
        }
        MessageDlg(QStringLiteral("Dem markierten Historiendatensatz wurde kein Bild/Dokument zugeordnet bzw. das "
                                  "Bild/Dokument wurde nicht gefunden"),
                   mtInformation, mbOK);
    } catch (...) {
        MessageDlg(QStringLiteral("Fehler beim Öffnen des Bild/Dokuments."), mtError, mbOK);
    }
}

void THauptFormular::HistorieDrucken(int mode)
{
    if (DM->TTblHistorie->IsEmpty()) {
        MessageDlg(QStringLiteral("Sie haben noch keine Historie für diese Maschine angelegt"), mtInformation, mbOK);
        return;
    }
    RunReport(rkHistorie, TReportMode(mode));
}

void THauptFormular::BitBtnHistorieDruckenClick()
{
    HistorieDrucken(rmPrint);
}

void THauptFormular::BitBtnHistorieVorschauClick()
{
    HistorieDrucken(rmPreview);
}

// ------------------------------------------------------------------- memo

void THauptFormular::BtnMemoSpeichernClick()
{
    TTable* t = DM->TTblMain;
    if (!Editing(t)) return;
    // The posting rules have shown their own messages already.
    try {
        t->Post();
    } catch (...) {
    }
}
