// Taking over the old program's Paradox tables: the check and its report,
// every value compared with what was written, truth values, a cancelled
// write, and damaged files.
#include "AltPark.h"
#include "ParkFixture.h"
#include "Uebernahme.h"
#include <QCryptographicHash>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <random>

namespace {

const TUebernahmeTabelle& TabelleIm(const TUebernahmeBericht& b, const QString& name)
{
    for (const TUebernahmeTabelle& t : b.Tabellen)
        if (t.Name.compare(name, Qt::CaseInsensitive) == 0) return t;
    qFatal("no such table");
}

// Every table of both databases as text, for before/after comparisons.
QString Abzug()
{
    QString s;
    for (const char* alias : {"Pelmora", "PelmoraPriv"}) {
        TDatabase* db = Session().Database(QString::fromLatin1(alias));
        for (const QString& t : db->TableNames()) {
            QSqlQuery q(db->Db());
            q.exec(QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(SqlQuote(t)));
            s += t + u'\n';
            while (q.next()) {
                for (int i = 0; i < q.record().count(); ++i) s += q.value(i).toString() + u'|';
                s += u'\n';
            }
        }
    }
    return s;
}

// The records of one of our tables in schema field order, as stored.
QList<QVariantList> Gespeichert(const QString& tabelle)
{
    const TTableSchema& s = SchemaOf(tabelle);
    QStringList spalten;
    for (const TFieldDef& f : s.Fields) spalten << SqlQuote(f.Name);
    QSqlQuery q(Session().Database(s.Alias)->Db());
    q.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY \"_rid\"").arg(spalten.join(u','), SqlQuote(TableBaseName(tabelle))));
    QList<QVariantList> out;
    while (q.next()) {
        QVariantList r;
        for (int i = 0; i < spalten.size(); ++i) r << q.value(i);
        out << r;
    }
    return out;
}

// The value as our store keeps it: ISO dates, REAL numbers, 0/1, null for empty.
QVariant AlsGespeichert(const QVariant& v)
{
    if (!v.isValid() || v.isNull()) return QVariant();
    switch (v.typeId()) {
    case QMetaType::QDate: return v.toDate().toString(Qt::ISODate);
    case QMetaType::Bool: return qlonglong(v.toBool() ? 1 : 0);
    case QMetaType::Int: return qlonglong(v.toInt());
    case QMetaType::Double: return v.toDouble();
    default: return v.toString().isEmpty() ? QVariant() : QVariant(v.toString());
    }
}

bool Gleich(const QVariant& gespeichert, const QVariant& erwartet)
{
    if (erwartet.isNull()) return gespeichert.isNull();
    if (gespeichert.isNull()) return false;
    if (erwartet.typeId() == QMetaType::Double) return gespeichert.toDouble() == erwartet.toDouble();
    if (erwartet.typeId() == QMetaType::LongLong) return gespeichert.toLongLong() == erwartet.toLongLong();
    return gespeichert.toString() == erwartet.toString();
}

void Patch(const QString& datei, qint64 ort, const QByteArray& bytes)
{
    QFile f(datei);
    QVERIFY(f.open(QIODevice::ReadWrite));
    f.seek(ort);
    f.write(bytes);
}

QByteArray Le16(int v)
{
    QByteArray b(2, '\0');
    b[0] = char(v & 0xFF);
    b[1] = char((v >> 8) & 0xFF);
    return b;
}
QByteArray Le32(qint32 v) { return Le16(v & 0xFFFF) + Le16((v >> 16) & 0xFFFF); }

}   // namespace

class TestUebernahme : public ParkFixture {
    Q_OBJECT
    TAltPark m_alt;
    QTemporaryDir m_vorlage;   // the old park, written once
    TAltPark m_vorlagePark;

private slots:
    void initTestCase() { m_vorlagePark.Schreiben(m_vorlage.path()); }
    void init()
    {
        InitPark();
        CreateMissingTables();
        StoreMachine({{QStringLiteral("IdentNummer"), QStringLiteral("BISHER-1")}});
        m_alt = m_vorlagePark;
        for (QString* ordner : {&m_alt.Ordner, &m_alt.PrivatOrdner}) {
            const QString neu = m_dir->path() + u'/' + QFileInfo(*ordner).fileName();
            QDir().mkpath(neu);
            for (const QFileInfo& f : QDir(*ordner).entryInfoList(QDir::Files))
                QVERIFY(QFile::copy(f.absoluteFilePath(), neu + u'/' + f.fileName()));
            *ordner = neu;
        }
    }
    void cleanup() { CleanupPark(); }

