// Times the table view over a large table: opening it (on the table itself
// and on a copy standing in the middle), paging and jumping through the
// grid, and the CSV export, with plain SQL reading the same rows beside it:
//   tarvos-viewbench [--records N] DIR
// A table of that size is written into DIR first when DIR has none.
#include "Bench.h"
#include "DBEdit.h"
#include "DBErrors.h"
#include "DBGrid.h"
#include "Dbetview.h"
#include "Dbeutil.h"
#include "Dbextend.h"
#include "Session.h"
#include "Table.h"
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QScrollBar>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QVBoxLayout>
#include <functional>

namespace {

using Bench::Ms;
using Bench::Num;
using Bench::OneDirectory;
using Bench::Out;

void Exec(QSqlQuery& q, const QString& sql)
{
    if (!q.exec(sql)) throw EDatabaseError(q.lastError().text());
}

// Machines with a number, a name, a value and a date, written in one go.
void CreateTable(int records)
{
    TTable t;
    t.SetDatabaseName(QStringLiteral("Pelmora"));
    t.SetTableName(QStringLiteral("Gross.DB"));
    t.DefsForCreate() = {{"Nr", ftInteger, 0, true}, {"Name", ftString, 30}, {"Ort", ftString, 20},
                         {"Wert", ftFloat, 0}, {"Datum", ftDate, 0}};
    t.IndexDefsForCreate() = {{QString(), "Nr", ixPrimary | ixUnique}};
    t.CreateTable();
    QSqlQuery q(Session().Database(QStringLiteral("Pelmora"))->Db());
    Exec(q, QStringLiteral("BEGIN"));
    Exec(q, QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                           "INSERT INTO \"Gross\" (\"Nr\", \"Name\", \"Ort\", \"Wert\", \"Datum\") "
                           "SELECT i, 'Maschine ' || i, 'Ort ' || (i % 97), i * 0.25, "
                           "date('2000-01-01', '+' || (i % 9000) || ' days') FROM n")
                .arg(records));
    Exec(q, QStringLiteral("COMMIT"));
}

class TBenchForm : public QWidget {
public:
    TBenchForm()
    {
        Table = new TTable(this);
        Table->SetDatabaseName(QStringLiteral("Pelmora"));
        Table->SetTableName(QStringLiteral("Gross.DB"));
        auto* src = new TDataSource(this);
        src->SetDataSet(Table);
        Edit = new TDBEdit(this);
        Edit->SetDataSource(src);
        Edit->SetDataField(QStringLiteral("Name"));
        (new QVBoxLayout(this))->addWidget(Edit);
        Table->Open();
        Ext = new TDBExtender(this);
        Ext->BorderStyleTblView = bsSizeable;   // shown without waiting in a loop of its own
    }
    TTable* Table;
    TDBEdit* Edit;
    TDBExtender* Ext;
};

TTableViewForm* OpenView(TBenchForm& form, bool synchron)
{
    form.Ext->OpenTableView(form.Table, nullptr, synchron);
    auto* v = qobject_cast<TTableViewForm*>(EntryOfDataSet(*form.Ext, form.Table)->TableView.data());
    if (!v) throw Exception(QStringLiteral("Die Tabellenansicht ging nicht auf."));
    QApplication::processEvents();
    v->TblGrid->viewport()->repaint();
    return v;
}

