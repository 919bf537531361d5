#include "UebertragungDlg.h"
#include "DBErrors.h"
#include "DataMod.h"
#include "Dialogs.h"
#include "Guard.h"
#include "Session.h"
#include "Transfer.h"
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QString S(const char* s) { return QString::fromUtf8(s); }

const QString kPelmora = QStringLiteral("Pelmora");

QString Zeile(const QString& tabelle, const QString& vorher, const QString& nachher = QString())
{
    QString z = QStringLiteral("%1 %2 %3").arg(tabelle, -14).arg(vorher, 10).arg(nachher, 10);
    while (z.endsWith(u' ')) z.chop(1);
    return z;
}

}   // namespace

TUebertragungDlg::TUebertragungDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("UebertragungDlg"));
    setWindowTitle(S("Daten auf Server übertragen"));
    resize(620, 560);
    TDatabase* quelle = Session().Database(kPelmora);
    m_zumServer = !quelle->IsServer();

    LblQuelle = new QLabel(m_zumServer ? S("Der gemeinsame Park liegt in der Datei %1.\nEr wird in eine leere "
                                           "Datenbank auf dem Server kopiert; die Datei bleibt, wie sie ist.")
                                             .arg(QDir::toNativeSeparators(quelle->FileName()))
                                       : S("Der gemeinsame Park liegt auf dem Server %1.\nEr wird zur Sicherung "
                                           "in eine Datei kopiert; der Server bleibt, wie er ist.")
                                             .arg(quelle->FileName()),
                         this);
    LblQuelle->setObjectName(QStringLiteral("LblQuelle"));
    LblQuelle->setWordWrap(true);

    GrpServer = new QGroupBox(S("Ziel: PostgreSQL-Server"), this);
    GrpServer->setObjectName(QStringLiteral("GrpServer"));
    auto* form = new QFormLayout(GrpServer);
    auto feld = [&](const QString& text, const char* name, QWidget* w) {
        w->setObjectName(QString::fromLatin1(name));
        w->setAccessibleName(QString(text).remove(u'&').remove(u':'));
        form->addRow(text, w);
    };
    EditServer = new QLineEdit(GrpServer);
    feld(S("&Server:"), "EditServer", EditServer);
    EditPort = new QSpinBox(GrpServer);
    EditPort->setRange(1, 65535);
    EditPort->setValue(5432);
    feld(S("&Port:"), "EditPort", EditPort);
    EditDatenbank = new QLineEdit(QStringLiteral("tarvos"), GrpServer);
    feld(S("&Datenbank:"), "EditDatenbank", EditDatenbank);
    EditBenutzer = new QLineEdit(GrpServer);
    feld(S("Ben&utzer:"), "EditBenutzer", EditBenutzer);
    CmbSslMode = new QComboBox(GrpServer);
    CmbSslMode->addItems({QString(), QStringLiteral("disable"), QStringLiteral("prefer"), QStringLiteral("require"),
                          QStringLiteral("verify-ca"), QStringLiteral("verify-full")});
    feld(S("SS&L-Modus:"), "CmbSslMode", CmbSslMode);
    auto* hinweis = new QLabel(S("Das Passwort kommt aus ~/.pgpass, sonst fragt das Programm danach."), GrpServer);
    hinweis->setWordWrap(true);
    form->addRow(hinweis);

    GrpOrdner = new QGroupBox(S("Ziel: Ordner der Sicherung"), this);
    GrpOrdner->setObjectName(QStringLiteral("GrpOrdner"));
    auto* ordner = new QHBoxLayout(GrpOrdner);
    EditOrdner = new QLineEdit(GrpOrdner);
    EditOrdner->setObjectName(QStringLiteral("EditOrdner"));
    EditOrdner->setAccessibleName(S("Ordner der Sicherung"));
    BtnOrdner = new QPushButton(S("Durchsuchen..."), GrpOrdner);
    BtnOrdner->setObjectName(QStringLiteral("BtnOrdner"));
    BtnOrdner->setAccessibleName(S("Ordner der Sicherung durchsuchen"));
    ordner->addWidget(EditOrdner, 1);
    ordner->addWidget(BtnOrdner);
    GrpServer->setVisible(m_zumServer);
    GrpOrdner->setVisible(!m_zumServer);

    MemoAnzahlen = new QPlainTextEdit(this);
    MemoAnzahlen->setObjectName(QStringLiteral("MemoAnzahlen"));
    MemoAnzahlen->setAccessibleName(S("Datensätze vorher und nachher"));
    MemoAnzahlen->setReadOnly(true);
    MemoAnzahlen->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    LblTabelle = new QLabel(this);
    LblTabelle->setObjectName(QStringLiteral("LblTabelle"));
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setAccessibleName(S("Fortschritt"));
    ProgressBar->setRange(0, 1000);
    ProgressBar->setValue(0);
    BtnUebertragen = new QPushButton(S("Ü&bertragen"), this);
    BtnUebertragen->setObjectName(QStringLiteral("BtnUebertragen"));
    BtnUebertragen->setToolTip(S("Kopiert den Park in einem Zug; bei einem Fehler bleibt das Ziel leer"));
    BtnUebertragen->setDefault(true);
    BtnAbbrechen = new QPushButton(S("Schließen"), this);
    BtnAbbrechen->setObjectName(QStringLiteral("BtnAbbrechen"));

    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch();
    knoepfe->addWidget(BtnUebertragen);
    knoepfe->addWidget(BtnAbbrechen);
    auto* haupt = new QVBoxLayout(this);
    haupt->addWidget(LblQuelle);
    haupt->addWidget(GrpServer);
    haupt->addWidget(GrpOrdner);
    haupt->addWidget(MemoAnzahlen, 1);
    haupt->addWidget(LblTabelle);
    haupt->addWidget(ProgressBar);
    haupt->addLayout(knoepfe);

    // The counts before, so the user sees what will be copied.
    QStringList zeilen{Zeile(S("Tabelle"), S("Datensätze"))};
    for (const TTransferCount& c : CountTables(*quelle)) {
        zeilen << Zeile(c.Table, QString::number(c.Source));
        m_gesamt += c.Source;
    }
    MemoAnzahlen->setPlainText(zeilen.join(u'\n'));

    ConnectGuarded(BtnOrdner, &QPushButton::clicked, this, &TUebertragungDlg::BtnOrdnerClick);
    ConnectGuarded(BtnUebertragen, &QPushButton::clicked, this, &TUebertragungDlg::BtnUebertragenClick);
    ConnectGuarded(BtnAbbrechen, &QPushButton::clicked, this, &TUebertragungDlg::BtnAbbrechenClick);
}

