#include "ParkFixture.h"
#include "Clock.h"
#include "DBENav.h"
#include "Session.h"
#include "Table.h"
#include <QDir>
#include <QTabBar>
#include <QTabWidget>

void ParkFixture::InitPark(const QDateTime& now)
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
    SetTestClock(now);
}

void ParkFixture::CleanupPark()
{
    FreeForms();
    Session().Reset();
    ResetTestClock();
    QDir::setCurrent(m_oldDir);
    m_dir.reset();
}

void ParkFixture::WriteRecord(const QString& alias, const QString& table, const ParkSettings& values)
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

void ParkFixture::WriteSettings(const ParkSettings& values)
{
    WriteRecord(QStringLiteral("Pelmora"), QStringLiteral("Kfzsyste.DB"), values);
}

void ParkFixture::WriteRights(const QString& rights)
{
    WriteRecord(QStringLiteral("PelmoraPriv"), QStringLiteral("Kfzsyspr.DB"), {{QStringLiteral("Rights"), rights}});
}

void ParkFixture::WriteOwnSettings(const QString& rights, bool startEditing)
{
    CreateMissingTables();
    TTable t;
    t.SetDatabaseName(QStringLiteral("PelmoraPriv"));
    t.SetTableName(QStringLiteral("Kfzsyspr.DB"));
    t.Open();
    t.Edit();
    t.FieldByName(QStringLiteral("Rights"))->SetAsString(rights);
    t.FieldByName(QStringLiteral("Schreibschutz"))->SetAsBoolean(startEditing);
    t.Post();
    t.Close();
}

void ParkFixture::StoreRecord(const QString& table, const ParkSettings& values)
{
    CreateMissingTables();
    TTable t;
    t.SetDatabaseName(QStringLiteral("Pelmora"));
    t.SetTableName(table);
    t.Open();
    t.Append();
    for (auto it = values.begin(); it != values.end(); ++it) t.FieldByName(it.key())->SetAsString(it.value());
    t.Post();
    t.Close();
}

void ParkFixture::StoreMachine(const ParkSettings& values)
{
    StoreRecord(QStringLiteral("KfzStamm.db"), values);
}

void ParkFixture::StoreCost(const QString& machine, const QDate& date, double repair)
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

void ParkFixture::StartAsIs()
{
    CreateForms();
    Main()->show();
    Main()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Main()));
}

void ParkFixture::Start(bool editing)
{
    StartAsIs();
    if (editing && !Main()->EditMode()) Main()->TDBENavMain->BtnClick(nbGlobalEdit);
}

void ParkFixture::ClickMainTab(int index)
{
    QTabBar* bar = Main()->PageCtrlMain->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

QString ParkFixture::Machine(const char* field)
{
    return DataModule1->TTblMain->FieldByName(QString::fromUtf8(field))->AsString();
}
