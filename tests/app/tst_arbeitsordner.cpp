#include "Arbeitsordner.h"
#include "DBErrors.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestArbeitsordner : public QObject {
    Q_OBJECT
private slots:
    void choice_data()
    {
        QTest::addColumn<QString>("programm");
        QTest::addColumn<QString>("install");
        QTest::addColumn<QString>("aktuell");
        QTest::addColumn<QString>("erwartet");
        const QString park = QStringLiteral("/home/anna/Dokumente/TARVOS Maschinenpark");
        QTest::newRow("menu start in the home folder") << "/usr/bin" << "/usr/bin" << "/home/anna" << park;
        QTest::newRow("home folder written with a slash") << "/usr/bin/" << "/usr/bin" << "/home/anna/" << park;
        QTest::newRow("started in the root") << "/usr/bin" << "/usr/bin" << "/" << park;
        QTest::newRow("started in a chosen folder") << "/usr/bin" << "/usr/bin" << "/srv/park" << "/srv/park";
        QTest::newRow("started in the documents") << "/usr/bin" << "/usr/bin" << "/home/anna/Dokumente"
                                                  << "/home/anna/Dokumente";
        QTest::newRow("build tree, home folder") << "/src/tarvos/build/src/app" << "/usr/bin" << "/home/anna"
                                                 << "/home/anna";
        QTest::newRow("build tree, demo folder") << "/src/tarvos/build/src/app" << "/usr/local/bin"
                                                 << "/src/tarvos/demo" << "/src/tarvos/demo";
        QTest::newRow("no install folder known") << "/usr/bin" << "" << "/home/anna" << "/home/anna";
    }
    void choice()
    {
        QFETCH(QString, programm);
        QFETCH(QString, install);
        QFETCH(QString, aktuell);
        QFETCH(QString, erwartet);
        const TStartOrt ort{programm, install, aktuell, QStringLiteral("/home/anna"), QStringLiteral("/home/anna/Dokumente")};
        QCOMPARE(Arbeitsordner(ort), erwartet);
    }

    // A link to the install folder is the install folder.
    void linkedInstallFolder()
    {
        QTemporaryDir tmp;
        QVERIFY(QDir(tmp.path()).mkpath(QStringLiteral("usr/bin")));
        QVERIFY(QFile::link(tmp.filePath(QStringLiteral("usr/bin")), tmp.filePath(QStringLiteral("bin"))));
        const TStartOrt ort{tmp.filePath(QStringLiteral("bin")), tmp.filePath(QStringLiteral("usr/bin")), tmp.path(),
                            tmp.path(), tmp.filePath(QStringLiteral("Dokumente"))};
        QCOMPARE(Arbeitsordner(ort), tmp.filePath(QStringLiteral("Dokumente/TARVOS Maschinenpark")));
    }

    void setUp()
    {
        QTemporaryDir tmp;
        const QString before = QDir::currentPath();
        // The documents folder itself may not exist yet on a new account.
        const QString ordner = tmp.filePath(QStringLiteral("Dokumente/TARVOS Maschinenpark"));
        ArbeitsordnerEinrichten(ordner);
        QCOMPARE(QDir::currentPath(), QFileInfo(ordner).canonicalFilePath());
        // A second start finds it and keeps what is inside.
        QFile daten(QStringLiteral("aliases.ini"));
        QVERIFY(daten.open(QIODevice::WriteOnly));
        daten.close();
        ArbeitsordnerEinrichten(ordner);
        QVERIFY(QFile::exists(QDir(ordner).filePath(QStringLiteral("aliases.ini"))));
        QDir::setCurrent(before);
    }

    void setUpRefused()
    {
        QTemporaryDir tmp;
        const QString before = QDir::currentPath();
        QFile datei(tmp.filePath(QStringLiteral("Dokumente")));
        QVERIFY(datei.open(QIODevice::WriteOnly));
        datei.close();
        try {
            ArbeitsordnerEinrichten(tmp.filePath(QStringLiteral("Dokumente/TARVOS Maschinenpark")));
            QFAIL("a file in the way was not reported");
        } catch (const Exception& e) {
            QVERIFY2(e.Message().contains(QStringLiteral("kann nicht angelegt")), qPrintable(e.Message()));
        }
        QCOMPARE(QDir::currentPath(), before);
    }
};

QTEST_GUILESS_MAIN(TestArbeitsordner)
#include "tst_arbeitsordner.moc"
