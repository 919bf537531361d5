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
#include "UiTestSupport.h"
#include <QDateTime>
#include <QMap>
#include <memory>

using ParkSettings = QMap<QString, QString>;

// The main window's tabs in their order.
enum TParkTab { tabStammdaten, tabMemo, tabHistorie, tabKosten, tabMonatsauswertung, tabMonatsuebersicht };

class ParkFixture : public QObject {
protected:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldDir;

    static THauptFormular* Main() { return HauptFormular; }
    static TDataModule1* DM() { return DataModule1; }

    // A fresh park in a temporary working directory with a fixed clock.
    void InitPark(const QDateTime& now = QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
    void CleanupPark();

    // Writes the single record of a settings table before the program reads it.
    static void WriteRecord(const QString& alias, const QString& table, const ParkSettings& values);
    static void WriteSettings(const ParkSettings& values);
    static void WriteRights(const QString& rights);
    // The user's own rights and whether the program starts in editing mode.
    static void WriteOwnSettings(const QString& rights, bool startEditing);
    // Records stored before the program starts.
    static void StoreRecord(const QString& table, const ParkSettings& values);
    static void StoreMachine(const ParkSettings& values);
    // Vouchers stored before the start, in the given entry order.
    static void StoreCost(const QString& machine, const QDate& date, double repair);

    // Starts the program on the first machine, in editing mode unless read-only.
    void Start(bool editing = true);
    // Starts the program as it comes up, without switching the mode.
    void StartAsIs();

    static void ClickMainTab(int index);
    static QString Machine(const char* field);
};