    void berichtNenntTabellenFelderUndHinweise()
    {
        TUebernahme u(m_alt.Ordner, m_alt.PrivatOrdner);
        const TUebernahmeBericht& b = u.Pruefen();
        QVERIFY(b.Moeglich());
        const TUebernahmeTabelle& stamm = TabelleIm(b, QStringLiteral("KfzStamm.db"));
        QVERIFY(stamm.Pfad.endsWith(QLatin1String("KFZSTAMM.DB")));
        QCOMPARE(stamm.Saetze, 5);
        QCOMPARE(stamm.Uebernommen, 3);
        QCOMPARE(stamm.Unbekannt, (QStringList{QStringLiteral("Farbe"), QStringLiteral("Kennzeichen")}));
        QVERIFY(stamm.Fehlend.isEmpty());   // "TÜVTERMIN" is our "TÜVTermin"
        QVERIFY(TabelleIm(b, QStringLiteral("Kfzsyspr.DB")).Pfad.startsWith(m_alt.PrivatOrdner));
        QCOMPARE(TabelleIm(b, QStringLiteral("HILFE.DB")).Art, TUebernahmeTabelle::TArt::Nein);

        const QString text = b.Text();
        for (const char* teil : {"KfzStamm.db: 5 Datensätze, davon 3 übernommen", "KfzStamm.db: Farbe, Kennzeichen",
                                 "Datensätze, die nicht übernommen werden (4)",
                                 "HILFE.DB: gefunden, nicht übernommen", "Termine.DB: gefunden, nicht übernommen",
                                 "1 Datensätze in KfzVar.DB gehören zu keiner übernommenen Maschine",
                                 "„C:\\Bilder\\Bagger Größe.jpg“", "Berichtsvorlagen des alten Programms",
                                 "Paßwort für die Benutzerrechte"})
            QVERIFY2(text.contains(QString::fromUtf8(teil)), teil);
        // Nothing is written by the check.
        QCOMPARE(TUebernahme::MaschinenImPark(), 1);
    }

    void abgelehnteDatensaetze_data()
    {
        QTest::addColumn<QString>("tabelle");
        QTest::addColumn<qint64>("satz");
        QTest::addColumn<QString>("grund");
        QTest::newRow("doppelte Nummer") << "KfzStamm.db" << qint64(3)
            << QString::fromUtf8("Ident.-Nummer „BAG-001“ kommt doppelt vor (wie in Datensatz 1)");
        QTest::newRow("Datum vor 1900") << "KfzStamm.db" << qint64(4)
            << QString::fromUtf8("Datum 03.05.1899 in Feld Anschaffung liegt nicht zwischen 01.01.1900 und 31.12.2099");
        QTest::newRow("Datum nach 2099") << "KfzVar.DB" << qint64(4)
            << QString::fromUtf8("Datum 01.01.2100 in Feld BelegDatum liegt nicht zwischen 01.01.1900 und 31.12.2099");
        QTest::newRow("doppelte Auswertung") << "KfzMonat.DB" << qint64(2)
            << QString::fromUtf8("Schlüssel „BAG-001 / 2000 / 2 / Februar“ kommt doppelt vor (wie in Datensatz 1)");
    }
    void abgelehnteDatensaetze()
    {
        QFETCH(QString, tabelle);
        QFETCH(qint64, satz);
        QFETCH(QString, grund);
        TUebernahme u(m_alt.Ordner, m_alt.PrivatOrdner);
        const TUebernahmeBericht& b = u.Pruefen();
        QCOMPARE(b.AbgelehntAnzahl, 4);
        const auto it = std::find_if(b.Abgelehnt.begin(), b.Abgelehnt.end(),
                                     [&](const TAbgelehnt& a) { return a.Tabelle == tabelle && a.Satz == satz; });
        QVERIFY(it != b.Abgelehnt.end());
        QCOMPARE(it->Grund, grund);
        QVERIFY(b.Text().contains(QStringLiteral("%1, Datensatz %2: %3").arg(tabelle).arg(satz).arg(grund)));
    }