TUebertragungDlg::~TUebertragungDlg() = default;

TServerAlias TUebertragungDlg::Server() const
{
    TServerAlias s;
    s.Host = EditServer->text().trimmed();
    s.Port = EditPort->value();
    s.Database = EditDatenbank->text().trimmed();
    s.User = EditBenutzer->text().trimmed();
    s.SslMode = CmbSslMode->currentText();
    return s;
}

void TUebertragungDlg::BtnOrdnerClick()
{
    const QString d = QFileDialog::getExistingDirectory(this, S("Ordner der Sicherung"), EditOrdner->text());
    if (!d.isEmpty()) EditOrdner->setText(QDir::toNativeSeparators(d));
}

void TUebertragungDlg::Laufend(bool an)
{
    m_laeuft = an;
    m_abbrechen = false;
    for (QWidget* w : std::initializer_list<QWidget*>{GrpServer, GrpOrdner, BtnUebertragen}) w->setEnabled(!an);
    BtnAbbrechen->setText(an ? S("Abbrechen") : S("Schließen"));
    if (an) {
        ProgressBar->setValue(0);
        m_fertig = m_tabelleBisher = 0;
        m_tabelle.clear();
    } else {
        LblTabelle->clear();
    }
}

void TUebertragungDlg::Fortschritt(const QString& tabelle, qint64 erledigt)
{
    if (tabelle != m_tabelle) {
        m_fertig += m_tabelleBisher;
        m_tabelle = tabelle;
    }
    m_tabelleBisher = erledigt;
    LblTabelle->setText(S("Übertrage %1 …").arg(tabelle));
    ProgressBar->setValue(m_gesamt > 0 ? int((m_fertig + erledigt) * 1000 / m_gesamt) : 1000);
    // The cancel button is served while the copy runs.
    QCoreApplication::processEvents();
    if (m_abbrechen) throw EAbort();
}

