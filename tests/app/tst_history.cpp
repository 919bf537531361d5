// The history entries of a machine with their linked pictures and
// documents, the history reports, and the memo with its lamp.
#include "Application.h"
#include "ParkFixture.h"
#include "Clock.h"
#include "DBErrors.h"
#include "DBGrid.h"
#include "DBMemo.h"
#include "DataMod.h"
#include "Dialogs.h"
#include "FileDialog.h"
#include "Forms.h"
#include "Main.h"
#include "Panel.h"
#include "Report1.h"
#include "Session.h"
#include "Shell.h"
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

TTable* Historie() { return DataModule1->TTblHistorie; }

const QString kReplacePicture = QStringLiteral(
    "Dem markierten Historiendatensatz ist bereits ein Bild zugeordnet - möchten Sie das Bild wirklich ersetzten");
const QString kReplaceDocument = QStringLiteral(
    "Dem markierten Historiendatensatz ist bereits ein Dokument zugeordnet - möchten Sie das Dokument wirklich ersetzten");
const QString kReplaceText = QStringLiteral(
    "Dem markierten Historiendatensatz ist bereits ein Text zugeordnet - möchten Sie den Text wirklich ersetzten");
const QString kNotFound = QStringLiteral("Dem markierten Historiendatensatz wurde kein Bild/Dokument zugeordnet bzw. "
                                         "das Bild/Dokument wurde nicht gefunden");

void Click(QPushButton* b)
{
    QTest::mouseClick(b, Qt::LeftButton);
}

QString Info()
{
    return Historie()->FieldByName(QStringLiteral("Info"))->AsString();
}

}   // namespace

class TestHistory : public ParkFixture {
    Q_OBJECT

private:
    QList<TFileDialogRecord> m_fileDialogs;
    QString m_chosenFile;
    QString m_dialogDir;         // where the file dialog leaves the process
    QStringList m_opened;
    QList<QPair<TReportKind, TReportMode>> m_reports;

    void AddMachine(const QString& number, const QString& memo = QString())
    {
        TTable* t = DataModule1->TTblMain;
        t->Append();
        t->FieldByName(QStringLiteral("IdentNummer"))->SetAsString(number);
        t->FieldByName(QStringLiteral("Memo"))->SetAsString(memo);
        t->Post();
    }
    void AddEntry(const QDate& date, const QString& info)
    {
        TTable* t = Historie();
        t->Append();
        t->FieldByName(QStringLiteral("Datum"))->SetAsDate(date);
        t->FieldByName(QStringLiteral("Info"))->SetAsString(info);
        t->Post();
    }
    QString FileInDir(const QString& name)
    {
        const QString path = m_dir->path() + QStringLiteral("/Ablage/") + name;
        QDir().mkpath(m_dir->path() + QStringLiteral("/Ablage"));
        QFile f(path);
        if (!f.exists() && f.open(QIODevice::WriteOnly)) f.write("x");
        return path;
    }

private slots:
    void init()
    {
        InitPark();
        QDir(m_dir->path()).mkpath(QStringLiteral("Bilder"));

        m_fileDialogs.clear();
        m_chosenFile.clear();
        m_dialogDir = m_dir->path() + QStringLiteral("/Bilder");
        m_opened.clear();
        m_reports.clear();
        // Like the real dialog, the answer leaves the process in another directory.
        SetFileDialogResponder([this](const TFileDialogRecord& r) {
            m_fileDialogs << r;
            QDir::setCurrent(m_dialogDir);
            return m_chosenFile;
        });
        SetShellResponder([this](const QString& path) {
            m_opened << path;
            return true;
        });
        OnRunReport = [this](TReportKind kind, TReportMode mode) { m_reports << qMakePair(kind, mode); };
    }

    void cleanup()
    {
        OnRunReport = nullptr;
        SetShellResponder(nullptr);
        SetFileDialogResponder(nullptr);
        CleanupPark();
    }