void CloseView(TTableViewForm* v)
{
    delete v;
    QApplication::processEvents();
}

}   // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarvos-viewbench"));
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Misst die Tabellenansicht über einer großen Tabelle."));
    p.addHelpOption();
    const QCommandLineOption records(QStringLiteral("records"), QStringLiteral("Datensätze einer neuen Tabelle (1000000)."),
                                     QStringLiteral("N"), QStringLiteral("1000000"));
    p.addOption(records);
    p.addPositionalArgument(QStringLiteral("DIR"), QStringLiteral("Verzeichnis der Tabelle."));
    p.process(app);
    const QString dir = OneDirectory(p);
    if (dir.isEmpty()) return 1;
    try {
        QDir().mkpath(dir + QStringLiteral("/Daten"));
        QDir().mkpath(dir + QStringLiteral("/Privat"));
        Session().SetAliasPath(QStringLiteral("Pelmora"), dir + QStringLiteral("/Daten"));
        Session().SetAliasPath(QStringLiteral("PelmoraPriv"), dir + QStringLiteral("/Privat"));
        {
            TTable probe;
            probe.SetDatabaseName(QStringLiteral("Pelmora"));
            probe.SetTableName(QStringLiteral("Gross.DB"));
            if (!probe.Exists()) {
                Out() << "Erzeuge Tabelle mit " << p.value(records) << " Datensätzen in " << dir << " ...\n";
                Out().flush();
                CreateTable(std::max(1, p.value(records).toInt()));
            }
        }
        TBenchForm form;
        form.resize(400, 100);
        form.show();
        QApplication::processEvents();
        const int count = form.Table->RecordCount();
        Out() << QStringLiteral("Tabelle Gross.DB: %1 Datensätze\n\n").arg(count);
        auto line = [](const QString& what, double ms, const QString& extra = QString()) {
            Out() << QStringLiteral("%1 | %2 ms%3\n").arg(what, -44).arg(Num(ms, 1), 10).arg(extra);
        };

        TTableViewForm* v = nullptr;
        line(QStringLiteral("Öffnen auf der Tabelle selbst"), Ms([&] { v = OpenView(form, true); }));
        QScrollBar* bar = v->TblGrid->verticalScrollBar();
        const int pages = 500;
        const double paging = Ms([&] {
            for (int i = 0; i < pages; ++i) {
                bar->setValue(bar->value() + bar->pageStep());
                v->TblGrid->viewport()->repaint();
            }
        });
        line(QStringLiteral("Blättern, je Seite (%1 Seiten)").arg(pages), paging / pages);
        line(QStringLiteral("Sprung ans Ende"), Ms([&] {
                 bar->setValue(bar->maximum());
                 v->TblGrid->viewport()->repaint();
             }));
        line(QStringLiteral("Sprung in die Mitte, Datensatz dort wählen"), Ms([&] {
                 bar->setValue(bar->maximum() / 2);
                 v->TblGrid->viewport()->repaint();
                 const int row = v->TblGrid->rowAt(10);
                 v->TblGrid->setCurrentIndex(v->TblGrid->model()->index(row, 1));
             }));
        CloseView(v);
        form.Table->SetRecNo(count / 2);
        line(QStringLiteral("Öffnen als Kopie, Aufrufer in der Mitte"), Ms([&] { v = OpenView(form, false); }));

        QTemporaryDir out;
        const QString csv = out.filePath(QStringLiteral("gross.csv"));
        const double exportMs = Ms([&] { v->ExportCsv(csv); });
        const double mb = QFileInfo(csv).size() / 1e6;
        line(QStringLiteral("CSV-Export aller Datensätze"), exportMs,
             QStringLiteral("  (%1 MB, %2 Datensätze/s)").arg(Num(mb, 1)).arg(Num(count / (exportMs / 1000), 0)));
        CloseView(v);

        // Plain SQL reading the same rows in the same order, for scale.
        QSqlQuery q(Session().Database(QStringLiteral("Pelmora"))->Db());
        q.setForwardOnly(true);
        const double sqlMs = Ms([&] {
            Exec(q, QStringLiteral("SELECT \"Nr\", \"Name\", \"Ort\", \"Wert\", \"Datum\" FROM \"Gross\" "
                                   "ORDER BY \"Nr\", \"_rid\""));
            qint64 n = 0;
            while (q.next()) n += q.value(1).toString().size();
            q.finish();
        });
        line(QStringLiteral("Zum Vergleich: SQL liest dieselben Zeilen"), sqlMs,
             QStringLiteral("  (Export = %1 x SQL)").arg(Num(exportMs / sqlMs, 2)));
    } catch (const Exception& e) {
        QTextStream(stderr) << "Fehler: " << e.Message() << "\n";
        return 1;
    }
    Session().CloseDatabases();
    return 0;
}