std::unique_ptr<TDatabase> TUebertragungDlg::ZielOeffnen()
{
    if (m_zumServer) {
        const TServerAlias s = Server();
        if (s.Host.isEmpty() || s.Database.isEmpty()) {
            MessageDlg(S("Bitte geben Sie den Server und die Datenbank an."), mtWarning, mbOK);
            (s.Host.isEmpty() ? EditServer : EditDatenbank)->setFocus();
            return nullptr;
        }
        return std::make_unique<TDatabase>(QStringLiteral("PelmoraZiel"), s);
    }
    const QString ordner = QDir::fromNativeSeparators(EditOrdner->text().trimmed());
    if (ordner.isEmpty()) {
        MessageDlg(S("Bitte wählen Sie den Ordner der Sicherung."), mtWarning, mbOK);
        EditOrdner->setFocus();
        return nullptr;
    }
    // The file is named as the shared park's, so the folder can serve as one.
    return std::make_unique<TDatabase>(kPelmora, ordner);
}

void TUebertragungDlg::BtnUebertragenClick()
{
    std::unique_ptr<TDatabase> ziel;
    std::vector<TTransferCount> anzahlen;
    Laufend(true);
    try {
        ziel = ZielOeffnen();
        if (!ziel) {
            Laufend(false);
            return;
        }
        anzahlen = TransferTables(*Session().Database(kPelmora), *ziel,
                                  [this](const QString& t, qint64 n) { Fortschritt(t, n); });
    } catch (const EAbort&) {
        Laufend(false);
        MessageDlg(S("Die Übertragung wurde abgebrochen. Das Ziel ist leer geblieben."), mtInformation, mbOK);
        return;
    } catch (const EDatabaseError& e) {
        // No server, a refused login, a target in use: said here, nothing written.
        Laufend(false);
        MessageDlg(S("Die Daten wurden nicht übertragen.\r") + e.Message(), mtError, mbOK);
        return;
    } catch (...) {
        Laufend(false);
        throw;
    }
    Laufend(false);
    ProgressBar->setValue(1000);
    const QString zielName = ziel->FileName();
    ziel.reset();

    QStringList zeilen{Zeile(S("Tabelle"), S("vorher"), S("nachher"))};
    bool gleich = true;
    for (const TTransferCount& c : anzahlen) {
        zeilen << Zeile(c.Table, QString::number(c.Source), QString::number(c.Target));
        gleich = gleich && c.Source == c.Target;
    }
    zeilen << QString() << (gleich ? S("Alle Datensätze wurden übertragen.") : S("Die Anzahlen weichen ab!"));
    MemoAnzahlen->setPlainText(zeilen.join(u'\n'));
    BtnUebertragen->setEnabled(false);
    if (!gleich) {
        MessageDlg(S("Die Anzahlen der Datensätze vorher und nachher weichen ab. Bitte prüfen Sie das Ziel %1.")
                       .arg(zielName),
                   mtError, mbOK);
        return;
    }
    if (!m_zumServer) {
        MessageDlg(S("Die Sicherung liegt in der Datei %1.").arg(QDir::toNativeSeparators(zielName)), mtInformation,
                   mbOK);
        return;
    }
    if (MessageDlg(S("Der Park liegt jetzt auch auf dem Server %1.\r"
                     "Soll dieser Arbeitsplatz ab dem nächsten Start mit dem Park auf dem Server arbeiten? "
                     "Dazu wird die aliases.ini im Arbeitsordner angepasst; die Datei bleibt als Sicherung.")
                       .arg(zielName),
                   mtConfirmation, mbYesNo)
        == mrYes) {
        Session().SaveAliasServer(kPelmora, Server());
        MessageDlg(S("Ab dem nächsten Start arbeitet das Programm mit dem Park auf dem Server."), mtInformation, mbOK);
    }
}

void TUebertragungDlg::BtnAbbrechenClick()
{
    if (m_laeuft) m_abbrechen = true;
    else QDialog::reject();
}

void TUebertragungDlg::reject()
{
    BtnAbbrechenClick();
}

void DatenAufServerUebertragen(TDataModule1* dm, QWidget* parent)
{
    if (dm->AenderungOffen()) {
        MessageDlg(S("Bitte speichern oder verwerfen Sie zuerst die laufende Änderung."), mtWarning, mbOK);
        return;
    }
    TUebertragungDlg dlg(parent);
    dlg.exec();
}
