#pragma once
// A small machine park behind the real main window: fresh directories, the
// settings written before the start, a dialog recorder answering.
#include "Clock.h"
#include "DBENav.h"
#include "DataMod.h"
#include "Dialogs.h"
#include "Forms.h"
#include "Main.h"
#include "Session.h"
#include "Table.h"
#include <QDir>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using ParkSettings = QMap<QString, QString>;

class ParkFixture : public QObject {
protected:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldDir;

    static THauptFormular* Main() { return HauptFormular; }
    static TDataModule1* DM() { return DataModule1; }

    void InitPark()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_oldDir = QDir::currentPath();
        QDir::setCurrent(m_dir->path());
        Session().Reset();
        Session().SetAliasPath(QStringLiteral("Pelmora"), m_dir->path() + QStringLiteral("/Daten"));
        Session().SetAliasPath(QStringLiteral("PelmoraPriv"), m_dir->path() + QStringLiteral("/Privat"));
        QDir(m_dir->path()).mkpath(QStringLiteral("Daten"));
        QDir(m_dir->path()).mkpath(QStringLiteral("Privat"));
        SetTestClock(QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
    }
    void CleanupPark()
    {
        FreeForms();
        Session().Reset();
        ResetTestClock();
        QDir::setCurrent(m_oldDir);
        m_dir.reset();
    }

    static void WriteRecord(const QString& alias, const QString& table, const ParkSettings& values)
    {
        CreateMissingTables();
        TTable t;
        t.SetDatabaseName(alias);
        t.SetTableName(table);
        t.Open();
        if (t.IsEmpty()) t.Append();
        else t.Edit();
        for (auto it = values.begin(); it != values.end(); ++it) {
            if (it.value().isNull()) t.FieldByName(it.key())->Clear();
            else t.FieldByName(it.key())->SetAsString(it.value());
        }
        t.Post();
        t.Close();
    }
    static void WriteSettings(const ParkSettings& values)
    {
        WriteRecord(QStringLiteral("Pelmora"), QStringLiteral("Kfzsyste.DB"), values);
    }
    static void WriteRights(const QString& rights)
    {
        WriteRecord(QStringLiteral("PelmoraPriv"), QStringLiteral("Kfzsyspr.DB"), {{QStringLiteral("Rights"), rights}});
    }
    // Machines stored before the program starts.
    static void StoreMachine(const ParkSettings& values)
    {
        CreateMissingTables();
        TTable t;
        t.SetDatabaseName(QStringLiteral("Pelmora"));
        t.SetTableName(QStringLiteral("KfzStamm.db"));
        t.Open();
        t.Append();
        for (auto it = values.begin(); it != values.end(); ++it) t.FieldByName(it.key())->SetAsString(it.value());
        t.Post();
        t.Close();
    }
    // Vouchers stored before the start, in the given entry order.
    static void StoreCost(const QString& machine, const QDate& date, double repair)
    {
        CreateMissingTables();
        TTable t;
        t.SetDatabaseName(QStringLiteral("Pelmora"));
        t.SetTableName(QStringLiteral("KfzVar.DB"));
        t.Open();
        t.Append();
        t.FieldByName(QStringLiteral("IdentNummer"))->SetAsString(machine);
        t.FieldByName(QStringLiteral("BelegDatum"))->SetAsDate(date);
        t.FieldByName(QStringLiteral("Betriebsstunden"))->SetAsFloat(10);
        t.FieldByName(QStringLiteral("ReparaturKosten"))->SetAsFloat(repair);
        t.FieldByName(QStringLiteral("Jahr"))->SetAsString(QString::number(date.year()));
        t.FieldByName(QStringLiteral("Monat"))->SetAsString(MonthNames().at(date.month() - 1));
        t.Post();
        t.Close();
    }

    // Starts the program on the first machine, in editing mode unless read-only.
    void Start(bool editing = true)
    {
        CreateForms();
        Main()->show();
        Main()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Main()));
        if (editing && !Main()->EditMode()) Main()->TDBENavMain->BtnClick(nbGlobalEdit);
    }

    static bool HasFocusIn(QWidget* w)
    {
        QWidget* f = QApplication::focusWidget();
        return f && (f == w || w->isAncestorOf(f));
    }
    static QString Machine(const char* field)
    {
        return DataModule1->TTblMain->FieldByName(QString::fromUtf8(field))->AsString();
    }
};