    void jederWertWieGeschrieben_data()
    {
        QTest::addColumn<QString>("tabelle");
        for (const char* t : {"KfzStamm.db", "KfzVar.DB", "KfzMonat.DB", "KfzHisto.DB", "TerminKz.db", "Kfzsyste.DB",
                              "KfzGruppe.db", "KfzStort.db", "Kfzsyspr.DB"})
            QTest::newRow(t) << QString::fromLatin1(t);
    }
    void jederWertWieGeschrieben()
    {
        QFETCH(QString, tabelle);
        TUebernahme u(m_alt.Ordner, m_alt.PrivatOrdner);
        u.Pruefen();
        const QStringList kopien = u.Schreiben();
        QCOMPARE(kopien.size(), 2);   // both databases change
        const QList<QVariantList> erwartet = m_alt.Erwartet.value(TableBaseName(tabelle).toLower());
        const QList<QVariantList> ist = Gespeichert(tabelle);
        QCOMPARE(ist.size(), erwartet.size());
        const TTableSchema& s = SchemaOf(tabelle);
        for (int r = 0; r < ist.size(); ++r)
            for (int f = 0; f < int(s.Fields.size()); ++f) {
                const QVariant soll = AlsGespeichert(erwartet[r].value(f));
                QVERIFY2(Gleich(ist[r][f], soll), qPrintable(QStringLiteral("%1 Satz %2 %3: %4 statt %5")
                    .arg(tabelle).arg(r + 1).arg(s.Fields[size_t(f)].Name, ist[r][f].toString(), soll.toString())));
            }
    }

    void hilfetextBleibtUndMemoUeberVierhundertZeichen()
    {
        TUebernahme u(m_alt.Ordner, m_alt.PrivatOrdner);
        u.Pruefen();
        u.Schreiben();
        TTable t;
        t.SetDatabaseName(QStringLiteral("Pelmora"));
        t.SetTableName(QStringLiteral("HILFE.DB"));
        t.Open();
        QVERIFY(t.FieldByName(QStringLiteral("Hilfe"))->AsString().startsWith(QLatin1String("Erste Schritte")));
        t.Close();
        t.SetTableName(QStringLiteral("KfzStamm.db"));
        t.Open();
        QVERIFY(t.FindKey({QStringLiteral("BAG-001")}));
        QVERIFY(TAltPark::LangesMemo().size() > 240);
        QCOMPARE(t.FieldByName(QStringLiteral("Memo"))->AsString(), TAltPark::LangesMemo());
        QCOMPARE(t.FieldByName(QStringLiteral("TÜVTermin"))->AsDateTime().date(), QDate(2000, 2, 29));
    }

    // Truth values come as logical fields or as the text forms.
    void wahrheitswerte_data()
    {
        QTest::addColumn<QVariant>("alt");
        QTest::addColumn<int>("typ");
        QTest::addColumn<QString>("text");
        QTest::newRow("logisch wahr") << QVariant(true) << PxTyp::Logisch << "Wahr";
        QTest::newRow("logisch falsch") << QVariant(false) << PxTyp::Logisch << "Falsch";
        QTest::newRow("Text Wahr") << QVariant(QStringLiteral("Wahr")) << PxTyp::Alpha << "Wahr";
        QTest::newRow("Text falsch") << QVariant(QStringLiteral("falsch")) << PxTyp::Alpha << "Falsch";
        QTest::newRow("Text unklar") << QVariant(QStringLiteral("vielleicht")) << PxTyp::Alpha << "";
    }
    void wahrheitswerte()
    {
        QFETCH(QVariant, alt);
        QFETCH(int, typ);
        QFETCH(QString, text);
        const QString pfad = m_alt.PrivatOrdner + QStringLiteral("/KFZSYSPR.DB");
        QFile::remove(pfad);
        {
            TPxSchreiber w(pfad, {{QStringLiteral("Rights"), PxTyp::Alpha, 1}, {QStringLiteral("schreibschutz"), typ, 10}});
            w.Satz({QStringLiteral("S"), alt});
        }
        TUebernahme u(m_alt.Ordner, m_alt.PrivatOrdner);
        const TUebernahmeBericht& b = u.Pruefen();
        u.Schreiben();
        TTable t;
        t.SetDatabaseName(QStringLiteral("PelmoraPriv"));
        t.SetTableName(QStringLiteral("Kfzsyspr.DB"));
        t.Open();
        if (text.isEmpty()) {
            // Not a truth value: the record is refused and the settings stay.
            QVERIFY(b.Text().contains(QString::fromUtf8("kein Wahrheitswert")));
            QCOMPARE(t.FieldByName(QStringLiteral("Schreibschutz"))->AsString(), QStringLiteral("Falsch"));
        } else {
            QCOMPARE(t.FieldByName(QStringLiteral("Schreibschutz"))->AsString(), text);
        }
    }

