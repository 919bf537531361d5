// The binding of the report engine: one job for the run and its language
// fallback, the error when there is none, the preview settings and the
// answers to the engine's notifications.
#include "Dialogs.h"
#include "Engine.h"
#include "RepEngine.h"
#include <QtTest>

class TestRepBinding : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { EngHooks() = TEngHooks(); }

    void jobOpensInTheFirstLanguageThatWorks_data()
    {
        QTest::addColumn<int>("firstWorking");   // language code; -2: none works
        QTest::addColumn<int>("language");       // TRepLanguage that results
        QTest::newRow("Standard") << -1 << int(TRepLanguage::DefaultLang);
        QTest::newRow("erste Sprache") << 0 << int(TRepLanguage::Deutsch);
        QTest::newRow("sechste Sprache") << 5 << int(TRepLanguage::Basque);
        QTest::newRow("letzte Sprache") << 41 << int(TRepLanguage::Ukrainian);
        QTest::newRow("keine") << -2 << int(TRepLanguage::DefaultLang);
    }
    void jobOpensInTheFirstLanguageThatWorks()
    {
        QFETCH(int, firstWorking);
        QFETCH(int, language);
        QList<int> tried;
        EngHooks().JobOpen = [&](int code) {
            tried << code;
            return firstWorking != -2 && code == firstWorking ? 0 : -1;
        };
        TDialogRecorder dialogs;
        int job = -1;
        {
            TRepEngine e;
            job = e.hLlJob;
            QCOMPARE(int(e.Language()), language);
            if (firstWorking == -2) {
                QVERIFY(job < 0);
                QCOMPARE(tried.size(), 43);
                QCOMPARE(dialogs.Records().size(), 1);
                QCOMPARE(dialogs.Last().Text, QStringLiteral("Can't find the report engine default language file."));
                QCOMPARE(dialogs.Last().Caption, QStringLiteral("Error"));
                QCOMPARE(dialogs.Last().Type, mtInformation);
                // Every later call gets the engine's error back.
                QCOMPARE(e.PrintWithBoxStart(2, QStringLiteral("VarKost.lst"), 0x100, 1, nullptr, QString()), int(erBadJob));
            } else {
                QVERIFY(job >= 0);
                QCOMPARE(tried.last(), firstWorking);
                QVERIFY(dialogs.IsEmpty());
                QCOMPARE(EngGetOption(job, ejoUserData), reinterpret_cast<qintptr>(&e));
            }
        }
        if (job >= 0) QCOMPARE(EngGetOption(job, 1), qintptr(erBadJob));   // closed with the component
    }

    void onlyMinusOneTriesTheOtherLanguages()
    {
        int calls = 0;
        EngHooks().JobOpen = [&](int) {
            ++calls;
            return -5;
        };
        TDialogRecorder dialogs;
        TRepEngine e;
        QCOMPARE(calls, 1);
        QVERIFY(e.hLlJob < 0);
        QCOMPARE(dialogs.Records().size(), 1);
    }

    void propertiesReachTheEngine()
    {
        TRepEngine e;
        // Creation values, read back from the engine.
        QVERIFY(e.Flag(TRepFlag::SortVariables));
        QVERIFY(!e.Flag(TRepFlag::MultipleTableLines));
        QCOMPARE(e.TabRepresentationCode(), QChar(247));
        QCOMPARE(e.RetRepresentationCode(), QChar(182));
        QCOMPARE(e.NewExpressions(), TNewExpressions::NewMode);
        QCOMPARE(e.StorageSystem(), TStorageSystem::Storage);
        e.SetFlag(TRepFlag::MultipleTableLines, true);
        QCOMPARE(EngGetOption(e.hLlJob, 20), qintptr(1));
        e.SetCompressStorage(true);
        QVERIFY(e.CompressStorage());
        e.SetStorageSystem(TStorageSystem::Compat4);
        QVERIFY(!e.CompressStorage());
        e.SetCompressStorage(true);   // compressing needs the storage system
        QVERIFY(!e.CompressStorage());
        // The engine compares variable names as the flag says.
        QCOMPARE(EngGetOption(e.hLlJob, ejoVarsCaseSensitive), qintptr(1));
        e.SetFlag(TRepFlag::VarsCaseSensitive, false);
        e.DefineVariableStart();
        e.DefineVariable(QStringLiteral("IdentNummer"), QStringLiteral("A-1"));
        QCOMPARE(EngVariableContents(e.hLlJob, QStringLiteral("IDENTNUMMER")), QStringLiteral("A-1"));
    }

    void previewAppearanceRefusesValuesBelowMinusOne()
    {
        TRepEngine e;
        TPrvAppearance& a = e.PreviewAppearance();
        QCOMPARE(a.ZoomPerc(), 100);
        a.SetZoomPerc(-2);
        QCOMPARE(a.ZoomPerc(), 100);
        a.SetZoomPerc(150);
        QCOMPARE(EngGetOption(e.hLlJob, ejoPreviewZoom), qintptr(150));
        a.SetLeft(-1);
        QCOMPARE(EngGetOption(e.hLlJob, ejoPreviewLeft), qintptr(0));   // -1 is not sent
        a.SetLeft(30);
        QCOMPARE(EngGetOption(e.hLlJob, ejoPreviewLeft), qintptr(30));
        a.SetWidth(0);
        QCOMPARE(EngGetOption(e.hLlJob, ejoPreviewWidth), qintptr(0));
    }

    void notificationsGetDefaultAnswers_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<qintptr>("answer");
        QTest::newRow("Seite") << 21 << qintptr(0);
        QTest::newRow("Gruppenbeginn") << 23 << qintptr(2);
        QTest::newRow("Gruppenzeile") << 25 << qintptr(2);
        QTest::newRow("Filter") << 1000 << qintptr(0);
        QTest::newRow("unbekannt") << 4711 << qintptr(0);
    }
    void notificationsGetDefaultAnswers()
    {
        QFETCH(int, code);
        QFETCH(qintptr, answer);
        TRepEngine e;
        QCOMPARE(e.Notification(code, 7), answer);
        // A handler alone or a flag alone forwards nothing.
        e.SetEventHandler(TRepEvent::OnGroupBegin, [](const TRepCallbackArgs&) { return qintptr(99); });
        QCOMPARE(e.Notification(23, 0), qintptr(2));
    }

    void variableHelpTextDefaultsToEmptyText()
    {
        TRepEngine e;
        const auto* text = reinterpret_cast<const char16_t*>(e.Notification(35, 0));
        QVERIFY(text);
        QCOMPARE(text[0], u'\0');
    }

    void enabledEventTakesTheNotification()
    {
        TRepEngine e;
        TRepCallbackArgs got;
        e.SetEventHandler(TRepEvent::OnHelp, [&](const TRepCallbackArgs& a) {
            got = a;
            return qintptr(5);
        });
        QCOMPARE(e.Notification(30, 0x00030004), qintptr(0));
        e.SetEventEnabled(TRepEvent::OnHelp, true);
        QCOMPARE(e.Notification(30, 0x00030004), qintptr(5));
        QCOMPARE(got.HiWord, 3);
        QCOMPARE(got.LoWord, 4);
        // The engine's own notifications reach the component through option 7.
        e.SetEventHandler(TRepEvent::OnProject, [&](const TRepCallbackArgs& a) {
            got = a;
            return qintptr(0);
        });
        e.SetEventEnabled(TRepEvent::OnProject, true);
        e.SetEventEnabled(TRepEvent::OnHostPrinter, true);
        QCOMPARE(EngGetOption(e.hLlJob, 13), qintptr(1));
    }

    void failedLanguageChangeFallsBackAndKeepsTheProperties_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("Sprachdatei") << int(erLanguage) << "Report engine language file not found.";
        QTest::newRow("anderer Fehler") << -3 << "Can't open the report engine job.";
    }
    void failedLanguageChangeFallsBackAndKeepsTheProperties()
    {
        QFETCH(int, code);
        QFETCH(QString, message);
        TRepEngine e;
        e.SetFlag(TRepFlag::MultipleTableLines, true);
        e.SetTabRepresentationCode(QChar(u'#'));
        EngHooks().JobOpen = [&](int lang) { return lang == int(TRepLanguage::French) - 1 ? code : 0; };
        TDialogRecorder dialogs;
        e.SetLanguage(TRepLanguage::French);
        QCOMPARE(dialogs.Records().size(), 1);
        QCOMPARE(dialogs.Last().Text, message);
        QCOMPARE(dialogs.Last().Caption, QStringLiteral("Error"));
        QVERIFY(e.hLlJob >= 0);
        QCOMPARE(e.Language(), TRepLanguage::DefaultLang);
        QVERIFY(e.Flag(TRepFlag::MultipleTableLines));
        QCOMPARE(e.TabRepresentationCode(), QChar(u'#'));
        EngHooks().JobOpen = nullptr;
        e.SetLanguage(TRepLanguage::English);
        QCOMPARE(e.Language(), TRepLanguage::English);
        QVERIFY(e.Flag(TRepFlag::MultipleTableLines));
    }
};

QTEST_MAIN(TestRepBinding)
#include "tst_repbinding.moc"