    void newSaveDelete()
    {
        StartAsIs();
        AddMachine(QStringLiteral("M-1"));
        Main()->SetActivePage(Main()->TabHistorie);
        TDialogRecorder rec;
        Click(Main()->BtnHistorieNeu);
        QCOMPARE(Historie()->State(), dsInsert);
        QCOMPARE(Historie()->FieldByName(QStringLiteral("Datum"))->AsDate(), QDate(2026, 12, 10));
        QCOMPARE(Historie()->FieldByName(QStringLiteral("KfzNr"))->AsString(), QStringLiteral("M-1"));
        QCOMPARE(Main()->DBGridHistorie->SelectedField()->FieldName(), QStringLiteral("Datum"));

        // An entry never saved goes without a question.
        Click(Main()->BtnHistorieLoeschen);
        QVERIFY(rec.IsEmpty());
        QCOMPARE(Historie()->State(), dsBrowse);
        QVERIFY(Historie()->IsEmpty());

        Click(Main()->BtnHistorieNeu);
        Historie()->FieldByName(QStringLiteral("Reserve1"))->SetAsString(QStringLiteral("Motor getauscht"));
        Click(Main()->BtnHistorieSpeichern);
        QCOMPARE(Historie()->State(), dsBrowse);
        QVERIFY(!Historie()->IsEmpty());

        rec.Answer({mrNo});
        Click(Main()->BtnHistorieLoeschen);
        QCOMPARE(rec.Last().Text, QStringLiteral("Möchten Sie den markierten Historiendatensatz wirklich löschen"));
        QCOMPARE(rec.Last().Buttons, mbYesNo);
        QVERIFY(!Historie()->IsEmpty());
        rec.Answer({mrYes});
        Click(Main()->BtnHistorieLoeschen);
        QVERIFY(Historie()->IsEmpty());
        QCOMPARE(rec.Records().size(), 2);
    }

    void entryFailures_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("message");