    void abbrechenLaesstDenParkUnveraendert_data()
    {
        QTest::addColumn<int>("nachMeldungen");
        QTest::newRow("vor dem ersten Datensatz") << 1;
        QTest::newRow("mitten in den Tabellen") << 4;
        QTest::newRow("nach dem letzten Datensatz") << 10;
    }
    void abbrechenLaesstDenParkUnveraendert()
    {
        QFETCH(int, nachMeldungen);
        const QString vorher = Abzug();
        TUebernahme u(m_alt.Ordner, m_alt.PrivatOrdner);
        u.Pruefen();
        int meldungen = 0;
        u.OnFortschritt = [&](const QString&, qint64, qint64) { return ++meldungen < nachMeldungen; };
        QVERIFY_THROWS_EXCEPTION(EAbort, u.Schreiben());
        QCOMPARE(Abzug(), vorher);
        QCOMPARE(QDir(m_dir->path() + QStringLiteral("/Daten")).entryList({QStringLiteral("*vor-Import*")}).size(), 0);
    }

    // The command-line tool in a working folder without aliases.ini writes
    // the user's own settings where the program reads them.
    void werkzeugSchreibtDieEigenenEinstellungenDesProgramms()
    {
        const QString ordner = m_dir->filePath(QStringLiteral("werkzeug"));
        QVERIFY(QDir().mkpath(ordner));
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_dir->path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir->filePath(QStringLiteral("xdg")));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(ordner);
        p.start(QStringLiteral(TARVOS_IMPORT), {QStringLiteral("-y"), QStringLiteral("--privat"), m_alt.PrivatOrdner,
                                                m_alt.Ordner});
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        const QString privat = m_dir->filePath(QStringLiteral("xdg/TARVOS/TARVOS Maschinenpark/PelmoraPriv.sqlite"));
        QVERIFY2(QFileInfo::exists(privat), qPrintable(privat));
        QString rechte;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("werkzeug"));
            db.setDatabaseName(privat);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("SELECT \"Rights\" FROM \"Kfzsyspr\"")));
            if (q.next()) rechte = q.value(0).toString();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("werkzeug"));
        QCOMPARE(rechte, QStringLiteral("S"));
        QVERIFY(QFileInfo::exists(ordner + QStringLiteral("/Daten/Pelmora.sqlite")));
    }

    // A table that cannot be read stops the import with a message naming
    // the file; nothing is written.
    void beschaedigteDateien_data()
    {
        QTest::addColumn<QString>("datei");
        QTest::addColumn<qint64>("ort");       // -1: cut the file there instead (-2: remove it)
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("meldung");
        QTest::newRow("abgeschnitten") << "kfzvar.db" << qint64(-3000) << QByteArray()
            << QString::fromUtf8("Die Datei „kfzvar.db“ ist abgeschnitten");
        QTest::newRow("Kopf zu kurz") << "kfzvar.db" << qint64(-50) << QByteArray()
            << QString::fromUtf8("„kfzvar.db“ ist keine Paradox-Tabelle");
        QTest::newRow("unmögliche Satzanzahl") << "KFZSTAMM.DB" << qint64(6) << Le32(999999)
            << QString::fromUtf8("der Kopf nennt 999999 Datensätze, die Datenblöcke enthalten 5");
        QTest::newRow("negative Satzanzahl") << "KFZSTAMM.DB" << qint64(6) << Le32(-1)
            << QString::fromUtf8("unmögliche Satzanzahl -1");
        QTest::newRow("unmögliche Blockzahl") << "KfzHisto.db" << qint64(0x0C) << Le16(60000)
            << QString::fromUtf8("60000 Datenblöcke");
        QTest::newRow("Block verweist auf sich") << "KfzMonat.DB" << qint64(0x0E) << Le16(7)
            << QString::fromUtf8("Datenblock 7, die Datei hat 1");
        QTest::newRow("Feldanzahl") << "TERMINKZ.DB" << qint64(0x21) << Le16(300)
            << QString::fromUtf8("unmögliche Feldanzahl 300");
        QTest::newRow("Satzlänge") << "TERMINKZ.DB" << qint64(0) << Le16(24)
            << QString::fromUtf8("die Felder ergeben 23 Bytes je Datensatz, der Kopf nennt 24");
        QTest::newRow("Memodatei fehlt") << "KFZSTAMM.MB" << qint64(-2) << QByteArray()
            << QString::fromUtf8("Zur Tabelle „KFZSTAMM.DB“ fehlt die Memodatei „KFZSTAMM.MB“");
        QTest::newRow("Memodatei abgeschnitten") << "KFZSTAMM.MB" << qint64(-100) << QByteArray()
            << QString::fromUtf8("Die Memodatei „KFZSTAMM.MB“ ist abgeschnitten");
    }
    void beschaedigteDateien()
    {
        QFETCH(QString, datei);
        QFETCH(qint64, ort);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, meldung);
        const QString pfad = m_alt.Ordner + u'/' + datei;
        if (ort == -2) {
            QVERIFY(QFile::remove(pfad));
        } else if (ort < 0) {
            QFile f(pfad);
            QVERIFY(f.resize(-ort < 100 ? -ort : f.size() + ort));
        } else {
            Patch(pfad, ort, bytes);
        }
        const QString vorher = Abzug();
        TUebernahme u(m_alt.Ordner, m_alt.PrivatOrdner);
        const TUebernahmeBericht& b = u.Pruefen();
        QVERIFY(!b.Moeglich());
        QVERIFY2(b.Text().contains(meldung), qPrintable(b.Text()));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, u.Schreiben());
        QCOMPARE(Abzug(), vorher);
    }

    // A memo pointing outside its file spoils that record only.
    void memoVerweisAusserhalb()
    {
        const QString pfad = m_alt.Ordner + QStringLiteral("/KFZSTAMM.DB");
        QFile f(pfad);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray d = f.readAll();
        f.close();
        // The long memo's pointer: the last 10 bytes of the first record.
        const int satzLaenge = quint8(d[0]) | quint8(d[1]) << 8;
        const int kopf = quint8(d[2]) | quint8(d[3]) << 8;
        Patch(pfad, kopf + 6 + satzLaenge - 32 - 10, Le32(0x7FFF00FF));
        TUebernahme u(m_alt.Ordner, m_alt.PrivatOrdner);
        const TUebernahmeBericht& b = u.Pruefen();
        QVERIFY(b.Moeglich());
        // The third record, a duplicate of the first, now takes its place.
        QCOMPARE(TabelleIm(b, QStringLiteral("KfzStamm.db")).Uebernommen, 3);
        QVERIFY(!b.Text().contains(QString::fromUtf8("Ident.-Nummer „BAG-001“ kommt doppelt")));
        QVERIFY2(b.Text().contains(QString::fromUtf8("KfzStamm.db, Datensatz 1: nicht lesbar: Feld Memo: Memo "
                                                     "unlesbar, es verweist außerhalb von „KFZSTAMM.MB“")),
                 qPrintable(b.Text()));
    }

    // A few hundred damaged copies: each is read through or refused with a
    // message naming the file, never a crash.
    void zufaelligBeschaedigt()
    {
        const QString quelle = m_alt.Ordner + QStringLiteral("/KFZSTAMM.DB");
        QFile q(quelle), qm(m_alt.Ordner + QStringLiteral("/KFZSTAMM.MB"));
        QVERIFY(q.open(QIODevice::ReadOnly) && qm.open(QIODevice::ReadOnly));
        const QByteArray original = q.readAll(), memo = qm.readAll();
        const QString ziel = m_dir->path() + QStringLiteral("/Kaputt.DB");
        QFile mb(m_dir->path() + QStringLiteral("/Kaputt.MB"));
        QVERIFY(mb.open(QIODevice::WriteOnly));
        mb.write(memo);
        mb.close();
        std::mt19937 z(19);
        int abgewiesen = 0;
        for (int i = 0; i < 400; ++i) {
            QByteArray d = original;
            for (int k = 0; k < 1 + int(z() % 4); ++k) {
                const qsizetype ort = z() % 2 ? z() % 0x90 : z() % d.size();
                if (z() % 8 == 0) d.truncate(ort);
                else if (ort < d.size()) d[ort] = char(z());
            }
            QFile f(ziel);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(d);
            f.close();
            try {
                TPxTabelle t(ziel);
                std::vector<TPxWert> w;
                QString fehler;
                while (t.Lesen(w, fehler)) {
                }
            } catch (const EPxFehler& e) {
                QVERIFY2(e.Message().contains(QLatin1String("Kaputt.DB")), qPrintable(e.Message()));
                ++abgewiesen;
            }
        }
        QVERIFY(abgewiesen > 0);
    }
};

QTEST_GUILESS_MAIN(TestUebernahme)
#include "tst_uebernahme.moc"
