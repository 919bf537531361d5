// A second program for the server test: counts one machine's name up, post
// by post, against whoever else does the same; a refused post is read
// again and repeated.
//   tarvos-serverposter HOST PORT DATABASE USER SCHEMA POSTS
// Prints "gespeichert N abgewiesen M".
#include "DBConsts.h"
#include "DBErrors.h"
#include "Session.h"
#include "Table.h"
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() != 7) return 2;
    TServerAlias server{a[1], a[2].toInt(), a[3], a[4], QString(), QStringLiteral("-csearch_path=") + a[5]};
    Session().SetAliasServer(QStringLiteral("Pelmora"), server);
    const int posts = a[6].toInt();
    int saved = 0, refused = 0;
    try {
        TTable t;
        t.SetDatabaseName(QStringLiteral("Pelmora"));
        t.SetTableName(QStringLiteral("Maschinen.DB"));
        t.Open();
        TField* name = t.FieldByName(QStringLiteral("Name"));
        while (saved < posts) {
            t.Refresh();
            if (!t.FindKey({QStringLiteral("B1")})) return 3;
            t.Edit();
            name->SetAsString(QString::number(name->AsString().toInt() + 1));
            try {
                t.Post();
                ++saved;
            } catch (const EDatabaseError& e) {
                if (e.Message() != DBConsts::SRecChanged) throw;
                t.Cancel();
                ++refused;
            }
        }
    } catch (const Exception& e) {
        QTextStream(stderr) << e.Message() << "\n";
        return 1;
    }
    QTextStream(stdout) << "gespeichert " << saved << " abgewiesen " << refused << "\n";
    return 0;
}