        QTest::newRow("Neu") << "BtnHistorieNeu" << "Einfügen eines Historiendatensatzes nicht möglich";
        QTest::newRow("Speichern") << "BtnHistorieSpeichern" << "Speichern des Historiendatensatzes nicht möglich";
        QTest::newRow("Löschen") << "BtnHistorieLoeschen" << "Löschen des Historiendatensatzes nicht möglich";
    }

    void entryFailures()
    {
        QFETCH(QString, button);
        QFETCH(QString, message);
        StartAsIs();
        AddMachine(QStringLiteral("M-1"));
        AddEntry(QDate(2026, 3, 2), QString());
        if (button == QLatin1String("BtnHistorieSpeichern")) Historie()->Edit();
        TTable* t = Historie();
        const TDataSetNotifyEvent before[] = {t->BeforeInsert, t->BeforePost, t->BeforeDelete};
        const auto refuse = [](TDataSet*) { throw EDatabaseError(QStringLiteral("Datensatz gesperrt")); };
        t->BeforeInsert = t->BeforePost = t->BeforeDelete = refuse;
        TDialogRecorder rec;
        Click(Main()->findChild<QPushButton*>(button));
        t->BeforeInsert = before[0];
        t->BeforePost = before[1];
        t->BeforeDelete = before[2];
        QCOMPARE(rec.Last().Type, mtError);
        QCOMPARE(rec.Last().Text, message);
        QCOMPARE(rec.Last().Buttons, TMsgDlgButtons(mbOK));
    }

    void linkWithoutEntries_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("lastWords");

        QTest::newRow("Bild") << "BtnHistorieBildNeu" << "bevor Sie diesem ein Bild zuordnen";
        QTest::newRow("Dokument") << "BtnHistorieDokumentNeu" << "bevor Sie diesem ein Dokument zuordnen";
    }

    void linkWithoutEntries()
    {
        QFETCH(QString, button);
        QFETCH(QString, lastWords);
        StartAsIs();
        AddMachine(QStringLiteral("M-1"));
        TDialogRecorder rec;
        Click(Main()->findChild<QPushButton*>(button));
        QCOMPARE(rec.Records().size(), 1);
        QCOMPARE(rec.Last().Type, mtInformation);
        QCOMPARE(rec.Last().Text, QStringLiteral("Bitte legen Sie zunächst mit dem \"Neu\"-Knopf einen "
                                                 "Historiendatensatz für dieses Fahrzeuge an, ")
                                      + lastWords);
        QVERIFY(m_fileDialogs.isEmpty());
    }

    void link_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("present");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("question");
        QTest::addColumn<bool>("replaced");

        QTest::newRow("Bild, leer") << "BtnHistorieBildNeu" << "" << "neu.jpg" << int(mrYes) << "" << true;
        QTest::newRow("Dokument, leer") << "BtnHistorieDokumentNeu" << "" << "neu.pdf" << int(mrYes) << "" << true;
        QTest::newRow("Bild über Bild") << "BtnHistorieBildNeu" << "/alt/foto.JPG" << "neu.jpg" << int(mrYes)
                                        << kReplacePicture << true;
        QTest::newRow("Bild über Dokument") << "BtnHistorieBildNeu" << "/alt/rechnung.pdf" << "neu.jpg" << int(mrYes)
                                            << kReplaceDocument << true;
        QTest::newRow("Dokument über Text") << "BtnHistorieDokumentNeu" << "Reifen beim Händler" << "neu.pdf"
                                            << int(mrYes) << kReplaceText << true;
        QTest::newRow("Bild über Text, abgelehnt") << "BtnHistorieBildNeu" << "Reifen beim Händler" << "neu.jpg"
                                                   << int(mrNo) << kReplaceText << false;
        QTest::newRow("PNG über GIF") << "BtnHistorieBildNeu" << "/alt/skizze.gif" << "neu.png" << int(mrYes)
                                      << kReplacePicture << true;
        QTest::newRow("Dokument über JPEG") << "BtnHistorieDokumentNeu" << "/alt/foto.jpeg" << "neu.pdf" << int(mrYes)
                                            << kReplacePicture << true;
        QTest::newRow("Dialog abgebrochen") << "BtnHistorieBildNeu" << "/alt/foto.jpg" << "" << int(mrYes) << ""
                                            << false;
    }

    void link()
    {
        QFETCH(QString, button);
        QFETCH(QString, present);
        QFETCH(QString, chosen);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(bool, replaced);
        StartAsIs();
        AddMachine(QStringLiteral("M-1"));
        AddEntry(QDate(2026, 3, 2), present);
        if (!chosen.isEmpty()) m_chosenFile = FileInDir(chosen);

        TDialogRecorder rec;
        rec.Answer({answer});
        Click(Main()->findChild<QPushButton*>(button));
        QCOMPARE(m_fileDialogs.size(), 1);
        QCOMPARE(m_fileDialogs[0].Kind, TFileDialogKind::Open);
        QCOMPARE(m_fileDialogs[0].Filter, button.contains(QLatin1String("Dokument"))
                                              ? QStringLiteral("*.pdf|*.pdf")
                                              : QStringLiteral("Bilder|*.jpg;*.jpeg;*.png;*.bmp;*.gif|*.jpg|*.jpg;"
                                                               "*.jpeg|*.png|*.png|*.bmp|*.bmp|*.gif|*.gif"));
        QCOMPARE(rec.Records().size(), question.isEmpty() ? 0 : 1);
        if (!question.isEmpty()) {
            QCOMPARE(rec.Last().Type, mtConfirmation);
            QCOMPARE(rec.Last().Text, question);
        }
        QCOMPARE(Info(), replaced ? m_chosenFile : present);
        QCOMPARE(Historie()->State(), dsBrowse);
        // Report layouts are looked up relative to the start directory.
        QCOMPARE(QDir::currentPath(), Main()->StartDir);
    }

    void linkFails()
    {
        StartAsIs();
        AddMachine(QStringLiteral("M-1"));
        AddEntry(QDate(2026, 3, 2), QString());
        m_chosenFile = FileInDir(QStringLiteral("neu.pdf"));
        const TDataSetNotifyEvent rules = Historie()->BeforePost;
        Historie()->BeforePost = [](TDataSet*) { throw EDatabaseError(QStringLiteral("Datensatz gesperrt")); };
        TDialogRecorder rec;
        Click(Main()->BtnHistorieDokumentNeu);
        Historie()->BeforePost = rules;
        QCOMPARE(rec.Last().Type, mtError);
        QCOMPARE(rec.Last().Text, QStringLiteral("Fehler beim Speichern des Dokumentenpfades."));
        QCOMPARE(QDir::currentPath(), Main()->StartDir);
    }

    void show_data()
    {
        QTest::addColumn<QString>("info");
        QTest::addColumn<bool>("opened");
        QTest::addColumn<bool>("opener");   // the desktop has a program for it

        QTest::newRow("vorhanden") << "bild.jpg" << true << true;
        QTest::newRow("kein Programm dafür") << "bild.jpg" << true << false;
        QTest::newRow("verschoben") << "fehlt.pdf" << false << true;
        QTest::newRow("leer") << "" << false << true;
        QTest::newRow("Text") << "Reifen beim Händler" << false << true;
    }

    void show()
    {
        QFETCH(QString, info);
        QFETCH(bool, opened);
        QFETCH(bool, opener);
        SetShellResponder([this, opener](const QString& path) {
            m_opened << path;
            return opener;
        });
        StartAsIs();
        AddMachine(QStringLiteral("M-1"));
        QString path = info;
        if (info == QLatin1String("bild.jpg")) path = FileInDir(info);
        else if (info == QLatin1String("fehlt.pdf")) path = m_dir->path() + QStringLiteral("/Ablage/fehlt.pdf");
        AddEntry(QDate(2026, 3, 2), path);
        TDialogRecorder rec;
        Click(Main()->BtnHistorieDokumentOeffnen);
        if (opened) {
            QCOMPARE(m_opened, QStringList{path});
            if (opener) {
                QVERIFY(rec.IsEmpty());
            } else {
                QCOMPARE(rec.Last().Type, mtError);
                QCOMPARE(rec.Last().Text, QStringLiteral("Die Datei „%1“ kann nicht geöffnet werden: Auf diesem Rechner "
                                                         "ist kein Programm zum Öffnen dieser Datei eingerichtet.")
                                              .arg(QDir::toNativeSeparators(path)));
            }
        } else {
            QVERIFY(m_opened.isEmpty());
            QCOMPARE(rec.Last().Type, mtInformation);
            QCOMPARE(rec.Last().Text, kNotFound);
        }
        QCOMPARE(Info(), path);
    }

    void reports_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("withEntry");
        QTest::addColumn<int>("mode");

        QTest::newRow("drucken") << "BitBtnHistorieDrucken" << true << int(rmPrint);
        QTest::newRow("Vorschau") << "BitBtnHistorieVorschau" << true << int(rmPreview);
        QTest::newRow("drucken, keine Historie") << "BitBtnHistorieDrucken" << false << 0;
        QTest::newRow("Vorschau, keine Historie") << "BitBtnHistorieVorschau" << false << 0;
    }

    void reports()
    {
        QFETCH(QString, button);
        QFETCH(bool, withEntry);
        QFETCH(int, mode);
        StartAsIs();
        AddMachine(QStringLiteral("M-1"));
        if (withEntry) AddEntry(QDate(2026, 3, 2), QString());
        TDialogRecorder rec;
        Click(Main()->findChild<QPushButton*>(button));
        if (withEntry) {
            QVERIFY(rec.IsEmpty());
            QCOMPARE(m_reports, (QList<QPair<TReportKind, TReportMode>>{{rkHistorie, TReportMode(mode)}}));
        } else {
            QVERIFY(m_reports.isEmpty());
            QCOMPARE(rec.Last().Type, mtInformation);
            QCOMPARE(rec.Last().Text, QStringLiteral("Sie haben noch keine Historie für diese Maschine angelegt"));
        }
    }

    void memoLamp()
    {
        StartAsIs();
        AddMachine(QStringLiteral("A"), QStringLiteral("Ölwechsel fällig"));
        AddMachine(QStringLiteral("B"));
        TTable* m = DataModule1->TTblMain;
        m->First();
        QCOMPARE(m->FieldByName(QStringLiteral("IdentNummer"))->AsString(), QStringLiteral("A"));
        QCOMPARE(Main()->TPanMemoLED->Color(), QColor(Qt::red));
        m->Next();
        QVERIFY(Main()->TPanMemoLED->Color() != QColor(Qt::red));
        m->Prior();
        QCOMPARE(Main()->TPanMemoLED->Color(), QColor(Qt::red));

        // Typing turns it on and off, and the memo button saves.
        m->Next();
        Main()->SetEditMode(true);
        Main()->SetActivePage(Main()->TabMemo);
        Main()->EditDBMemo->setFocus();
        QTest::keyClicks(Main()->EditDBMemo, QStringLiteral("x"));
        QCOMPARE(Main()->TPanMemoLED->Color(), QColor(Qt::red));
        QTest::keyClick(Main()->EditDBMemo, Qt::Key_Backspace);
        QVERIFY(Main()->TPanMemoLED->Color() != QColor(Qt::red));
        QTest::keyClicks(Main()->EditDBMemo, QStringLiteral("Filter tauschen"));
        Click(Main()->BtnMemoSpeichern);
        QCOMPARE(m->State(), dsBrowse);
        QCOMPARE(m->FieldByName(QStringLiteral("Memo"))->AsString(), QStringLiteral("Filter tauschen"));
    }
};

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TestHistory test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_history.moc"
